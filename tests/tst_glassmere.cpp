// The main window's shell: the form that the skin and the wiring address by
// name, the installed skin, and the self-drawn chrome (drag, maximise and
// restore, the title buttons).

#include "glassmere.h"
#include "uihelpers.h"
#include "windowgeometry.h"

#include <QtTest>

#include <QIntValidator>
#include <QPushButton>
#include <QScreen>

#include <memory>

class tst_Glassmere : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void installedSkin();
    void maximiseThenRestore();
    void titleDoubleClick_data();
    void titleDoubleClick();
    void dragFollowsLastLeftPress_data();
    void dragFollowsLastLeftPress();
    void noDragWhileMaximised();
    void minimiseAndClose();

private:
    QPushButton *button(const char *name) const
    {
        return window->findChild<QPushButton *>(QLatin1String(name));
    }
    QRect maximised() const { return maximisedGeometry(window->screen()->availableGeometry()); }
    bool showAt(const QPoint &topLeft);

    // Blanks and parentheses, which the skin must quote.
    QTemporaryDir appDir{QDir::tempPath() + QStringLiteral("/glassmere app (test)-XXXXXX")};
    std::unique_ptr<Glassmere> window;
};

void tst_Glassmere::initTestCase()
{
    QVERIFY(appDir.isValid());
    currentPath = appDir.path();
    QVERIFY(makeStandInStyle(currentPath));
}

void tst_Glassmere::init()
{
    window = std::make_unique<Glassmere>();
}

void tst_Glassmere::cleanup()
{
    window.reset();
    // Nothing of the window may outlive it, the parentless dialog included.
    QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
}

bool tst_Glassmere::showAt(const QPoint &topLeft)
{
    window->move(topLeft);
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
}

void tst_Glassmere::installedSkin()
{
    QString sheet = qApp->styleSheet();
    QVERIFY(!sheet.contains(QLatin1String("%currentPath%")));
    // Comments may name the directory freely.
    sheet.remove(
        QRegularExpression(QStringLiteral("/\\*.*?\\*/"), QRegularExpression::DotMatchesEverythingOption));

    // Every url into the application directory is quoted whole.
    const QRegularExpression url(QStringLiteral("url\\(([^\"')][^)]*|\"[^\"]*\"|'[^']*')\\)"));
    int intoAppDir = 0;
    for (auto it = url.globalMatch(sheet); it.hasNext();) {
        const QString argument = it.next().captured(1);
        if (!argument.contains(currentPath))
            continue;
        ++intoAppDir;
        QVERIFY2(argument.startsWith(QLatin1Char('"') + currentPath + QLatin1String("/style/")) &&
                     argument.endsWith(QLatin1Char('"')),
                 qPrintable(argument));
    }
    QVERIFY(intoAppDir > 0);
    QCOMPARE(sheet.count(currentPath), intoAppDir);
}

void tst_Glassmere::maximiseThenRestore()
{
    QVERIFY(showAt(QPoint(37, 45)));
    const QRect before = window->geometry();
    // Twice: the fixed size of the restore must not clamp the next maximise.
    for (int round = 0; round < 2; ++round) {
        button("btnMax")->click();
        QTRY_COMPARE(window->geometry(), maximised());
        QCOMPARE(window->minimumSize(), window->maximumSize());
        // What is seen, the masked part, covers the available area exactly.
        QCOMPARE(window->mask(), QRegion(maskRect(window->size())));
        QCOMPARE(maskRect(window->size()).translated(window->pos()), window->screen()->availableGeometry());

        button("btnMax")->click();
        QTRY_COMPARE(window->geometry(), before);
        QCOMPARE(window->minimumSize(), before.size());
        QCOMPARE(window->maximumSize(), before.size());
        QCOMPARE(window->mask(), QRegion(maskRect(before.size())));
    }
}

