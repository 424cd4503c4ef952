#include "heldkey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

HeldKey::HeldKey(int key, QWidget *window) : QObject(window), key(key), window(window)
{
    // The focused widget gets the key first, so the window alone would not
    // hear it; the application sees every key on its way.
    qApp->installEventFilter(this);
}

bool HeldKey::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowDeactivate && watched == window && down) {
        // The release goes to another window: never stay stuck down.
        down = false;
        emit held(false);
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto *target = qobject_cast<QWidget *>(watched);
    const auto *keyEvent = static_cast<QKeyEvent *>(event);
    if (!target || target->window() != window || keyEvent->key() != key || keyEvent->isAutoRepeat() ||
        (keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (const auto *box = qobject_cast<QLineEdit *>(target); box && !box->isReadOnly())
        return false;
    const bool press = type == QEvent::KeyPress;
    if (press != down) {
        down = press;
        emit held(down);
    }
    return true;
}
