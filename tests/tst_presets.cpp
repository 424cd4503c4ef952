// Named presets: files a person can edit, refused with one reason when wrong.

#include "presets.h"
#include "testutils.h"

#include <QtTest>

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir(store.folder()).removeRecursively(); }
    // The lowest and the highest values, under names that need care on disk.
    void roundTrip()
    {
        const ReflectionPreset low{ReflectionSettings::Left, 0, 0, -80, QColor(0x12, 0x34, 0x56), true, 0, 0};
        const ReflectionPreset high{ReflectionSettings::Right, 100, 100, 100, Qt::black, false, 100, 100};
        for (const auto &[name, preset] : {qMakePair(QStringLiteral("Warm sunset – 2"), low),
                                           qMakePair(QStringLiteral("ünïcödé, with; signs=#"), high)}) {
            QString error;
            QVERIFY2(store.save(name, preset, &error), qPrintable(error));
            QCOMPARE(store.names(), QStringList{name});
            const std::optional<ReflectionPreset> loaded = store.load(name, &error);
            QVERIFY2(loaded && *loaded == preset, qPrintable(error));
            QVERIFY(store.remove(name, &error) && !store.load(name, &error));
            QCOMPARE(error, QStringLiteral("there is no preset \"%1\"").arg(name));
        }
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason"); // empty: loads, with a size of 50

        const auto row = [](const char *name, const QByteArray &text, const char *reason) {
            QTest::newRow(name) << text << QString::fromUtf8(reason);
        };
        const QByteArray group = "[reflection]\n";
        row("partial, unknown key", group + "sparkle=1\nsize=50\n", "");
        row("too large", group + "size=140", "size 140 is outside 0..100");
        row("not a number", group + "depth=deep", "depth \"deep\" is not a whole number");
        row("side", group + "side=up", "side \"up\" is not top, bottom, left or right");
        row("colour", group + "colour=#12345g", "colour \"#12345g\" is not a colour such as #ffffff");
        row("binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
            "the preset file holds no [reflection] settings");
    }

    void damaged()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);

        QVERIFY(QDir().mkpath(store.folder()));
        QVERIFY(TestUtils::writeFile(store.filePath("edited"), text));
        QString error;
        const std::optional<ReflectionPreset> loaded = store.load("edited", &error);
        QCOMPARE(error, reason);
        QCOMPARE(loaded ? loaded->size : 0, reason.isEmpty() ? 50 : 0);
        QCOMPARE(TestUtils::readAll(store.filePath("edited")), text);
    }

    // Refused with a reason, and nothing lands outside the folder or in it.
    void badNames()
    {
        for (const QString &name :
             QStringList{"", "../escape", "a\\b", ".hidden", " x", "tab\there", QString(101, 'n')}) {
            QString error;
            QVERIFY2(!store.save(name, ReflectionPreset{}, &error) && !error.isEmpty(), qPrintable(name));
        }
        QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

private:
    QTemporaryDir dir;
    PresetStore store{dir.path() + QStringLiteral("/presets")};
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
