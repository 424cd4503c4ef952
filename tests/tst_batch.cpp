// The "all-at-once" tab on real folders: which files it converts, under
// which names and in which order, how it reports folders it cannot use and
// pictures that fail, and that it never writes over a source picture.

#include "glassmere.h"

#include "batchfixture.h"
#include "uihelpers.h"

#include <QColorDialog>
#include <QtTest>

#include <memory>

using namespace BatchFixture;

class tst_batch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void namesAndPictures_data();
    void namesAndPictures();
    void convertsOnlyListedPictures_data();
    void convertsOnlyListedPictures();
    void directoryErrors_data();
    void directoryErrors();
    void failuresReportedAtTheEnd_data();
    void failuresReportedAtTheEnd();
    void refusesToWriteOverSources_data();
    void refusesToWriteOverSources();
    void choosersFillTheFolderTexts();

private:
    // Runs the batch as a click on the start button does; every message box
    // must belong to the window.
    void run(const QString &source, const QString &target);
    // The one message of a refused or failed run.
    void verifyOneFailure(const QString &part);
    QString src() const { return box->src(); }
    QString out() const { return box->out(); }

    QTemporaryDir appDir;
    std::unique_ptr<Sandbox> box;
    std::unique_ptr<Glassmere> window;
    std::unique_ptr<UrlCatcher> fileManager;
    QList<MessageBoxCloser::Message> messages;
    QString startDir;
    FormParts ui() const { return FormParts(window.get()); }
};

void tst_batch::initTestCase()
{
    QVERIFY(appDir.isValid());
    currentPath = appDir.path();
    QVERIFY(makeStandInStyle(currentPath));
    startDir = QDir::currentPath();
}

void tst_batch::init()
{
    box = std::make_unique<Sandbox>();
    fileManager = std::make_unique<UrlCatcher>();
    window = std::make_unique<Glassmere>();
    window->show();
    ui().tabWidget->setCurrentWidget(ui().tab_6);
    messages.clear();
}

void tst_batch::cleanup()
{
    QVERIFY(box->sourcesUnchanged());
    window.reset();
    QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); // no message box left behind
    fileManager.reset();
    box.reset();
    QDir::setCurrent(startDir);
}

void tst_batch::run(const QString &source, const QString &target)
{
    box->keepSources();
    ui().txtPicDir->setText(source);
    ui().txtResultDir->setText(target);
    MessageBoxCloser closer;
    ui().btCovPics->click();
    messages = closer.messages;
    for (const MessageBoxCloser::Message &m : std::as_const(messages))
        QCOMPARE(m.parent, window.get());
    QVERIFY(!ui().progressBar->isVisible());
}

void tst_batch::verifyOneFailure(const QString &part)
{
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().icon, QMessageBox::Warning);
    QCOMPARE(messages.first().title, QStringLiteral("Failure"));
    QVERIFY2(messages.first().text.contains(part), qPrintable(messages.first().text));
}

void tst_batch::namesAndPictures_data()
{
    QTest::addColumn<bool>("transparent");
    QTest::newRow("opaque: every source keeps its name") << false;
    QTest::newRow("transparent: base name plus .PNG") << true;
}

void tst_batch::namesAndPictures()
{
    QFETCH(bool, transparent);
    QVERIFY(box->makeNamingSources(transparent));
    ui().checkBoxLeft->setChecked(true);
    ui().refSize->setValue(50);
    ui().refDepth->setValue(20);
    ui().refInterval->setValue(10);
    WhenShown<QColorDialog> colour([](QColorDialog *d) {
        d->setCurrentColor(QColor(10, 200, 30));
        d->accept();
    });
    ui().btColorPicker->click();
    QVERIFY(colour.done());
    ui().cbTransparent->setChecked(transparent);

    run(src(), out());

    QVERIFY2(messages.isEmpty(), messages.isEmpty() ? "" : qPrintable(messages.first().text));
    QCOMPARE(fileManager->urls, QList<QUrl>{QUrl::fromLocalFile(out())});
    const Outputs outputs = Sandbox::namingOutputs(transparent);
    QCOMPARE(entries(out()), QStringList(outputs.keys())); // nothing else, no leftover temporary file
    const QString difference = outputsDifference(out(), src(), outputs, panelSettings(transparent));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The camera's orientation is applied: the portrait photo is 20 wide.
    QCOMPARE(QImage(out() + outputs.key(QStringLiteral("upright.jpeg"))).size(), QSize(20 + 10 + 2, 40));
    QCOMPARE(ui().progressBar->maximum(), entries(src()).size());
    QCOMPARE(ui().progressBar->value(), ui().progressBar->maximum());
}

