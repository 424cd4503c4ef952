#pragma once

#include "ui_glassmere.h"

#include "reflectionsettings.h"

#include <QImage>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPoint>
#include <QRect>
#include <QResizeEvent>
#include <QString>

class DlgLoading;

QT_BEGIN_NAMESPACE
class QGraphicsPixmapItem;
class QGraphicsScene;
QT_END_NAMESPACE

// The application directory (QCoreApplication::applicationDirPath(), no
// trailing separator). Set once by main() before the window is built; the
// skin finds its frame images under currentPath + "/style".
extern QString currentPath;

// The one window of the program. It draws its own frame through the skin
// and owns everything long-lived: the form, the preview scene, the photo,
// the last rendering and the loading dialog.
class Glassmere : public QMainWindow
{
    Q_OBJECT

public:
    explicit Glassmere(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~Glassmere() override;

private slots:
    // Preview zoom
    void on_pbFit_clicked();

    // Title buttons
    void on_btnMax_clicked();
    void on_btnMinimize_clicked();
    void on_btnClose_clicked();

    // Skin
    void SetWinStyle();

    // Window chrome. Declared here too, so they are listed in the meta-object.
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void setupConnections();
    void setupPreview();
    void setupValidators();

    Ui::GlassmereClass ui;

    QImage sourceImage;
    QImage reflectionImage;

    // Our own maximised state; the platform's is never used, because the
    // visible window is the masked area, not the whole window.
    bool isMaximized = false;
    QPoint dragPosition;  // pointer minus frame top-left at the last left press
    QRect normalGeometry; // geometry() before maximising

    QGraphicsScene *scene = nullptr; // owned
    QGraphicsPixmapItem *pixmapItem = nullptr;

    _RGB bgcolor;
    bool transparent = false;

    DlgLoading *loadingDlg = nullptr; // owned, top-level, reused for every rendering
};
