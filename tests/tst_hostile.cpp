// glassmere-reflect against hostile files made at run time: empty and cut
// files of every format, headers claiming huge sizes, SVGs whose images
// point at themselves, a named pipe or someone's private picture, a cut BMP
// after a magenta photo, outputs that are special files, and a batch of all
// of them among good photos. Nothing may crash, hang, leak pixels, change a
// source or take more memory than the budget. Also seeded byte flips
// through the reader (under the sanitizers in CI), and the worker pool with
// a stand-in worker that crashes and hangs.

#include "batchfixture.h"
#include "hostilefiles.h"
#include "workerpool.h"

#include <QImageReader>
#include <QtTest>

#include <sys/stat.h>

using namespace BatchFixture;

Q_DECLARE_METATYPE(WorkerMessage)

static bool holdsMagenta(const QString &path)
{
    const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
    return std::any_of(pixels, pixels + image.width() * image.height(),
                       [](QRgb pixel) { return (pixel & 0xffffff) == 0xff00ff; });
}

// "crash" kills its worker, "hang" never answers, "big" holds 600 of the
// budget of 1000 for a while and fails if another big one holds it too.
static const char *const standInWorker = R"(
while read command input output; do
    case "$input" in
    *crash*) kill -SEGV $$ ;;
    *hang*) exec sleep 600 ;;
    *big*) echo "need 600"; read go
        if mkdir "$DIR/held"; then sleep 0.3; rmdir "$DIR/held"; echo ok; else echo "fail both%20at%20once"; fi ;;
    *) echo ok ;;
    esac
done
)";

