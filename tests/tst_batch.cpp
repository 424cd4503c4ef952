// The "all-at-once" tab on real folders: a run writes what the engine's
// rules say and leaves the editor's photo alone; what it refuses and how it
// names failures; Cancel; the folder choosers. The rules are tst_batchrules'.

#include "glassmere.h"

#include "batchrules.h"
#include "reflection.h"
#include "uihelpers.h"

#include <QDirIterator>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// One row of the tables below, told beside each.
struct Row
{
    const char *a, *b, *c;
};
Q_DECLARE_METATYPE(Row)

namespace {

// Every file under `root`, through links too, with its bytes.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        files.insert(file.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?"));
    }
    return files;
}

// A picture of its own pixels, with alpha where the format keeps it.
bool makePicture(const QString &path, int seed, QSize size = QSize(23, 17))
{
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgba(x * 7 + seed * 40, y * 5, (x ^ y) * 3, 90 + (x * y + seed) % 160));
    return image.save(path);
}

// What the engine writes for `source` under the name `output`, read back.
QImage engineOutput(const QString &source, const QString &output, const ReflectionSettings &settings)
{
    QTemporaryDir scratch;
    QImage photo, rendering;
    const bool ok = convertBatchPicture(source, scratch.filePath(output), settings, photo, rendering).ok();
    return ok ? QImage(scratch.filePath(output)) : QImage();
}

} // namespace

class tst_batch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void convertsAndLeavesTheEditorAlone();
    void messages_data();
    void messages();
    void stopsEarly_data();
    void stopsEarly();
    void choosers_data();
    void choosers();

private:
    // Runs the batch of two sandbox folders ("" for none) as the start button
    // does, until it is over; `message` is its closing message, if any.
    void run(const QString &source, const QString &target);
    QString at(const QString &name) const { return box->filePath(name); }

    QTemporaryDir appDir;
    std::unique_ptr<QTemporaryDir> box;
    std::unique_ptr<Glassmere> window;
    std::unique_ptr<UrlCatcher> fileManager;
    QString message; // "title: text"
    QString startDir;
    FormParts ui() const { return FormParts(window.get()); }
};

void tst_batch::initTestCase()
{
    currentPath = appDir.path();
    QVERIFY(makeStandInStyle(currentPath));
    startDir = QDir::currentPath();
}

void tst_batch::init()
{
    box = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(box->path()).mkpath("src") && QDir(box->path()).mkpath("out"));
    fileManager = std::make_unique<UrlCatcher>();
    window = std::make_unique<Glassmere>();
    window->show();
    ui().tabWidget->setCurrentWidget(ui().tab_6);
}

void tst_batch::cleanup()
{
    window.reset();
    QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); // no message box left behind
    fileManager.reset();
    QDir::setCurrent(startDir);
}

void tst_batch::run(const QString &source, const QString &target)
{
    ui().txtPicDir->setText(source.isEmpty() ? source : at(source));
    ui().txtResultDir->setText(target.isEmpty() ? target : at(target));
    MessageBoxCloser closer;
    ui().btCovPics->click();
    QTRY_VERIFY_WITH_TIMEOUT(ui().progressBar->isHidden(), 60000);
    QVERIFY(ui().btCovPics->isEnabled() && closer.messages.size() <= 1);
    message.clear();
    for (const MessageBoxCloser::Message &m : std::as_const(closer.messages)) {
        QCOMPARE(m.parent, window.get());
        message = m.title + QStringLiteral(": ") + m.text;
    }
}

