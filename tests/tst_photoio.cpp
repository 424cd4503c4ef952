// Reading and writing photos: the camera's orientation, Qt's decode limit,
// writes that never destroy an existing file, and the picture written for
// each mode.

#include "photoio.h"
#include "testutils.h"

#include <QtTest>

using TestUtils::writeFile;

class tst_photoio : public QObject
{
    Q_OBJECT

private slots:
    void appliesCameraOrientation()
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
    void readsPastQtsDefaultLimit()
    {
        const QString path = dir.filePath(QStringLiteral("large.jpg"));
        {
            QImage big(10000, 10000, QImage::Format_RGB32);
            big.fill(qRgb(30, 60, 90));
            QVERIFY(big.save(path, "JPG", 50));
        }
        QCOMPARE(readPhoto(path).size(), QSize(10000, 10000));
    }

    void unreadableFiles()
    {
        const QString fake = dir.filePath(QStringLiteral("notes.png"));
        QVERIFY(writeFile(fake, "these are not pixels"));
        for (const QString &path : {dir.filePath(QStringLiteral("missing.png")), fake}) {
            QString why;
            QVERIFY(readPhoto(path, &why).isNull());
            QVERIFY(!why.isEmpty());
        }
    }

    void failedWriteKeepsExistingFile()
    {
        const QString path = dir.filePath(QStringLiteral("keep.gif")); // Qt has no GIF writer
        QVERIFY(writeFile(path, "precious"));
        QImage img(4, 4, QImage::Format_ARGB32);
        img.fill(Qt::blue);
        QString why;
        QVERIFY(!writePhoto(img, path, &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(TestUtils::readAll(path), QByteArray("precious"));
    }

    void outputPictureFormat_data()
    {
        QTest::addColumn<int>("source"); // QImage::Format the photo came in
        QTest::addColumn<QRgb>("gap");   // a pixel of the rendering besides the photo's own grey
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<int>("written");
        const QRgb grey = qRgb(90, 90, 90), red = qRgb(220, 20, 20);
        QTest::newRow("transparent keeps alpha")
            << int(QImage::Format_RGB32) << red << true << int(QImage::Format_ARGB32);
        QTest::newRow("grey with a grey gap stays grey")
            << int(QImage::Format_Grayscale8) << grey << false << int(QImage::Format_Grayscale8);
        QTest::newRow("grey with a red gap becomes RGB")
            << int(QImage::Format_Grayscale8) << red << false << int(QImage::Format_RGB32);
        QTest::newRow("one bit with a red gap")
            << int(QImage::Format_Mono) << red << false << int(QImage::Format_RGB32);
        QTest::newRow("one bit, black and white")
            << int(QImage::Format_Mono) << qRgb(255, 255, 255) << false << int(QImage::Format_Mono);
        QTest::newRow("palette that holds the colours")
            << int(QImage::Format_Indexed8) << red << false << int(QImage::Format_Indexed8);
    }

    // Back to the photo's own format only where that format holds the picture:
    // a grey photo must not turn a red gap grey.
    void outputPictureFormat()
    {
        QFETCH(int, source);
        QFETCH(QRgb, gap);
        QFETCH(bool, transparent);
        QFETCH(int, written);
        QImage rendering(4, 4, QImage::Format_ARGB32);
        rendering.fill(source == QImage::Format_Mono ? qRgb(0, 0, 0) : qRgb(90, 90, 90));
        rendering.setPixel(3, 3, gap);
        const QImage out = outputPicture(rendering, QImage::Format(source), transparent);
        QCOMPARE(int(out.format()), written);
        QCOMPARE(out.pixel(3, 3), gap);
    }

    // ICO would be shrunk by its writer; PNG is written fast with the same
    // pixels; a lossy writer takes the quality.
    void writeOptions()
    {
        QString why;
        QImage big(300, 20, QImage::Format_ARGB32);
        big.fill(qRgba(10, 20, 30, 128));
        QVERIFY(!writePhoto(big, dir.filePath(QStringLiteral("big.ico")), &why));
        QVERIFY2(why.contains(QLatin1String("256")), qPrintable(why));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("big.ico"))));

        // The suffix picks the writer in any case, and an existing file is replaced.
        const QString png = dir.filePath(QStringLiteral("fast.PNG"));
        QVERIFY(writeFile(png, "old"));
        QVERIFY(writePhoto(big, png));
        QCOMPARE(QImage(png).convertToFormat(QImage::Format_ARGB32), big);

        QRandomGenerator rng(3);
        const QImage photo = TestUtils::randomImage(rng, 64, 64, QImage::Format_RGB32);
        WriteOptions low;
        low.quality = 10;
        QVERIFY(writePhoto(photo, dir.filePath(QStringLiteral("low.jpg")), &why, low));
        QVERIFY(writePhoto(photo, dir.filePath(QStringLiteral("default.jpg"))));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("low.jpg"))).size() <
                QFileInfo(dir.filePath(QStringLiteral("default.jpg"))).size());
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(tst_photoio)
#include "tst_photoio.moc"
