// The window from the keyboard and through a screen reader's eyes: Tab
// reaches every control of the page shown exactly once, and each one it
// reaches has a name to announce.

#include "glassmere.h"

#include <QtTest>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAccessible>
#include <QApplication>
#include <QGraphicsView>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>

class tst_Accessibility : public QObject
{
    Q_OBJECT

private slots:
    void tabReachesEveryControlOnce_data();
    void tabReachesEveryControlOnce();
};

namespace {

// What a keyboard user has to be able to reach and use.
bool isControl(const QWidget *w)
{
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
           qobject_cast<const QAbstractSlider *>(w) || qobject_cast<const QTabBar *>(w) ||
           qobject_cast<const QGraphicsView *>(w);
}

QString accessibleName(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

} // namespace

void tst_Accessibility::tabReachesEveryControlOnce_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("backwards");

    QTest::newRow("one photo, Tab") << 0 << false;
    QTest::newRow("folder, Tab") << 1 << false;
    QTest::newRow("one photo, Shift+Tab") << 0 << true;
}

void tst_Accessibility::tabReachesEveryControlOnce()
{
    QFETCH(int, page);
    QFETCH(bool, backwards);

    Glassmere window;
    window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(page);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QSet<QWidget *> expected;
    const QList<QWidget *> all = window.findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (isControl(w) && w->isVisible() && w->isEnabled())
            expected.insert(w);
    }
    QVERIFY(expected.size() > 20);

    QWidget *start = *expected.cbegin();
    start->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), start);

    QList<QWidget *> reached{start};
    for (int step = 0; step < 2 * all.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        QWidget *now = QApplication::focusWidget();
        if (now == start)
            break;
        QVERIFY2(!reached.contains(now), qPrintable(now->objectName() + QStringLiteral(" reached twice")));
        reached << now;
    }
    for (QWidget *w : std::as_const(reached)) {
        QVERIFY2(expected.contains(w), qPrintable(w->objectName() + QStringLiteral(" is no control")));
        QVERIFY2(!accessibleName(w).isEmpty(), qPrintable(w->objectName() + QStringLiteral(" has no name")));
    }
    for (QWidget *w : std::as_const(expected))
        QVERIFY2(reached.contains(w), qPrintable(w->objectName() + QStringLiteral(" never reached")));
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
