#include "qlabelex.h"

QLabelEx::QLabelEx(QWidget *parent) : QLabel(parent), labelText(QStringLiteral(""))
{
    setText(labelText);
}

// Not passed on: QWidget would turn the double click into a second press
// on the parent.
void QLabelEx::mouseDoubleClickEvent(QMouseEvent *)
{
    emit doubleClicked();
}