void tst_batch::convertsOnlyListedPictures_data()
{
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("empty folder") << true << QStringList();
    QTest::newRow("hidden files, subfolders and .jpe left alone")
        << false << QStringList{"holiday.jpg", "scan.tif"};
}

void tst_batch::convertsOnlyListedPictures()
{
    QFETCH(bool, empty);
    QFETCH(QStringList, written);
    if (!empty) {
        QVERIFY(box->makeListingSources());
        QVERIFY(makePicture(src() + QStringLiteral("still.jpe"), 5));
    }
    run(src(), out());
    QVERIFY(messages.isEmpty());
    QCOMPARE(entries(out()), written);
    QCOMPARE(fileManager->urls, QList<QUrl>{QUrl::fromLocalFile(out())});
    QCOMPARE(ui().progressBar->maximum(), written.size());
}

void tst_batch::directoryErrors_data()
{
    QTest::addColumn<QString>("source"); // @: the sandbox
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("removeBeforeRun");

    QTest::newRow("nothing chosen") << QString() << QString() << QString();
    QTest::newRow("no source") << QString() << QStringLiteral("@out") << QString();
    QTest::newRow("no target") << QStringLiteral("@src") << QString() << QString();
    QTest::newRow("missing source") << QStringLiteral("@missing/") << QStringLiteral("@out") << QString();
    QTest::newRow("missing target") << QStringLiteral("@src") << QStringLiteral("@missing/") << QString();
    QTest::newRow("source is a file")
        << QStringLiteral("@src/holiday.jpg") << QStringLiteral("@out") << QString();
    QTest::newRow("target deleted after it was chosen")
        << QStringLiteral("@src") << QStringLiteral("@out") << QStringLiteral("out");
}

void tst_batch::directoryErrors()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, removeBeforeRun);

    QVERIFY(makePicture(src() + QStringLiteral("holiday.jpg"), 1));
    if (!removeBeforeRun.isEmpty())
        QVERIFY(QDir(box->path(removeBeforeRun)).removeRecursively());
    const QStringList before = entries(box->path());

    run(source.replace(QLatin1Char('@'), box->path() + QLatin1Char('/')),
        target.replace(QLatin1Char('@'), box->path() + QLatin1Char('/')));

    verifyOneFailure(QString());
    QCOMPARE(messages.first().text, QStringLiteral("Selected directory error."));
    QCOMPARE(entries(box->path()), before);
    if (QFileInfo(out()).isDir())
        QCOMPARE(entries(out()), QStringList());
    QVERIFY(fileManager->urls.isEmpty());
}

void tst_batch::failuresReportedAtTheEnd_data()
{
    QTest::addColumn<int>("unreadable");
    QTest::addColumn<QString>("expectedCount");
    QTest::addColumn<QString>("expectedMore");

    // Besides the unreadable files, two fail: blocked.png and tiny.gif.
    QTest::newRow("each named") << 1 << QStringLiteral("3 of 5 pictures") << QString();
    QTest::newRow("the first five named")
        << 5 << QStringLiteral("7 of 9 pictures") << QStringLiteral("and 2 more");
}

