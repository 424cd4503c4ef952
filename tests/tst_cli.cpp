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
    void initTestCase();
    void rendersLikeTheEngine_data();
    void rendersLikeTheEngine();
    void badInput_data();
    void badInput();
    void neverWritesOverItsInput_data();
    void neverWritesOverItsInput();

private:
    QTemporaryDir dir;
    QString photoPng;  // with alpha
    QString opaquePng; // without alpha: read as RGB32
    QString tinyPng;   // four rows
};

void tst_cli::initTestCase()
{
    QVERIFY(dir.isValid());
    QRandomGenerator rng(42);
    const QImage photo = TestUtils::randomImage(rng, 61, 47);
    photoPng = dir.filePath(QStringLiteral("photo.png"));
    QVERIFY(photo.save(photoPng));
    opaquePng = dir.filePath(QStringLiteral("opaque.png"));
    QVERIFY(photo.convertToFormat(QImage::Format_RGB32).save(opaquePng));
    tinyPng = dir.filePath(QStringLiteral("tiny.png"));
    QImage tiny(10, 4, QImage::Format_ARGB32);
    tiny.fill(Qt::yellow);
    QVERIFY(tiny.save(tinyPng));
}

void tst_cli::rendersLikeTheEngine_data()
{
    QTest::addColumn<bool>("opaque");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<ReflectionSettings>("settings");

    using TestUtils::settings;
    QTest::newRow("defaults") << false << QStringList() << ReflectionSettings();
    QTest::newRow("every option") << false
                                  << QStringList{"--side", "left",       "--size", "55",      "--depth",
                                                 "12",     "--interval", "20",     "--color", "#0A141e"}
                                  << settings(2, 55, 12, 20, {10, 20, 30});
    QTest::newRow("trim, right") << false << QStringList{"--side", "right", "--interval", "-80"}
                                 << settings(3, 38, 30, -80);
    QTest::newRow("top transparent") << true
                                     << QStringList{"--side", "top", "--transparent", "--interval", "10"}
                                     << settings(0, 38, 30, 10, {255, 255, 255}, true);
    ReflectionSettings soft = settings(2, 38, 30, 0, {255, 255, 255}, true);
    soft.opacity = 40;
    soft.blur = 30;
    QTest::newRow("opacity and blur")
        << false << QStringList{"--side", "left", "--transparent", "--opacity", "40", "--blur", "30"} << soft;
    QTest::newRow("opaque photo stays opaque")
        << true << QStringList{"--interval", "30", "--color", "#ff0000"}
        << settings(1, 38, 30, 30, {255, 0, 0});
}

// Through PNG and back, the same pixels as the engine's.
void tst_cli::rendersLikeTheEngine()
{
    QFETCH(bool, opaque);
    QFETCH(QStringList, options);
    QFETCH(ReflectionSettings, settings);

    const QString in = opaque ? opaquePng : photoPng;
    const QString out = dir.filePath(QStringLiteral("out-%1.png").arg(QTest::currentDataTag()));
    const TestUtils::CliResult r = runCli(options + QStringList{in, QStringLiteral("-o"), out});
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
}

void tst_cli::badInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // a part of the one line on standard error

    const QStringList io{QStringLiteral("@photo"), QStringLiteral("-o"), QStringLiteral("@out.png")};
    QTest::newRow("unknown option") << QStringList{"--shine"} + io << 2 << "shine";
    QTest::newRow("size above range") << QStringList{"--size", "101"} + io << 2 << "--size";
    QTest::newRow("interval below range") << QStringList{"--interval", "-81"} + io << 2 << "--interval";
    QTest::newRow("transparent into JPEG")
        << QStringList{"--transparent", "@photo", "-o", "@out.jpg"} << 2 << "PNG, ICO, TIFF";
    QTest::newRow("opacity above range") << QStringList{"--opacity", "101"} + io << 2 << "--opacity";
    QTest::newRow("blur not whole") << QStringList{"--blur", "2.5"} + io << 2 << "--blur";
    QTest::newRow("unknown side") << QStringList{"--side", "middle"} + io << 2 << "middle";
    QTest::newRow("colour by name") << QStringList{"--color", "red"} + io << 2 << "--color";
    QTest::newRow("colour not hex") << QStringList{"--color", "#GG0000"} + io << 2 << "--color";
    QTest::newRow("no input") << QStringList{"-o", "@out.png"} << 2 << "input";
    QTest::newRow("no output") << QStringList{"@photo"} << 2 << "output";
    QTest::newRow("missing input") << QStringList{"@missing", "-o", "@out.png"} << 1 << "cannot read";
    QTest::newRow("input not a picture") << QStringList{"@notes.png", "-o", "@out.png"} << 1 << "cannot read";
    QTest::newRow("no writer for the suffix")
        << QStringList{"@photo", "-o", "@out.xyz"} << 1 << "cannot write";
    QTest::newRow("output is a folder") << QStringList{"@photo", "-o", "@folder.png"} << 1 << "cannot write";
    QTest::newRow("trim leaves nothing")
        << QStringList{"--interval", "-80", "@tiny", "-o", "@out.png"} << 1 << "empty";
}

// One line on standard error, the status of its class, nothing written.
void tst_cli::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QTemporaryDir sandbox;
    QVERIFY(TestUtils::writeFile(sandbox.filePath(QStringLiteral("notes.png")), "not a picture"));
    QVERIFY(QDir().mkpath(sandbox.filePath(QStringLiteral("folder.png"))));
    for (QString &a : args) {
        if (a == QLatin1String("@photo") || a == QLatin1String("@tiny"))
            a = a == QLatin1String("@photo") ? photoPng : tinyPng;
        else if (a.startsWith(QLatin1Char('@')))
            a = sandbox.filePath(a.mid(1));
    }
    const QStringList before = QDir(sandbox.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QByteArray photoBytes = readAll(photoPng);

    const TestUtils::CliResult r = runCli(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.startsWith(QLatin1String("glassmere-reflect: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(QDir(sandbox.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QCOMPARE(readAll(photoPng), photoBytes);
}

void tst_cli::neverWritesOverItsInput_data()
{
    QTest::addColumn<QString>("output");
    QTest::newRow("same name") << "photo.png";
    QTest::newRow("through dots") << "sub/../photo.png";
    QTest::newRow("through a link") << "link.png";
    QTest::newRow("through a hard link") << "hard.png";
}

void tst_cli::neverWritesOverItsInput()
{
    QFETCH(QString, output);
    QTemporaryDir sandbox;
    const QString in = sandbox.filePath(QStringLiteral("photo.png"));
    QVERIFY(QFile::copy(photoPng, in));
    QVERIFY(QDir().mkpath(sandbox.filePath(QStringLiteral("sub"))));
    QVERIFY(QFile::link(in, sandbox.filePath(QStringLiteral("link.png"))));
    QVERIFY(::link(QFile::encodeName(in).constData(),
                   QFile::encodeName(sandbox.filePath(QStringLiteral("hard.png"))).constData()) == 0);
    const QByteArray bytes = readAll(in);

    const TestUtils::CliResult r = runCli({in, QStringLiteral("-o"), sandbox.filePath(output)});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QLatin1String("input")), qPrintable(r.err));
    QCOMPARE(readAll(in), bytes);
}

QTEST_MAIN(tst_cli)
#include "tst_cli.moc"
