#include "previewcopy.h"

QImage previewCopy(const QImage &photo, const QSize &bound)
{
    if (photo.isNull() || bound.isEmpty() ||
        (photo.width() <= bound.width() && photo.height() <= bound.height()))
        return photo;
    // Smooth scaling averages areas and hands back a premultiplied picture;
    // converting back spares the renderer a conversion on every frame.
    return photo.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation).convertToFormat(photo.format());
}
