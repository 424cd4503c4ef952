#include "windowgeometry.h"

QRect maskRect(const QSize &window)
{
    return QRect(maskBand, maskBand, window.width() - 2 * maskBand, window.height() - 2 * maskBand);
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
