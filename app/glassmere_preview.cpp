#include "glassmere.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>

// Only a picture larger than the view is fitted; a smaller one keeps the
// zoom the user chose.
void Glassmere::on_pbFit_clicked()
{
    if (!pixmapItem)
        return;
    const QPixmap pixmap = pixmapItem->pixmap();
    if (pixmap.width() > ui.graphicsView->width() || pixmap.height() > ui.graphicsView->height()) {
        ui.graphicsView->resetTransform();
        ui.graphicsView->fitInView(scene->sceneRect(), Qt::KeepAspectRatio);
    }
}
