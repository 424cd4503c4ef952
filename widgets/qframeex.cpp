#include "qframeex.h"

QFrameEx::QFrameEx(QWidget *parent) : QFrame(parent) {}

// Not passed on: QWidget would turn the double click into a second press
// on the parent.
void QFrameEx::mouseDoubleClickEvent(QMouseEvent *)
{
    emit doubleClicked();
}
