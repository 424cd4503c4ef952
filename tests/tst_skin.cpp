// The skin loader: the raw bytes of the resource become the application's
// style sheet with the application directory put in, quoted so that a
// directory with blanks or parentheses still reaches the frame images.

#include "skin.h"

#include <QtTest>

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

class tst_Skin : public QObject
{
    Q_OBJECT

private slots:
    void expandSkin_data();
    void expandSkin();
    void shippedSkinReachesStyleFolder();
    void imageFoundUnderAwkwardDirectory_data();
    void imageFoundUnderAwkwardDirectory();
};

void tst_Skin::expandSkin_data()
{
    QTest::addColumn<QByteArray>("skin");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("expected");

    const QString dir = QStringLiteral("/opt/glassmere");
    QTest::newRow("url quoted") << QByteArray("a{b:url(%currentPath%/style/x.png)}") << dir
                                << QStringLiteral("a{b:url(\"/opt/glassmere/style/x.png\")}");
    QTest::newRow("blank after parenthesis") << QByteArray("a{b:url( %currentPath%/s.png )}") << dir
                                             << QStringLiteral("a{b:url(\"/opt/glassmere/s.png\")}");
    QTest::newRow("resource url untouched")
        << QByteArray("a{b:url(:/Glassmere/Resources/zoom.png) 0 156 104 0}") << dir
        << QStringLiteral("a{b:url(:/Glassmere/Resources/zoom.png) 0 156 104 0}");
    QTest::newRow("already quoted stays singly quoted")
        << QByteArray("a{b:url(\"%currentPath%/x.png\")}") << dir
        << QStringLiteral("a{b:url(\"/opt/glassmere/x.png\")}");
    QTest::newRow("token outside url replaced plainly")
        << QByteArray("/* %currentPath% */a{}") << dir << QStringLiteral("/* /opt/glassmere */a{}");
    QTest::newRow("url( in a comment is prose")
        << QByteArray("/* url( names %currentPath% */a{b:url(%currentPath%/x.png)}") << dir
        << QStringLiteral("/* url( names /opt/glassmere */a{b:url(\"/opt/glassmere/x.png\")}");
    QTest::newRow("blanks and parentheses")
        << QByteArray("a{b:url(%currentPath%/style/x.png)}") << QStringLiteral("/home/me/My Apps (old)")
        << QStringLiteral("a{b:url(\"/home/me/My Apps (old)/style/x.png\")}");
    QTest::newRow("quote and backslash escaped")
        << QByteArray("a{b:url(%currentPath%/x.png)}") << QStringLiteral("/odd\"dir\\x")
        << QStringLiteral("a{b:url(\"/odd\\\"dir\\\\x/x.png\")}");
    QTest::newRow("stops at the first zero byte")
        << QByteArray("a{}\0%currentPath%", 17) << dir << QStringLiteral("a{}");
    // Comments are GBK in the shipped skin; each byte must stay one character.
    QTest::newRow("bytes above ASCII one per character")
        << QByteArray("/*\xd6\xd0*/a{}") << dir << QStringLiteral("/*\u00d6\u00d0*/a{}");
}

void tst_Skin::expandSkin()
{
    QFETCH(QByteArray, skin);
    QFETCH(QString, dir);
    QFETCH(QString, expected);

    QCOMPARE(::expandSkin(skin, dir), expected);
}

void tst_Skin::shippedSkinReachesStyleFolder()
{
    QFile file(QStringLiteral(":/Glassmere/Resources/skin.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString dir = QStringLiteral("/usr/local/bin");
    const QString sheet = ::expandSkin(file.readAll(), dir);

    QVERIFY(!sheet.contains(QLatin1String("%currentPath%")));
    QVERIFY(sheet.contains(QLatin1String("url(\"/usr/local/bin/style/mainbg.png\")")));
    QVERIFY(sheet.contains(QLatin1String("url(\"/usr/local/bin/style/close_press.png\")")));
    // Every path into the style folder is quoted.
    QCOMPARE(sheet.count(QLatin1String("/usr/local/bin/style/")),
             sheet.count(QLatin1String("\"/usr/local/bin/style/")));
}

void tst_Skin::imageFoundUnderAwkwardDirectory_data()
{
    QTest::addColumn<QString>("dirName");

    QTest::newRow("plain") << QStringLiteral("plain");
    QTest::newRow("blank") << QStringLiteral("Glass mere");
    QTest::newRow("parentheses") << QStringLiteral("glassmere (x86)");
    QTest::newRow("quote") << QStringLiteral("it's \"here\"");
}

// What the quoting is for: the style sheet engine has to find the image.
void tst_Skin::imageFoundUnderAwkwardDirectory()
{
    QFETCH(QString, dirName);

    QTemporaryDir sandbox;
    QVERIFY(sandbox.isValid());
    const QString appDir = sandbox.filePath(dirName);
    QVERIFY(QDir().mkpath(appDir + QStringLiteral("/style")));
    QImage tile(4, 4, QImage::Format_RGB32);
    tile.fill(QColor(12, 200, 34));
    QVERIFY(tile.save(appDir + QStringLiteral("/style/tile.png")));

    QLabel label;
    label.setObjectName(QStringLiteral("probe"));
    label.resize(20, 20);
    label.setStyleSheet(
        ::expandSkin("QLabel#probe { background-image: url(%currentPath%/style/tile.png); }", appDir));
    const QImage shot = label.grab().toImage();
    QCOMPARE(QColor(shot.pixel(10, 10)), QColor(12, 200, 34));
}

QTEST_MAIN(tst_Skin)
#include "tst_skin.moc"
