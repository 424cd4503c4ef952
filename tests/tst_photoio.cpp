// Reading and writing photos: the camera's orientation, Qt's decode limit,
// writes that never destroy an existing file, and the picture written for
// each mode.

#include "photoio.h"
#include "testutils.h"

#include <QImageReader>
#include <QtTest>

namespace {

// A minimal Exif block (APP1) holding only the orientation tag, big-endian.
QByteArray exifOrientation(quint16 orientation)
{
    QByteArray tiff;
    tiff += "MM";
    tiff += QByteArray::fromHex("002a00000008");       // magic 42, first IFD at offset 8
    tiff += QByteArray::fromHex("0001");               // one entry
    tiff += QByteArray::fromHex("011200030000000100"); // tag 0x0112, SHORT, count 1, value:
    tiff += char(orientation);
    tiff += QByteArray(2, '\0'); // pad the 4-byte value field
    tiff += QByteArray(4, '\0'); // no next IFD
    QByteArray payload = QByteArray("Exif", 4) + QByteArray(2, '\0') + tiff;
    QByteArray segment = QByteArray::fromHex("ffe1");
    const quint16 length = quint16(payload.size() + 2);
    segment += char(length >> 8);
    segment += char(length & 0xff);
    return segment + payload;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

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

// A camera held upright stores a landscape frame tagged "turn clockwise".
void tst_photoio::appliesCameraOrientation()
{
    QImage frame(40, 20, QImage::Format_RGB32);
    frame.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            frame.setPixel(x, y, qRgb(0, 0, 255));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(frame.save(&buffer, "JPG", 95));
    QByteArray jpeg = buffer.data();
    jpeg.insert(2, exifOrientation(6)); // right after the SOI marker
    const QString path = dir.filePath(QStringLiteral("upright.jpg"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(jpeg);
    f.close();

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
    const QImage photo = readPhoto(path);
    QCOMPARE(photo.size(), QSize(10000, 10000));
}

void tst_photoio::unreadableFiles()
{
    QString why;
    QVERIFY(readPhoto(dir.filePath(QStringLiteral("missing.png")), &why).isNull());
    QVERIFY(!why.isEmpty());

    const QString fake = dir.filePath(QStringLiteral("notes.png"));
    QFile f(fake);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("these are not pixels");
    f.close();
    why.clear();
    QVERIFY(readPhoto(fake, &why).isNull());
    QVERIFY(!why.isEmpty());
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
        QImageReader reader(path);
        QCOMPARE(reader.format(), QFileInfo(path).suffix().toLower().toLatin1());
    }
    // Replacing an existing file works, and leaves no temporary files behind.
    const QString path = out.filePath(QStringLiteral("out.png"));
    QImage other(3, 3, QImage::Format_ARGB32);
    other.fill(Qt::green);
    QVERIFY(writePhoto(other, path));
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
}

void tst_photoio::failedWriteKeepsExistingFile()
{
    QFETCH(QString, name);
    QFETCH(bool, nullPicture);
    const QString path = dir.filePath(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("precious");
    f.close();

    QImage img(4, 4, QImage::Format_ARGB32);
    img.fill(Qt::blue);
    QString why;
    QVERIFY(!writePhoto(nullPicture ? QImage() : img, path, &why));
    QVERIFY(!why.isEmpty());
    QCOMPARE(readAll(path), QByteArray("precious"));

    // A name taken by a folder cannot be written either, and the folder stays.
    const QString folder = dir.filePath(QStringLiteral("taken.png"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!writePhoto(img, folder, &why));
    QVERIFY(QFileInfo(folder).isDir());
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
    // The caller's picture is not converted behind its back.
    QCOMPARE(rendering.format(), QImage::Format_ARGB32);
}

QTEST_MAIN(tst_photoio)
#include "tst_photoio.moc"
