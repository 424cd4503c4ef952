// Placement of the self-drawn window: centring at start-up and the
// maximised geometry, whose masked part must cover exactly the available
// area of the screen.

#include "windowgeometry.h"

#include <QtTest>

class tst_WindowGeometry : public QObject
{
    Q_OBJECT

private slots:
    void centredTopLeft_data();
    void centredTopLeft();
    void maximisedVisibleAreaIsAvailableArea_data();
    void maximisedVisibleAreaIsAvailableArea();
};

void tst_WindowGeometry::centredTopLeft_data()
{
    QTest::addColumn<QRect>("desktop");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("expected");

    const QSize form(827, 627);
    QTest::newRow("even margins") << QRect(0, 0, 1027, 827) << form << QPoint(100, 100);
    QTest::newRow("odd margins truncate down") << QRect(0, 0, 1920, 1080) << form << QPoint(546, 226);
    // Truncation toward zero, not floor: -27 / 2 is -13.
    QTest::newRow("desktop narrower than window") << QRect(0, 0, 800, 1080) << form << QPoint(-13, 226);
    QTest::newRow("desktop left of the origin") << QRect(-1920, 0, 3840, 1080) << form << QPoint(-414, 226);
}

void tst_WindowGeometry::centredTopLeft()
{
    QFETCH(QRect, desktop);
    QFETCH(QSize, window);
    QFETCH(QPoint, expected);

    QCOMPARE(::centredTopLeft(desktop, window), expected);
}

void tst_WindowGeometry::maximisedVisibleAreaIsAvailableArea_data()
{
    QTest::addColumn<QRect>("available");

    QTest::newRow("panel on top") << QRect(0, 32, 1920, 1048);
    QTest::newRow("panel on the left") << QRect(64, 0, 1856, 1080);
    QTest::newRow("screen left of the origin") << QRect(-1280, 0, 1280, 1024);
}

void tst_WindowGeometry::maximisedVisibleAreaIsAvailableArea()
{
    QFETCH(QRect, available);

    const QRect window = maximisedGeometry(available);
    QCOMPARE(maskRect(window.size()).translated(window.topLeft()), available);
}

QTEST_MAIN(tst_WindowGeometry)
#include "tst_windowgeometry.moc"
