#pragma once

#include <QLineEdit>

QT_BEGIN_NAMESPACE
class QEnterEvent;
class QEvent;
class QMouseEvent;
QT_END_NAMESPACE

// A read-only line edit that acts as a button: any mouse press emits
// clicked() instead of placing the cursor or starting a selection.
class QLineEditEx : public QLineEdit
{
    Q_OBJECT

public:
    explicit QLineEditEx(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
};
