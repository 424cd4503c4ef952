#pragma once

#include <QObject>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

// Tells when `key` goes down and comes up again in `window`, whichever of
// its widgets has the focus, except a box the key would type into. Held
// down, the key repeats without further signals.
class HeldKey : public QObject
{
    Q_OBJECT

public:
    HeldKey(int key, QWidget *window);

signals:
    void held(bool down);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int key;
    QWidget *window;
    bool down = false;
};