class tst_hostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QImage magenta(40, 30, QImage::Format_RGB32);
        magenta.fill(qRgb(255, 0, 255));
        QVERIFY(magenta.save(src(QStringLiteral("z-magenta.png"))));
        QVERIFY(magenta.save(box.path(QStringLiteral("secret.png"))));
        for (const auto &[suffix, bytes] : HostileFiles::samples()) {
            QVERIFY(writeFile(src(QStringLiteral("good-%1.%1").arg(suffix)), bytes));
            for (int quarter = 0; quarter <= 3; ++quarter) { // quarter 0: an empty file
                const QString name = QStringLiteral("cut%1-%2.%2").arg(quarter).arg(suffix);
                QVERIFY(writeFile(src(name), bytes.left(bytes.size() * quarter / 4)));
                if (quarter == 0 || QStringList{"bmp", "tga", "pbm", "pgm", "ppm"}.contains(suffix))
                    mustFail << name;
            }
        }
        // The cut BMP comes after the magenta photo (descending names).
        QImage blue(32, 24, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        const QByteArray bmp = HostileFiles::encoded(blue, "BMP");
        QByteArray jpeg = HostileFiles::encoded(blue, "JPG");
        jpeg.replace(jpeg.indexOf("\xff\xc0") + 5, 4, QByteArray::fromHex("4e204e20")); // 20000 x 20000
        QImage mono(16000, 16000, QImage::Format_Mono);
        mono.fill(0);
        QVERIFY(mono.save(src(QStringLiteral("bomb.png"))));
        const QString special = box.path(QStringLiteral("special/"));
        QDir().mkpath(special);
        QVERIFY(::mkfifo(QFile::encodeName(special + "pipe.png").constData(), 0600) == 0);
        QVERIFY(QFile::link(special + "pipe.png", special + "to-pipe.png"));
        QVERIFY(QFile::link(special + "target.png", special + "dangling.png"));
        QVERIFY(writeFile(src("a-cut.bmp"), bmp.left(bmp.size() / 2)));
        QVERIFY(writeFile(src("bomb.jpg"), jpeg));
        QVERIFY(writeFile(src("bomb.svg"), HostileFiles::svg(20000, 20000)));
        QVERIFY(writeFile(src("bomb.tga"), HostileFiles::tga(4000, 4000, 16)));
        QVERIFY(writeFile(src("bomb.ppm"), "P6\n30000 30000\n255\n" + QByteArray(40, 'x')));
        QVERIFY(writeFile(src("svg-self.svg"), HostileFiles::svg(40, 30, QStringLiteral("svg-self.svg"))));
        QVERIFY(writeFile(src("svg-pipe.svg"), HostileFiles::svg(40, 30, special + "pipe.png")));
        QVERIFY(writeFile(src("svg-secret.svg"),
                          HostileFiles::svg(40, 30, box.path(QStringLiteral("secret.png")))));
        mustFail << QStringList{"a-cut.bmp", "bomb.jpg", "bomb.png", "bomb.svg", "bomb.tga", "bomb.ppm"};
        box.keepSources();
    }

    void singlePhoto_data()
    {
        // The input in src/; the output, else out/INPUT.png; a limit on the size of its files.
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("failure"); // a part of the one line; empty: written
        const QString photo = QStringLiteral("good-png.png");
        // The streamed road holds about 550 MB for it, within the budget; its
        // few bytes end long before its rows do.
        QTest::newRow("JPEG claiming 20000 x 20000") << QStringList{"bomb.jpg"} << "the file is cut short";
        QTest::newRow("1-bit PNG of 16000 x 16000") << QStringList{"bomb.png"} << "the limit is 2 GB";
        QTest::newRow("TGA claiming 4000 x 4000") << QStringList{"bomb.tga"} << "cut short";
        QTest::newRow("output a named pipe") << QStringList{photo, "special/pipe.png"} << "not a regular";
        QTest::newRow("output a link to a pipe")
            << QStringList{photo, "special/to-pipe.png"} << "not a regular";
        QTest::newRow("output a link to nothing yet") << QStringList{photo, "special/dangling.png"} << "";
        QTest::newRow("output folder missing") << QStringList{photo, "missing/1.png"} << "does not exist";
        QTest::newRow("file size limit")
            << QStringList{"z-magenta.png", "out/1.ppm", "4096"} << "File too large";
    }

    // One line and status 1, or the output written without foreign pixels.
    void singlePhoto()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, failure);
        const QString output = box.path(files.value(1, QStringLiteral("out/%1.png").arg(files.first())));
        const auto r =
            TestUtils::runCli({src(files.first()), QStringLiteral("-o"), output}, files.value(2).toInt());
        const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(r.exitCode, failure.isEmpty() ? 0 : 1);
        QCOMPARE(lines.size(), failure.isEmpty() ? 0 : 1);
        QVERIFY2(failure.isEmpty() || lines.first().contains(failure), qPrintable(r.err));
        QCOMPARE(QFileInfo(output).isFile(), failure.isEmpty());
        QVERIFY(!failure.isEmpty() || !QImage(output).isNull());
    }

    void mixedBatch()
    {
        const QString batchDir = box.path(QStringLiteral("batch/"));
        QVERIFY(QDir().mkpath(batchDir));
        const TestUtils::CliResult batch =
            TestUtils::runCli({"--transparent", "-j", "1", "--memory-limit", "256", src(), "-o", batchDir});
        const QStringList errors = batch.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(batch.exitCode, 1);
        QVERIFY2(batch.out.endsWith(QStringLiteral("; %1 failed\n").arg(errors.size())),
                 qPrintable(batch.out));
        const ReflectionSettings settings = TestUtils::settings(1, 38, 30, 0, {255, 255, 255}, true);
        for (const QString &path : listBatchPictures(src())) {
            const QString name = QFileInfo(path).fileName();
            const QString output = batchDir + batchOutputName(name, true);
            // Its own line names it last before a colon or a bracket; the line of
            // another with the same output name (the bombs all make bomb.PNG) names it too.
            const int lines = int(
                errors.filter(QRegularExpression('/' + QRegularExpression::escape(name) + "\"[:)]")).size());
            const bool written = QFileInfo(output).isFile();
            // Either one line or the output; always a line for those no reader may take.
            QVERIFY2(lines + int(written) == 1 && (lines == 1 || !mustFail.contains(name)), qPrintable(name));
            const bool good = name.startsWith(QLatin1String("good-"));
            QVERIFY2(written || !(good || name.startsWith(QLatin1String("svg-"))), qPrintable(name));
            if (good)
                QCOMPARE(outputsDifference(batchDir, src(), {{batchOutputName(name, true), name}}, settings),
                         QString());
            QVERIFY2(!written || name == QLatin1String("z-magenta.png") || !holdsMagenta(output),
                     qPrintable(name));
        }
        QVERIFY(box.sourcesUnchanged());
        // The largest of all the children so far, the workers included.
        rusage usage{};
        QVERIFY(::getrusage(RUSAGE_CHILDREN, &usage) == 0);
        QVERIFY2(usage.ru_maxrss < 256 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
    }

    // A picture or a one-line reason for every damaged file.
    void readerSurvives()
    {
        QImageReader::setAllocationLimit(16); // mutated headers claim huge sizes
        const PhotoAdmission small = [](const QSize &size, QString *why) {
            *why = QStringLiteral("too large");
            return qint64(size.width()) * size.height() <= 1 << 22;
        };
        for (const auto &[suffix, bytes] : HostileFiles::samples()) {
            QRandomGenerator rng(qHash(suffix));
            for (int round = 0; round < 40; ++round) {
                QByteArray damaged = bytes;
                for (int flips = 1 + rng.bounded(8); flips > 0; --flips)
                    damaged[rng.bounded(int(damaged.size()))] = char(rng.bounded(256));
                const QString path = box.path(QStringLiteral("m%1.%2").arg(round).arg(suffix));
                QVERIFY(writeFile(path, damaged));
                QString why;
                const QImage image = readPhoto(path, &why, small);
                QVERIFY2(!image.isNull() || (!why.isEmpty() && !why.contains(QLatin1Char('\n'))),
                         qPrintable(path + QStringLiteral(": ") + why));
            }
        }
    }

    // Names that would split or end a line of the protocol come through
    // whole; a line the other side does not know is no message.
    void workerProtocol_data()
    {
        QTest::addColumn<QByteArray>("line"); // empty: the expected message's own line
        QTest::addColumn<WorkerMessage>("expected");
        const QString odd = QStringLiteral("a b%20\nc\u00e9.png"); // a blank, an escape, a line end
        QTest::newRow("convert") << QByteArray() << WorkerMessage::convert(odd, odd + ' ');
        QTest::newRow("fail") << QByteArray() << WorkerMessage::fail(odd, WorkerStep::Write, odd);
        QTest::newRow("need") << QByteArray() << WorkerMessage::need(qint64(1) << 40);
        QTest::newRow("need, not a number") << QByteArray("need lots") << WorkerMessage();
        QTest::newRow("convert, one name") << QByteArray("convert a.png") << WorkerMessage();
    }

    void workerProtocol()
    {
        QFETCH(QByteArray, line);
        QFETCH(WorkerMessage, expected);
        if (line.isEmpty())
            line = expected.format();
        QVERIFY(!line.contains('\n'));
        const WorkerMessage m = WorkerMessage::parse(line);
        QVERIFY(m.kind == expected.kind && m.input == expected.input && m.output == expected.output &&
                m.bytes == expected.bytes && m.line == expected.line && m.step == expected.step &&
                m.why == expected.why);
    }

    void workerPool_data()
    {
        QTest::addColumn<int>("slotCount");
        QTest::addColumn<QStringList>("inputs");   // one chain each
        QTest::addColumn<QStringList>("outcomes"); // "ok", or a part of the reason
        QTest::newRow("crash and hang among good ones")
            << 1 << QStringList{"a", "crash", "b", "hang", "c"}
            << QStringList{"ok", "crashed", "ok", "longer than 1 s", "ok"};
        QTest::newRow("two slots, memory for one big picture")
            << 2 << QStringList{"big1", "big2", "big3"} << QStringList{"ok", "ok", "ok"};
        QTest::newRow("nothing to do") << 2 << QStringList() << QStringList();
    }

    // Every task ends once, with its own outcome, and the run ends.
    void workerPool()
    {
        QFETCH(int, slotCount);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, outcomes);
        qputenv("DIR", QFile::encodeName(box.path()));
        WorkerPool pool(QStringLiteral("sh"), {QStringLiteral("-c"), QLatin1String(standInWorker)}, slotCount,
                        1, 1000);
        QStringList ended;
        connect(&pool, &WorkerPool::taskFinished, this,
                [&](const WorkerTask &task, bool ok, const QString &why) {
                    QVERIFY2(!ended.contains(task.input), qPrintable(task.input));
                    const QString outcome = outcomes.value(inputs.indexOf(task.input));
                    QVERIFY2((ok ? QStringLiteral("ok") : why).contains(outcome),
                             qPrintable(task.input + ": " + why));
                    ended << task.input;
                });
        QSignalSpy finished(&pool, &WorkerPool::finished);
        QList<QList<WorkerTask>> chains;
        for (const QString &input : inputs)
            chains.append({{input, input + QStringLiteral(".out")}});
        pool.start(chains);
        QVERIFY(finished.wait(20000));
        QCOMPARE(ended.size(), inputs.size());
    }

private:
    QString src(const QString &name = QString()) const { return box.src() + name; }
    Sandbox box;
    QStringList mustFail; // names in src/ that no reader may take
};

QTEST_MAIN(tst_hostile)
#include "tst_hostile.moc"
