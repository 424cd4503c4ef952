#pragma once

#include "photoexporter.h"
#include "photometadata.h"
#include "reflectionsettings.h"

#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>

class BatchJob;
class DlgLoading;
class EdgeResizer;
class PhotoExporter;
class PresetPanel;
struct ReflectionPreset;
class RenderController;
class RoundedCorners;
class SettingsHistory;
struct BatchSummary;

QT_BEGIN_NAMESPACE
class QAbstractSlider;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QCloseEvent;
class QContextMenuEvent;
class QGraphicsPixmapItem;
class QGraphicsScene;
class QKeyEvent;
class QLineEdit;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QSettings;
class QSlider;
class QTimer;
namespace Ui {
class GlassmereClass;
}
QT_END_NAMESPACE

// The application directory (QCoreApplication::applicationDirPath(), no
// trailing separator). Set once by main() before the window is built; the
// skin finds its frame images under currentPath + "/style".
extern QString currentPath;

// The one window of the program: a thin hub between its form and the
// parts that do the work. The rendering runs in a RenderController, the
// pixels in the engine; the slots below are grouped by the file that
// defines them.
class Glassmere : public QMainWindow
{
    Q_OBJECT

public:
    explicit Glassmere(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~Glassmere() override;

    // The direction code (0 top, 1 bottom, 2 left, 3 right) the four boxes
    // describe; bottom when none is checked.
    int GetDirection();
    // Everything one rendering needs, read from the panel.
    ReflectionSettings GatherSettings();
    // Loads the photo as the Source box does; one that fails to load is
    // reported and leaves everything as it was.
    void openPhoto(const QString &fileName);
    // glassmere_memory.cpp: the settings, last folders and position kept
    // between runs.
    void remember(QSettings &store) const;
    void restoreRemembered(const QSettings &store);

protected:
    // glassmere.cpp: the drawn frame
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    // glassmere_menu.cpp
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *e) override;
    // glassmere_preview.cpp: keeps the loading dialog up while rendering
    bool eventFilter(QObject *watched, QEvent *event) override;
    // batch/glassmere_batch.cpp: a run going on is stopped and waited for
    void closeEvent(QCloseEvent *event) override;
    // app/glassmere_drop.cpp: photos and folders dropped on the window
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    // glassmere.cpp: skin and title buttons
    void SetWinStyle();
    void on_btnMax_clicked();
    void on_btnMinimize_clicked();
    void on_btnClose_clicked();

    // glassmere_panel.cpp: sliders and their number boxes
    void refSize_valueChanged(int value);
    void refDepth_valueChanged(int value);
    void refInterval_valueChanged(int value);
    void refSize_sliderReleased();
    void refDepth_sliderReleased();
    void refInterval_sliderReleased();
    void txtSize_returnPressed();
    void txtDepth_returnPressed();
    void txtInterval_returnPressed();
    void txtSize_editingFinished();
    void txtDepth_editingFinished();
    void txtInterval_editingFinished();
    // glassmere_panel.cpp: direction, transparency and colour
    void on_checkBoxBottom_toggled(bool checked);
    void on_checkBoxTop_toggled(bool checked);
    void on_checkBoxRight_toggled(bool checked);
    void on_checkBoxLeft_toggled(bool checked);
    void on_cbTransparent_toggled(bool checked);
    void on_btColorPicker_clicked();
    void on_txtColor_returnPressed();
    void TxtColorPressEvent();
    void UpdateReflecitonColor();
    void renderAfterSettling();

    // glassmere_preview.cpp: rendering and the zoomable preview
    void RunReflection();
    void showReflectionImage();
    void ShowImage(QImage *image);
    void on_pbFit_clicked();
    void on_pbRawSize_clicked();
    void on_pbZoomOut_clicked();
    void on_pbZoomIn_clicked();
    // the loaded photo in place of its rendering, at the same zoom and place
    void showOriginal(bool shown);

    // glassmere_file.cpp: one photo in, its rendering out
    void AddPic();
    void on_btSavePic_clicked();

    // glassmere_clipboard.cpp: the rendering out to the clipboard, a picture in
    void copyResult();
    void pasteSource();

    // glassmere_panel.cpp: stepping through the settings the panel showed
    void undoSettings();
    void redoSettings();

    // glassmere_menu.cpp: context menu, help, links and About
    void CreateActionMenu();
    void createShortcuts();
    void on_btnHelp_clicked();
    void on_actionMenuHelper_triggered();
    void on_actionVisit_Our_Web_Site_triggered();
    void on_actionCheck_for_New_Version_triggered();
    void on_actionAbout_Us_triggered();
    void on_btReflection_clicked();
    void About();

