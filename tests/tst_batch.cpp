// The "all-at-once" tab on real folders: which files it converts, under
// which names and in which order, what it writes, how it reports folders
// it cannot use and pictures that fail, and that it never writes over a
// source picture.

#include "glassmere.h"

#include "batchfixture.h"

#include <QtTest>

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include <memory>

#include <unistd.h>

using namespace BatchFixture;

// Output name -> the source whose rendering it must hold.
using Outputs = QMap<QString, QString>;

namespace {

struct Message
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QWidget *parent;
};

// Records and closes every modal message box that opens while it lives,
// the way Qt's own message box tests close theirs: from a timer, while the
// box runs its own event loop.
class MessageBoxCloser : public QObject
{
public:
    MessageBoxCloser()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            messages.append({box->icon(), box->windowTitle(), box->text(), box->parentWidget()});
            box->done(QMessageBox::Ok);
        });
        timer.start(10);
    }
    QList<Message> messages;

private:
    QTimer timer;
};

// Answers the folder chooser: records its caption and start folder, then
// accepts `choice`, or cancels when it is empty.
class FolderChooserAnswer : public QObject
{
public:
    explicit FolderChooserAnswer(const QString &choice)
    {
        connect(&timer, &QTimer::timeout, this, [this, choice] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer.stop();
            caption = dialog->windowTitle();
            startFolder = dialog->directory().absolutePath();
            options = dialog->options();
            if (choice.isEmpty()) {
                dialog->reject();
            } else {
                dialog->setDirectory(choice);
                static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides its override
            }
        });
        timer.start(10);
    }
    QString caption;
    QString startFolder;
    QFileDialog::Options options;

private:
    QTimer timer;
};

} // namespace

// Stands in for the file manager.
class UrlCatcher : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl &url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

class tst_batch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void namesAndPictures_data();
    void namesAndPictures();
    void listsInDescendingNameOrder();
    void convertsOnlyListedPictures();
    void emptySourceFolder();
    void directoryErrors_data();
    void directoryErrors();
    void failuresReportedAtTheEnd_data();
    void failuresReportedAtTheEnd();
    void refusesToWriteOverSources_data();
    void refusesToWriteOverSources();
    void formatDir_data();
    void formatDir();
    void choosersFillTheFolderTexts();

private:
    // Runs the batch from src into out as a click on the start button does.
    void run(const QString &source, const QString &target);
    QString src() const { return sandbox->filePath(QStringLiteral("src")) + QLatin1Char('/'); }
    QString out() const { return sandbox->filePath(QStringLiteral("out")) + QLatin1Char('/'); }
    ReflectionSettings panelSettings(bool transparent) const;
    void setPanel(bool transparent);

    QTemporaryDir appDir;
    std::unique_ptr<QTemporaryDir> sandbox;
    std::unique_ptr<Glassmere> window;
    UrlCatcher fileManager;
    QList<Message> messages;
    QMap<QString, QByteArray> sourcesBefore;
    QString startDir;
};

void tst_batch::initTestCase()
{
    QVERIFY(appDir.isValid());
    currentPath = appDir.path();
    // Every frame image the skin names, as a 1 x 1 stand-in, so the window
    // builds as it does installed.
    QFile skin(QStringLiteral(":/Glassmere/Resources/skin.txt"));
    QVERIFY(skin.open(QIODevice::ReadOnly));
    QVERIFY(QDir(currentPath).mkpath(QStringLiteral("style")));
    QImage standIn(1, 1, QImage::Format_ARGB32);
    standIn.fill(Qt::gray);
    const QRegularExpression image(QStringLiteral("%currentPath%/style/([^)\\s\"']+)"));
    for (auto it = image.globalMatch(QString::fromLatin1(skin.readAll())); it.hasNext();)
        QVERIFY(standIn.save(currentPath + QStringLiteral("/style/") + it.next().captured(1), "PNG"));
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &fileManager, "open");
    startDir = QDir::currentPath();
}

void tst_batch::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void tst_batch::init()
{
    sandbox = std::make_unique<QTemporaryDir>();
    QVERIFY(sandbox->isValid());
    QVERIFY(QDir(sandbox->path()).mkpath(QStringLiteral("src")));
    QVERIFY(QDir(sandbox->path()).mkpath(QStringLiteral("out")));
    window = std::make_unique<Glassmere>();
    window->show();
    window->ui.tabWidget->setCurrentWidget(window->ui.tab_6);
    fileManager.urls.clear();
    messages.clear();
    sourcesBefore.clear();
}

