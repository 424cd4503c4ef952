#include "qlineeditex.h"

#include <QKeyEvent>

QLineEditEx::QLineEditEx(QWidget *parent) : QLineEdit(parent) {}

// The base handler is skipped on purpose, for every button: the field only
// shows what its chooser put there, so a press must not move the cursor.
void QLineEditEx::mousePressEvent(QMouseEvent *)
{
    emit clicked();
}

// Only a bare key counts: Ctrl+Return and the like stay shortcuts of the
// window. An editable box keeps Return for returnPressed().
void QLineEditEx::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool activates = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    const bool bare = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (isReadOnly() && activates && bare) {
        event->accept();
        emit clicked();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void QLineEditEx::enterEvent(QEnterEvent *) {}

void QLineEditEx::leaveEvent(QEvent *) {}
