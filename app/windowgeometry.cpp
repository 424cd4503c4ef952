#include "windowgeometry.h"

#include "desktopsession.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

QRect maskRect(const QSize &window)
{
    return QRect(maskBand, maskBand, window.width() - 2 * maskBand, window.height() - 2 * maskBand);
}

QRegion roundedOutline(const QRect &visible, int radius)
{
    radius = std::min({radius, visible.width() / 2, visible.height() / 2});
    QRegion outline(visible.adjusted(0, radius, 0, -radius));
    for (int row = 0; row < radius; ++row) {
        // The inset of the row `row` pixels in from the top (and bottom)
        // edge, at its centre.
        const double dy = radius - (row + 0.5);
        const int inset = int(std::ceil(radius - std::sqrt(double(radius) * radius - dy * dy) - 0.5));
        const int width = visible.width() - 2 * inset;
        outline += QRect(visible.left() + inset, visible.top() + row, width, 1);
        outline += QRect(visible.left() + inset, visible.bottom() - row, width, 1);
    }
    return outline;
}

QPoint centredTopLeft(const QRect &desktop, const QSize &window)
{
    return QPoint(desktop.x() + (desktop.width() - window.width()) / 2,
                  desktop.y() + (desktop.height() - window.height()) / 2);
}

QRect maximisedGeometry(const QRect &available)
{
    return available.adjusted(-maskBand, -maskBand, maskBand, maskBand);
}

QSize restoredSize(const QSize &remembered, const QSize &minimum, const QRect &available)
{
    return remembered.boundedTo(maximisedGeometry(available).size()).expandedTo(minimum);
}

Qt::Edges edgesAt(const QSize &window, const QPoint &pos)
{
    const QRect visible = maskRect(window);
    if (!visible.contains(pos))
        return {};
    const auto within = [&](int reach) {
        Qt::Edges edges;
        if (pos.x() < visible.left() + reach)
            edges |= Qt::LeftEdge;
        if (pos.x() > visible.right() - reach)
            edges |= Qt::RightEdge;
        if (pos.y() < visible.top() + reach)
            edges |= Qt::TopEdge;
        if (pos.y() > visible.bottom() - reach)
            edges |= Qt::BottomEdge;
        return edges;
    };
    // On an edge, the corner reach decides whether it is a corner, so the
    // diagonal shapes are easy to hit.
    return within(resizeBand) ? within(cornerReach) : Qt::Edges();
}

Qt::CursorShape resizeCursor(Qt::Edges edges)
{
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling =
            edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal)
        return Qt::SizeHorCursor;
    return vertical ? Qt::SizeVerCursor : Qt::ArrowCursor;
}

QRect resizedGeometry(const QRect &start, Qt::Edges edges, const QPoint &travel, const QSize &minimum)
{
    QRect result = start;
    if (edges & Qt::LeftEdge)
        result.setLeft(std::min(start.left() + travel.x(), start.right() + 1 - minimum.width()));
    if (edges & Qt::RightEdge)
        result.setRight(std::max(start.right() + travel.x(), start.left() + minimum.width() - 1));
    if (edges & Qt::TopEdge)
        result.setTop(std::min(start.top() + travel.y(), start.bottom() + 1 - minimum.height()));
    if (edges & Qt::BottomEdge)
        result.setBottom(std::max(start.bottom() + travel.y(), start.top() + minimum.height() - 1));
    return result;
}

EdgeResizer::EdgeResizer(QWidget *window) : QObject(window), window(window)
{
    // The QWindow is made when the window is first shown (and again if its
    // flags change); the Show that follows installs the watch on it.
    window->installEventFilter(this);
}

void EdgeResizer::setEnabled(bool on)
{
    enabled = on;
    dragging = {};
    if (!on)
        showShape({});
}

void EdgeResizer::showShape(Qt::Edges edges)
{
    if (!edges) {
        if (shaped)
            window->unsetCursor();
        shaped = false;
        return;
    }
    window->setCursor(resizeCursor(edges));
    shaped = true;
}

bool EdgeResizer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window) {
        if (event->type() == QEvent::Show && window->windowHandle())
            window->windowHandle()->installEventFilter(this); // installed once, however often
        return false;
    }
    if (event->type() == QEvent::Leave && !dragging) {
        showShape({});
        return false;
    }
    const QEvent::Type type = event->type();
    if (!enabled ||
        (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease))
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    if (dragging) {
        if (type == QEvent::MouseMove)
            window->setGeometry(
                resizedGeometry(startGeometry, dragging, global - pressedAt, window->minimumSize()));
        else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton)
            dragging = {};
        return true;
    }
    if (type == QEvent::MouseButtonRelease || (type == QEvent::MouseMove && mouse->buttons()))
        return false; // a drag or a click that began elsewhere
    const Qt::Edges edges = edgesAt(window->size(), mouse->position().toPoint());
    showShape(edges);
    if (type != QEvent::MouseButtonPress || mouse->button() != Qt::LeftButton || !edges)
        return false;
    // The window manager resizes where it can (X11 with one, Wayland); it
    // declines where there is none, and then the window follows the pointer.
    // A Wayland compositor that declines cannot be worked around: it ignores
    // the geometry a client sets on its own window.
    auto *handle = static_cast<QWindow *>(watched);
    if (!handle->startSystemResize(edges) && !compositorPlacesWindows()) {
        dragging = edges;
        pressedAt = global;
        startGeometry = window->geometry();
    }
    return true;
}
