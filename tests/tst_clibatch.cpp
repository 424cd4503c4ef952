// glassmere-reflect's batch on real folders: the window's naming and
// listing rules on several threads, failures reported and counted in the
// exit status, refusals that write nothing, and the progress line.

#include "batchfixture.h"

#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace BatchFixture;

// Output name -> the source whose rendering it must hold.
using Outputs = QMap<QString, QString>;

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

Result run(const QStringList &args, const QString &stderrFile = QString())
{
    QProcess p;
    if (!stderrFile.isEmpty())
        p.setStandardErrorFile(stderrFile);
    p.start(QStringLiteral(GLASSMERE_REFLECT), args);
    Result r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

const QStringList panelOptions{"--side", "left",       "--size", "50",      "--depth",
                               "20",     "--interval", "10",     "--color", "#0ac81e"};

ReflectionSettings panelSettings(bool transparent)
{
    ReflectionSettings s;
    s.direction = ReflectionSettings::Left;
    s.size = 50;
    s.depth = 20;
    s.interval = 10;
    s.bgcolor = _RGB{10, 200, 30};
    s.transparent = transparent;
    return s;
}

} // namespace

class tst_clibatch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void namesLikeTheWindow_data();
    void namesLikeTheWindow();
    void inputsAndOutputFolder_data();
    void inputsAndOutputFolder();
    void emptyFolder();
    void failuresReported_data();
    void failuresReported();
    void refusals_data();
    void refusals();
    void progressOnATerminal();
    void help();

private:
    QString src() const { return sandbox->filePath(QStringLiteral("src")) + QLatin1Char('/'); }
    QString out() const { return sandbox->filePath(QStringLiteral("out")) + QLatin1Char('/'); }
    // "@name" stands for that path in the sandbox.
    QStringList resolve(QStringList args) const;
    Result runBatch(const QStringList &args, const QString &stderrFile = QString());

    std::unique_ptr<QTemporaryDir> sandbox;
    QMap<QString, QByteArray> sourcesBefore;
};

void tst_clibatch::init()
{
    sandbox = std::make_unique<QTemporaryDir>();
    QVERIFY(sandbox->isValid());
    QVERIFY(QDir(sandbox->path()).mkpath(QStringLiteral("src")));
    QVERIFY(QDir(sandbox->path()).mkpath(QStringLiteral("out")));
    sourcesBefore.clear();
}

void tst_clibatch::cleanup()
{
    // Every source picture, byte for byte, whatever the run did.
    if (!sourcesBefore.isEmpty())
        QCOMPARE(snapshot(src()), sourcesBefore);
    sandbox.reset();
}

QStringList tst_clibatch::resolve(QStringList args) const
{
    for (QString &a : args)
        if (a.startsWith(QLatin1Char('@')))
            a = sandbox->filePath(a.mid(1));
    return args;
}

Result tst_clibatch::runBatch(const QStringList &args, const QString &stderrFile)
{
    if (sourcesBefore.isEmpty())
        sourcesBefore = snapshot(src());
    return run(resolve(args), stderrFile);
}

void tst_clibatch::namesLikeTheWindow_data()
{
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QString>("jobs");
    QTest::addColumn<Outputs>("outputs"); // output name -> source whose rendering it holds

    const Outputs opaque{{"holiday.jpg", "holiday.jpg"},
                         {"logo.ico", "logo.ico"},
                         {"archive.old.jpg", "archive.old.jpg"},
                         {"a.jpg", "a.jpg"},
                         {"a.png", "a.png"},
                         {"b.jpg", "b.jpg"},
                         {"b.png", "b.png"},
                         {"c.jpg", "c.jpg"},
                         {"c.png", "c.png"},
                         {"grey.png", "grey.png"},
                         {"upright.jpeg", "upright.jpeg"}};
    // x.png is converted before x.jpg, as in the window, however many
    // workers there are: x.jpg's rendering is the one left in x.PNG.
    const Outputs transparent{{"holiday.PNG", "holiday.jpg"},
                              {"logo.ico", "logo.ico"},
                              {"archive.PNG", "archive.old.jpg"},
                              {"a.PNG", "a.jpg"},
                              {"b.PNG", "b.jpg"},
                              {"c.PNG", "c.jpg"},
                              {"grey.PNG", "grey.png"},
                              {"upright.PNG", "upright.jpeg"}};
    QTest::newRow("opaque, one worker") << false << "1" << opaque;
    QTest::newRow("opaque, two workers") << false << "2" << opaque;
    QTest::newRow("transparent, one worker") << true << "1" << transparent;
    QTest::newRow("transparent, four workers") << true << "4" << transparent;
}

