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
    void requests_data();
    void requests();
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
    QTest::addColumn<QStringList>("placed"); // "installed", "built"
    QTest::addColumn<QString>("expected");   // one of them, an address, or empty

    const QString online = QStringLiteral("https://glassmere.example/help/manual.html");
    QTest::newRow("installed") << QString() << QStringList{"installed"} << "installed";
    QTest::newRow("in the build") << QString() << QStringList{"built"} << "built";
    QTest::newRow("nowhere") << QString() << QStringList() << QString();
    QTest::newRow("online page wins") << online << QStringList{"installed", "built"} << online;
}

void tst_Menu::helpManualUrl()
{
    QFETCH(QString, helpPage);
    QFETCH(QStringList, placed);
    QFETCH(QString, expected);

    // '#' and '?' would cut a URL made from the path as text.
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/glassmere #1 (help?)-XXXXXX"));
    const QString programDir = root.path() + QStringLiteral("/prefix/bin");
    QVERIFY(QDir().mkpath(programDir));
    QMap<QString, QString> paths;
    for (const QString &which : placed) {
        const char *relative =
            which == QLatin1String("built") ? ProductInfo::builtManual : ProductInfo::installedManual;
        const QString path = QDir::cleanPath(programDir + QLatin1Char('/') + utf8(relative));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<html></html>") > 0);
        paths.insert(which, path);
    }
    // The installed manual lies outside the program's folder.
    QVERIFY(!paths.value(QStringLiteral("installed")).startsWith(programDir + QLatin1Char('/')));

    const QUrl url = ::helpManualUrl(helpPage, programDir);
    if (!paths.contains(expected))
        QCOMPARE(url, QUrl(expected));
    else
        QCOMPARE(url, QUrl::fromLocalFile(paths.value(expected)));
}

void tst_Menu::menuOpensAtRequest_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QPoint>("at");

    // Places whose widgets have no menu of their own.
    QTest::newRow("title band") << QStringLiteral("frame_Title") << QPoint(250, 60);
    QTest::newRow("settings frame") << QStringLiteral("frame_2") << QPoint(5, 5);
}

// A right click opens the menu at the pointer, nothing highlighted, with
// its entries and separators in order.
void tst_Menu::menuOpensAtRequest()
{
    QFETCH(QString, where);
    QFETCH(QPoint, at);

    QWidget *target = window->findChild<QWidget *>(where);
    QVERIFY(target);
    const QPoint global = target->mapToGlobal(at);

    // Read while the menu is up: its separators go with it.
    QStringList entries;
    QPoint menuAt;
    QAction *highlighted = nullptr;
    WhenShown<QMenu> look([&](QMenu *menu) {
        const QList<QAction *> actions = menu->actions();
        for (const QAction *action : actions)
            entries << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
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
    QVERIFY(desktop->urls.isEmpty());
}

// The help button only posts the request: the click is over before the menu
// opens, at the pointer.
void tst_Menu::helpButtonPostsTheRequest()
{
    // Far enough left that the menu fits on the offscreen platform's
    // 800-pixel screen and is not pushed aside.
    window->move(-480, 0);
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

void tst_Menu::requests_data()
{
    QTest::addColumn<QString>("request"); // "menu:" and the entry to click (none: Escape), or keys
    QTest::addColumn<QString>("focus");   // the widget the keys go to; empty: the window
    QTest::addColumn<Outcome>("outcome");

    const Outcome web = utf8(ProductInfo::homePage).isEmpty() ? Nothing : HomePage;
    const QString win;
    QTest::newRow("menu: Help Manual") << "menu:actionMenuHelper" << win << Help;
    QTest::newRow("menu: Check for New Version") << "menu:actionCheck_for_New_Version" << win << web;
    QTest::newRow("menu: Visit Our Web Site") << "menu:actionVisit_Our_Web_Site" << win << web;
    QTest::newRow("menu: About") << "menu:actionAbout_Us" << win << AboutBox;
    QTest::newRow("menu dismissed by Escape") << "menu:" << win << Nothing;

    for (const char *help : {"F1", "Shift+F1"})
        QTest::newRow(help) << help << win << Help;
    QTest::newRow("F1 in the size box") << "F1" << QStringLiteral("txtSize") << Help;
    QTest::newRow("Alt+O") << "Alt+O" << win << OpenDialog;
    QTest::newRow("Alt+O on the photo path") << "Alt+O" << QStringLiteral("txtPicSelect") << OpenDialog;
    // Without a photo, export only says to load one first.
    QTest::newRow("Alt+S") << "Alt+S" << win << ExportDialog;
    QTest::newRow("Alt+S in the size box") << "Alt+S" << QStringLiteral("txtSize") << ExportDialog;
    for (const char *nothing : {"Alt+Shift+O", "Ctrl+O", "O", "Ctrl+Alt+S", "Alt+Shift+S", "S"})
        QTest::newRow(nothing) << nothing << win << Nothing;
}

// What a menu entry or a key leads to, and nothing else.
void tst_Menu::requests()
{
    QFETCH(QString, request);
    QFETCH(QString, focus);
    QFETCH(Outcome, outcome);

    QString dialogKind;
    WhenShown<QDialog> answer([&](QDialog *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        dialogKind = !files ? QString::fromLatin1(dialog->metaObject()->className())
                     : files->acceptMode() == QFileDialog::AcceptOpen ? QStringLiteral("open")
                                                                      : QStringLiteral("save");
        dialog->reject();
    });
    QAction *entry = nullptr;
    bool menuGone = true;
    if (request.startsWith(QLatin1String("menu:"))) {
        if (request.size() > 5)
            entry = window->findChild<QAction *>(request.mid(5));
        WhenShown<QMenu> pick([&](QMenu *menu) {
            QPointer<QMenu> open(menu);
            if (entry)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
            else
                QTest::keyClick(menu, Qt::Key_Escape);
            menuGone = !open || !open->isVisible();
            if (open && open->isVisible()) // a greyed-out entry leaves the menu open
                open->close();
        });
        QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(300, 80));
        QTRY_VERIFY(pick.done());
    } else {
        const QKeyCombination key = QKeySequence::fromString(request)[0];
        QWidget *target = focus.isEmpty() ? window.get() : window->findChild<QWidget *>(focus);
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
    }
    QTest::qWait(50);

    QVERIFY(menuGone || outcome == Nothing);
    switch (outcome) {
    case Nothing:
        QVERIFY2(!answer.done(), qPrintable(dialogKind));
        QVERIFY(desktop->urls.isEmpty());
        if (entry)
            QVERIFY(!entry->isEnabled());
        break;
    case Help:
        QVERIFY(!answer.done());
        verifyHelpOpened();
        break;
    case HomePage:
        QTRY_COMPARE(desktop->urls.size(), 1);
        QCOMPARE(desktop->urls.first(), QUrl(utf8(ProductInfo::homePage)));
        break;
    case AboutBox:
        QCOMPARE(dialogKind, QStringLiteral("about"));
        QVERIFY(desktop->urls.isEmpty());
        break;
    case OpenDialog:
        QCOMPARE(dialogKind, QStringLiteral("open"));
        break;
    case ExportDialog:
        QCOMPARE(dialogKind, QStringLiteral("QMessageBox"));
        break;
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
