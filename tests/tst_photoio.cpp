// Reading and writing photos: the camera's orientation, Qt's decode limit,
// writes that never destroy an existing file, and the picture written for
// each mode.

#include "photoio.h"
#include "testutils.h"

#include <QImageReader>
#include <QtTest>

using TestUtils::readAll;
using TestUtils::writeFile;

class tst_photoio : public QObject
{
    Q_OBJECT

private slots:
    void appliesCameraOrientation();
    void readsPastQtsDefaultLimit();
    void unreadableFiles();
    void writesByTheNamesSuffix();
    void failedWriteKeepsExistingFile_data();
    void failedWriteKeepsExistingFile();
    void outputPictureFormat();

private:
    QTemporaryDir dir;
};

void tst_photoio::appliesCameraOrientation()
{
    const QString path = dir.filePath(QStringLiteral("upright.jpg"));
    QVERIFY(writeFile(path, TestUtils::uprightJpeg()));
    const QImage photo = readPhoto(path);
    QCOMPARE(photo.size(), QSize(20, 40));
    // Turned clockwise, the frame's left (red) half is on top.
    QVERIFY(qRed(photo.pixel(10, 5)) > 200 && qBlue(photo.pixel(10, 5)) < 60);
    QVERIFY(qBlue(photo.pixel(10, 35)) > 200 && qRed(photo.pixel(10, 35)) < 60);
}

// Qt 6.4 refuses to decode more than 128 MB; a 100-megapixel photo is 400 MB.
void tst_photoio::readsPastQtsDefaultLimit()
{
    const QString path = dir.filePath(QStringLiteral("large.jpg"));
    {
        QImage big(10000, 10000, QImage::Format_RGB32);
        big.fill(qRgb(30, 60, 90));
        QVERIFY(big.save(path, "JPG", 50));
    }
    QCOMPARE(readPhoto(path).size(), QSize(10000, 10000));
}

void tst_photoio::unreadableFiles()
{
    const QString fake = dir.filePath(QStringLiteral("notes.png"));
    QVERIFY(writeFile(fake, "these are not pixels"));
    for (const QString &path : {dir.filePath(QStringLiteral("missing.png")), fake}) {
        QString why;
        QVERIFY(readPhoto(path, &why).isNull());
        QVERIFY(!why.isEmpty());
    }
}

void tst_photoio::writesByTheNamesSuffix()
{
    QTemporaryDir out;
    QImage img(8, 6, QImage::Format_ARGB32);
    img.fill(qRgba(10, 20, 30, 128));
    for (const char *name : {"out.png", "out.BMP", "out.jpeg", "out.tiff"}) {
        const QString path = out.filePath(QString::fromLatin1(name));
        QString why;
        QVERIFY2(writePhoto(img, path, &why), qPrintable(why));
        QCOMPARE(QImageReader(path).format(), QFileInfo(path).suffix().toLower().toLatin1());
    }
    // Replacing an existing file works, and leaves no temporary files behind.
    const QString path = out.filePath(QStringLiteral("out.png"));
    QVERIFY(writePhoto(img.copy(0, 0, 3, 3), path));
    QCOMPARE(QImage(path).size(), QSize(3, 3));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

void tst_photoio::failedWriteKeepsExistingFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("nullPicture");
    QTest::newRow("no writer for the suffix") << "keep.gif" << false;
    QTest::newRow("no suffix") << "keep" << false;
    QTest::newRow("empty picture") << "keep.png" << true;
    QTest::newRow("name taken by a folder") << "taken.png" << false;
}

void tst_photoio::failedWriteKeepsExistingFile()
{
    QFETCH(QString, name);
    QFETCH(bool, nullPicture);
    const QString path = dir.filePath(name);
    const bool folder = name == QLatin1String("taken.png");
    QVERIFY(folder ? QDir().mkpath(path) : writeFile(path, "precious"));

    QImage img(4, 4, QImage::Format_ARGB32);
    img.fill(Qt::blue);
    QString why;
    QVERIFY(!writePhoto(nullPicture ? QImage() : img, path, &why));
    QVERIFY(!why.isEmpty());
    if (folder)
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(readAll(path), QByteArray("precious"));
}

void tst_photoio::outputPictureFormat()
{
    QImage rendering(5, 5, QImage::Format_ARGB32);
    rendering.fill(qRgba(200, 100, 50, 77));
    QCOMPARE(outputPicture(rendering, QImage::Format_RGB32, true).format(), QImage::Format_ARGB32);
    QCOMPARE(outputPicture(rendering, QImage::Format_RGB32, false).format(), QImage::Format_RGB32);
    QCOMPARE(outputPicture(rendering, QImage::Format_Indexed8, false).format(), QImage::Format_Indexed8);
    QCOMPARE(outputPicture(rendering, QImage::Format_Grayscale8, false).format(), QImage::Format_Grayscale8);
    QCOMPARE(outputPicture(rendering, QImage::Format_Indexed8, true), rendering);
    QCOMPARE(rendering.format(), QImage::Format_ARGB32); // the caller's picture is left alone
}

QTEST_MAIN(tst_photoio)
#include "tst_photoio.moc"