void tst_clibatch::namesLikeTheWindow()
{
    QFETCH(bool, transparent);
    QFETCH(QString, jobs);
    QFETCH(Outputs, outputs);

    quint32 seed = 1;
    for (const char *name : {"holiday.jpg", "logo.ico", "archive.old.jpg", "a.jpg", "b.jpg", "c.jpg"})
        QVERIFY(makePicture(src() + QLatin1String(name), seed++));
    // Larger than their .jpg namesakes, so that a worker would finish them
    // last if the two were given to different workers.
    for (const char *name : {"a.png", "b.png", "c.png"})
        QVERIFY(makePicture(src() + QLatin1String(name), seed++, QImage::Format_ARGB32, QSize(400, 300)));
    QVERIFY(makePicture(src() + QStringLiteral("grey.png"), seed++, QImage::Format_Grayscale8));
    QVERIFY(writeFile(src() + QStringLiteral("upright.jpeg"), uprightJpeg()));
    QStringList args = panelOptions + QStringList{"-j", jobs, "@src", "-o", "@out"};
    if (transparent)
        args.prepend(QStringLiteral("--transparent"));

    const Result r = runBatch(args);

    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err)); // no progress line when not on a terminal
    QCOMPARE(r.out, QStringLiteral("converted %1 of %1 pictures into \"%2\"\n")
                        .arg(11) // every source, also those sharing an output
                        .arg(sandbox->filePath(QStringLiteral("out"))));
    QCOMPARE(entries(out()), QStringList(outputs.keys()));
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it) {
        const QString difference = outputDifference(
            out() + it.key(), expectedOutput(src() + it.value(), it.key(), panelSettings(transparent)));
        QVERIFY2(difference.isEmpty(), qPrintable(it.key() + QLatin1String(": ") + difference));
    }
}

void tst_clibatch::inputsAndOutputFolder_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("written");

    QTest::newRow("several photos") << QStringList{"@src/holiday.jpg", "@other/extra.png", "-o", "@out"}
                                    << QStringList{"extra.png", "holiday.jpg"};
    QTest::newRow("one photo into a folder ending with /")
        << QStringList{"@src/holiday.jpg", "-o", "@out/"} << QStringList{"holiday.jpg"};
    QTest::newRow("a named photo whatever its suffix")
        << QStringList{"@src/scan.tif", "@src/holiday.jpg", "-o", "@out"}
        << QStringList{"holiday.jpg", "scan.tif"};
    QTest::newRow("a folder and a photo")
        << QStringList{"@src", "@other/extra.png", "-o", "@out"} << QStringList{"extra.png", "holiday.jpg"};
    QTest::newRow("a folder, hidden files, subfolders and other suffixes left alone")
        << QStringList{"@src", "-o", "@out"} << QStringList{"holiday.jpg"};
}

void tst_clibatch::inputsAndOutputFolder()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, written);

    QVERIFY(makePicture(src() + QStringLiteral("holiday.jpg"), 1));
    QVERIFY(makePicture(src() + QStringLiteral("scan.tif"), 2));
    QVERIFY(makePicture(src() + QStringLiteral(".hidden.png"), 3));
    QVERIFY(writeFile(src() + QStringLiteral("notes.txt"), "text"));
    QVERIFY(QDir(src()).mkpath(QStringLiteral("album.png")));
    QVERIFY(makePicture(src() + QStringLiteral("album.png/inner.png"), 4));
    QVERIFY(QDir(sandbox->path()).mkpath(QStringLiteral("other")));
    QVERIFY(makePicture(sandbox->filePath(QStringLiteral("other/extra.png")), 5));

    const Result r = runBatch(args);

    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QVERIFY2(r.out.startsWith(QStringLiteral("converted %1 of %1 pictures").arg(written.size())),
             qPrintable(r.out));
    QCOMPARE(entries(out()), written);
}

void tst_clibatch::emptyFolder()
{
    const Result r = runBatch({"@src", "-o", "@out"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith(QLatin1String("converted 0 of 0 pictures")));
    QCOMPARE(entries(out()), QStringList());
}

void tst_clibatch::failuresReported_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("gifFailure");

    QTest::newRow("no writer for GIF") << "0"
                                       << "cannot write";
    QTest::newRow("trim leaves nothing of a one-row GIF") << "-80"
                                                          << "is empty";
}

// Every picture that fails is a line on standard error; the others are
// still written, and the exit status says that something failed.
void tst_clibatch::failuresReported()
{
    QFETCH(QString, interval);
    QFETCH(QString, gifFailure);

    QVERIFY(makePicture(src() + QStringLiteral("good.png"), 1));
    QVERIFY(makePicture(src() + QStringLiteral("zebra.jpg"), 2));
    QVERIFY(writeFile(src() + QStringLiteral("broken.jpg"), "not a picture"));
    QVERIFY(makePicture(src() + QStringLiteral("blocked.png"), 3));
    QVERIFY(QDir(out()).mkpath(QStringLiteral("blocked.png"))); // stops even root
    QVERIFY(writeFile(src() + QStringLiteral("tiny.gif"), tinyGif()));

    const Result r = runBatch({"--interval", interval, "-j", "2", "@src", "-o", "@out"});

    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QStringLiteral("converted 2 of 5 pictures into \"%1\"; 3 failed\n")
                        .arg(sandbox->filePath(QStringLiteral("out"))));
    QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort(); // the workers finish in any order
    QCOMPARE(lines.size(), 3);
    for (const QString &line : std::as_const(lines))
        QVERIFY2(line.startsWith(QLatin1String("glassmere-reflect: ")), qPrintable(line));
    QVERIFY2(lines.at(0).contains(QLatin1String("cannot read")) &&
                 lines.at(0).contains(QLatin1String("broken.jpg")),
             qPrintable(r.err));
    QVERIFY2(lines.at(1).contains(QLatin1String("cannot write")) &&
                 lines.at(1).contains(QLatin1String("blocked.png")),
             qPrintable(r.err));
    QVERIFY2(lines.join(QLatin1Char('\n')).contains(gifFailure), qPrintable(r.err));
    QVERIFY2(lines.join(QLatin1Char('\n')).contains(QLatin1String("tiny.gif")), qPrintable(r.err));
    QCOMPARE(entries(out()), (QStringList{"blocked.png", "good.png", "zebra.jpg"}));
    QVERIFY(QFileInfo(out() + QStringLiteral("blocked.png")).isDir());
}