void tst_batch::cleanup()
{
    // Every source picture, byte for byte, whatever the run did.
    if (!sourcesBefore.isEmpty())
        QCOMPARE(snapshot(src()), sourcesBefore);
    window.reset();
    QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); // no message box left behind
    sandbox.reset();
    QDir::setCurrent(startDir);
}

void tst_batch::run(const QString &source, const QString &target)
{
    if (sourcesBefore.isEmpty())
        sourcesBefore = snapshot(src());
    window->ui.txtPicDir->setText(source);
    window->ui.txtResultDir->setText(target);
    MessageBoxCloser closer;
    window->ui.btCovPics->click();
    messages = closer.messages;
    for (const Message &m : std::as_const(messages))
        QCOMPARE(m.parent, window.get());
    QVERIFY(!window->ui.progressBar->isVisible());
}

void tst_batch::setPanel(bool transparent)
{
    window->ui.checkBoxLeft->setChecked(true);
    window->ui.refSize->setValue(50);
    window->ui.refDepth->setValue(20);
    window->ui.refInterval->setValue(10);
    window->bgcolor = _RGB{10, 200, 30};
    window->ui.cbTransparent->setChecked(transparent);
}

ReflectionSettings tst_batch::panelSettings(bool transparent) const
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

void tst_batch::namesAndPictures_data()
{
    QTest::addColumn<bool>("transparent");
    // output name -> the source whose rendering it must hold
    QTest::addColumn<Outputs>("outputs");

    QTest::newRow("opaque: every source keeps its name") << false
                                                         << Outputs{{"holiday.jpg", "holiday.jpg"},
                                                                    {"logo.ico", "logo.ico"},
                                                                    {"archive.old.jpg", "archive.old.jpg"},
                                                                    {"a.jpg", "a.jpg"},
                                                                    {"a.png", "a.png"},
                                                                    {"grey.png", "grey.png"},
                                                                    {"SHOUT.PNG", "SHOUT.PNG"},
                                                                    {"scan.tiff", "scan.tiff"},
                                                                    {"upright.jpeg", "upright.jpeg"}};
    // a.png is converted before a.jpg (descending names), so a.jpg's
    // rendering is the one left in a.PNG.
    QTest::newRow("transparent: base name plus .PNG") << true
                                                      << Outputs{{"holiday.PNG", "holiday.jpg"},
                                                                 {"logo.ico", "logo.ico"},
                                                                 {"archive.PNG", "archive.old.jpg"},
                                                                 {"a.PNG", "a.jpg"},
                                                                 {"grey.PNG", "grey.png"},
                                                                 {"SHOUT.PNG", "SHOUT.PNG"},
                                                                 {"scan.tiff", "scan.tiff"},
                                                                 {"upright.PNG", "upright.jpeg"},
                                                                 {"tiny.PNG", "tiny.gif"}};
}

void tst_batch::namesAndPictures()
{
    QFETCH(bool, transparent);
    QFETCH(Outputs, outputs);

    quint32 seed = 1;
    for (const char *name : {"holiday.jpg", "logo.ico", "archive.old.jpg", "a.jpg", "a.png", "SHOUT.PNG"})
        QVERIFY(makePicture(src() + QLatin1String(name), seed++));
    QVERIFY(makePicture(src() + QStringLiteral("grey.png"), seed++, QImage::Format_Grayscale8));
    QVERIFY(makePicture(src() + QStringLiteral("scan.tiff"), seed++));
    QVERIFY(writeFile(src() + QStringLiteral("upright.jpeg"), uprightJpeg()));
    // Qt has no GIF writer: only in transparent mode can it be converted.
    if (transparent)
        QVERIFY(writeFile(src() + QStringLiteral("tiny.gif"), tinyGif()));
    setPanel(transparent);

    run(src(), out());

    QVERIFY2(messages.isEmpty(), messages.isEmpty() ? "" : qPrintable(messages.first().text));
    QCOMPARE(fileManager.urls, QList<QUrl>{QUrl::fromLocalFile(out())});
    QCOMPARE(entries(out()), QStringList(outputs.keys())); // nothing else, no leftover temporary file
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it) {
        const QString difference = outputDifference(
            out() + it.key(), expectedOutput(src() + it.value(), it.key(), panelSettings(transparent)));
        QVERIFY2(difference.isEmpty(), qPrintable(it.key() + QLatin1String(": ") + difference));
    }
    // The camera's orientation is applied: the portrait photo is 20 wide
    // and gets its reflection on the left.
    const QString upright = outputs.key(QStringLiteral("upright.jpeg"));
    QCOMPARE(QImage(out() + upright).size(), QSize(20 + 10 + 2, 40));
    QCOMPARE(window->ui.progressBar->maximum(), outputs.size() + (transparent ? 1 : 0));
    QCOMPARE(window->ui.progressBar->value(), window->ui.progressBar->maximum());
}

