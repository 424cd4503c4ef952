// The quality table against Qt's own writers: a lossy writer changes pixels
// at a middling quality, every other writer keeps them whatever it is given.

#include "outputquality.h"
#include "testutils.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTest>

class TestOutputQuality : public QObject
{
    Q_OBJECT

private slots:
    void keepsPixels_data();
    void keepsPixels();
};

void TestOutputQuality::keepsPixels_data()
{
    QTest::addColumn<QByteArray>("format");
    for (const char *format : {"jpg", "webp", "png", "tif", "bmp", "ppm"})
        QTest::newRow(format) << QByteArray(format);
}

void TestOutputQuality::keepsPixels()
{
    QFETCH(QByteArray, format);
    if (!QImageWriter::supportedImageFormats().contains(format))
        QSKIP("no writer for this format here");
    QRandomGenerator rng(3);
    const QImage picture = TestUtils::randomImage(rng, 32, 32, QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(writerQuality(format, 50));
    QVERIFY2(writer.write(picture), qPrintable(writer.errorString()));
    const QImage back = QImage::fromData(bytes, format).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(back.isNull(), false);
    QCOMPARE(back != picture, writerIsLossy(format));
}

QTEST_GUILESS_MAIN(TestOutputQuality)
#include "tst_outputquality.moc"
