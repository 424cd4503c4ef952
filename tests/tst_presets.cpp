// Named presets: files a person can edit, refused with one reason when wrong.

#include "presets.h"
#include "testutils.h"

#include <QTemporaryDir>
#include <QTest>

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void init() { store = PresetStore(dir.path() + QStringLiteral("/presets")); }
    void cleanup() { QDir(store.folder()).removeRecursively(); }
    void roundTrip_data();
    void roundTrip();
    void damaged_data();
    void damaged();
    void names_data();
    void names();

private:
    QTemporaryDir dir;
    PresetStore store{QString()};
};

void TestPresets::roundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<ReflectionPreset>("preset");

    const ReflectionPreset low{ReflectionSettings::Left, 0, 0, -80, QColor(0x12, 0x34, 0x56), true, 0, 0};
    const ReflectionPreset high{ReflectionSettings::Right, 100, 100, 100, Qt::black, false, 100, 100};
    QTest::newRow("lowest") << "Warm sunset – 2" << low;
    QTest::newRow("highest") << "ünïcödé, with; signs=#" << high;
}

void TestPresets::roundTrip()
{
    QFETCH(QString, name);
    QFETCH(ReflectionPreset, preset);

    QString error;
    QVERIFY2(store.save(name, preset, &error), qPrintable(error));
    QCOMPARE(store.names(), QStringList{name});
    // Written for people: colours by name, not as a binary blob.
    QVERIFY(TestUtils::readAll(store.filePath(name)).contains("colour=" + preset.colour.name().toLatin1()));
    const std::optional<ReflectionPreset> loaded = store.load(name, &error);
    QVERIFY2(loaded, qPrintable(error));
    QVERIFY(*loaded == preset);

    QVERIFY(store.remove(name, &error));
    QCOMPARE(store.names(), QStringList());
    QVERIFY(!store.load(name, &error));
    QCOMPARE(error, QStringLiteral("there is no preset \"%1\"").arg(name));
}

void TestPresets::damaged_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason"); // empty: loads, with a size of 50

    const auto row = [](const char *name, const QByteArray &text, const char *reason) {
        QTest::newRow(name) << text << QString::fromUtf8(reason);
    };
    const QByteArray group = "[reflection]\n";
    const char *noGroup = "the preset file holds no [reflection] settings";
    row("partial, unknown key", group + "sparkle=1\nsize=50\n", "");
    row("too large", group + "size=140", "size 140 is outside 0..100");
    row("not a number", group + "depth=deep", "depth \"deep\" is not a whole number");
    row("a list", group + "blur=1,2", "blur \"1,2\" is not a whole number");
    row("side", group + "side=up", "side \"up\" is not top, bottom, left or right");
    row("colour", group + "colour=#12345g", "colour \"#12345g\" is not a colour such as #ffffff");
    row("flag", group + "transparent=maybe", "transparent \"maybe\" is not true or false");
    row("no group", "size=40", noGroup);
    row("binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), noGroup);
}

void TestPresets::damaged()
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

void TestPresets::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");

    QTest::newRow("words") << "Lake at dusk" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("up a folder") << "../escape" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("hidden") << ".hidden" << false;
    QTest::newRow("leading space") << " x" << false;
    QTest::newRow("control") << "tab\there" << false;
    QTest::newRow("too long") << QString(101, QLatin1Char('n')) << false;
}

void TestPresets::names()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);

    QString error;
    QCOMPARE(store.save(name, ReflectionPreset{}, &error), valid);
    QCOMPARE(error.isEmpty(), valid);
    // Nothing lands outside the folder, nothing unlisted inside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("presets")}.mid(0, valid ? 1 : 0));
    QCOMPARE(store.names(), valid ? QStringList{name} : QStringList());
}

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