// By character code, descending: lower case before upper case.
void tst_batch::listsInDescendingNameOrder()
{
    const QStringList names{"a.png", "B.jpeg", "C.jpg", "b.PNG", "c.GIF"};
    for (const QString &name : names)
        QVERIFY(writeFile(src() + name, "any bytes"));
    const QStringList expected{src() + "c.GIF", src() + "b.PNG", src() + "a.png", src() + "C.jpg",
                               src() + "B.jpeg"};
    QCOMPARE(window->ListPicFiles(src()), expected);
    // A path without the trailing separator lists the same.
    QCOMPARE(window->ListPicFiles(sandbox->filePath(QStringLiteral("src"))), expected);
}

void tst_batch::convertsOnlyListedPictures()
{
    QVERIFY(makePicture(src() + QStringLiteral("kept.png"), 1));
    QVERIFY(makePicture(src() + QStringLiteral(".hidden.png"), 2));
    QVERIFY(makePicture(src() + QStringLiteral("scan.tif"), 3));
    QVERIFY(makePicture(src() + QStringLiteral("still.jpe"), 4, QImage::Format_RGB32));
    QVERIFY(writeFile(src() + QStringLiteral("notes.txt"), "not a picture"));
    QVERIFY(QDir(src()).mkpath(QStringLiteral("album.jpg"))); // a folder with a picture's name
    QVERIFY(makePicture(src() + QStringLiteral("album.jpg/inner.png"), 5));

    run(src(), out());

    QVERIFY(messages.isEmpty());
    QCOMPARE(entries(out()), QStringList{QStringLiteral("kept.png")});
}

void tst_batch::emptySourceFolder()
{
    run(src(), out());
    QVERIFY(messages.isEmpty());
    QCOMPARE(entries(out()), QStringList());
    QCOMPARE(fileManager.urls, QList<QUrl>{QUrl::fromLocalFile(out())});
    QCOMPARE(window->ui.progressBar->maximum(), 0);
}

void tst_batch::directoryErrors_data()
{
    QTest::addColumn<QString>("source"); // @src, @out: the sandbox's folders
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("removeBeforeRun");

    QTest::newRow("nothing chosen") << ""
                                    << ""
                                    << "";
    QTest::newRow("no source") << ""
                               << "@out"
                               << "";
    QTest::newRow("no target") << "@src"
                               << ""
                               << "";
    QTest::newRow("missing source") << "@missing/"
                                    << "@out"
                                    << "";
    QTest::newRow("missing target") << "@src"
                                    << "@missing/"
                                    << "";
    QTest::newRow("source is a file") << "@src/holiday.jpg"
                                      << "@out"
                                      << "";
    QTest::newRow("target deleted after it was chosen") << "@src"
                                                        << "@out"
                                                        << "out";
}

void tst_batch::directoryErrors()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, removeBeforeRun);

    QVERIFY(makePicture(src() + QStringLiteral("holiday.jpg"), 1));
    const auto resolve = [this](QString path) {
        return path.replace(QLatin1String("@src"), sandbox->filePath(QStringLiteral("src")))
            .replace(QLatin1String("@out"), sandbox->filePath(QStringLiteral("out")))
            .replace(QLatin1String("@missing"), sandbox->filePath(QStringLiteral("missing")));
    };
    if (!removeBeforeRun.isEmpty())
        QVERIFY(QDir(sandbox->filePath(removeBeforeRun)).removeRecursively());
    const QStringList before = entries(sandbox->path());

    run(resolve(source), resolve(target));

    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().icon, QMessageBox::Warning);
    QCOMPARE(messages.first().title, QStringLiteral("Failure"));
    QCOMPARE(messages.first().text, QStringLiteral("Selected directory error."));
    QCOMPARE(entries(sandbox->path()), before);
    if (QFileInfo(out()).isDir())
        QCOMPARE(entries(out()), QStringList());
    QVERIFY(fileManager.urls.isEmpty());
}

