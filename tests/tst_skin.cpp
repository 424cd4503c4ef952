// The skin loader: the raw bytes of the resource become the application's
// style sheet with the application directory put in, quoted so that a
// directory with blanks or parentheses still reaches the frame images.

#include "skin.h"

#include <QtTest>

#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

class tst_Skin : public QObject
{
    Q_OBJECT

private slots:
    void expandSkin_data()
    {
        QTest::addColumn<QByteArray>("skin");
        QTest::addColumn<QString>("expected"); // with the directory /d

        QTest::newRow("blank after parenthesis")
            << QByteArray("a{b:url( %currentPath%/s.png )}") << "a{b:url(\"/d/s.png\")}";
        QTest::newRow("quoted once") << QByteArray("a{b:url(\"%currentPath%/x.png\")}")
                                     << "a{b:url(\"/d/x.png\")}";
        QTest::newRow("url( in a comment is prose")
            << QByteArray("/* url( %currentPath% */a{b:url(%currentPath%)}")
            << "/* url( /d */a{b:url(\"/d\")}";
        QTest::newRow("stops at the first zero byte") << QByteArray("a{}\0%currentPath%", 17) << "a{}";
    }

    void expandSkin()
    {
        QFETCH(QByteArray, skin);
        QFETCH(QString, expected);

        QCOMPARE(::expandSkin(skin, QStringLiteral("/d")), expected);
    }

    void imageFoundUnderAwkwardDirectory_data()
    {
        QTest::addColumn<QString>("dirName");

        QTest::newRow("blank and parentheses") << QStringLiteral("Glass mere (x86)");
        QTest::newRow("quotes") << QStringLiteral("it's \"here\"");
    }

    // What the quoting is for: the style sheet engine has to find the image.
    void imageFoundUnderAwkwardDirectory()
    {
        QFETCH(QString, dirName);

        QTemporaryDir sandbox;
        const QString appDir = sandbox.filePath(dirName);
        QVERIFY(QDir().mkpath(appDir + QStringLiteral("/style")));
        QImage tile(4, 4, QImage::Format_RGB32);
        tile.fill(QColor(12, 200, 34));
        QVERIFY(tile.save(appDir + QStringLiteral("/style/tile.png")));

        QLabel label;
        label.resize(20, 20);
        label.setStyleSheet(
            ::expandSkin("QLabel { background-image: url(%currentPath%/style/tile.png); }", appDir));
        QCOMPARE(QColor(label.grab().toImage().pixel(10, 10)), QColor(12, 200, 34));
    }
};

QTEST_MAIN(tst_Skin)
#include "tst_skin.moc"
