// Damaged files of every format through the reader: seeded byte flips and
// cuts of small valid files. The reader must answer each with a picture or
// a one-line reason; under the sanitizers this also catches a decoder that
// reads or writes out of bounds.

#include "hostilefiles.h"
#include "photoio.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

class tst_mutation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readerSurvives_data();
    void readerSurvives();

private:
    QTemporaryDir dir;
};

void tst_mutation::initTestCase()
{
    // Mutated headers claim huge sizes; a small limit keeps each decode short.
    QImageReader::setAllocationLimit(16);
}

void tst_mutation::readerSurvives_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("bytes");
    const QList<HostileFiles::Sample> samples = HostileFiles::samples();
    for (const HostileFiles::Sample &sample : samples)
        QTest::newRow(qPrintable(sample.first)) << sample.first << sample.second;
}

void tst_mutation::readerSurvives()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, bytes);
    const PhotoAdmission small = [](const QSize &size, QString *why) {
        *why = QStringLiteral("too large");
        return qint64(size.width()) * size.height() <= 1 << 22;
    };
    QRandomGenerator rng(qHash(suffix));
    for (int round = 0; round < 40; ++round) {
        QByteArray damaged = bytes;
        if (round % 3 == 2) {
            damaged.truncate(rng.bounded(int(bytes.size())));
        } else {
            for (int flips = 1 + rng.bounded(8); flips > 0; --flips)
                damaged[rng.bounded(int(damaged.size()))] = char(rng.bounded(256));
        }
        const QString path = dir.filePath(QStringLiteral("m%1.%2").arg(round).arg(suffix));
        QVERIFY(TestUtils::writeFile(path, damaged));
        QString why;
        const QImage image = readPhoto(path, &why, small);
        QVERIFY2(!image.isNull() || (!why.isEmpty() && !why.contains(QLatin1Char('\n'))),
                 qPrintable(QStringLiteral("round %1: %2").arg(round).arg(why)));
    }
}

QTEST_MAIN(tst_mutation)
#include "tst_mutation.moc"
