#include "qlineeditex.h"

QLineEditEx::QLineEditEx(QWidget *parent) : QLineEdit(parent) {}

// The base handler is skipped on purpose, for every button: the field only
// shows what its chooser put there, so a press must not move the cursor.
void QLineEditEx::mousePressEvent(QMouseEvent *)
{
    emit clicked();
}

void QLineEditEx::enterEvent(QEnterEvent *) {}

void QLineEditEx::leaveEvent(QEvent *) {}
