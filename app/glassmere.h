#pragma once

#include "ui_glassmere.h"

#include "reflectionsettings.h"

#include <QContextMenuEvent>
#include <QFuture>
#include <QImage>
#include <QKeyEvent>
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

    // The direction code (0 top, 1 bottom, 2 left, 3 right) the four boxes
    // describe; bottom when none is checked.
    int GetDirection();
    // Everything one rendering needs, read from the panel and the members.
    ReflectionSettings GatherSettings();
    // Gathers the settings and renders the photo on the calling thread.
    void RenderFromPanel();

public slots:
    // Puts the rendering that just arrived into the preview.
    void showReflectionImage();

private slots:
    // Settings panel: text boxes
    void txtDepth_returnPressed();
    void txtSize_returnPressed();

    // Menu entries and the logo button
    void on_btReflection_clicked();
    void on_actionAbout_Us_triggered();
    void on_actionVisit_Our_Web_Site_triggered();
    void on_actionCheck_for_New_Version_triggered();
    void on_actionMenuHelper_triggered();

    // Settings panel: colour box
    void TxtColorPressEvent();

    // Preview zoom
    void on_pbFit_clicked();
    void on_pbRawSize_clicked();
    void on_pbZoomOut_clicked();
    void on_pbZoomIn_clicked();

    // Settings panel: colour, transparency, sliders, direction
    void on_txtColor_returnPressed();
    void on_cbTransparent_toggled(bool checked);
    void refDepth_sliderReleased();
    void refSize_sliderReleased();
    void on_checkBoxBottom_toggled(bool checked);
    void on_checkBoxTop_toggled(bool checked);
    void on_checkBoxRight_toggled(bool checked);
    void on_checkBoxLeft_toggled(bool checked);

    // Help button: opens the context menu at the pointer
    void on_btnHelp_clicked();

    // Title buttons
    void on_btnMax_clicked();
    void on_btnMinimize_clicked();
    void on_btnClose_clicked();

    void refDepth_valueChanged(int value);
    void refSize_valueChanged(int value);

    // Photo export
    void on_btSavePic_clicked();

    void on_btColorPicker_clicked();

    // Skin
    void SetWinStyle();

    // About box, modal
    void About();

    // Window chrome. Declared here too, so they are listed in the meta-object.
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

    // Rendering and preview
    void ShowImage(QImage *image);
    void RunReflection();

    void UpdateReflecitonColor();

    // Context menu and keyboard shortcuts
    void contextMenuEvent(QContextMenuEvent *event) override;
    void CreateActionMenu();
    void keyPressEvent(QKeyEvent *e) override;

    // Photo loading
    void AddPic();

    void refInterval_valueChanged(int value);
    void refInterval_sliderReleased();
    void txtInterval_returnPressed();
    void txtInterval_editingFinished();
    void txtSize_editingFinished();
    void txtDepth_editingFinished();

    // Batch conversion
    void AddPicDir();
    void PicResultDir();
    QString FormatDir(QString &dir);
    QStringList ListPicFiles(const QString &dir);
    void on_btCovPics_clicked();

private:
    friend class tst_batch;

    friend void RenderTask(Glassmere *window, QImage source, ReflectionSettings settings);
    friend class tst_editing;

    void ShowLoading();
    void keepOnlyDirection(QCheckBox *kept);
    void deliverRendering(const QImage &rendering, bool allocationFailed);
    bool eventFilter(QObject *watched, QEvent *event) override;

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

    // The pixel format the photo was delivered in, and its file suffix as
    // written; export converts back to the one and preselects by the other.
    QImage::Format sourceFormat = QImage::Format_Invalid;
    QString sourceSuffix;

    // One rendering at a time: set while a task runs, until its picture has
    // been delivered. The loading dialog cannot be dismissed meanwhile.
    bool renderPending = false;
    // The last rendering failed for want of memory (cleared by each start).
    bool renderFailed = false;
    QFuture<void> renderFuture;
};