// A photo is loaded and rendered, a folder of others converted: the outputs
// are the engine's, and Export still writes the loaded photo's rendering.
void tst_batch::convertsAndLeavesTheEditorAlone()
{
    const QString photo = at("photo.png");
    QVERIFY(makePicture(photo, 9, QSize(31, 29)));
    FileDialogAnswer open(photo);
    QTest::mouseClick(ui().txtPicSelect, Qt::LeftButton);
    QVERIFY(open.done());
    // a.png and a.jpg both become a.PNG; a.jpg, later in the list, must win
    // however the workers share the list, though a.png takes longer.
    const QStringList sources{"a.png", "a.jpg", "logo.ico"};
    for (int i = 0; i < sources.size(); ++i)
        QVERIFY(makePicture(at("src/" + sources.at(i)), i, i ? QSize(23, 17) : QSize(900, 700)));
    ui().checkBoxLeft->setChecked(true);
    ui().refSize->setValue(50);
    ui().cbTransparent->setChecked(true);
    const ReflectionSettings settings = window->GatherSettings();

    run("src", "out/");
    QCOMPARE(message, "Success: Converted 3 pictures into " + at("out/") + '.');
    QCOMPARE(fileManager->urls, QList<QUrl>{QUrl::fromLocalFile(at("out/"))});
    const QMap<QString, QString> outputs{{"a.PNG", "a.jpg"}, {"logo.ico", "logo.ico"}};
    QCOMPARE(QDir(at("out")).entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList(outputs.keys()));
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it)
        QVERIFY2(QImage(at("out/" + it.key())) == engineOutput(at("src/" + it.value()), it.key(), settings),
                 qPrintable(it.key()));

    QCOMPARE(ui().txtPicSelect->text(), photo);
    FileDialogAnswer save(at("exported.png"));
    MessageBoxCloser closer;
    ui().btSavePic->click();
    QTRY_COMPARE(closer.messages.size(), 1);
    QImage expected;
    ComposeReflection(QImage(photo).convertToFormat(QImage::Format_ARGB32), expected, settings);
    QCOMPARE(QImage(at("exported.png")).convertToFormat(QImage::Format_ARGB32), expected);
}

void tst_batch::messages_data()
{
    QTest::addColumn<Row>("row"); // source, target (in the sandbox), the message's pattern
    const char *folder = "^Failure: Selected directory error\\.$";
    QTest::newRow("nothing chosen") << Row{"", "", folder};
    QTest::newRow("source is a file") << Row{"src/good.png", "out", folder};
    QTest::newRow("same folder through a link")
        << Row{"src", "link-to-src", "^Failure: The target directory is the source directory\\."};
    QTest::newRow("an output is a link to a source")
        << Row{"src", "links",
               "^Failure: \".+/links/good\\.png\" would replace the source picture \".+/good\\.png\""};
    QTest::newRow("failures named in list order") << Row{
        "src", "out",
        "^Failure: 6 of 7 pictures could not be converted:\n\n"
        "zblocked\\.png: .+/out/zblocked\\.png cannot be written \\(.+\\)\n"
        "broken4\\.jpg: cannot be read \\(.+\\)\nbroken3\\.jpg: cannot be read \\(.+\\)\n"
        "broken2\\.jpg: cannot be read \\(.+\\)\nbroken1\\.jpg: cannot be read \\(.+\\)\nand 1 more\\.$"};
}

// A refused run writes and opens nothing; a run with failures goes past
// them, names them in list order however the workers finish, and still
// opens the target.
void tst_batch::messages()
{
    QFETCH(Row, row);
    QVERIFY(makePicture(at("src/good.png"), 1) && makePicture(at("src/zblocked.png"), 2));
    for (int i = 0; i < 5; ++i)
        QVERIFY(QFile(at(QStringLiteral("src/broken%1.jpg").arg(i))).open(QIODevice::WriteOnly));
    // A folder in the way: not even root writes a file over it.
    QVERIFY(QDir(box->path()).mkpath("out/zblocked.png") && QDir(box->path()).mkpath("links"));
    QVERIFY(QFile::link(at("src"), at("link-to-src")) &&
            QFile::link(at("src/good.png"), at("links/good.png")));
    const QMap<QString, QByteArray> before = snapshot(box->path());

    run(row.a, row.b);
    QVERIFY2(QRegularExpression(row.c).match(message).hasMatch(), qPrintable(message));
    QMap<QString, QByteArray> after = snapshot(box->path());
    const bool ran = message.contains("could not be converted");
    QCOMPARE(after.remove(at("out/good.png")), ran ? 1 : 0);
    QCOMPARE(after, before);
    QCOMPARE(fileManager->urls.size(), ran ? 1 : 0);
}

void tst_batch::stopsEarly_data()
{
    QTest::addColumn<bool>("closeWindow");
    QTest::newRow("Cancel") << false;
    QTest::newRow("window closed") << true;
}

