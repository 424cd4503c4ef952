// The window for everyone: ctest runs this under LANG=C, de_DE.UTF-8 and
// zh_CN.UTF-8. Tab reaches every control of the page shown exactly once,
// each with a name for a screen reader; the form's texts, those names,
// Qt's own buttons and the manual F1 opens are in the language of LANG.

#include "glassmere.h"
#include "helpmanual.h"
#include "language.h"
#include "productinfo.h"

#include <QtTest>

#include <QAccessible>
#include <QTabWidget>

class tst_Accessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(installTranslations(), QLocale::system().language() != QLocale::C); }
    void tabReachesEveryControlOnce_data();
    void tabReachesEveryControlOnce();
    void inUserLanguage_data();
    void inUserLanguage();
};

void tst_Accessibility::tabReachesEveryControlOnce_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("one photo") << 0;
    QTest::newRow("folder") << 1;
}

void tst_Accessibility::tabReachesEveryControlOnce()
{
    QFETCH(int, page);
    Glassmere window;
    window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(page);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // What a keyboard user has to be able to reach and use.
    QSet<QWidget *> controls;
    for (QWidget *w : window.findChildren<QWidget *>()) {
        // A spin box's text box hands its focus to the spin box.
        for (const char *kind : {"QAbstractButton", "QLineEdit", "QAbstractSlider", "QComboBox", "QTabBar",
                                 "QGraphicsView", "QAbstractSpinBox"})
            if (w->inherits(kind) && w->isVisible() && w->isEnabled() && !w->focusProxy())
                controls.insert(w);
    }
    QWidget *start = *controls.cbegin();
    start->setFocus(Qt::TabFocusReason);
    QSet<QWidget *> reached;
    for (QWidget *now = start; !reached.contains(now); now = QApplication::focusWidget()) {
        reached.insert(now);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(now);
        QVERIFY2(controls.contains(now) && iface && !iface->text(QAccessible::Name).isEmpty(),
                 qPrintable(now->objectName() + QStringLiteral(": no control, or no name")));
        QTest::keyClick(now, Qt::Key_Tab);
    }
    // Back at the start, having met each control once on the way.
    QCOMPARE(QApplication::focusWidget(), start);
    QCOMPARE(reached.size(), controls.size());
}

void tst_Accessibility::inUserLanguage_data()
{
    QTest::addColumn<QString>("tab");    // a text of the form
    QTest::addColumn<QString>("zoomIn"); // an accessible name set in code
    QTest::addColumn<QString>("cancel"); // a text of Qt itself
    QTest::addColumn<QString>("manual"); // which manual F1 opens
    for (const QStringList &l : {QStringList{"de_DE", "einzeln", "Vergrößern", "Abbrechen", "manual.de.html"},
                                 QStringList{"zh_CN", "逐张", "放大", "取消", "manual.zh_CN.html"},
                                 QStringList{"C", "one-by-one", "Zoom in", "Cancel", "manual.html"}}) {
        if (QLocale::system().name() == l[0])
            QTest::newRow(qPrintable(l[0])) << l[1] << l[2] << l[3] << l[4];
    }
}

void tst_Accessibility::inUserLanguage()
{
    Glassmere window;
    QTEST(window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->tabText(0), "tab");
    QTEST(window.findChild<QWidget *>(QStringLiteral("pbZoomIn"))->accessibleName(), "zoomIn");
    QTEST(QCoreApplication::translate("QPlatformTheme", "Cancel"), "cancel");

    // Beside manual.html, its German and Chinese translations.
    QTemporaryDir dir;
    const QDir docs(QFileInfo(dir.filePath(QString::fromUtf8(ProductInfo::builtManual))).path());
    QVERIFY(docs.mkpath(QStringLiteral(".")));
    for (const char *name : {"manual.html", "manual.de.html", "manual.zh_CN.html"})
        QVERIFY(QFile(docs.filePath(QLatin1String(name))).open(QIODevice::WriteOnly));
    QFETCH(QString, manual);
    QCOMPARE(helpManualUrl(QString(), dir.path()), QUrl::fromLocalFile(docs.filePath(manual)));
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
