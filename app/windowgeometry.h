#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

// Geometry of the self-drawn window. The form leaves a band of this many
// pixels empty on every side of the main window, and the window mask cuts it
// away, so what the user sees is the window shrunk by the band.
constexpr int maskBand = 11;

// How far in from the visible edge a press resizes instead of moving the
// window, and how far along the edges the corners reach.
constexpr int resizeBand = 6;
constexpr int cornerReach = 16;

// The visible (masked) part of a window of size `window`, in its own
// coordinates.
QRect maskRect(const QSize &window);

// Where a compositor shows the band a mask would cut (Wayland), the
// visible part is drawn with its corners rounded by this radius.
constexpr int cornerRadius = 7;

// `visible` with its four corners rounded by `radius`, whole pixels: a
// pixel belongs to it when its centre lies inside the rounded outline.
QRegion roundedOutline(const QRect &visible, int radius);

// Top-left corner that centres a window of size `window` on `desktop`
// (the whole virtual desktop). Signed division, truncating toward zero, so
// a desktop smaller than the window gives a negative offset: 800 - 827
// gives -13, not -14.
QPoint centredTopLeft(const QRect &desktop, const QSize &window);

// The window geometry whose visible part exactly covers `available`.
QRect maximisedGeometry(const QRect &available);

// The size a window comes back at: `remembered`, but no bigger than the
// screen's `available` area lets its visible part be, and never below
// `minimum` (which wins on a screen smaller than that).
QSize restoredSize(const QSize &remembered, const QSize &minimum, const QRect &available);

// The edges a press at `pos` (window coordinates) would resize: none
// outside the visible part or further in than resizeBand.
Qt::Edges edgesAt(const QSize &window, const QPoint &pos);

// The pointer shape offering a resize of `edges`; the arrow for none.
Qt::CursorShape resizeCursor(Qt::Edges edges);

// `start` with `edges` dragged by `travel`, never smaller than `minimum`;
// the edges not dragged stay where they were.
QRect resizedGeometry(const QRect &start, Qt::Edges edges, const QPoint &travel, const QSize &minimum);

// Resizes a frameless window from the edges of its visible part. The
// pointer shows the resize shape there; a left press hands the resize to
// the window manager (QWindow::startSystemResize) or, where the platform
// has none to hand it to (a bare X server), follows the pointer itself. It watches the
// window's QWindow, which sees every pointer event before the widget
// under the pointer does.
class EdgeResizer : public QObject
{
    Q_OBJECT

public:
    explicit EdgeResizer(QWidget *window);
    // Off while the window covers the screen.
    void setEnabled(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showShape(Qt::Edges edges);

    QWidget *window;
    bool enabled = true;
    bool shaped = false; // the window's cursor is one of ours
    Qt::Edges dragging;  // being resized by hand
    QPoint pressedAt;    // global position of that press
    QRect startGeometry;
};
