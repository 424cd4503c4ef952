// The main window's context menu, keyboard shortcuts, web links and About
// box. Addresses are caught on their way to the desktop; modal dialogs are
// driven from inside their own event loops.

#include "glassmere.h"
#include "helpmanual.h"
#include "productinfo.h"
#include "uihelpers.h"
#include "widgets/about.h"

#include <QtTest>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

namespace {

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// What a key press or a menu entry led to.
enum Outcome
{
    Nothing,
    Help,
    HomePage,
    AboutBox,
    OpenDialog,
    ExportDialog
};

} // namespace

Q_DECLARE_METATYPE(Outcome)

class tst_Menu : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void helpManualUrl_data();
    void helpManualUrl();
    void menuOpensAtRequest_data();
    void menuOpensAtRequest();
    void helpButtonPostsTheRequest();
    void menuEntries_data();
    void menuEntries();
    void webEntriesOpenTheSamePage();
    void shortcuts_data();
    void shortcuts();
    void logoOpensModalAbout();

private:
    template <typename T = QWidget>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    void verifyHelpOpened() const;

    std::unique_ptr<Glassmere> window;
    std::unique_ptr<UrlCatcher> desktop;
};

void tst_Menu::init()
{
    desktop = std::make_unique<UrlCatcher>();
    window = std::make_unique<Glassmere>();
    window->move(0, 0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void tst_Menu::cleanup()
{
    window.reset();
    desktop.reset();
    // Menus and dialogs are made for one use: none may outlive its request.
    QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
}

// The manual that F1 opens: found where it lies, and named by a URL that
// survives odd folder names.
void tst_Menu::helpManualUrl_data()
{
    QTest::addColumn<QString>("helpPage");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("built");
    QTest::addColumn<QString>("expected"); // "installed", "built", "none" or an address

    QTest::newRow("installed") << QString() << true << false << QStringLiteral("installed");
    QTest::newRow("in the build") << QString() << false << true << QStringLiteral("built");
    QTest::newRow("installed before the build copy")
        << QString() << true << true << QStringLiteral("installed");
    QTest::newRow("nowhere") << QString() << false << false << QStringLiteral("none");
    QTest::newRow("online page wins") << QStringLiteral("https://glassmere.example/help/manual.html") << true
                                      << true << QStringLiteral("https://glassmere.example/help/manual.html");
}

void tst_Menu::helpManualUrl()
{
    QFETCH(QString, helpPage);
    QFETCH(bool, installed);
    QFETCH(bool, built);
    QFETCH(QString, expected);

    // '#' and '?' would cut a URL made from the path as text.
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/glassmere #1 (help?)-XXXXXX"));
    QVERIFY(root.isValid());
    const QString programDir = root.path() + QStringLiteral("/prefix/bin");
    QVERIFY(QDir().mkpath(programDir));

    auto place = [&](const char *relative) {
        const QString path = QDir::cleanPath(programDir + QLatin1Char('/') + utf8(relative));
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("<html></html>") > 0 ? path : QString();
    };
    QString installedPath, builtPath;
    if (installed)
        QVERIFY(!(installedPath = place(ProductInfo::installedManual)).isEmpty());
    if (built)
        QVERIFY(!(builtPath = place(ProductInfo::builtManual)).isEmpty());
    // The installed manual lies outside the program's folder.
    if (installed)
        QVERIFY(!installedPath.startsWith(programDir + QLatin1Char('/')));

    const QUrl url = ::helpManualUrl(helpPage, programDir);
    if (expected == QLatin1String("none")) {
        QVERIFY(url.isEmpty());
    } else if (expected == QLatin1String("installed") || expected == QLatin1String("built")) {
        QVERIFY(url.isLocalFile());
        QCOMPARE(url.toLocalFile(), expected == QLatin1String("installed") ? installedPath : builtPath);
        QVERIFY(url.fragment().isEmpty() && url.query().isEmpty());
    } else {
        QCOMPARE(url, QUrl(expected));
    }
}

void tst_Menu::menuOpensAtRequest_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QPoint>("at");

    // Places whose widgets have no menu of their own.
    QTest::newRow("title band") << QStringLiteral("frame_Title") << QPoint(250, 60);
    QTest::newRow("left border") << QStringLiteral("label_Left") << QPoint(5, 100);
    QTest::newRow("settings frame") << QStringLiteral("frame_2") << QPoint(5, 5);
}

// A right click opens the menu with its corner at the pointer, nothing
// highlighted, and the six entries in order.
void tst_Menu::menuOpensAtRequest()
{
    QFETCH(QString, where);
    QFETCH(QPoint, at);

    QWidget *target = window->findChild<QWidget *>(where);
    QVERIFY(target);
    const QPoint global = target->mapToGlobal(at);

    // Read while the menu is up: its separators go with it.
    QStringList entries, texts;
    QPoint menuAt;
    QAction *highlighted = nullptr;
    WhenShown<QMenu> look([&](QMenu *menu) {
        const QList<QAction *> actions = menu->actions();
        for (const QAction *action : actions) {
            entries << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
            texts << action->text();
        }
        menuAt = menu->pos();
        highlighted = menu->activeAction();
        menu->close();
    });
    // Through the window, as the window system delivers it: that is where a
    // right press becomes a context-menu request.
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, window->mapFromGlobal(global));
    QTRY_VERIFY(look.done());

    QCOMPARE(menuAt, global);
    QCOMPARE(highlighted, nullptr);
    QCOMPARE(entries,
             QStringList({QStringLiteral("actionMenuHelper"), QStringLiteral("-"),
                          QStringLiteral("actionCheck_for_New_Version"), QStringLiteral("-"),
                          QStringLiteral("actionVisit_Our_Web_Site"), QStringLiteral("actionAbout_Us")}));
    QCOMPARE(texts,
             QStringList({QStringLiteral("Help Manual"), QString(), QStringLiteral("&Check for New Version"),
                          QString(), QStringLiteral("&Visit Our Web Site"), QStringLiteral("&About")}));
    QCOMPARE(child<QAction>("actionMenuHelper")->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(child<QAction>("actionAbout_Us")->toolTip(), QStringLiteral("About"));
    QVERIFY(desktop->urls.isEmpty());
}

// The help button only posts the request: the click is over before the menu
// opens, at the pointer.
void tst_Menu::helpButtonPostsTheRequest()
{
    // Far enough left that the menu fits on the offscreen platform's
    // 800-pixel screen and is not pushed aside.
    window->move(-350, 0);
    auto *help = child<QPushButton>("btnHelp");
    QTRY_VERIFY(help->mapToGlobal(QPoint(0, 0)).x() < 400);
    const QPoint pointer = help->mapToGlobal(QPoint(10, 8));
    QCursor::setPos(pointer);

    QPoint menuAt;
    WhenShown<QMenu> look([&](QMenu *menu) {
        menuAt = menu->pos();
        menu->close();
    });
    help->click();
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QVERIFY(!look.done());
    QTRY_VERIFY(look.done());
    QCOMPARE(menuAt, pointer);
}

void tst_Menu::menuEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("key"); // 0: click the entry
    QTest::addColumn<Outcome>("outcome");

    const Outcome web = utf8(ProductInfo::homePage).isEmpty() ? Nothing : HomePage;
    QTest::newRow("Help Manual, clicked") << QStringLiteral("actionMenuHelper") << 0 << Help;
    QTest::newRow("Check for New Version, clicked")
        << QStringLiteral("actionCheck_for_New_Version") << 0 << web;
    QTest::newRow("Check for New Version, by its letter C")
        << QStringLiteral("actionCheck_for_New_Version") << int(Qt::Key_C) << web;
    QTest::newRow("Visit Our Web Site, clicked") << QStringLiteral("actionVisit_Our_Web_Site") << 0 << web;
    QTest::newRow("Visit Our Web Site, by its letter V")
        << QStringLiteral("actionVisit_Our_Web_Site") << int(Qt::Key_V) << web;
    QTest::newRow("About, clicked") << QStringLiteral("actionAbout_Us") << 0 << AboutBox;
    QTest::newRow("About, by its letter A") << QStringLiteral("actionAbout_Us") << int(Qt::Key_A) << AboutBox;
    QTest::newRow("dismissed") << QString() << int(Qt::Key_Escape) << Nothing;
}

