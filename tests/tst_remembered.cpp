// What the window keeps between runs: written by one window, read by the
// next; a damaged or odd store changes nothing it cannot hold.

#include "glassmere.h"
#include "uihelpers.h"

#include <QSettings>
#include <QtTest>

class tst_remembered : public QObject
{
    Q_OBJECT

private slots:
    void keptBetweenRuns();
    void oddValuesAreClamped();

private:
    QTemporaryDir dir;
};

void tst_remembered::keptBetweenRuns()
{
    QSettings store(dir.filePath(QStringLiteral("kept.conf")), QSettings::IniFormat);
    {
        Glassmere first;
        const FormParts ui(&first);
        ui.checkBoxLeft->setChecked(true);
        ui.refSize->setValue(61);
        first.findChild<QSlider *>(QStringLiteral("refBlur"))->setValue(12);
        ui.cbTransparent->setChecked(true);
        ui.txtResultDir->setText(dir.path());
        first.move(33, 44);
        first.remember(store);
    }
    Glassmere second;
    second.restoreRemembered(store);
    const FormParts ui(&second);
    QVERIFY(ui.checkBoxLeft->isChecked());
    QVERIFY(!ui.checkBoxBottom->isChecked());
    QCOMPARE(ui.txtSize->text(), QStringLiteral("61"));
    QCOMPARE(second.findChild<QSlider *>(QStringLiteral("refBlur"))->value(), 12);
    QVERIFY(ui.cbTransparent->isChecked());
    QCOMPARE(ui.txtResultDir->text(), dir.path());
    QCOMPARE(second.pos(), QPoint(33, 44));
}

void tst_remembered::oddValuesAreClamped()
{
    const QString path = dir.filePath(QStringLiteral("odd.conf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "[reflection]\ndirection=9\nsize=400\ncolour=#zzzzzz\n[folders]\nbatchTarget=/no/such/folder\n");
    file.close();
    QSettings store(path, QSettings::IniFormat);
    Glassmere window;
    window.restoreRemembered(store);
    const FormParts ui(&window);
    QVERIFY(ui.checkBoxBottom->isChecked());
    QCOMPARE(ui.refSize->value(), 100);
    QCOMPARE(ui.txtColor->text(), QStringLiteral("#ffffff"));
    QCOMPARE(ui.txtResultDir->text(), QString());
}

QTEST_MAIN(tst_remembered)
#include "tst_remembered.moc"
#include "moc_uihelpers.cpp" // UrlCatcher
