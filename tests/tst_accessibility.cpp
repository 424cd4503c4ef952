// The window for everyone: ctest runs this under LANG=C, de_DE.UTF-8 and
// zh_CN.UTF-8. Tab reaches every control of the page shown exactly once,
// each with a name for a screen reader; the form's texts, those names,
// Qt's own buttons and the manual F1 opens are in the language of LANG; a
// running batch tells its progress.

#include "glassmere.h"
#include "helpmanual.h"
#include "language.h"
#include "productinfo.h"
#include "uihelpers.h"
#include "widgets/dlgloading.h"

#include <QtTest>

#include <QAccessible>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTabWidget>

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// Empty, or still in English where LANG asks for Chinese (the German
// texts are held to the same table by translations_complete).
bool untranslated(const QString &text)
{
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    return text.isEmpty() || (QLocale::system().language() == QLocale::Chinese && !text.contains(han));
}

bool savePhoto(const QString &path)
{
    QImage photo(60, 40, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    return photo.save(path);
}

} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(installTranslations(), QLocale::system().language() != QLocale::C); }
    void tabReachesEveryControlOnce_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("one photo") << 0;
        QTest::newRow("folder") << 1;
    }

    void tabReachesEveryControlOnce()
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
            for (const char *kind : {"QAbstractButton", "QLineEdit", "QAbstractSlider", "QComboBox",
                                     "QTabBar", "QGraphicsView", "QAbstractSpinBox"})
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

    void inUserLanguage_data()
    {
        QTest::addColumn<QString>("tab");    // a text of the form
        QTest::addColumn<QString>("zoomIn"); // an accessible name set in code
        QTest::addColumn<QString>("cancel"); // a text of Qt itself
        QTest::addColumn<QString>("manual"); // which manual F1 opens
        for (const QStringList &l :
             {QStringList{"de_DE", "einzeln", "Vergrößern", "Abbrechen", "manual.de.html"},
              QStringList{"zh_CN", "逐张", "放大", "取消", "manual.zh_CN.html"},
              QStringList{"C", "one-by-one", "Zoom in", "Cancel", "manual.html"}}) {
            if (QLocale::system().name() == l[0])
                QTest::newRow(qPrintable(l[0])) << l[1] << l[2] << l[3] << l[4];
        }
    }

    void inUserLanguage()
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

    void roles_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::newRow("preview: a picture, not a filler") << "graphicsView" << QAccessible::Graphic;
        QTest::newRow("loading indicator") << "DlgLoading" << QAccessible::Animation;
        QTest::newRow("batch status") << "lblBatchFile" << QAccessible::StaticText;
        QTest::newRow("batch progress") << "progressBar" << QAccessible::ProgressBar;
    }

    void roles()
    {
        QFETCH(QString, objectName);
        Glassmere window;
        QAccessibleInterface *iface = accessible(window.findChild<QWidget *>(objectName));
        QVERIFY(iface);
        QTEST(iface->role(), "role");
        QVERIFY(!untranslated(iface->text(QAccessible::Name)));
    }

    // Each name and description the program gives, the two tabs' meanings and
    // the loading indicator's while a rendering runs.
    void everyNameTranslated()
    {
        const QString photo = dir.filePath(QStringLiteral("photo.png"));
        QVERIFY(savePhoto(photo));
        Glassmere window;
        window.show();

        QStringList texts; // "objectName: text", for the failure message
        for (QWidget *w : window.findChildren<QWidget *>())
            if (!w->accessibleName().isEmpty() &&
                !w->parentWidget()->inherits("QTabBar")) // Qt's scroll arrows
                texts << w->objectName() + QStringLiteral(": ") + w->accessibleName()
                      << w->objectName() + QStringLiteral(": ") + w->accessibleDescription();
        QAccessibleInterface *tabs = accessible(window.findChild<QTabWidget *>()->tabBar());
        for (int i = 0; i < tabs->childCount(); ++i)
            if (QAccessibleInterface *tab = tabs->child(i); tab->role() == QAccessible::PageTab)
                texts << QStringLiteral("tab: ") + tab->text(QAccessible::Name)
                      << QStringLiteral("tab: ") + tab->text(QAccessible::Description);
        // What it said while the rendering ran.
        QAccessibleInterface *indicator = accessible(window.findChild<DlgLoading *>());
        const QString idle = indicator->text(QAccessible::Name);
        window.openPhoto(photo);
        QVERIFY(indicator->text(QAccessible::Name) != idle);
        texts << QStringLiteral("DlgLoading: ") + indicator->text(QAccessible::Name);

        for (const QString &text : std::as_const(texts))
            QVERIFY2(!untranslated(text.section(QStringLiteral(": "), 1)), qPrintable(text));
    }

    // Orca reads the progress bar's value and the status text beside it; both
    // change as the pictures are done, and the status says which.
    void batchProgressAnnounced()
    {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("in")) &&
                QDir(dir.path()).mkpath(QStringLiteral("out")));
        for (const char *name : {"a.png", "b.png", "c.png"})
            QVERIFY(savePhoto(dir.filePath(QStringLiteral("in/") + QLatin1String(name))));
        Glassmere window;
        window.show();
        window.findChild<QTabWidget *>()->setCurrentIndex(1);
        window.findChild<QLineEdit *>(QStringLiteral("txtPicDir"))
            ->setText(dir.filePath(QStringLiteral("in")));
        window.findChild<QLineEdit *>(QStringLiteral("txtResultDir"))
            ->setText(dir.filePath(QStringLiteral("out")));
        auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
        QWidget *status = window.findChild<QWidget *>(QStringLiteral("lblBatchFile"));
        QList<double> values;
        QStringList statuses;
        connect(bar, &QProgressBar::valueChanged, this, [&] {
            values << accessible(bar)->valueInterface()->currentValue().toDouble();
            statuses << accessible(status)->text(QAccessible::Name);
        });

        MessageBoxCloser closer;
        window.findChild<QPushButton *>(QStringLiteral("btCovPics"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!closer.messages.isEmpty(), 60000);
        QCOMPARE(values.last(), 3.0);
        QVERIFY(std::is_sorted(values.cbegin(), values.cend()));
        QVERIFY2(QSet<QString>(statuses.cbegin(), statuses.cend()).size() >= 2,
                 qPrintable(statuses.join(u'|')));
        for (const QString &said : std::as_const(statuses))
            QVERIFY2(!untranslated(said), qPrintable(said));
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
