// glassmere-reflect's batch on real folders: the window's naming and
// listing rules on several threads, failures reported and counted in the
// exit status, refusals that write nothing, and the progress line.

#include "batchfixture.h"

#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace BatchFixture;
using TestUtils::CliResult;

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
    void failuresReported_data();
    void failuresReported();
    void refusals_data();
    void refusals();
    void progressOnATerminal();
    void unlistableFolder();

private:
    // "@name" stands for that path in the sandbox.
    CliResult runBatch(QStringList args, const QString &stderrFile = QString());
    QString src() const { return box->src(); }
    QString out() const { return box->out(); }

    std::unique_ptr<Sandbox> box;
};

void tst_clibatch::init()
{
    box = std::make_unique<Sandbox>();
}

void tst_clibatch::cleanup()
{
    QVERIFY(box->sourcesUnchanged());
    box.reset();
}

CliResult tst_clibatch::runBatch(QStringList args, const QString &stderrFile)
{
    box->keepSources();
    for (QString &a : args)
        if (a.startsWith(QLatin1Char('@')))
            a = box->path(a.mid(1));
    return TestUtils::runCli(args, stderrFile);
}

void tst_clibatch::namesLikeTheWindow_data()
{
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QString>("jobs");
    QTest::newRow("opaque, one worker") << false << "1";
    QTest::newRow("opaque, two workers") << false << "2";
    QTest::newRow("transparent, one worker") << true << "1";
    QTest::newRow("transparent, four workers") << true << "4";
}

void tst_clibatch::namesLikeTheWindow()
{
    QFETCH(bool, transparent);
    QFETCH(QString, jobs);
    QVERIFY(box->makeNamingSources(transparent));
    QStringList args{"--side",  "left",    "--size", "50", "--depth", "20", "--interval", "10",
                     "--color", "#0ac81e", "-j",     jobs, "@src",    "-o", "@out"};
    if (transparent)
        args.prepend(QStringLiteral("--transparent"));

    const CliResult r = runBatch(args);

    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err)); // no progress line when not on a terminal
    QCOMPARE(r.out, QStringLiteral("converted %1 of %1 pictures into \"%2\"\n")
                        .arg(entries(src()).size()) // every source, also those sharing an output
                        .arg(box->path(QStringLiteral("out"))));
    const Outputs outputs = Sandbox::namingOutputs(transparent);
    QCOMPARE(entries(out()), QStringList(outputs.keys()));
    const QString difference = outputsDifference(out(), src(), outputs, panelSettings(transparent));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
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
    QTest::newRow("a folder and a photo") << QStringList{"@src", "@other/extra.png", "-o", "@out"}
                                          << QStringList{"extra.png", "holiday.jpg", "scan.tif"};
    QTest::newRow("a folder, hidden files, subfolders and other suffixes left alone")
        << QStringList{"@src", "-o", "@out"} << QStringList{"holiday.jpg", "scan.tif"};
    QTest::newRow("empty folder") << QStringList{"@other/empty", "-o", "@out"} << QStringList();
    QTest::newRow("a folder and a photo in it, converted once")
        << QStringList{"@src", "@src/holiday.jpg", "@src/../src/holiday.jpg", "-o", "@out"}
        << QStringList{"holiday.jpg", "scan.tif"};
}

void tst_clibatch::inputsAndOutputFolder()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, written);
    QVERIFY(box->makeListingSources());
    QVERIFY(QDir(box->path()).mkpath(QStringLiteral("other/empty")));
    QVERIFY(makePicture(box->path(QStringLiteral("other/extra.png")), 5));

    const CliResult r = runBatch(args);

    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QVERIFY2(r.out.startsWith(QStringLiteral("converted %1 of %1 pictures").arg(written.size())),
             qPrintable(r.out));
    QCOMPARE(entries(out()), written);
}

void tst_clibatch::failuresReported_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("gifFailure");
    QTest::newRow("no writer for GIF") << QStringLiteral("0") << QStringLiteral("cannot write");
    QTest::newRow("trim leaves nothing of a one-row GIF")
        << QStringLiteral("-80") << QStringLiteral("is empty");
}

