// The "all-at-once" tab on real folders: a run writes what the engine's
// rules say and leaves the editor's photo alone; what it refuses and how it
// names failures; Cancel; a tree converted in worker processes, one of
// which crashes or hangs, as on threads. The rules are tst_batchrules'.

#include "glassmere.h"

#include "batchfixture.h"
#include "batch/batchjob.h"
#include "uihelpers.h"

#include <QtTest>

using namespace BatchFixture;

class tst_batch : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        currentPath = appDir.path();
        QVERIFY(makeStandInStyle(currentPath));
        box = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(box->path()).mkpath("src") && QDir(box->path()).mkpath("out"));
        fileManager.urls.clear();
        window = std::make_unique<Glassmere>();
        window->show();
        ui().tabWidget->setCurrentWidget(ui().tab_6);
    }

    void cleanup()
    {
        window.reset();
        qunsetenv("GLASSMERE_REFLECT");
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); // no message box left behind
    }

    // A photo is loaded and rendered, a folder of others converted: the output
    // is the engine's, and Export still writes the loaded photo's rendering.
    void convertsAndLeavesTheEditorAlone()
    {
        const QString photo = at("photo.png");
        QVERIFY(makePicture(photo, 9, QSize(31, 29)));
        FileDialogAnswer open(photo);
        QTest::mouseClick(ui().txtPicSelect, Qt::LeftButton);
        QVERIFY(open.done());
        // a.png and a.jpg both become a.PNG: neither is written. The width
        // scales the wide one down and leaves the narrow one as it is.
        QVERIFY(makePicture(at("src/a.png"), 1, QSize(900, 700)) && makePicture(at("src/a.jpg"), 2) &&
                makePicture(at("src/b.png"), 3, QSize(900, 700)) && makePicture(at("src/c.png"), 4));
        ui().cbTransparent->setChecked(true);
        ui().find<QSpinBox>("spinBatchWidth")->setValue(90);
        const ReflectionSettings settings = window->GatherSettings();

        run("src", "out/");
        QVERIFY2(message.startsWith("Failure: 2 of 4 pictures could not be converted:\n\na.png: "),
                 qPrintable(message));
        QVERIFY(message.contains("a.jpg: " + at("out/a.PNG") + " cannot be written (\"" + at("src/a.png") +
                                 "\" has the same output name; neither is written)"));
        QCOMPARE(fileManager.urls, QList<QUrl>{QUrl::fromLocalFile(at("out/"))});
        QCOMPARE(QDir(at("out")).entryList(QDir::Files | QDir::Hidden), (QStringList{"b.PNG", "c.PNG"}));
        QCOMPARE(QImage(at("out/b.PNG")).size(), QSize(90, 97));
        QCOMPARE(readAll(at("out/c.PNG")), expectedOutput(at("src/c.png"), "c.PNG", settings));

        FileDialogAnswer save(at("exported.png"));
        MessageBoxCloser closer;
        ui().btSavePic->click();
        QTRY_COMPARE(closer.messages.size(), 1);
        QImage expected;
        ComposeReflection(QImage(photo).convertToFormat(QImage::Format_ARGB32), expected, settings);
        QCOMPARE(QImage(at("exported.png")).convertToFormat(QImage::Format_ARGB32), expected);
    }

    void messages_data()
    {
        // source, target (in the sandbox), the message's pattern, "tree" for subfolders
        QTest::addColumn<QStringList>("row");
        QTest::newRow("nothing chosen") << QStringList{"", "", "^Failure: Selected directory error\\.$"};
        QTest::newRow("same folder through a link")
            << QStringList{"src", "link-to-src", "^Failure: The target directory is the source directory\\."};
        QTest::newRow("an output is a link to a source") << QStringList{
            "src", "links",
            "^Failure: \".+/links/good\\.png\" would replace the source picture \".+/good\\.png\""};
        QTest::newRow("subfolders: target inside the tree") << QStringList{
            "src", "src/sub", "^Failure: The target directory lies inside the source directory\\.", "tree"};
        QTest::newRow("subfolders: an output is a link to a source") << QStringList{
            "src", "tree", "^Failure: \".+/tree/sub/deep\\.png\" would replace the source picture", "tree"};
        QTest::newRow("failures named in list order") << QStringList{
            "src", "out",
            "^Failure: 6 of 7 pictures could not be converted:\n\n"
            "zblocked\\.png: .+/out/zblocked\\.png cannot be written \\(.+\\)\n"
            "broken4\\.jpg: cannot be read \\(.+\\)\nbroken3\\.jpg: cannot be read \\(.+\\)\n"
            "broken2\\.jpg: cannot be read \\(.+\\)\nbroken1\\.jpg: cannot be read \\(.+\\)\nand 1 more\\.$"};
    }

    // A refused run writes and opens nothing; a run with failures goes past
    // them, names them in list order however the workers finish, and still
    // opens the target.
    void messages()
    {
        QFETCH(QStringList, row);
        QVERIFY(makePicture(at("src/good.png"), 1) && makePicture(at("src/zblocked.png"), 2));
        for (int i = 0; i < 5; ++i)
            QVERIFY(writeFile(at(QStringLiteral("src/broken%1.jpg").arg(i)), QByteArray()));
        // A folder in the way: not even root writes a file over it.
        QVERIFY(QDir(box->path()).mkpath("out/zblocked.png") && QDir(box->path()).mkpath("links"));
        QVERIFY(QFile::link(at("src"), at("link-to-src")) &&
                QFile::link(at("src/good.png"), at("links/good.png")));
        QVERIFY(QDir(box->path()).mkpath("src/sub") && QDir(box->path()).mkpath("tree") &&
                makePicture(at("src/sub/deep.png"), 3) && QFile::link(at("src/sub"), at("tree/sub")));
        ui().find<QCheckBox>("cbSubfolders")->setChecked(row.value(3) == "tree");
        const QMap<QString, QByteArray> before = snapshot(box->path());

        run(row.at(0), row.at(1));
        QVERIFY2(QRegularExpression(row.at(2)).match(message).hasMatch(), qPrintable(message));
        QMap<QString, QByteArray> after = snapshot(box->path());
        const bool ran = message.contains("could not be converted");
        QCOMPARE(after.remove("out/good.png"), ran ? 1 : 0);
        QCOMPARE(after, before);
        QCOMPARE(fileManager.urls.size(), ran ? 1 : 0);
    }

    void stopsEarly_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::addColumn<QString>("workers"); // the worker program; "" for threads
        QTest::newRow("Cancel") << false << "";
        QTest::newRow("window closed") << true << "";
        QTest::newRow("Cancel, in workers") << false << GLASSMERE_REFLECT;
        QTest::newRow("window closed, in workers") << true << GLASSMERE_REFLECT;
    }

    // Stopped at the first step of the progress bar, a run of many pictures ends
    // early, and every output written is complete.
    void stopsEarly()
    {
        QFETCH(bool, closeWindow);
        QFETCH(QString, workers);
        qputenv("GLASSMERE_REFLECT", workers.toLocal8Bit()); // read when the window's first run starts
        QVERIFY(makePicture(at("src/IMG_000.jpg"), 3, QSize(400, 300)));
        for (int i = 1; i < 200; ++i)
            QVERIFY(QFile::copy(at("src/IMG_000.jpg"), at(QStringLiteral("src/IMG_%1.jpg").arg(i))));
        const QByteArray expected = expectedOutput(at("src/IMG_000.jpg"), "x.jpg", window->GatherSettings());
        QString startButton; // when stopped: whether another run could start
        connect(ui().progressBar, &QProgressBar::valueChanged, this, [&](int done) {
            if (done < 1 || !startButton.isEmpty())
                return;
            startButton = ui().btCovPics->isEnabled() ? "enabled" : "disabled";
            closeWindow ? void(window->close()) : ui().find<QAbstractButton>("btCancelBatch")->click();
        });

        const QString out = at("out%1"); // a % in the name must reach the message as it is
        QVERIFY(QDir().mkpath(out));
        run("src", "out%1");
        QCOMPARE(startButton, "disabled");
        const QStringList written = QDir(out).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(!written.isEmpty() && written.size() < 200, qPrintable(QString::number(written.size())));
        for (const QString &name : written)
            QVERIFY2(readAll(out + '/' + name) == expected, qPrintable(name)); // complete; no temporary file
        QVERIFY(fileManager.urls.isEmpty());
        const QString stopped =
            "Stopped: Converted %1 of 200 pictures into %2, then stopped; the other %3 were not converted.";
        QCOMPARE(message, closeWindow ? QString()
                                      : stopped.arg(QString::number(written.size()), out,
                                                    QString::number(200 - written.size())));
    }

    void treeInWorkers_data()
    {
        // How the worker meets the bad picture ("" for threads), and the pattern of its failure.
        QTest::addColumn<QStringList>("row");
        QTest::newRow("threads") << QStringList{"", "."};
        QTest::newRow("glassmere-reflect") << QStringList{"exec", "."};
        QTest::newRow("crashes") << QStringList{"kill -SEGV $$", "^the decoder crashed$"};
        QTest::newRow("hangs") << QStringList{"exec sleep 30", "^took longer than 1 s$"};
    }

    // The bad picture is the first the one worker is handed; one restarted
    // worker converts the rest of the tree, a link back up not followed, into
    // the bytes the threads write.
    void treeInWorkers()
    {
        QFETCH(QStringList, row);
        const QStringList good{"a.png", "sub/b.jpg", "sub/deep/c.png"};
        for (int i = 0; i < good.size(); ++i)
            QVERIFY(QDir().mkpath(QFileInfo(at("src/" + good[i])).path()) &&
                    makePicture(at("src/" + good[i]), i));
        QVERIFY(QFile::link(at("src"), at("src/sub/up")));
        QVERIFY(writeFile(at("src/zz-bad.bmp"), "BM")); // damaged
        // Misbehaves on the bad picture, else hands its session to the real worker.
        const QString stub = at("worker.sh");
        QVERIFY(writeFile(stub, QStringLiteral("#!/bin/bash\nread -r line\ncase $line in *bad*) %1 ;; esac\n"
                                               "{ printf '%s\\n' \"$line\"; exec cat; } | exec %2 \"$@\"\n")
                                    .arg(row[0], GLASSMERE_REFLECT)
                                    .toUtf8()));
        QVERIFY(QFile::setPermissions(stub, QFile::ReadOwner | QFile::ExeOwner));

        BatchJob job;
        job.setWorkerProgram(row[0].isEmpty() ? QString() : stub);
        job.setWorkers(1);
        job.setTimeout(1);
        QSignalSpy finished(&job, &BatchJob::finished);
        const ReflectionSettings settings = window->GatherSettings();
        QVERIFY(job.start(listBatchPicturesRecursive(at("src")), at("out"), settings));
        QVERIFY(finished.wait(60000));
        const auto summary = finished[0][0].value<BatchSummary>();
        QCOMPARE(summary.failures.size(), 1);
        QVERIFY(summary.failures[0].outcome.why.contains(QRegularExpression(row[1])));
        QCOMPARE(snapshot(at("out")).keys(), good);
        for (const QString &name : good)
            QCOMPARE(readAll(at("out/" + name)),
                     expectedOutput(at("src/" + name), "x." + QFileInfo(name).suffix(), settings));
    }

private:
    // Runs the batch of two sandbox folders ("" for none) as the start button
    // does, until it is over; `message` is its closing message, if any.
    void run(const QString &source, const QString &target)
    {
        ui().txtPicDir->setText(source.isEmpty() ? source : at(source));
        ui().txtResultDir->setText(target.isEmpty() ? target : at(target));
        MessageBoxCloser closer;
        ui().btCovPics->click();
        QTRY_VERIFY_WITH_TIMEOUT(ui().progressBar->isHidden(), 60000);
        QVERIFY(ui().btCovPics->isEnabled() && closer.messages.size() <= 1);
        message =
            closer.messages.isEmpty() ? QString() : closer.messages[0].title + ": " + closer.messages[0].text;
    }

    QString at(const QString &name) const { return box->filePath(name); }

    QTemporaryDir appDir;
    std::unique_ptr<QTemporaryDir> box;
    std::unique_ptr<Glassmere> window;
    UrlCatcher fileManager;
    QString message; // "title: text"
    FormWidgets ui() const { return FormWidgets(window.get()); }
};

QTEST_MAIN(tst_batch)
#include "tst_batch.moc"
#include "moc_uihelpers.cpp" // UrlCatcher