void tst_Menu::menuEntries()
{
    QFETCH(QString, entry);
    QFETCH(int, key);
    QFETCH(Outcome, outcome);

    bool aboutSeen = false;
    WhenShown<about> closeAbout([&](about *box) {
        aboutSeen = true;
        box->close();
    });
    bool menuGone = false;
    WhenShown<QMenu> pick([&](QMenu *menu) {
        QPointer<QMenu> open(menu);
        if (key)
            QTest::keyClick(menu, Qt::Key(key));
        else
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(window->findChild<QAction *>(entry)).center());
        menuGone = !open || !open->isVisible();
        // A greyed-out entry leaves the menu open.
        if (open && open->isVisible())
            open->close();
    });
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(300, 80));
    QTRY_VERIFY(pick.done());

    switch (outcome) {
    case Nothing:
        QTest::qWait(50);
        QVERIFY(desktop->urls.isEmpty());
        QVERIFY(!aboutSeen);
        if (!entry.isEmpty())
            QVERIFY(!window->findChild<QAction *>(entry)->isEnabled());
        break;
    case Help:
        QVERIFY(menuGone);
        verifyHelpOpened();
        break;
    case HomePage:
        QVERIFY(menuGone);
        QTRY_COMPARE(desktop->urls.size(), 1);
        QCOMPARE(desktop->urls.first(), QUrl(utf8(ProductInfo::homePage)));
        break;
    case AboutBox:
        QVERIFY(menuGone);
        QVERIFY(aboutSeen);
        QVERIFY(desktop->urls.isEmpty());
        break;
    default:
        QFAIL("not an outcome of the menu");
    }
}

