// Placement of the self-drawn window: centring at start-up, the maximised
// geometry, whose masked part must cover exactly the available area of the
// screen, and resizing by the edges with real pointer events.

#include "glassmere.h"
#include "windowgeometry.h"

#include <QtTest>

class tst_WindowGeometry : public QObject
{
    Q_OBJECT

private slots:
    void centredTopLeft_data()
    {
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("expected");

        const QSize form(827, 627);
        QTest::newRow("odd margins truncate down") << QRect(0, 0, 1920, 1080) << form << QPoint(546, 226);
        // Truncation toward zero, not floor: -27 / 2 is -13.
        QTest::newRow("desktop narrower than window") << QRect(0, 0, 800, 1080) << form << QPoint(-13, 226);
        QTest::newRow("desktop left of the origin")
            << QRect(-1920, 0, 3840, 1080) << form << QPoint(-414, 226);
    }

    void centredTopLeft()
    {
        QFETCH(QRect, desktop);
        QFETCH(QSize, window);
        QFETCH(QPoint, expected);

        QCOMPARE(::centredTopLeft(desktop, window), expected);
    }

    void maximisedVisibleAreaIsAvailableArea_data()
    {
        QTest::addColumn<QRect>("available");

        QTest::newRow("panel on top") << QRect(0, 32, 1920, 1048);
        QTest::newRow("panel on the left") << QRect(64, 0, 1856, 1080);
        QTest::newRow("screen left of the origin") << QRect(-1280, 0, 1280, 1024);
    }

    void maximisedVisibleAreaIsAvailableArea()
    {
        QFETCH(QRect, available);

        const QRect window = maximisedGeometry(available);
        QCOMPARE(maskRect(window.size()).translated(window.topLeft()), available);
    }

    // The rounded outline: each corner cut alike, the edges between them
    // whole, and nothing cut from a square corner or a too-small window.
    void roundedOutline_data()
    {
        QTest::addColumn<QRect>("visible");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("cornerCut"); // pixels left out along the top row at each end

        QTest::newRow("radius 7") << QRect(11, 11, 400, 300) << 7 << 4;
        QTest::newRow("square") << QRect(11, 11, 400, 300) << 0 << 0;
        QTest::newRow("radius beyond half the height") << QRect(0, 0, 400, 4) << 7 << 1;
    }

    void roundedOutline()
    {
        QFETCH(QRect, visible);
        QFETCH(int, radius);
        QFETCH(int, cornerCut);

        const QRegion outline = ::roundedOutline(visible, radius);
        QVERIFY(visible.contains(outline.boundingRect()));
        const QRect top = (outline & QRect(visible.left(), visible.top(), visible.width(), 1)).boundingRect();
        QCOMPARE(top, visible.adjusted(cornerCut, 0, -cornerCut, 1 - visible.height()));
        // Mirrored left to right and top to bottom.
        const auto mirrored = [&](const QPoint &p) {
            return QPoint(visible.left() + visible.right() - p.x(), visible.top() + visible.bottom() - p.y());
        };
        for (int y = visible.top(); y < visible.top() + radius + 1; ++y)
            for (int x = visible.left(); x < visible.left() + radius + 1; ++x) {
                const QPoint p(x, y);
                const bool in = outline.contains(p);
                QCOMPARE(outline.contains(QPoint(mirrored(p).x(), y)), in);
                QCOMPARE(outline.contains(QPoint(x, mirrored(p).y())), in);
                QCOMPARE(outline.contains(mirrored(p)), in);
            }
        QVERIFY(outline.contains(visible.center()));
    }

    void resizeByEdge_data()
    {
        // The form's visible part spans 11..1000 by 11..755; presses land 2 px inside.
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QPoint>("travel");
        QTest::addColumn<Qt::CursorShape>("shape");
        QTest::addColumn<QMargins>("grown"); // how far each side moved out

        QTest::newRow("bottom-right")
            << QPoint(998, 753) << QPoint(120, 280) << Qt::SizeFDiagCursor << QMargins(0, 0, 120, 280);
        QTest::newRow("left, upright travel ignored")
            << QPoint(13, 300) << QPoint(-90, 40) << Qt::SizeHorCursor << QMargins(90, 0, 0, 0);
        QTest::newRow("top-right, below the form: stays put")
            << QPoint(998, 13) << QPoint(-60, 50) << Qt::SizeBDiagCursor << QMargins();
        QTest::newRow("top-left") << QPoint(13, 13) << QPoint(-40, -30) << Qt::SizeFDiagCursor
                                  << QMargins(40, 30, 0, 0);
        QTest::newRow("bottom, below the form")
            << QPoint(400, 753) << QPoint(10, -70) << Qt::SizeVerCursor << QMargins();
    }

    // The offscreen platform has no window manager to hand the resize to, so
    // the window follows the pointer itself. The preview takes all the growth;
    // the panel keeps its place and size from the top-left corner, the title
    // buttons from the top-right one.
    void resizeByEdge()
    {
        QFETCH(QPoint, at);
        QFETCH(QPoint, travel);
        QFETCH(Qt::CursorShape, shape);
        QFETCH(QMargins, grown);

        Glassmere window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect start = window.geometry();
        const auto part = [&](const char *name) {
            return window.findChild<QWidget *>(QLatin1String(name))->geometry();
        };
        const auto anchored = [&](const QMargins &growth) { // frame_2 is the panel under the tabs
            return QList<QRect>{QRect(QPoint(), part("graphicsView").size().grownBy(growth)), part("frame_2"),
                                part("frame_TopButton").translated(-window.width(), 0)};
        };
        const QList<QRect> before = anchored(grown);

        QWindow *handle = window.windowHandle();
        QTest::mouseMove(handle, at);
        QCOMPARE(window.cursor().shape(), shape);
        QTest::mousePress(handle, Qt::LeftButton, {}, at);
        QTest::mouseMove(handle, at + travel);
        // Where the pointer is now, in a window that may have moved under it.
        QTest::mouseRelease(handle, Qt::LeftButton, {}, at + travel + start.topLeft() - window.pos());

        QTRY_COMPARE(window.geometry(), start.marginsAdded(grown));
        QCOMPARE(window.mask(), QRegion(maskRect(window.size())));
        QTRY_COMPARE(anchored({}), before);
    }
};

QTEST_MAIN(tst_WindowGeometry)
#include "tst_windowgeometry.moc"