void tst_Glassmere::titleDoubleClick_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("at"); // a point of the widget itself, not of a child
    QTest::addColumn<bool>("toggles");

    QTest::newRow("frame_Title") << "frame_Title" << QPoint(300, 80) << true;
    QTest::newRow("label_Top") << "label_Top" << QPoint(5, 50) << true;
    QTest::newRow("frame_TopButton, empty part") << "frame_TopButton" << QPoint(40, 60) << true;
    QTest::newRow("frame_leftTop") << "frame_leftTop" << QPoint(1, 50) << false;
    QTest::newRow("frame_rightTop") << "frame_rightTop" << QPoint(1, 20) << false;
}

void tst_Glassmere::titleDoubleClick()
{
    QFETCH(QString, name);
    QFETCH(QPoint, at);
    QFETCH(bool, toggles);

    QVERIFY(showAt(QPoint(30, 30)));
    const QRect before = window->geometry();
    QWidget *target = window->findChild<QWidget *>(name);
    QVERIFY(target->rect().contains(at));
    QCOMPARE(target->childAt(at), nullptr);

    doubleClick(target, at);
    if (!toggles) {
        QTest::qWait(50);
        QCOMPARE(window->geometry(), before);
        return;
    }
    QTRY_COMPARE(window->geometry(), maximised());
    doubleClick(target, at); // and back
    QTRY_COMPARE(window->geometry(), before);
}

void tst_Glassmere::dragFollowsLastLeftPress_data()
{
    QTest::addColumn<QString>("handle");
    QTest::addColumn<Qt::MouseButton>("otherButton");

    QTest::newRow("title, right press between") << "frame_Title" << Qt::RightButton;
    QTest::newRow("title, middle press between") << "frame_Title" << Qt::MiddleButton;
    QTest::newRow("label_Top") << "label_Top" << Qt::RightButton;
    QTest::newRow("left border") << "label_Left" << Qt::RightButton;
    QTest::newRow("bottom border") << "label_Bottom" << Qt::MiddleButton;
}

// The window moves by the pointer's travel since the last left press; a
// press of another button in between must not shift the anchor.
void tst_Glassmere::dragFollowsLastLeftPress()
{
    QFETCH(QString, handle);
    QFETCH(Qt::MouseButton, otherButton);

    QVERIFY(showAt(QPoint(100, 80)));
    QWidget *target = window->findChild<QWidget *>(handle);
    const QPoint start = window->pos();
    const QPoint leftAt(2, 2);
    const QPoint otherAt = target->rect().bottomRight() - QPoint(2, 2);
    QCOMPARE(target->childAt(leftAt), nullptr);
    QCOMPARE(target->childAt(otherAt), nullptr);

    QTest::mousePress(target, Qt::LeftButton, {}, leftAt);
    QTest::mousePress(target, otherButton, {}, otherAt);
    QTest::mouseRelease(target, otherButton, {}, otherAt);
    QTest::mouseMove(target, leftAt + QPoint(25, 15)); // still holding the left button
    QTRY_COMPARE(window->pos(), start + QPoint(25, 15));
    QTest::mouseRelease(target, Qt::LeftButton, {}, leftAt);
}

void tst_Glassmere::noDragWhileMaximised()
{
    QVERIFY(showAt(QPoint(60, 60)));
    button("btnMax")->click();
    QTRY_COMPARE(window->geometry(), maximised());

    QWidget *title = window->findChild<QWidget *>(QStringLiteral("frame_Title"));
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(300, 80));
    QTest::mouseMove(title, QPoint(340, 95));
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(340, 95));
    QTest::qWait(50);
    QCOMPARE(window->geometry(), maximised());
}

void tst_Glassmere::minimiseAndClose()
{
    QVERIFY(showAt(QPoint(10, 10)));
    button("btnMinimize")->click();
    QTRY_VERIFY(window->windowState().testFlag(Qt::WindowMinimized));
    window->showNormal();
    button("btnClose")->click();
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(tst_Glassmere)
#include "tst_glassmere.moc"
