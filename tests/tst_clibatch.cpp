// glassmere-reflect's batch once through on real folders: what it writes on
// one or two workers, failures reported and counted in the exit status, and
// refusals that write nothing. The naming and listing rules themselves are
// tst_batchrules'.

#include "batchfixture.h"

#include <QtTest>

using namespace BatchFixture;

class tst_clibatch : public QObject
{
    Q_OBJECT

private slots:
    // Pictures in src/ and elsewhere, and links to the sources. holiday.png is the largest: a worker given it
    // finishes last.
    void init()
    {
        box = std::make_unique<Sandbox>();
        QVERIFY(makePicture(box->src() + "holiday.png", 1, QSize(400, 300)));
        QVERIFY(makePicture(box->src() + "holiday.jpg", 2));
        QVERIFY(makePicture(box->src() + "scan.tif", 3));
        QVERIFY(QDir(box->path()).mkpath("other"));
        QVERIFY(makePicture(box->path("other/extra.png"), 5));
        QVERIFY(writeFile(box->path("other/broken.jpg"), "not a picture"));
        QVERIFY(makePicture(box->path("other/blocked.png"), 6));
        QVERIFY(QDir(box->out()).mkpath("blocked.png")); // not even root writes a file over a folder
        QVERIFY(QFile::link(box->path("src"), box->path("link-to-src")));
        QVERIFY(QDir(box->path()).mkpath("links"));
        QVERIFY(QFile::link(box->src() + "scan.tif", box->path("links/scan.tif")));
    }

    void batch_data()
    {
        QTest::addColumn<QStringList>("args"); // "@name" stands for that path in the sandbox
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("summary");    // standard output; %1 is the output folder
        QTest::addColumn<QStringList>("errors"); // each matches one line on standard error
        QTest::addColumn<Outputs>("outputs");    // in out/, and the source of each

        // holiday.jpg is named twice and converted once; it and holiday.png both
        // make holiday.PNG, so both fail and neither is written, however the
        // workers share them. TIFF keeps alpha: scan.tif keeps its name.
        const QStringList inputs{"--transparent",    "@src", "@src/../src/holiday.jpg",
                                 "@other/extra.png", "-o",   "@out"};
        const QString converted = "converted 2 of 4 pictures into \"%1\"; 2 failed\n";
        const QStringList shared{"holiday.PNG\" \\(from \"[^\"]*/holiday.png\"\\).*same output name",
                                 "holiday.PNG\" \\(from \"[^\"]*/holiday.jpg\"\\).*same output name"};
        const Outputs transparent{{"extra.PNG", "../other/extra.png"}, {"scan.tif", "scan.tif"}};
        for (const QString jobs : {"1", "2"})
            QTest::addRow("-j %s", qPrintable(jobs))
                << QStringList{"-j", jobs} + inputs << 1 << converted << shared << transparent;
        QTest::newRow("failures, the others written")
            << QStringList{"-j", "2", "@src", "@other/broken.jpg", "@other/blocked.png", "-o", "@out"} << 1
            << "converted 3 of 5 pictures into \"%1\"; 2 failed\n"
            << QStringList{"cannot read .*/broken.jpg", "cannot write .*/blocked.png"}
            << Outputs{
                   {"holiday.jpg", "holiday.jpg"}, {"holiday.png", "holiday.png"}, {"scan.tif", "scan.tif"}};

        const auto refused = [](const char *name, const QStringList &args, const QString &error) {
            QTest::newRow(name) << args << 2 << QString() << QStringList{error} << Outputs();
        };
        refused("same folder through dots", {"@src", "-o", "@other/../src"}, "is the source folder");
        refused("same folder through a link", {"@src", "-o", "@link-to-src"}, "is the source folder");
        refused("a photo onto itself", {"@src/scan.tif", "-o", "@src/"}, "would replace the source picture");
        refused("an output is a link to a source", {"@src", "-o", "@links"},
                "would replace the source picture");
        refused("no workers", {"-j", "0", "@src", "-o", "@out"}, "-j");
    }

    // Exactly the outputs are written, each with the engine's bytes for its
    // source; everything else in the sandbox stays as it was.
    void batch()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, summary);
        QFETCH(QStringList, errors);
        QFETCH(Outputs, outputs);
        for (QString &arg : args)
            if (arg.startsWith(QLatin1Char('@')))
                arg = box->path(arg.mid(1));
        const QMap<QString, QByteArray> before = snapshot(box->path());

        args += QStringList{"--side", "left", "--color", "#0ac81e"};
        const TestUtils::CliResult r = TestUtils::runCli(args);

        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, summary.isEmpty() ? summary : summary.arg(box->path("out")));
        const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), errors.size());
        for (const QString &error : errors)
            QVERIFY2(lines.filter(QRegularExpression("^glassmere-reflect: .*" + error)).size() == 1,
                     qPrintable(r.err));
        QMap<QString, QByteArray> after = snapshot(box->path());
        for (const QString &name : outputs.keys())
            QVERIFY2(after.remove("out/" + name) == 1, qPrintable(name));
        QCOMPARE(after, before);
        const bool transparent = args.contains("--transparent");
        const auto settings =
            TestUtils::settings(ReflectionSettings::Left, 38, 30, 0, {10, 200, 30}, transparent);
        const QString difference = outputsDifference(box->out(), box->src(), outputs, settings);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

private:
    std::unique_ptr<Sandbox> box;
};

QTEST_MAIN(tst_clibatch)
#include "tst_clibatch.moc"