void tst_clibatch::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message"); // a part of the one line on standard error

    QTest::newRow("same folder") << QStringList{"@src", "-o", "@src/"} << "is the source folder";
    QTest::newRow("same folder through dots")
        << QStringList{"@src", "-o", "@out/../src"} << "is the source folder";
    QTest::newRow("same folder through a link")
        << QStringList{"@src", "-o", "@link-to-src"} << "is the source folder";
    QTest::newRow("a named photo onto itself")
        << QStringList{"@src/photo.png", "-o", "@src/"} << "would replace the source picture";
    QTest::newRow("an output is a link to a source")
        << QStringList{"@src", "-o", "@links"} << "would replace the source picture";
    QTest::newRow("an output is a hard link to a source")
        << QStringList{"--transparent", "@src", "-o", "@hardlinks"} << "would replace the source picture";
    QTest::newRow("output folder missing") << QStringList{"@src", "-o", "@missing/"} << "not a folder";
    QTest::newRow("several photos into a file")
        << QStringList{"@src/photo.png", "@src/a.jpg", "-o", "@out/file.png"} << "not a folder";
    QTest::newRow("no workers") << QStringList{"-j", "0", "@src", "-o", "@out"} << "-j";
    QTest::newRow("workers not a number") << QStringList{"-j", "two", "@src", "-o", "@out"} << "-j";
}

// Refused before anything is written, with one line and status 2.
void tst_clibatch::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);

    QVERIFY(makePicture(src() + QStringLiteral("photo.png"), 1));
    QVERIFY(makePicture(src() + QStringLiteral("b.PNG"), 2));
    QVERIFY(makePicture(src() + QStringLiteral("a.jpg"), 3));
    const QDir box(sandbox->path());
    QVERIFY(QFile::link(box.filePath(QStringLiteral("src")), box.filePath(QStringLiteral("link-to-src"))));
    QVERIFY(box.mkpath(QStringLiteral("links")));
    QVERIFY(
        QFile::link(src() + QStringLiteral("photo.png"), box.filePath(QStringLiteral("links/photo.png"))));
    QVERIFY(box.mkpath(QStringLiteral("hardlinks")));
    QVERIFY(::link(QFile::encodeName(src() + QStringLiteral("b.PNG")).constData(),
                   QFile::encodeName(box.filePath(QStringLiteral("hardlinks/b.PNG"))).constData()) == 0);
    const QMap<QString, QByteArray> everything = snapshot(sandbox->path());

    const Result r = runBatch(args);

    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith(QLatin1String("glassmere-reflect: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(snapshot(sandbox->path()), everything);
    QCOMPARE(entries(sandbox->path()), (QStringList{"hardlinks", "link-to-src", "links", "out", "src"}));
}

// On a terminal, standard error shows how far the run is, rewritten in
// place, and is left clean at the end.
void tst_clibatch::progressOnATerminal()
{
    for (quint32 i = 0; i < 3; ++i)
        QVERIFY(makePicture(src() + QStringLiteral("p%1.png").arg(i), i + 1));
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QString terminal = QString::fromLocal8Bit(::ptsname(master));
    // Held open here too, so what the program wrote stays readable after it
    // has exited.
    const int keepOpen = ::open(QFile::encodeName(terminal).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(keepOpen >= 0);

    const Result r = runBatch({"-j", "1", "@src", "-o", "@out"}, terminal);

    QByteArray screen;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    char buffer[4096];
    for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
        screen.append(buffer, int(got));
    ::close(keepOpen);
    ::close(master);

    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith(QLatin1String("converted 3 of 3 pictures")), qPrintable(r.out));
    for (int i = 1; i <= 3; ++i)
        QVERIFY2(
            screen.contains(QStringLiteral("\r\033[Kglassmere-reflect: %1/3 pictures").arg(i).toLatin1()),
            screen.constData());
    QVERIFY2(screen.endsWith("\r\033[K"), screen.constData());
}

void tst_clibatch::help()
{
    const Result r = run({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    for (const char *part : {"-j", "--jobs", "INPUT...", "folder", "never written over"})
        QVERIFY2(r.out.contains(QLatin1String(part)), part);
}

QTEST_MAIN(tst_clibatch)
#include "tst_clibatch.moc"
