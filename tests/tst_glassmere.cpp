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

    QWidget *title() const { return window->findChild<QWidget *>(QStringLiteral("frame_Title")); }

private slots:
    void initTestCase()
    {
        currentPath = appDir.path();
        QVERIFY(makeStandInStyle(currentPath));
    }

    void init() { window = std::make_unique<Glassmere>(); }

    void cleanup()
    {
        window.reset();
        // Nothing of the window may outlive it.
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

    // By the button, then by a double click on the title itself (not a
    // child); the second round also shows that the minimum size of the restore
    // does not clamp the next maximise.
    void maximiseThenRestore()
    {
        window->move(QPoint(37, 45));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QRect before = window->geometry();
        QPushButton *button = window->findChild<QPushButton *>(QStringLiteral("btnMax"));
        for (const bool byTitle : {false, true}) {
            const auto toggle = [&] { byTitle ? doubleClick(title(), QPoint(300, 80)) : button->click(); };
            toggle();
            QTRY_COMPARE(window->geometry(), maximisedGeometry(window->screen()->availableGeometry()));
            // What is seen, the masked part, covers the available area exactly.
            QCOMPARE(window->mask(), QRegion(maskRect(window->size())));
            QCOMPARE(maskRect(window->size()).translated(window->pos()),
                     window->screen()->availableGeometry());

            toggle();
            QTRY_COMPARE(window->geometry(), before);
            QCOMPARE(window->minimumSize(), before.size()); // resizable again, down to the form's size
            QCOMPARE(window->mask(), QRegion(maskRect(before.size())));
        }
    }

    // Maximised by a window manager, whose state it is: the band goes, so
    // the skinned edge meets the screen's, and comes back with the normal
    // state.
    void managerMaximisedDropsTheBand()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const auto left = [this] { return title()->mapTo(window.get(), QPoint()).x(); };
        const int banded = left();
        window->setWindowState(Qt::WindowMaximized);
        QTRY_COMPARE(window->mask(), QRegion(window->rect()));
        QTRY_COMPARE(left(), banded - maskBand);
        window->setWindowState(Qt::WindowNoState);
        QTRY_COMPARE(window->mask(), QRegion(maskRect(window->size())));
        QTRY_COMPARE(left(), banded);
    }

    // The window moves by the pointer's travel since the last left press; a
    // press of another button in between must not shift the anchor.
    void dragFollowsLastLeftPress()
    {
        window->move(QPoint(100, 80));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
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
