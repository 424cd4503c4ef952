// The main window's shell: the installed skin, and the self-drawn chrome
// (maximise and restore, the title's double click, the drag).

#include "glassmere.h"
#include "uihelpers.h"
#include "windowgeometry.h"

#include <QtTest>

#include <QPushButton>
#include <QScreen>

class tst_Glassmere : public QObject
{
    Q_OBJECT

    // Blanks and parentheses, which the skin must quote.
    QTemporaryDir appDir{QDir::tempPath() + QStringLiteral("/glassmere app (test)-XXXXXX")};
    std::unique_ptr<Glassmere> window;

    QRect maximised() const { return maximisedGeometry(window->screen()->availableGeometry()); }
    QWidget *title() const { return window->findChild<QWidget *>(QStringLiteral("frame_Title")); }
    bool showAt(const QPoint &topLeft)
    {
        window->move(topLeft);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(appDir.isValid());
        currentPath = appDir.path();
        QVERIFY(makeStandInStyle(currentPath));
    }

    void init() { window = std::make_unique<Glassmere>(); }

    void cleanup()
    {
        window.reset();
        // Nothing of the window may outlive it, the parentless dialog included.
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    // Every url into the application directory is quoted whole; comments
    // may name the directory freely.
    void installedSkin()
    {
        QString sheet = qApp->styleSheet();
        QVERIFY(!sheet.contains(QLatin1String("%currentPath%")));
        sheet.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                        QRegularExpression::DotMatchesEverythingOption));
        const QRegularExpression quoted(
            QStringLiteral("url\\(\"%1/style/[^\"]+\"\\)").arg(QRegularExpression::escape(currentPath)));
        const qsizetype intoAppDir = sheet.count(quoted);
        QVERIFY(intoAppDir > 0);
        QCOMPARE(sheet.count(currentPath), intoAppDir);
    }

    void maximiseThenRestore()
    {
        QVERIFY(showAt(QPoint(37, 45)));
        const QRect before = window->geometry();
        QPushButton *button = window->findChild<QPushButton *>(QStringLiteral("btnMax"));
        // Twice: the fixed size of the restore must not clamp the next maximise.
        for (int round = 0; round < 2; ++round) {
            button->click();
            QTRY_COMPARE(window->geometry(), maximised());
            // What is seen, the masked part, covers the available area exactly.
            QCOMPARE(window->mask(), QRegion(maskRect(window->size())));
            QCOMPARE(maskRect(window->size()).translated(window->pos()),
                     window->screen()->availableGeometry());

            button->click();
            QTRY_COMPARE(window->geometry(), before);
            QCOMPARE(window->maximumSize(), window->minimumSize()); // not resizable
            QCOMPARE(window->mask(), QRegion(maskRect(before.size())));
        }
    }

    void titleDoubleClickToggles()
    {
        QVERIFY(showAt(QPoint(30, 30)));
        const QRect before = window->geometry();
        const QPoint at(300, 80); // the title itself, not a child
        doubleClick(title(), at);
        QTRY_COMPARE(window->geometry(), maximised());
        doubleClick(title(), at);
        QTRY_COMPARE(window->geometry(), before);
    }

    // The window moves by the pointer's travel since the last left press; a
    // press of another button in between must not shift the anchor.
    void dragFollowsLastLeftPress()
    {
        QVERIFY(showAt(QPoint(100, 80)));
        const QPoint start = window->pos();
        const QPoint leftAt(2, 2);
        const QPoint rightAt = title()->rect().bottomRight() - QPoint(2, 2);
        QCOMPARE(title()->childAt(rightAt), nullptr);
        QTest::mousePress(title(), Qt::LeftButton, {}, leftAt);
        QTest::mousePress(title(), Qt::RightButton, {}, rightAt);
        QTest::mouseRelease(title(), Qt::RightButton, {}, rightAt);
        QTest::mouseMove(title(), leftAt + QPoint(25, 15)); // still holding the left button
        QTRY_COMPARE(window->pos(), start + QPoint(25, 15));
        QTest::mouseRelease(title(), Qt::LeftButton, {}, leftAt);
    }
};

QTEST_MAIN(tst_Glassmere)
#include "tst_glassmere.moc"