// Pictures that fail are skipped, the run goes on, and the closing message
// counts and names them; the target still opens.
void tst_batch::failuresReportedAtTheEnd()
{
    QFETCH(int, unreadable);
    QFETCH(QString, expectedCount);
    QFETCH(QString, expectedMore);

    QVERIFY(box->makeFailingSources(unreadable));
    ui().checkBoxTop->setChecked(true);

    run(src(), out());

    verifyOneFailure(QString());
    const QString text = messages.first().text;
    QVERIFY2(text.startsWith(expectedCount), qPrintable(text));
    // Named in the order of the run, descending, each with what went wrong.
    QStringList failed{QStringLiteral("tiny.gif: tiny.gif cannot be written")};
    for (int i = unreadable - 1; i >= 0; --i)
        failed.append(QStringLiteral("broken%1.jpg: cannot be read").arg(i));
    failed.append(QStringLiteral("blocked.png: blocked.png cannot be written"));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
    const int named = std::min(int(failed.size()), 5);
    QCOMPARE(lines.size(), named + (expectedMore.isEmpty() ? 0 : 1));
    for (int i = 0; i < named; ++i)
        QVERIFY2(QString(lines.at(i)).remove(out()).startsWith(failed.at(i)), qPrintable(text));
    if (!expectedMore.isEmpty())
        QCOMPARE(lines.last(), expectedMore + QLatin1Char('.'));

    QCOMPARE(entries(out()), (QStringList{"blocked.png", "good.png", "zebra.jpg"}));
    const QString difference =
        outputsDifference(out(), src(), {{"good.png", "good.png"}, {"zebra.jpg", "zebra.jpg"}},
                          TestUtils::settings(ReflectionSettings::Top, 38, 30, 0));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(fileManager->urls, QList<QUrl>{QUrl::fromLocalFile(out())});
}

void tst_batch::refusesToWriteOverSources_data()
{
    QTest::addColumn<QString>("target"); // in the sandbox
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QString>("reason");

    const QString same = QStringLiteral("target directory is the source directory");
    const QString replace = QStringLiteral("would replace the source picture");
    QTest::newRow("same folder") << "src/" << false << same;
    QTest::newRow("same folder, transparent") << "src/" << true << same;
    QTest::newRow("same folder through dots") << "out/../src" << false << same;
    QTest::newRow("same folder through a link") << "link-to-src/" << false << same;
    QTest::newRow("an output is a link to a source") << "links/" << false << replace;
    QTest::newRow("an output is a hard link to a source") << "hardlinks/" << true << replace;
}

void tst_batch::refusesToWriteOverSources()
{
    QFETCH(QString, target);
    QFETCH(bool, transparent);
    QFETCH(QString, reason);

    QVERIFY(box->makeLinksToSources());
    const QMap<QString, QByteArray> everything = snapshot(box->path());
    ui().cbTransparent->setChecked(transparent);

    run(src(), box->path(target));

    verifyOneFailure(reason);
    QCOMPARE(snapshot(box->path()), everything); // nothing written anywhere
    QVERIFY(fileManager->urls.isEmpty());
}

void tst_batch::choosersFillTheFolderTexts()
{
    // Answers the folder chooser with `choice`, or cancels when it is empty,
    // and tells the folder it opened on.
    const auto choose = [](QLineEdit *field, const QString &choice) {
        QString startFolder;
        WhenShown<QFileDialog> answer([&](QFileDialog *dialog) {
            startFolder = dialog->directory().absolutePath();
            if (choice.isEmpty())
                return dialog->reject();
            dialog->setDirectory(choice);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides its override
        });
        QTest::mouseClick(field, Qt::LeftButton);
        return answer.done() ? startFolder : QStringLiteral("(no chooser)");
    };
    const QString sourceDir = box->path(QStringLiteral("src"));
    QVERIFY(!choose(ui().txtPicDir, sourceDir).isEmpty());
    QCOMPARE(ui().txtPicDir->text(), src());
    QCOMPARE(QDir::currentPath(), sourceDir);

    QCOMPARE(choose(ui().txtResultDir, out()), sourceDir); // opens on the source, not the target
    QCOMPARE(ui().txtResultDir->text(), out());

    QCOMPARE(choose(ui().txtPicDir, QString()), sourceDir);
    QCOMPARE(ui().txtPicDir->text(), src()); // a cancelled chooser changes nothing
}

QTEST_MAIN(tst_batch)
#include "tst_batch.moc"
#include "moc_uihelpers.cpp" // UrlCatcher
