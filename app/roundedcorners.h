#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

// The skin's dark outline drawn along the rounded corners of the window's
// visible part, over the square frame pieces there, where a compositor
// rather than a window mask decides what is seen (Wayland). The central
// widget's mask cuts the corners; this follows the cut with a smooth line.
// It takes no input and shows only at the four corners.
class RoundedCorners : public QWidget
{
public:
    explicit RoundedCorners(QWidget *central);

    // The visible part, in the central widget's coordinates, and the
    // radius of its corners.
    void setOutline(const QRect &visible, int radius);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect visible;
    int radius = 0;
};