// Both lead to the home page; without one, both are greyed out and lead
// nowhere.
void tst_Menu::webEntriesOpenTheSamePage()
{
    auto *check = child<QAction>("actionCheck_for_New_Version");
    auto *visit = child<QAction>("actionVisit_Our_Web_Site");
    check->trigger();
    visit->trigger();

    const QString page = utf8(ProductInfo::homePage);
    if (page.isEmpty()) {
        QVERIFY(!check->isEnabled());
        QVERIFY(!visit->isEnabled());
        QVERIFY(desktop->urls.isEmpty());
    } else {
        QVERIFY(check->isEnabled() && visit->isEnabled());
        QCOMPARE(desktop->urls.size(), 2);
        QCOMPARE(desktop->urls.at(0), desktop->urls.at(1));
        QCOMPARE(desktop->urls.at(0), QUrl(page));
    }
}

void tst_Menu::shortcuts_data()
{
    QTest::addColumn<QString>("focus"); // the widget the key goes to; empty: the window
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<Outcome>("outcome");

    const Qt::KeyboardModifiers none;
    const QString win;
    QTest::newRow("F1") << win << int(Qt::Key_F1) << none << Help;
    QTest::newRow("Shift+F1") << win << int(Qt::Key_F1) << Qt::KeyboardModifiers(Qt::ShiftModifier) << Help;
    QTest::newRow("Ctrl+Alt+F1") << win << int(Qt::Key_F1) << (Qt::ControlModifier | Qt::AltModifier) << Help;
    QTest::newRow("F1 in the size box") << QStringLiteral("txtSize") << int(Qt::Key_F1) << none << Help;

    QTest::newRow("Alt+O") << win << int(Qt::Key_O) << Qt::KeyboardModifiers(Qt::AltModifier) << OpenDialog;
    QTest::newRow("Alt+O on the photo path") << QStringLiteral("txtPicSelect") << int(Qt::Key_O)
                                             << Qt::KeyboardModifiers(Qt::AltModifier) << OpenDialog;
    QTest::newRow("Alt+Shift+O") << win << int(Qt::Key_O) << (Qt::AltModifier | Qt::ShiftModifier) << Nothing;
    QTest::newRow("Ctrl+Alt+O") << win << int(Qt::Key_O) << (Qt::ControlModifier | Qt::AltModifier)
                                << Nothing;
    QTest::newRow("Ctrl+O") << win << int(Qt::Key_O) << Qt::KeyboardModifiers(Qt::ControlModifier) << Nothing;
    QTest::newRow("O") << win << int(Qt::Key_O) << none << Nothing;

    QTest::newRow("Alt+S") << win << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::AltModifier) << ExportDialog;
    QTest::newRow("Ctrl+Alt+S") << win << int(Qt::Key_S) << (Qt::ControlModifier | Qt::AltModifier)
                                << Nothing;
    QTest::newRow("Alt+Shift+S") << win << int(Qt::Key_S) << (Qt::AltModifier | Qt::ShiftModifier) << Nothing;
    QTest::newRow("Meta+Alt+S") << win << int(Qt::Key_S) << (Qt::MetaModifier | Qt::AltModifier) << Nothing;
    QTest::newRow("S") << win << int(Qt::Key_S) << none << Nothing;

    QTest::newRow("Alt+F") << win << int(Qt::Key_F) << Qt::KeyboardModifiers(Qt::AltModifier) << Nothing;
}