void tst_batch::failuresReportedAtTheEnd_data()
{
    QTest::addColumn<int>("unreadable");
    QTest::addColumn<QString>("expectedCount");
    QTest::addColumn<QString>("expectedMore");

    // Besides the unreadable files, two fail: blocked.png and tiny.gif.
    QTest::newRow("each named") << 1 << "3 of 5 pictures"
                                << "";
    QTest::newRow("the first five named") << 5 << "7 of 9 pictures"
                                          << "and 2 more";
}

// Pictures that fail are skipped, the run goes on, and the closing message
// counts and names them; the target still opens.
void tst_batch::failuresReportedAtTheEnd()
{
    QFETCH(int, unreadable);
    QFETCH(QString, expectedCount);
    QFETCH(QString, expectedMore);

    QVERIFY(makePicture(src() + QStringLiteral("good.png"), 1));
    QVERIFY(makePicture(src() + QStringLiteral("zebra.jpg"), 2));
    for (int i = 0; i < unreadable; ++i)
        QVERIFY(writeFile(src() + QStringLiteral("broken%1.jpg").arg(i), "not a picture"));
    // Taken by a folder, the output cannot be written, even by root.
    QVERIFY(makePicture(src() + QStringLiteral("blocked.png"), 3));
    QVERIFY(QDir(out()).mkpath(QStringLiteral("blocked.png")));
    // Qt has no GIF writer: with transparent mode off it cannot be written.
    QVERIFY(writeFile(src() + QStringLiteral("tiny.gif"), tinyGif()));
    window->ui.checkBoxTop->setChecked(true);

    run(src(), out());

    QCOMPARE(messages.size(), 1);
    const Message &m = messages.first();
    QCOMPARE(m.icon, QMessageBox::Warning);
    QCOMPARE(m.title, QStringLiteral("Failure"));
    QVERIFY2(m.text.startsWith(expectedCount), qPrintable(m.text));
    // Named in the order of the run, descending, each with what went wrong.
    QStringList failed{QStringLiteral("tiny.gif: tiny.gif cannot be written")};
    for (int i = unreadable - 1; i >= 0; --i)
        failed.append(QStringLiteral("broken%1.jpg: cannot be read").arg(i));
    failed.append(QStringLiteral("blocked.png: blocked.png cannot be written"));
    const QStringList lines = m.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
    const int named = std::min(int(failed.size()), 5);
    QCOMPARE(lines.size(), named + (expectedMore.isEmpty() ? 0 : 1));
    for (int i = 0; i < named; ++i) {
        const QString line = QString(lines.at(i)).replace(out(), QString()); // the output's folder
        QVERIFY2(line.startsWith(failed.at(i)), qPrintable(m.text));
    }
    if (!expectedMore.isEmpty())
        QCOMPARE(lines.last(), expectedMore + QLatin1Char('.'));

    ReflectionSettings s;
    s.direction = ReflectionSettings::Top;
    QCOMPARE(entries(out()), (QStringList{"blocked.png", "good.png", "zebra.jpg"}));
    QVERIFY(QFileInfo(out() + QStringLiteral("blocked.png")).isDir());
    QCOMPARE(readAll(out() + QStringLiteral("good.png")), expectedOutput(src() + "good.png", "good.png", s));
    QCOMPARE(readAll(out() + QStringLiteral("zebra.jpg")),
             expectedOutput(src() + "zebra.jpg", "zebra.jpg", s));
    QCOMPARE(fileManager.urls, QList<QUrl>{QUrl::fromLocalFile(out())});
}

