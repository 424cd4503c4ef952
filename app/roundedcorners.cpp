#include "roundedcorners.h"

#include <QPainter>
#include <QRegion>

namespace {
// The colour of the outermost line of the skin's frame images.
const QColor SkinOutline(0x0f, 0x2e, 0x3b);
} // namespace

RoundedCorners::RoundedCorners(QWidget *central) : QWidget(central)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void RoundedCorners::setOutline(const QRect &outline, int cornerRadius)
{
    visible = outline;
    radius = cornerRadius;
    setGeometry(parentWidget()->rect());
    // Painted only at the corners: everything else shows through untouched.
    const QSize corner(radius + 1, radius + 1);
    QRegion corners;
    corners += QRect(visible.topLeft(), corner);
    corners += QRect(QPoint(visible.right() - radius, visible.top()), corner);
    corners += QRect(QPoint(visible.left(), visible.bottom() - radius), corner);
    corners += QRect(QPoint(visible.right() - radius, visible.bottom() - radius), corner);
    setMask(corners);
    raise();
    update();
}

void RoundedCorners::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(SkinOutline, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(visible).adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}
