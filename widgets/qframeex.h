#pragma once

#include <QFrame>

QT_BEGIN_NAMESPACE
class QMouseEvent;
QT_END_NAMESPACE

// A frame that reports double clicks. Single presses and moves keep the
// base course and reach the parent, so the frame stays a drag handle.
class QFrameEx : public QFrame
{
    Q_OBJECT

public:
    explicit QFrameEx(QWidget *parent = nullptr);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