void tst_Menu::shortcuts()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(Outcome, outcome);

    QWidget *target = focus.isEmpty() ? window.get() : window->findChild<QWidget *>(focus);
    QVERIFY(target);

    QString dialogKind;
    WhenShown<QDialog> answer([&](QDialog *dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(dialog))
            dialogKind = files->acceptMode() == QFileDialog::AcceptOpen ? QStringLiteral("open")
                                                                        : QStringLiteral("save");
        else
            dialogKind = QString::fromLatin1(dialog->metaObject()->className());
        dialog->reject();
    });
    QTest::keyClick(target, Qt::Key(key), modifiers);
    QTest::qWait(50);

    switch (outcome) {
    case Nothing:
        QVERIFY2(!answer.done(), qPrintable(dialogKind));
        QVERIFY(desktop->urls.isEmpty());
        break;
    case Help:
        QVERIFY(!answer.done());
        verifyHelpOpened();
        break;
    case OpenDialog:
        QVERIFY(answer.done());
        QCOMPARE(dialogKind, QStringLiteral("open"));
        break;
    case ExportDialog:
        QVERIFY(answer.done());
        QCOMPARE(dialogKind, QStringLiteral("save"));
        break;
    default:
        QFAIL("not an outcome of a key");
    }
}

// The logo opens the About box modally: the click does not return until the
// box is closed, and the window takes no input meanwhile.
void tst_Menu::logoOpensModalAbout()
{
    bool clickReturned = false;
    bool blocking = false;
    WhenShown<about> look([&](about *box) {
        blocking = !clickReturned && QApplication::activeModalWidget() == box;
        QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    });
    child<QPushButton>("btReflection")->click();
    clickReturned = true;
    QVERIFY(look.done());
    QVERIFY(blocking);
}

// One address reached the desktop: the online help page when the product
// has one, or else the manual shipped beside the program.
void tst_Menu::verifyHelpOpened() const
{
    QTRY_COMPARE(desktop->urls.size(), 1);
    const QUrl url = desktop->urls.first();
    const QString page = utf8(ProductInfo::helpPage);
    if (!page.isEmpty()) {
        QCOMPARE(url, QUrl(page));
        return;
    }
    QVERIFY2(url.isLocalFile(), qPrintable(url.toString()));
    QFile manual(url.toLocalFile());
    QVERIFY2(manual.open(QIODevice::ReadOnly), qPrintable(url.toLocalFile()));
    QVERIFY(manual.readAll().contains("<title>Glassmere"));
}

QTEST_MAIN(tst_Menu)
#include "tst_menu.moc"
