// The main window's context menu, keyboard shortcuts and help manual.
// Addresses are caught on their way to the desktop; modal dialogs are
// answered from inside their own event loops.

#include "glassmere.h"
#include "helpmanual.h"
#include "productinfo.h"
#include "testutils.h"
#include "uihelpers.h"

#include <QtTest>

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace {

// What came up: the kind of file dialog, a message box's text, or else the
// dialog's class.
QString describe(QDialog *dialog)
{
    if (auto *files = qobject_cast<QFileDialog *>(dialog))
        return QLatin1String(files->acceptMode() == QFileDialog::AcceptOpen ? "open" : "save");
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        return box->text();
    return QString::fromLatin1(dialog->metaObject()->className());
}

} // namespace

class tst_Menu : public QObject
{
    Q_OBJECT

private slots:
    // Menus and dialogs are made for one use: none may outlive its request.
    void cleanup() { QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); }

    // The manual that F1 opens: found where it lies, and named by a URL that
    // survives odd folder names.
    void helpManualUrl_data()
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

    void helpManualUrl()
    {
        QFETCH(QString, helpPage);
        QFETCH(QStringList, placed);
        QFETCH(QString, expected);

        // '#' and '?' would cut a URL made from the path as text.
        QTemporaryDir root(QDir::tempPath() + QStringLiteral("/glassmere #1 (help?)-XXXXXX"));
        const QString programDir = root.path() + QStringLiteral("/prefix/bin");
        QMap<QString, QString> paths;
        for (const QString &which : placed) {
            const char *relative = which == "built" ? ProductInfo::builtManual : ProductInfo::installedManual;
            const QString path = QDir::cleanPath(programDir + QLatin1Char('/') + relative);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && TestUtils::writeFile(path, "<html></html>"));
            paths.insert(which, path);
        }

        const QUrl url = ::helpManualUrl(helpPage, programDir);
        QCOMPARE(url, paths.contains(expected) ? QUrl::fromLocalFile(paths.value(expected)) : QUrl(expected));
    }

    // The Help button's menu opens under the button, clicked or pressed
    // from the keyboard, wherever the pointer happens to be.
    void helpMenuUnderTheButton_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("click") << false;
        QTest::newRow("space") << true;
    }

    void helpMenuUnderTheButton()
    {
        QFETCH(bool, byKeyboard);
        Glassmere window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *help = window.findChild<QPushButton *>(QStringLiteral("btnHelp"));
        QCursor::setPos(window.mapToGlobal(QPoint(300, 300)));
        QPoint openedAt;
        WhenShown<QMenu> look([&](QMenu *menu) {
            openedAt = menu->pos();
            menu->close();
        });
        if (byKeyboard) {
            help->setFocus();
            QTest::keyClick(help, Qt::Key_Space);
        } else {
            QTest::mouseClick(help, Qt::LeftButton);
        }
        QTRY_VERIFY(look.done());
        const QPoint below = help->mapToGlobal(help->rect().bottomLeft());
        QCOMPARE(openedAt.y(), below.y() + 1);
        // Left-aligned with the button, unless the screen's edge pushed it in.
        QVERIFY(openedAt.x() <= below.x() && openedAt.x() > below.x() - 300);
    }

    void requests_data()
    {
        QTest::addColumn<QString>("request"); // a menu entry's name, or keys
        QTest::addColumn<QString>("focus");   // the widget the keys go to; empty: the window
        QTest::addColumn<QString>("outcome"); // "help", "home", what describe() tells, or empty

        // A build without a home page greys the web entries out.
        const QString web = QString(ProductInfo::homePage).isEmpty() ? QString() : QStringLiteral("home");
        QTest::newRow("menu: Help Manual") << "actionMenuHelper" << QString() << "help";
        QTest::newRow("menu: Check for New Version") << "actionCheck_for_New_Version" << QString() << web;
        QTest::newRow("menu: About") << "actionAbout_Us" << QString() << "about";
        QTest::newRow("Shift+F1") << "Shift+F1" << QString() << "help";
        QTest::newRow("F1 in the size box") << "F1" << QStringLiteral("txtSize") << "help";
        QTest::newRow("Alt+O on the photo path") << "Alt+O" << QStringLiteral("txtPicSelect") << "open";
        // Without a photo, export only says to load one first.
        QTest::newRow("Alt+S in size box") << "Alt+S" << QStringLiteral("txtSize") << "Load a photo first.";
        for (const char *nothing : {"Ctrl+O", "Alt+Shift+S", "S"})
            QTest::newRow(nothing) << nothing << QString() << QString();
    }

    // What a menu entry or a key leads to, and nothing else. Each is done by the
    // time the click or key returns.
    void requests()
    {
        QFETCH(QString, request);
        QFETCH(QString, focus);
        QFETCH(QString, outcome);

        UrlCatcher desktop;
        Glassmere window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QString shown;
        WhenShown<QDialog> answer([&](QDialog *dialog) {
            shown = describe(dialog);
            dialog->reject();
        });

        if (auto *entry = window.findChild<QAction *>(request)) {
            bool menuStaysOpen = false;
            WhenShown<QMenu> pick([&](QMenu *menu) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
                menuStaysOpen = menu->isVisible(); // as it does on a greyed-out entry
                menu->close();
            });
            // Through the window, as the window system delivers it: that is where
            // a right press becomes a context-menu request.
            QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, QPoint(300, 80));
            QTRY_VERIFY(pick.done());
            QCOMPARE(menuStaysOpen, outcome.isEmpty());
        } else {
            const QKeyCombination key = QKeySequence::fromString(request)[0];
            QWidget *target = focus.isEmpty() ? &window : window.findChild<QWidget *>(focus);
            QTest::keyClick(target, key.key(), key.keyboardModifiers());
        }

        QList<QUrl> addresses;
        if (outcome == QLatin1String("home"))
            addresses << QUrl(QString(ProductInfo::homePage));
        // The online help page when the product has one, or else the manual
        // shipped beside the program (a missing one says so in a message box).
        if (outcome == QLatin1String("help"))
            addresses << ::helpManualUrl(QString(ProductInfo::helpPage),
                                         QCoreApplication::applicationDirPath());
        QCOMPARE(desktop.urls, addresses);
        QCOMPARE(shown, addresses.isEmpty() ? outcome : QString());
    }
};

QTEST_MAIN(tst_Menu)
#include "tst_menu.moc"
