#pragma once

#include <QObject>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

// A text box takes Ctrl+C, Ctrl+V, Ctrl+Z and Redo for its own text before
// any window shortcut sees them. This lets them through to the window where
// the box has nothing to do with them: Copy without selected text, Paste
// into a read-only box, Undo and Redo with nothing to undo or redo.
class TextBoxKeys : public QObject
{
    Q_OBJECT

public:
    // Watches every line edit of `window`.
    explicit TextBoxKeys(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
