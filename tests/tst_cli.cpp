// glassmere-reflect from the outside: what it writes, and how it refuses
// bad input without writing anything.

#include "photoio.h"
#include "reflection.h"
#include "testutils.h"

#include <QtTest>

#include <unistd.h>

namespace {

struct Result
{
    int exitCode = -1;
    QString err;
    QString out;
};

Result run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(GLASSMERE_REFLECT), args);
    Result r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return r;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

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
    void helpAndVersion();

private:
    QTemporaryDir dir;
    QString photoPng;  // with alpha
    QString opaquePng; // without alpha: read as RGB32
    QString tinyPng;   // four rows
    QImage photo;
};

void tst_cli::initTestCase()
{
    QVERIFY(dir.isValid());
    QRandomGenerator rng(42);
    photo = TestUtils::randomImage(rng, 61, 47);
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
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<bool>("transparent");

    QTest::newRow("defaults") << "photo" << QStringList() << 1 << 38 << 30 << 0 << "#ffffff" << false;
    QTest::newRow("every option") << "photo"
                                  << QStringList{"--side", "left",       "--size", "55",      "--depth",
                                                 "12",     "--interval", "20",     "--color", "#0A141e"}
                                  << 2 << 55 << 12 << 20 << "#0a141e" << false;
    QTest::newRow("trim, right") << "photo" << QStringList{"--side", "right", "--interval", "-80"} << 3 << 38
                                 << 30 << -80 << "#ffffff" << false;
    QTest::newRow("top transparent") << "opaque"
                                     << QStringList{"--side", "top", "--transparent", "--interval", "10"} << 0
                                     << 38 << 30 << 10 << "#ffffff" << true;
    QTest::newRow("opaque photo stays opaque")
        << "opaque" << QStringList{"--interval", "30", "--color", "#ff0000"} << 1 << 38 << 30 << 30
        << "#ff0000" << false;
}

void tst_cli::rendersLikeTheEngine()
{
    QFETCH(QString, input);
    QFETCH(QStringList, options);
    QFETCH(int, direction);
    QFETCH(int, size);
    QFETCH(int, depth);
    QFETCH(int, interval);
    QFETCH(QString, colour);
    QFETCH(bool, transparent);

    const QString in = input == QLatin1String("photo") ? photoPng : opaquePng;
    const QString out = dir.filePath(QStringLiteral("out-%1.png").arg(QTest::currentDataTag()));
    const Result r = run(options + QStringList{in, QStringLiteral("-o"), out});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));

    ReflectionSettings s;
    s.direction = direction;
    s.size = size;
    s.depth = depth;
    s.interval = interval;
    const QColor c(colour);
    s.bgcolor = {c.red(), c.green(), c.blue()};
    s.transparent = transparent;
    const QImage source = readPhoto(in);
    QImage expected;
    ComposeReflection(source.convertToFormat(QImage::Format_ARGB32), expected, s);
    expected = outputPicture(expected, source.format(), transparent);

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

    const QStringList io{QStringLiteral("@photo"), QStringLiteral("-o"), QStringLiteral("@out")};
    QTest::newRow("unknown option") << QStringList{"--shine"} + io << 2 << "shine";
    QTest::newRow("size above range") << QStringList{"--size", "101"} + io << 2 << "--size";
    QTest::newRow("size not whole") << QStringList{"--size", "3.5"} + io << 2 << "--size";
    QTest::newRow("depth below range") << QStringList{"--depth", "-1"} + io << 2 << "--depth";
    QTest::newRow("interval below range") << QStringList{"--interval", "-81"} + io << 2 << "--interval";
    QTest::newRow("interval not a number") << QStringList{"--interval", "ten"} + io << 2 << "--interval";
    QTest::newRow("unknown side") << QStringList{"--side", "middle"} + io << 2 << "middle";
    QTest::newRow("colour by name") << QStringList{"--color", "red"} + io << 2 << "--color";
    QTest::newRow("colour too short") << QStringList{"--color", "#12345"} + io << 2 << "--color";
    QTest::newRow("colour not hex") << QStringList{"--color", "#GG0000"} + io << 2 << "--color";
    QTest::newRow("no input") << QStringList{"-o", "@out"} << 2 << "input";
    QTest::newRow("no output") << QStringList{"@photo"} << 2 << "output";
    QTest::newRow("missing input") << QStringList{"@missing", "-o", "@out"} << 1 << "cannot read";
    QTest::newRow("input not a picture") << QStringList{"@notes", "-o", "@out"} << 1 << "cannot read";
    QTest::newRow("no writer for the suffix")
        << QStringList{"@photo", "-o", "@out.xyz"} << 1 << "cannot write";
    QTest::newRow("output is a folder") << QStringList{"@photo", "-o", "@folder.png"} << 1 << "cannot write";
    QTest::newRow("trim leaves nothing")
        << QStringList{"--interval", "-80", "@tiny", "-o", "@out"} << 1 << "empty";
}

void tst_cli::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QTemporaryDir sandbox;
    const QString notes = sandbox.filePath(QStringLiteral("notes.png"));
    QFile f(notes);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();
    QVERIFY(QDir().mkpath(sandbox.filePath(QStringLiteral("folder.png"))));
    for (QString &a : args) {
        if (a == QLatin1String("@photo"))
            a = photoPng;
        else if (a == QLatin1String("@tiny"))
            a = tinyPng;
        else if (a.startsWith(QLatin1Char('@')))
            a = sandbox.filePath(a.mid(1) == QLatin1String("out") ? QStringLiteral("out.png") : a.mid(1));
    }
    const QStringList before = QDir(sandbox.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QByteArray photoBytes = readAll(photoPng);

    const Result r = run(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.startsWith(QLatin1String("glassmere-reflect: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(QDir(sandbox.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             before); // nothing written
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

    const Result r = run({in, QStringLiteral("-o"), sandbox.filePath(output)});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QLatin1String("input")), qPrintable(r.err));
    QCOMPARE(readAll(in), bytes);
}

void tst_cli::helpAndVersion()
{
    Result r = run({QStringLiteral("--version")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(QLatin1String("3.2.0")), qPrintable(r.out));
    r = run({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    for (const char *option : {"--side", "--size", "--depth", "--interval", "--color", "--transparent", "-o"})
        QVERIFY2(r.out.contains(QLatin1String(option)), option);
}

QTEST_MAIN(tst_cli)
#include "tst_cli.moc"