    // batch/glassmere_batch.cpp: the "all-at-once" tab
    void AddPicDir();
    void PicResultDir();
    QString FormatDir(QString &dir);
    QStringList ListPicFiles(const QString &dir);
    void on_btCovPics_clicked();
    void on_btCancelBatch_clicked();

private:
    void setupConnections();
    void applyMask();
    void setupPreview();
    void setupValidators();
    void keepOnlyDirection(QCheckBox *kept);
    void watchSliderSteps(QAbstractSlider *slider);
    void bindSliderToBox(QSlider *slider, QLineEdit *box);
    // glassmere_panel.cpp: the named presets
    void setupPresets();
    void showPreset(const ReflectionPreset &preset);
    // Sets every control to `settings` and renders once.
    void showSettings(const ReflectionSettings &settings);
    // glassmere_preview.cpp: a dragged slider's value, rendered small
    void showLiveFrame();
    // Unchecks the "show the original" button without showing anything.
    void keepOriginalHidden();
    bool loadPhoto(const QString &fileName);
    // Makes `photo` the source, as `shownName` in the Source box; `path` is
    // empty for a picture that has no file. False, with everything as it
    // was, when it cannot be rendered.
    bool adoptPhoto(QImage photo, const QString &shownName, const QString &path, PhotoMetadata metadata);
    void ShowLoading(const QString &what);
    void deliverRendering(const QImage &rendering);
    void batchProgress(int done, int total, const QString &current);
    void batchFinished(const BatchSummary &summary);
    void showBatchRunning(bool running);

    Ui::GlassmereClass *ui; // owned

    QImage sourceImage;     // the loaded photo, in Format_ARGB32
    QString sourcePath;     // its file; empty for a pasted picture
    QImage reflectionImage; // its last rendering
    // A screen-sized copy of the photo for the frames shown while a slider
    // is dragged, and the cacheKey() of the photo it was made from.
    QImage liveSource;
    qint64 liveSourceKey = 0;
    bool liveShown = false; // the preview shows such a frame, not reflectionImage

    // Our own maximised state, on a bare X server only: with nobody to ask,
    // the window covers the screen by its geometry, band and all.
    bool isMaximized = false;
    QPoint dragPosition;                      // pointer minus frame top-left at the last left press
    QRect normalGeometry;                     // geometry() before maximising
    QSize designSize;                         // the form's size, the smallest the window is resized to
    EdgeResizer *edgeResizer = nullptr;       // child
    RoundedCorners *roundedCorners = nullptr; // child of the central widget, on Wayland

    QGraphicsScene *scene = nullptr; // owned
    QGraphicsPixmapItem *pixmapItem = nullptr;
    // The view was fitted to the picture and not zoomed since: a new
    // rendering is fitted again; otherwise it keeps the zoom and scroll.
    bool previewFitted = true;

    _RGB bgcolor;
    bool transparent = false;

    DlgLoading *loadingDlg = nullptr; // child over the preview, reused for every rendering
    RenderController *renderer = nullptr;
    PhotoExporter *exporter = nullptr;
    PresetPanel *presets = nullptr;
    SettingsHistory *history = nullptr; // child; kept across photos, as settings are
    // A slider stepped by the wheel or the keyboard renders once this runs
    // out, so a burst of steps renders once.
    QTimer *settleTimer = nullptr;
    // The last rendering failed for want of memory (cleared by each start).
    bool renderFailed = false;

    // The pixel format the photo was delivered in, and its file suffix as
    // written; export converts back to the one and preselects by the other.
    QImage::Format sourceFormat = QImage::Format_Invalid;
    QString sourceSuffix;
    // The loaded photo's camera information and colour profile, and the
    // export dialog's last choices: lossy quality (-1 the writer's own) and
    // whether that information is left out.
    PhotoMetadata sourceMetadata;
    // The photo's file as loaded and the settings of reflectionImage, so that
    // export can convert the file on the streamed road while it is
    // unchanged; those of the rendering under way.
    ExportSource renderedFrom;
    ReflectionSettings renderingSettings;
    int exportQuality = -1;
    int exportWidth = 0; // 0: full size
    // The widest scaled output offered: JPEG's limit, the lowest of the
    // formats photos are exported in.
    static constexpr int MaxExportWidth = 65500;
    bool exportStripsMetadata = false;

    BatchJob *batchJob = nullptr; // child, made by the first run
    // Photos dropped together: the next batch converts just these, not the
    // source folder's pictures, until a folder is chosen again.
    QStringList droppedSources;
    // Where the open and the save dialogs start: the folder used last.
    QString lastOpenFolder;
    QString lastExportFolder;
    QString batchTarget; // the folder of the run going on
};