// Stopped at the first step of the progress bar, a run of many pictures ends
// early; every source stays as it was and every output written is complete.
void tst_batch::stopsEarly()
{
    QFETCH(bool, closeWindow);
    constexpr int total = 200;
    QVERIFY(makePicture(at("src/IMG_000.jpg"), 3, QSize(400, 300)));
    for (int i = 1; i < total; ++i)
        QVERIFY(QFile::copy(at("src/IMG_000.jpg"),
                            at(QStringLiteral("src/IMG_%1.jpg").arg(i, 3, 10, QChar('0')))));
    const QMap<QString, QByteArray> sources = snapshot(at("src"));
    const QImage expected = engineOutput(at("src/IMG_000.jpg"), "x.jpg", window->GatherSettings());
    QString shown; // the current file, and whether the start button could start another run
    connect(ui().progressBar, &QProgressBar::valueChanged, this, [&](int done) {
        if (done < 1 || !shown.isEmpty())
            return;
        shown = ui().find<QLabel>("lblBatchFile")->text() + (ui().btCovPics->isEnabled() ? " startable" : "");
        if (closeWindow)
            window->close();
        else
            ui().find<QAbstractButton>("btCancelBatch")->click();
    });

    const QString out = at("out%1"); // a % in the name must reach the message as it is
    QVERIFY(QDir().mkpath(out));
    run("src", "out%1");
    QVERIFY2(QRegularExpression("^IMG_\\d{3}\\.jpg$").match(shown).hasMatch(), qPrintable(shown));
    const QStringList written = QDir(out).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(!written.isEmpty() && written.size() < total, qPrintable(QString::number(written.size())));
    for (const QString &name : written)
        QVERIFY2(QImage(out + '/' + name) == expected, qPrintable(name)); // complete; no temporary file
    QCOMPARE(snapshot(at("src")), sources);
    QVERIFY(fileManager->urls.isEmpty());
    const QString n = QString::number(written.size()), rest = QString::number(total - written.size());
    QCOMPARE(message, closeWindow ? QString()
                                  : "Stopped: Converted " + n + " of 200 pictures into " + out +
                                        ", then stopped; the other " + rest + " were not converted.");
}

void tst_batch::choosers_data()
{
    // Typed into the target's chooser (nullptr cancels), the text shown, and
    // the current directory after (empty: as before); @ is the sandbox.
    QTest::addColumn<Row>("row");
    QTest::newRow("relative") << Row{"src", "@src/", "@src"};
    QTest::newRow("trailing separator") << Row{"@out/", "@out/", "@out"};
    QTest::newRow("dots") << Row{"@out/../src/.", "@src/", "@src"};
    QTest::newRow("missing folder") << Row{"@missing", "@missing", ""};
    QTest::newRow("a file") << Row{"@src/good.png", "@src/good.png", ""};
    QTest::newRow("cancelled") << Row{nullptr, "before", ""};
}

// FormatDir's rules through the chooser: a folder is shown absolute with a
// trailing separator and made current; what cannot be entered is shown as
// chosen.
void tst_batch::choosers()
{
    QFETCH(Row, row);
    const QString sandbox = box->path() + QLatin1Char('/');
    const auto inBox = [&](const char *name) { return QString::fromLatin1(name).replace('@', sandbox); };
    QVERIFY(makePicture(at("src/good.png"), 1));
    ui().txtPicDir->setText(at("out/"));
    ui().txtResultDir->setText(QStringLiteral("before"));
    QString startFolder;
    WhenShown<QFileDialog> answer([&](QFileDialog *dialog) {
        startFolder = dialog->directory().absolutePath();
        if (!row.a)
            return dialog->reject();
        dialog->setDirectory(box->path());
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(inBox(row.a));
        dialog->QDialog::accept(); // past QFileDialog's check that it exists
    });
    QTest::mouseClick(ui().txtResultDir, Qt::LeftButton);
    QVERIFY(answer.done());
    QCOMPARE(startFolder, at("out")); // on the source folder
    QCOMPARE(ui().txtResultDir->text(), inBox(row.b));
    QCOMPARE(QDir::currentPath(), *row.c ? inBox(row.c) : startDir);
}

QTEST_MAIN(tst_batch)
#include "tst_batch.moc"
#include "moc_uihelpers.cpp" // UrlCatcher