void tst_batch::refusesToWriteOverSources_data()
{
    QTest::addColumn<QString>("target"); // relative to the sandbox
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QString>("reason"); // part of the message

    QTest::newRow("same folder") << "src/" << false << "target directory is the source directory";
    QTest::newRow("same folder, transparent") << "src/" << true << "target directory is the source directory";
    QTest::newRow("same folder through dots") << "out/../src" << false << "target directory is the source";
    QTest::newRow("same folder through a link")
        << "link-to-src/" << false << "target directory is the source";
    QTest::newRow("an output is a link to a source")
        << "links/" << false << "would replace the source picture";
    QTest::newRow("an output is a hard link to a source")
        << "hardlinks/" << true << "would replace the source picture";
}

void tst_batch::refusesToWriteOverSources()
{
    QFETCH(QString, target);
    QFETCH(bool, transparent);
    QFETCH(QString, reason);

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
    window->ui.cbTransparent->setChecked(transparent);

    run(src(), box.filePath(target));

    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().icon, QMessageBox::Warning);
    QCOMPARE(messages.first().title, QStringLiteral("Failure"));
    QVERIFY2(messages.first().text.contains(reason), qPrintable(messages.first().text));
    QCOMPARE(snapshot(sandbox->path()), everything); // nothing written anywhere
    QVERIFY(fileManager.urls.isEmpty());
}

void tst_batch::formatDir_data()
{
    QTest::addColumn<QString>("dir");      // relative to the sandbox, the current directory
    QTest::addColumn<QString>("expected"); // relative to the sandbox; empty: dir unchanged
    QTest::addColumn<QString>("current");  // the current directory afterwards

    QTest::newRow("relative") << "src"
                              << "src/"
                              << "src";
    QTest::newRow("trailing separator kept single") << "src/"
                                                    << "src/"
                                                    << "src";
    QTest::newRow("dots removed") << "out/./../src/../out"
                                  << "out/"
                                  << "out";
    QTest::newRow("doubled separators") << "src//"
                                        << "src/"
                                        << "src";
    QTest::newRow("missing folder: unchanged") << "missing/x"
                                               << ""
                                               << ".";
    QTest::newRow("a file: unchanged") << "notes.txt"
                                       << ""
                                       << ".";
}

// The path a chooser hands back becomes absolute, clean, ends with a
// separator and is made the current directory; one that cannot be entered
// is kept as it came.
void tst_batch::formatDir()
{
    QFETCH(QString, dir);
    QFETCH(QString, expected);
    QFETCH(QString, current);

    QVERIFY(writeFile(sandbox->filePath(QStringLiteral("notes.txt")), "text"));
    QVERIFY(QDir::setCurrent(sandbox->path()));
    const QString root = QDir::currentPath() + QLatin1Char('/');

    QString argument = dir;
    const QString result = window->FormatDir(argument);
    QCOMPARE(argument, dir);
    QCOMPARE(result, expected.isEmpty() ? dir : root + expected);
    QCOMPARE(QDir::currentPath(), QDir::cleanPath(root + current));

    QString slash = QStringLiteral("/");
    QCOMPARE(window->FormatDir(slash), QStringLiteral("/"));
}

void tst_batch::choosersFillTheFolderTexts()
{
    const QString sourceDir = sandbox->filePath(QStringLiteral("src"));
    {
        FolderChooserAnswer answer(sourceDir);
        QTest::mouseClick(window->ui.txtPicDir, Qt::LeftButton);
        QCOMPARE(answer.caption, QStringLiteral("Select a photo where the folder"));
        QVERIFY(answer.options.testFlag(QFileDialog::ShowDirsOnly));
        QVERIFY(answer.options.testFlag(QFileDialog::DontResolveSymlinks));
    }
    QCOMPARE(window->ui.txtPicDir->text(), src());
    QCOMPARE(QDir::currentPath(), sourceDir);

    {
        FolderChooserAnswer answer(out());
        QTest::mouseClick(window->ui.txtResultDir, Qt::LeftButton);
        QCOMPARE(answer.caption, QStringLiteral("Select a folder to save processing results."));
        QCOMPARE(answer.startFolder, sourceDir); // the source folder, not the target
    }
    QCOMPARE(window->ui.txtResultDir->text(), out());

    {
        FolderChooserAnswer cancel{QString()};
        QTest::mouseClick(window->ui.txtPicDir, Qt::LeftButton);
        QCOMPARE(cancel.startFolder, sourceDir);
    }
    QCOMPARE(window->ui.txtPicDir->text(), src()); // a cancelled chooser changes nothing
}

QTEST_MAIN(tst_batch)
#include "tst_batch.moc"
