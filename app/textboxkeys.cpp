#include "textboxkeys.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>

TextBoxKeys::TextBoxKeys(QWidget *window) : QObject(window)
{
    const QList<QLineEdit *> boxes = window->findChildren<QLineEdit *>();
    for (QLineEdit *box : boxes)
        box->installEventFilter(this);
}

bool TextBoxKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const auto *box = qobject_cast<QLineEdit *>(watched);
    auto *key = static_cast<QKeyEvent *>(event);
    if (!box)
        return false;
    const bool redo =
        key->matches(QKeySequence::Redo) || key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
    const bool passes = (key->matches(QKeySequence::Copy) && !box->hasSelectedText()) ||
                        (key->matches(QKeySequence::Paste) && box->isReadOnly()) ||
                        (key->matches(QKeySequence::Undo) && !box->isUndoAvailable()) ||
                        (redo && !box->isRedoAvailable());
    if (!passes)
        return false;
    event->ignore(); // not the box's: the window's shortcut takes it
    return true;
}
