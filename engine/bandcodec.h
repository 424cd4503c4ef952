#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class QIODevice;

// Rows of a photo kept for later by its reader, in the most compact form
// the reader has for them, and turned into pixels again on demand.
class HeldRows
{
public:
    virtual ~HeldRows() = default;
    // Kept row `index` (0 the first kept) in Format_ARGB32, in `scratch`
    // (as wide as the photo) or in memory of its own.
    virtual const quint32 *row(int index, quint32 *scratch) = 0;
    // Bytes held per kept row.
    virtual qint64 bytesPerRow() const = 0;
};

// A picture read or written a band of rows at a time, from the top, for the
// streamed road. Bands are in Format_ARGB32, the renderer's own format.
// Errors never leave the object: every call returns false with the reason.

class BandReader
{
public:
    virtual ~BandReader() = default;
    // Reads the header of the picture at `path`.
    virtual bool open(const QString &path, QString *why) = 0;
    virtual QSize size() const = 0;
    // Whether the streamed road takes this picture: a kind it reads exactly
    // as Qt's reader does.
    virtual bool isCovered() const = 0;
    // Some pixel may be less than opaque.
    virtual bool hasAlpha() const = 0;
    // Reads the next `band.height()` rows into `band`.
    virtual bool read(QImage &band, QString *why) = 0;
    // Reads and drops `rows` rows.
    bool skip(int rows, QString *why)
    {
        QImage row(size().width(), 1, QImage::Format_ARGB32);
        for (int y = 0; y < rows; ++y)
            if (!read(row, why))
                return false;
        return true;
    }
    // Reads what is left of the file, so that damage after the rows used
    // fails the picture as the whole-picture road's reading fails it.
    virtual bool finish(QString *why) = 0;
    // Bytes it holds besides the band, once open: a TIFF's strip.
    virtual qint64 heldBytes() const { return 0; }
    // Keeps the rows [first, first + count) of those it will read, before
    // reading them, when it has a form of them more compact than pixels;
    // null, with the reason in `why`, when it cannot.
    virtual std::shared_ptr<HeldRows> keepRows(int first, int count, QString *why)
    {
        Q_UNUSED(first);
        Q_UNUSED(count);
        *why = QStringLiteral("the rows are not kept");
        return nullptr;
    }
    // Bytes keepRows(first, count) would hold; -1 when it keeps none.
    virtual qint64 keptBytes(int first, int count) const
    {
        Q_UNUSED(first);
        Q_UNUSED(count);
        return -1;
    }
};

class BandWriter
{
public:
    virtual ~BandWriter() = default;
    // Starts a picture of `size` on `device`, with an alpha channel or
    // without; `quality` as writePhoto takes it.
    virtual bool start(QIODevice *device, const QSize &size, bool alpha, int quality, QString *why) = 0;
    // Writes the rows of `band`, the next ones from the top.
    virtual bool write(const QImage &band, QString *why) = 0;
    // Writes the end of the file once every row is written.
    virtual bool finish(QString *why) = 0;
    // Bytes it will hold besides the band for a picture of `size`: a TIFF's
    // strip.
    virtual qint64 heldBytes(const QSize &size, bool alpha) const
    {
        Q_UNUSED(size);
        Q_UNUSED(alpha);
        return 0;
    }
};
