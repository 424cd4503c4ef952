// glassmere-reflect from the outside: what it writes, and how it refuses
// bad input without writing anything.

#include "photoio.h"
#include "reflection.h"
#include "testutils.h"

#include <QtTest>

#include <unistd.h>

using TestUtils::readAll;
using TestUtils::runCli;

Q_DECLARE_METATYPE(ReflectionSettings)

class tst_cli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QRandomGenerator rng(42);
        const QImage photo = TestUtils::randomImage(rng, 61, 47);
        photoPng = dir.filePath("photo.png");
        QVERIFY(photo.save(photoPng));
        QVERIFY(photo.convertToFormat(QImage::Format_RGB32).save(dir.filePath("opaque.png")));
        QVERIFY(photo.copy(0, 0, 10, 4).save(dir.filePath("tiny.png")));
        // Things in the way of an output, and other names of the photo.
        QVERIFY(TestUtils::writeFile(dir.filePath("notes.png"), "not a picture"));
        QVERIFY(QDir(dir.path()).mkpath("folder.png") && QDir(dir.path()).mkpath("sub"));
        QVERIFY(QFile::link(photoPng, dir.filePath("link.png")));
        QVERIFY(::link(QFile::encodeName(photoPng).constData(),
                       QFile::encodeName(dir.filePath("hard.png")).constData()) == 0);
    }

    void rendersLikeTheEngine_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<ReflectionSettings>("settings");

        using TestUtils::settings;
        QTest::newRow("every option") << "--side left --size 55 --depth 12 --interval 20 --color #0A141e"
                                      << settings(2, 55, 12, 20, {10, 20, 30});
        QTest::newRow("trimmed, transparent, opacity and blur")
            << "--side top --interval -20 --transparent --opacity 40 --blur 30"
            << settings(0, 38, 30, -20, {255, 255, 255}, true, 40, 30);
    }

    // Through PNG and back, the same pixels as the engine's, for a photo with
    // alpha and one without, which stays opaque unless asked otherwise.
    void rendersLikeTheEngine()
    {
        QFETCH(QString, options);
        QFETCH(ReflectionSettings, settings);

        for (const QString &in : {photoPng, dir.filePath("opaque.png")}) {
            const QString out = dir.filePath("out.png");
            const TestUtils::CliResult r =
                runCli(options.split(QLatin1Char(' ')) + QStringList{in, "-o", out});
            QCOMPARE(r.exitCode, 0);
            QVERIFY2(r.err.isEmpty(), qPrintable(r.err));

            const QImage source = readPhoto(in);
            QImage expected;
            ComposeReflection(source.convertToFormat(QImage::Format_ARGB32), expected, settings);
            expected = outputPicture(expected, source.format(), settings.transparent);
            const QImage written(out);
            QCOMPARE(written.hasAlphaChannel(), expected.hasAlphaChannel());
            QCOMPARE_IMAGES(written.convertToFormat(QImage::Format_ARGB32),
                            expected.convertToFormat(QImage::Format_ARGB32));
            QVERIFY(QFile::remove(out));
        }
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message"); // a part of the one line on standard error

        const QStringList io{"@photo.png", "-o", "@out.png"};
        QTest::newRow("unknown option") << QStringList{"--shine"} + io << 2 << "shine";
        QTest::newRow("size above range") << QStringList{"--size", "101"} + io << 2 << "--size";
        QTest::newRow("interval below range") << QStringList{"--interval", "-81"} + io << 2 << "--interval";
        QTest::newRow("transparent into JPEG")
            << QStringList{"--transparent", "@photo.png", "-o", "@out.jpg"} << 2 << "PNG, ICO, TIFF";
        QTest::newRow("opacity above range") << QStringList{"--opacity", "101"} + io << 2 << "--opacity";
        QTest::newRow("quality zero") << QStringList{"--quality", "0"} + io << 2 << "--quality";
        QTest::newRow("unknown preset") << QStringList{"--preset", "none such"} + io << 2 << "none such";
        QTest::newRow("blur not whole") << QStringList{"--blur", "2.5"} + io << 2 << "--blur";
        QTest::newRow("unknown side") << QStringList{"--side", "middle"} + io << 2 << "middle";
        QTest::newRow("colour not hex") << QStringList{"--color", "#GG0000"} + io << 2 << "--color";
        QTest::newRow("no input") << QStringList{"-o", "@out.png"} << 2 << "input";
        QTest::newRow("input not a picture")
            << QStringList{"@notes.png", "-o", "@out.png"} << 1 << "cannot read";
        QTest::newRow("output is a folder")
            << QStringList{"@photo.png", "-o", "@folder.png"} << 1 << "cannot write";
        QTest::newRow("trim leaves nothing")
            << QStringList{"--interval", "-80", "@tiny.png", "-o", "@out.png"} << 1 << "empty";
        // Never written over, by whatever name.
        for (const char *output : {"photo.png", "sub/../photo.png", "link.png", "hard.png"})
            QTest::addRow("output is the input as %s", output)
                << QStringList{"@photo.png", "-o", QLatin1Char('@') + QLatin1String(output)} << 2 << "input";
    }

    // One line on standard error, the status of its class, nothing written.
    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);

        for (QString &a : args)
            if (a.startsWith(QLatin1Char('@')))
                a = dir.filePath(a.mid(1));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const QByteArray photoBytes = readAll(photoPng);

        const TestUtils::CliResult r = runCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.startsWith("glassmere-reflect: ") && r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(readAll(photoPng), photoBytes);
    }

private:
    QTemporaryDir dir;
    QString photoPng; // with alpha; opaque.png is the same without
};

QTEST_MAIN(tst_cli)
#include "tst_cli.moc"
