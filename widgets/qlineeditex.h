#pragma once

#include <QLineEdit>

QT_BEGIN_NAMESPACE
class QEnterEvent;
class QEvent;
class QKeyEvent;
class QMouseEvent;
QT_END_NAMESPACE

// A read-only line edit that acts as a button: any mouse press emits
// clicked() instead of placing the cursor or starting a selection. While
// read-only, Enter, Return and Space do the same, so the keyboard can use it.
class QLineEditEx : public QLineEdit
{
    Q_OBJECT

public:
    explicit QLineEditEx(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
};
