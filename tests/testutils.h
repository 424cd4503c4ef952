#pragma once

#include <QImage>
#include <QRandomGenerator>
#include <QString>

namespace TestUtils {

inline QString pathForTestFile(const QString &name)
{
    return QStringLiteral(GLASSMERE_TEST_DATA_DIR "/") + name;
}

// Empty when both pictures have the same size, format and pixels; otherwise
// says where they first differ, for the failure message.
inline QString imageDifference(const QImage &actual, const QImage &expected)
{
    if (actual.isNull() != expected.isNull())
        return QStringLiteral("null %1, expected null %2").arg(actual.isNull()).arg(expected.isNull());
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    if (actual.format() != expected.format())
        return QStringLiteral("format %1, expected %2").arg(actual.format()).arg(expected.format());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y), 8, 16, QLatin1Char('0'))
                    .arg(expected.pixel(x, y), 8, 16, QLatin1Char('0'));
    return QString();
}

// A picture of random pixels, alpha included.
inline QImage randomImage(QRandomGenerator &rng, int w, int h, QImage::Format format = QImage::Format_ARGB32)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, rng.generate());
    return format == QImage::Format_ARGB32 ? img : img.convertToFormat(format);
}

} // namespace TestUtils

#define QCOMPARE_IMAGES(actual, expected)                                                                    \
    do {                                                                                                     \
        const QString difference_ = TestUtils::imageDifference((actual), (expected));                        \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                                            \
    } while (false)
