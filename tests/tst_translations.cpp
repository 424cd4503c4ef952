// The window in the user's language: ctest runs this under LANG=C,
// de_DE.UTF-8 and zh_CN.UTF-8, and it checks that the window, what a screen
// reader announces, Qt's own buttons and F1's manual follow that language.

#include "glassmere.h"
#include "helpmanual.h"
#include "language.h"
#include "productinfo.h"

#include <QtTest>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowTexts_data();
    void windowTexts();
    void manualInLanguage();
};

namespace {

struct Expected
{
    const char *language; // QLocale::name(), "C" for English
    const char *what;     // object name, or "qt" for Qt's own texts
    const char *text;
};

// A sample of every kind of text: form labels and titles, tab and tool
// tips, accessible names from code, texts of Qt itself.
const Expected expectations[] = {
    {"C", "tabWidget", "one-by-one"},
    {"C", "groupBox_5", "Reflection Setting"},
    {"C", "cbTransparent", "Transparence"},
    {"C", "checkBoxTop", "Top Reflection"},
    {"C", "pbZoomIn", "Zoom in"},
    {"C", "qt", "Cancel"},
    {"de_DE", "tabWidget", "einzeln"},
    {"de_DE", "groupBox_5", "Spiegelung"},
    {"de_DE", "cbTransparent", "Transparenz"},
    {"de_DE", "checkBoxTop", "Spiegelung oben"},
    {"de_DE", "pbZoomIn", "Vergrößern"},
    {"de_DE", "qt", "Abbrechen"},
    {"zh_CN", "tabWidget", "逐张"},
    {"zh_CN", "groupBox_5", "倒影设置"},
    {"zh_CN", "cbTransparent", "透明"},
    {"zh_CN", "checkBoxTop", "上方倒影"},
    {"zh_CN", "pbZoomIn", "放大"},
    {"zh_CN", "qt", "取消"},
};

// The text a user sees or hears of one thing of the window.
QString shownText(QWidget *window, const QString &what)
{
    if (what == QLatin1String("qt"))
        return QCoreApplication::translate("QPlatformTheme", "Cancel");
    QWidget *w = window->findChild<QWidget *>(what);
    if (auto *tabs = qobject_cast<QTabWidget *>(w))
        return tabs->tabText(0);
    if (auto *group = qobject_cast<QGroupBox *>(w))
        return group->title();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return !button->text().isEmpty()      ? button->text()
               : !button->toolTip().isEmpty() ? button->toolTip()
                                              : button->accessibleName();
    return w ? w->accessibleName() : QString();
}

} // namespace

void tst_Translations::initTestCase()
{
    const bool own = installTranslations();
    QCOMPARE(own, QLocale::system().language() != QLocale::C);
}

void tst_Translations::windowTexts_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("text");

    const QString language = QLocale::system().name();
    for (const Expected &e : expectations) {
        if (language == QLatin1String(e.language))
            QTest::newRow(e.what) << QString::fromLatin1(e.what) << QString::fromUtf8(e.text);
    }
}

void tst_Translations::windowTexts()
{
    QFETCH(QString, what);
    QFETCH(QString, text);

    Glassmere window;
    QCOMPARE(shownText(&window, what), text);
}

void tst_Translations::manualInLanguage()
{
    QTemporaryDir dir;
    const QString english = dir.filePath(QString::fromUtf8(ProductInfo::builtManual));
    QVERIFY(QDir().mkpath(QFileInfo(english).path()));
    QString translated;
    for (const char *infix : {"", ".de", ".zh_CN", ".fr"}) {
        QString path = english;
        QFile file(path.insert(path.size() - 5, QLatin1String(infix)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (QLocale::system().name().startsWith(QLatin1String(infix).mid(1)) && qstrlen(infix) > 0)
            translated = file.fileName();
    }
    const QString expected = translated.isEmpty() ? english : translated;
    QCOMPARE(helpManualUrl(QString(), dir.path()), QUrl::fromLocalFile(expected));
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
