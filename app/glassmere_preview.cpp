// Rendering on the thread pool behind the loading indicator, and the preview
// with its zoom buttons.
//
// The settings are gathered on the GUI thread just before the rendering
// starts; the RenderController hands the picture back on the GUI thread.
// Only one rendering runs at a time, and the loading indicator cannot be
// dismissed before its picture has arrived.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "photoexporter.h"
#include "previewcopy.h"
#include "reflection.h"
#include "rendercontroller.h"
#include "settingshistory.h"
#include "widgets/dlgloading.h"

#include <QDebug>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>

int Glassmere::GetDirection()
{
    // Top wins over left, left over right; bottom is what remains.
    if (ui->checkBoxTop->isChecked())
        return ReflectionSettings::Top;
    if (ui->checkBoxLeft->isChecked())
        return ReflectionSettings::Left;
    if (ui->checkBoxRight->isChecked())
        return ReflectionSettings::Right;
    return ReflectionSettings::Bottom;
}

ReflectionSettings Glassmere::GatherSettings()
{
    ReflectionSettings settings;
    settings.direction = GetDirection();
    settings.interval = ui->refInterval->value();
    settings.depth = ui->refDepth->value();
    settings.size = ui->refSize->value();
    settings.bgcolor = bgcolor;
    settings.transparent = transparent;
    settings.opacity = ui->refOpacity->value();
    settings.blur = ui->refBlur->value();
    return settings;
}

void Glassmere::RunReflection()
{
    // Every change the user makes comes here, the photo or not: a drag on
    // its release, wheel steps once settled, a box on Return, a preset.
    history->record(GatherSettings());
    // Nothing to render before a photo is loaded; and never two at once.
    if (sourceImage.isNull() || renderer->isBusy())
        return;
#ifndef NDEBUG
    qDebug() << "RunReflection is being run....";
#endif
    renderFailed = false;
    renderingSettings = GatherSettings();
    renderer->start(sourceImage, renderingSettings);
    // The task's queued call can only be delivered by an event loop, and the
    // first to run is the indicator's, so the indicator is always shown first.
    ShowLoading(tr("Rendering the reflection"));
    if (renderFailed && liveShown)
        showReflectionImage(); // the last rendering that was made, not a dragged value
    if (renderFailed)
        QMessageBox::warning(this, tr("Failure"), tr("Not enough memory to render the reflection photo."),
                             QMessageBox::Ok, QMessageBox::NoButton);
}

void Glassmere::ShowLoading(const QString &what)
{
    loadingDlg->exec(ui->graphicsView, what);
}

void Glassmere::deliverRendering(const QImage &rendering)
{
    reflectionImage = rendering;
    renderedFrom.settings = renderingSettings;
    showReflectionImage();
}

void Glassmere::showReflectionImage()
{
    loadingDlg->close();
    // A zoomed view keeps its zoom and scroll position; the scroll bars
    // clamp them where the new picture is smaller.
    QGraphicsView *view = ui->graphicsView;
    const int x = view->horizontalScrollBar()->value();
    const int y = view->verticalScrollBar()->value();
    ShowImage(&reflectionImage);
    liveShown = false;
    keepOriginalHidden();
    if (previewFitted) {
        on_pbFit_clicked();
    } else {
        view->horizontalScrollBar()->setValue(x);
        view->verticalScrollBar()->setValue(y);
    }
}

// A frame while a slider is dragged: the reflection of a screen-sized copy
// of the photo, made here on the GUI thread (a few milliseconds), drawn
// over the area the full rendering will take, so that the zoom and the
// scroll position keep their meaning. The release renders in full.
void Glassmere::showLiveFrame()
{
    if (sourceImage.isNull() || renderer->isBusy())
        return;
    if (liveSourceKey != sourceImage.cacheKey()) {
        const QScreen *onScreen = screen();
        liveSource = previewCopy(sourceImage, onScreen->size() * onScreen->devicePixelRatio());
        liveSourceKey = sourceImage.cacheKey();
    }
    const ReflectionSettings settings = GatherSettings();
    QImage frame;
    ComposeReflection(liveSource, frame, settings);
    const QSize full = ReflectionSize(sourceImage.size(), settings);
    if (frame.isNull() || full.isEmpty())
        return; // a trim that leaves nothing, or no memory: the release tells

    QGraphicsView *view = ui->graphicsView;
    const int x = view->horizontalScrollBar()->value();
    const int y = view->verticalScrollBar()->value();
    ShowImage(&frame);
    keepOriginalHidden();
    scene->setSceneRect(QRectF(QPointF(0, 0), full));
    pixmapItem->setTransform(
        QTransform::fromScale(qreal(full.width()) / frame.width(), qreal(full.height()) / frame.height()));
    liveShown = true;
    if (previewFitted) {
        on_pbFit_clicked();
    } else {
        view->horizontalScrollBar()->setValue(x);
        view->verticalScrollBar()->setValue(y);
    }
}

// While a rendering is pending, a close request must not end the loading
// indicator's wait: the window would take input again while the task still
// runs. (Its Escape is held back with the rest of the window's input.)
bool Glassmere::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == loadingDlg && (renderer->isBusy() || exporter->isBusy())) {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Glassmere::ShowImage(QImage *image)
{
    scene->clear(); // deletes the previous pixmapItem
    scene->setSceneRect(QRectF(0, 0, image->width(), image->height()));
    // No format conversion: the raster pixmap then shares the picture's
    // pixels instead of copying a photo-sized buffer on every rendering.
    // It is drawn exactly as the converted one would be.
    pixmapItem = scene->addPixmap(QPixmap::fromImage(*image, Qt::NoFormatConversion));
}

// Compared at the same zoom and scroll position; fitted, the photo is
// fitted too. A new rendering or frame ends the comparison.
void Glassmere::showOriginal(bool shown)
{
    if (sourceImage.isNull() || liveShown) {
        keepOriginalHidden();
        return;
    }
    QGraphicsView *view = ui->graphicsView;
    const int x = view->horizontalScrollBar()->value();
    const int y = view->verticalScrollBar()->value();
    ShowImage(shown ? &sourceImage : &reflectionImage);
    if (previewFitted) {
        on_pbFit_clicked();
    } else {
        view->horizontalScrollBar()->setValue(x);
        view->verticalScrollBar()->setValue(y);
    }
}

void Glassmere::keepOriginalHidden()
{
    const QSignalBlocker quiet(ui->pbOriginal);
    ui->pbOriginal->setChecked(false);
}

void Glassmere::on_pbZoomIn_clicked()
{
    previewFitted = false;
    ui->graphicsView->scale(1.2, 1.2);
}

void Glassmere::on_pbZoomOut_clicked()
{
    previewFitted = false;
    ui->graphicsView->scale(0.8, 0.8);
}

void Glassmere::on_pbRawSize_clicked()
{
    previewFitted = false;
    ui->graphicsView->resetTransform();
}

// Only a picture larger than the view is fitted; a smaller one keeps the
// zoom the user chose.
void Glassmere::on_pbFit_clicked()
{
    previewFitted = true;
    if (!pixmapItem)
        return;
    // The scene, not the pixmap: a frame shown while dragging is smaller
    // than the area it stands for.
    const QSizeF shown = scene->sceneRect().size();
    if (shown.width() > ui->graphicsView->width() || shown.height() > ui->graphicsView->height()) {
        ui->graphicsView->resetTransform();
        ui->graphicsView->fitInView(scene->sceneRect(), Qt::KeepAspectRatio);
    }
}
