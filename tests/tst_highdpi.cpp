// The skinned window on a high-density screen: ctest runs this at scale
// factors 1.5 and 2, and the top and left borders drawn at 1x (window
// outline, settings panel, settings group, colour box) must be drawn at the
// same place and as dark at that scale, not lost to rounding or smeared by a
// scaled picture. The right and bottom sides are drawn by the same rules.

#include "glassmere.h"

#include <QtTest>

#include <QImage>
#include <QPainter>

namespace {

// The darkest line met going `depth` logical pixels down from the top of
// `area` (or right from its left side), 70 % of the way along: how far in,
// in logical pixels, and its grey level.
QPair<int, int> darkestLine(const QImage &image, const QRect &area, bool top, int depth)
{
    const qreal s = image.devicePixelRatio();
    const int along = qFloor(s * (top ? area.left() + area.width() * 0.7 : area.top() + area.height() * 0.7));
    const int edge = qFloor(s * (top ? area.top() : area.left()));
    QPair<int, int> line{-1, 255};
    for (int step = 0; step < qCeil(depth * s); ++step) {
        const int grey = qGray(top ? image.pixel(along, edge + step) : image.pixel(edge + step, along));
        if (grey < line.second)
            line = {int(step / s), grey};
    }
    return line;
}

} // namespace

class tst_HighDpi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        currentPath = QStringLiteral(GLASSMERE_RESOURCES_DIR);
        window = std::make_unique<Glassmere>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        // Both on white, so what the mask leaves out is not taken for a line.
        const QImage shot = window->grab().toImage();
        dense = QImage(shot.size(), QImage::Format_RGB32);
        dense.fill(Qt::white);
        dense.setDevicePixelRatio(shot.devicePixelRatio());
        QPainter(&dense).drawImage(0, 0, shot);
        reference = QImage(window->size(), QImage::Format_RGB32);
        reference.fill(Qt::white);
        // render() draws the masked part only, from the given point on.
        window->render(&reference, window->mask().boundingRect().topLeft());
    }

    void bordersAsAtOne_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<bool>("top");

        // The window's outline; the group's frame runs through its title.
        for (const char *widget : {"frame_Top", "frame_2", "frameColor", "groupBox_5"})
            QTest::addRow("%s top", widget) << widget << true;
        for (const char *widget : {"label_Left", "frame_2", "frameColor", "groupBox_5"})
            QTest::addRow("%s left", widget) << widget << false;
    }

    void bordersAsAtOne()
    {
        QFETCH(QString, widget);
        QFETCH(bool, top);
        const int depth = widget == QLatin1String("groupBox_5") && top ? 14 : 4;

        QWidget *w = window->findChild<QWidget *>(widget);
        const QRect area(w->mapTo(window.get(), QPoint()), w->size());
        const auto [oneAt, oneGrey] = darkestLine(reference, area, top, depth);
        const auto [seenAt, seenGrey] = darkestLine(dense, area, top, depth);
        // In place, and with at least two thirds of the contrast with white the
        // line has at 1x.
        const QString seen =
            QString::asprintf("at %d, grey %d; at 1x at %d, grey %d", seenAt, seenGrey, oneAt, oneGrey);
        QVERIFY2(oneGrey < 225 && qAbs(seenAt - oneAt) <= 1 && 3 * (255 - seenGrey) >= 2 * (255 - oneGrey),
                 qPrintable(seen));
    }

private:
    std::unique_ptr<Glassmere> window;
    QImage reference, dense; // the 1x layout, and as the screen shows it
};

QTEST_MAIN(tst_HighDpi)
#include "tst_highdpi.moc"
