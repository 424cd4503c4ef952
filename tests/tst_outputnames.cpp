// glassmere-reflect's sizes and output names on real folders: which files
// are written at which size, what is refused, and that nothing else changes.

#include "batchfixture.h"

#include <QtTest>

using namespace BatchFixture;
using Sizes = QMap<QString, QSize>; // written file, below the sandbox, and its size

class tst_outputnames : public QObject
{
    Q_OBJECT

private slots:
    // The default rendering of photo.png is 200 x 138, of photo.jpg 120 x 124.
    void init()
    {
        box = std::make_unique<Sandbox>();
        QVERIFY(makePicture(box->src() + "photo.png", 1, QSize(200, 100)));
        QVERIFY(makePicture(box->src() + "photo.jpg", 2, QSize(120, 90)));
    }

    void outputs_data()
    {
        QTest::addColumn<QStringList>("existing"); // files in the sandbox before the run
        QTest::addColumn<QStringList>("args");     // "@name" stands for that path in the sandbox
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error"); // matches standard error; empty for none
        QTest::addColumn<Sizes>("written");

        const QStringList none;
        const QString png = "@src/photo.png";
        QTest::newRow("--width list, never up")
            << none << QStringList{png, "--width", "40,80,400", "-o", "@out/"} << 0 << QString()
            << Sizes{{"out/photo-40w.png", {40, 28}},
                     {"out/photo-80w.png", {80, 55}},
                     {"out/photo-400w.png", {200, 138}}};
        QTest::newRow("one --width, the plain name")
            << none << QStringList{png, "--width", "50", "-o", "@out/x.png"} << 0 << QString()
            << Sizes{{"out/x.png", {50, 35}}};
        QTest::newRow("--height") << none << QStringList{png, "--height", "69", "-o", "@out/x.png"} << 0
                                  << QString() << Sizes{{"out/x.png", {100, 69}}};
        QTest::newRow("--fit, a tall picture")
            << none << QStringList{"@src/photo.jpg", "--fit", "60x60", "-o", "@out/"} << 0 << QString()
            << Sizes{{"out/photo.jpg", {58, 60}}};
        QTest::newRow("--suffix, beside the photo") << none << QStringList{png, "--suffix", "-web"} << 0
                                                    << QString() << Sizes{{"src/photo-web.png", {200, 138}}};
        QTest::newRow("--suffix and --format, in a folder")
            << none << QStringList{png, "--suffix", "-web", "--format", "jpg", "-o", "@out/"} << 0
            << QString() << Sizes{{"out/photo-web.jpg", {200, 138}}};
        QTest::newRow("two photos, one name: neither written")
            << none << QStringList{"@src", "--format", "webp", "-o", "@out/"} << 1 << "same output name"
            << Sizes();
        QTest::newRow("an existing output is kept, with its picture's other widths")
            << QStringList{"out/photo-80w.png"} << QStringList{png, "--width", "40,80", "-o", "@out/"} << 1
            << "photo-80w.png\" .*exists and is kept" << Sizes();
        QTest::newRow("--overwrite replaces it")
            << QStringList{"out/photo-80w.png"}
            << QStringList{png, "--width", "40,80", "--overwrite", "-o", "@out/"} << 0 << QString()
            << Sizes{{"out/photo-40w.png", {40, 28}}, {"out/photo-80w.png", {80, 55}}};
        QTest::newRow("one photo replaces, as cp does")
            << QStringList{"out/x.png"} << QStringList{png, "-o", "@out/x.png"} << 0 << QString()
            << Sizes{{"out/x.png", {200, 138}}};

        const auto refused = [&](const char *name, const QStringList &args, const QString &error) {
            QTest::newRow(name) << none << QStringList{png, "-o", "@out/"} + args << 2 << error << Sizes();
        };
        refused("a width of 0", {"--width", "0"}, "--width takes whole numbers .* not \"0\"");
        refused("a width that is no number", {"--width", "abc"},
                "--width takes whole numbers .* not \"abc\"");
        refused("a repeated width", {"--width", "480,960,480"}, "--width lists 480 twice");
        refused("--fit with --width", {"--fit", "9x9", "--width", "5"}, "--fit sets both sides");
        refused("a format without a writer", {"--format", "gif"},
                "--format takes a format the program writes");
        refused("transparent into JPEG", {"--transparent", "--format", "jpg"},
                "needs a format that keeps transparency");
        QTest::newRow("--suffix with -o FILE")
            << none << QStringList{png, "--suffix", "-x", "-o", "@out/x.png"} << 2
            << "with -o FILE the name is FILE" << Sizes();
    }