// Every picture that fails is a line on standard error; the others are
// still written, and the exit status says that something failed.
void tst_clibatch::failuresReported()
{
    QFETCH(QString, interval);
    QFETCH(QString, gifFailure);
    QVERIFY(box->makeFailingSources());

    const CliResult r = runBatch({"--interval", interval, "-j", "2", "@src", "-o", "@out"});

    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QStringLiteral("converted 2 of 5 pictures into \"%1\"; 3 failed\n")
                        .arg(box->path(QStringLiteral("out"))));
    const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    for (const QString &line : lines)
        QVERIFY2(line.startsWith(QLatin1String("glassmere-reflect: ")), qPrintable(r.err));
    // One line each, in whatever order the workers finish.
    const QList<QStringList> failures{
        {"broken0.jpg", "cannot read"}, {"blocked.png", "cannot write"}, {"tiny.gif", gifFailure}};
    for (const QStringList &failure : failures) {
        const QStringList about = lines.filter(failure.at(0));
        QVERIFY2(about.size() == 1 && about.first().contains(failure.at(1)), qPrintable(r.err));
    }
    QCOMPARE(entries(out()), (QStringList{"blocked.png", "good.png", "zebra.jpg"}));
}

void tst_clibatch::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message"); // a part of the one line on standard error

    const QString same = QStringLiteral("is the source folder");
    const QString replace = QStringLiteral("would replace the source picture");
    QTest::newRow("same folder") << QStringList{"@src", "-o", "@src/"} << same;
    QTest::newRow("same folder through dots") << QStringList{"@src", "-o", "@out/../src"} << same;
    QTest::newRow("same folder through a link") << QStringList{"@src", "-o", "@link-to-src"} << same;
    QTest::newRow("a named photo onto itself") << QStringList{"@src/photo.png", "-o", "@src/"} << replace;
    QTest::newRow("an output is a link to a source") << QStringList{"@src", "-o", "@links"} << replace;
    QTest::newRow("an output is a hard link to a source")
        << QStringList{"--transparent", "@src", "-o", "@hardlinks"} << replace;
    QTest::newRow("several photos into a file")
        << QStringList{"@src/photo.png", "@links/photo.png", "-o", "@src/a.jpg"} << "not a folder";
    QTest::newRow("no workers") << QStringList{"-j", "0", "@src", "-o", "@out"} << "-j";
    QTest::newRow("workers not a number") << QStringList{"-j", "two", "@src", "-o", "@out"} << "-j";
}

// Refused before anything is written, with one line and status 2.
void tst_clibatch::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QVERIFY(box->makeLinksToSources());
    const QMap<QString, QByteArray> everything = snapshot(box->path());
    const QStringList names = entries(box->path());

    const CliResult r = runBatch(args);

    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith(QLatin1String("glassmere-reflect: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(snapshot(box->path()), everything);
    QCOMPARE(entries(box->path()), names);
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
    // Held open here too, so that the output stays readable after the exit.
    const int keepOpen = ::open(QFile::encodeName(terminal).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(keepOpen >= 0);

    const CliResult r = runBatch({"-j", "1", "@src", "-o", "@out"}, terminal);

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

// Not "converted 0 of 0": a folder that cannot be listed is an error.
void tst_clibatch::unlistableFolder()
{
    if (::geteuid() == 0)
        QSKIP("root lists every folder");
    QVERIFY(box->makeListingSources());
    QVERIFY(QFile::setPermissions(src(), QFileDevice::WriteOwner));
    const CliResult r = runBatch({"@src", "-o", "@out"});
    QVERIFY(QFile::setPermissions(src(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith(QLatin1String("glassmere-reflect: cannot list")) &&
                 r.err.count(QLatin1Char('\n')) == 1,
             qPrintable(r.err));
}

QTEST_MAIN(tst_clibatch)
#include "tst_clibatch.moc"
