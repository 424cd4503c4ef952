#pragma once

#include <QLabel>
#include <QString>

QT_BEGIN_NAMESPACE
class QMouseEvent;
QT_END_NAMESPACE

// A label that reports double clicks. Single presses and moves keep the
// base course and reach the parent, so the label stays a drag handle.
class QLabelEx : public QLabel
{
    Q_OBJECT

public:
    explicit QLabelEx(QWidget *parent = nullptr);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QString labelText;
};