    void outputs()
    {
        QFETCH(QStringList, existing);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        QFETCH(Sizes, written);
        for (const QString &name : existing)
            QVERIFY(writeFile(box->path(name), "kept"));
        for (QString &arg : args)
            if (arg.startsWith(QLatin1Char('@')))
                arg = box->path(arg.mid(1));
        QMap<QString, QByteArray> before = snapshot(box->path());

        const TestUtils::CliResult r = TestUtils::runCli(args);

        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(error.isEmpty() ? r.err.isEmpty() : r.err.contains(QRegularExpression(error)),
                 qPrintable(r.err));
        QMap<QString, QByteArray> after = snapshot(box->path());
        for (auto it = written.cbegin(); it != written.cend(); ++it) {
            QCOMPARE(QImage(box->path(it.key())).size(), it.value());
            after.remove(it.key());
            before.remove(it.key());
        }
        QCOMPARE(after, before);
    }

    // Each width of a list is the picture --width gives alone, though the list
    // decodes and renders once, in a worker.
    void listMatchesSingleWidth()
    {
        const QString photo = box->src() + "photo.png";
        QCOMPARE(TestUtils::runCli({photo, "--width", "77,150", "-o", box->out()}).exitCode, 0);
        QCOMPARE(TestUtils::runCli({photo, "--width", "77", "-o", box->path("alone.png")}).exitCode, 0);
        QCOMPARE(readAll(box->out() + "photo-77w.png"), readAll(box->path("alone.png")));
    }

    void shrinkOnLoad_data()
    {
        QTest::addColumn<QSize>("stored"); // the JPEG's size as stored, halves red and blue
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("widths");
        QTest::newRow("sides of multiples of 8: read at a quarter") << QSize(480, 320) << 1 << "55";
        QTest::newRow("sides of multiples of 2 only") << QSize(482, 322) << 1 << "60";
        QTest::newRow("odd sides: read whole") << QSize(481, 323) << 1 << "60";
        QTest::newRow("turned by its orientation") << QSize(480, 320) << 6 << "38";
        QTest::newRow("a list: each size from one reduced decode") << QSize(480, 320) << 1 << "30,55";
    }

    // A JPEG decoded at a reduced scale gives the outputs the full-size road
    // gives (a PNG of the same upright photo, which is read whole): the same
    // sizes and, within the two filters' difference, the same picture, the
    // same bytes every run.
    void shrinkOnLoad()
    {
        QFETCH(QSize, stored);
        QFETCH(int, orientation);
        QFETCH(QString, widths);
        const QString jpeg = box->src() + "photo.jpg", png = box->path("upright/photo.png");
        QVERIFY(writeFile(jpeg, TestUtils::uprightJpeg(stored, orientation)));
        QVERIFY(QDir().mkpath(box->path("again")) && QDir().mkpath(box->path("whole")) &&
                QDir().mkpath(box->path("upright")) && readPhoto(jpeg).save(png));
        const QStringList options{"--width", widths, "--format", "png", "-o"};
        QCOMPARE(TestUtils::runCli(QStringList{jpeg} + options + QStringList{box->out()}).exitCode, 0);
        QCOMPARE(TestUtils::runCli(QStringList{jpeg} + options + QStringList{box->path("again/")}).exitCode,
                 0);
        QCOMPARE(TestUtils::runCli(QStringList{png} + options + QStringList{box->path("whole/")}).exitCode,
                 0);
        for (const QString &name : QDir(box->out()).entryList(QDir::Files)) {
            const QImage shrunk(box->out() + name), whole(box->path("whole/") + name);
            QCOMPARE(shrunk.size(), whole.size());
            qint64 difference = 0;
            for (int y = 0; y < whole.height(); ++y)
                for (int x = 0; x < whole.width(); ++x)
                    difference += std::abs(qRed(shrunk.pixel(x, y)) - qRed(whole.pixel(x, y))) +
                                  std::abs(qBlue(shrunk.pixel(x, y)) - qBlue(whole.pixel(x, y)));
            QCOMPARE_LE(difference / (whole.width() * whole.height()), 8);
            QCOMPARE(readAll(box->out() + name), readAll(box->path("again/") + name));
        }
    }

private:
    std::unique_ptr<Sandbox> box;
};

QTEST_MAIN(tst_outputnames)
#include "tst_outputnames.moc"
