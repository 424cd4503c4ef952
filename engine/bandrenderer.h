#pragma once

#include "reflectionsettings.h"

#include <QImage>
#include <QList>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>

class BandPool;
class HeldRows;
class ReflectionLines;

// The reflection rendered band by band, for a photo that is decoded a band
// of rows at a time and a result that is encoded so, with the same pixels
// ComposeReflection gives for the whole picture.
//
// It holds only what the settings need. The reflection depends on the
// mirrored lines alone (the blur is clipped to the reflection's own lines),
// so bottom passes the photo's rows straight through, keeps the last
// `reflected` of them and renders their reflection once they are all in;
// top reads the photo twice: its first rows for the reflection, which comes
// first, then all of them. Left and right render each band of rows with
// the rows the blur reaches above and below it.
class BandRenderer
{
public:
    // The photo rows [first, first + count) one reading of the photo hands
    // over, in order.
    struct Pass
    {
        int first;
        int count;
    };
    // Takes a finished band of the result; false stops the rendering.
    using Sink = std::function<bool(QImage band)>;

    // `format` is the bands' format, renderingFormat() of the photo's. An
    // `opaque` photo's mirrored rows are held without their alpha.
    BandRenderer(const QSize &photo, QImage::Format format, const ReflectionSettings &settings,
                 bool opaque = false);
    ~BandRenderer();
    BandRenderer(const BandRenderer &) = delete;
    BandRenderer &operator=(const BandRenderer &) = delete;

    // Where new bands come from, when they can be used again.
    void setPool(BandPool *bands) { pool = bands; }
    // The photo rows it keeps for the reflection, of the first pass, when
    // the photo's reader may keep them instead; then setHeldRows() hands
    // over the rows the reader keeps.
    std::optional<Pass> keptRows() const;
    void setHeldRows(std::shared_ptr<HeldRows> rows);

    // The result's size; empty when the trim leaves no row.
    QSize resultSize() const { return result; }
    QList<Pass> passes() const;
    // The next band of the current pass.
    bool take(const QImage &band, const Sink &sink);
    // The current pass is complete; the next one follows, if any.
    bool endPass(const Sink &sink);

    // Bytes held at the peak for such a photo, beside the bands in flight;
    // `keptBytes`, when not negative, those of the rows keptRows() names
    // as the photo's reader keeps them.
    static qint64 heldBytes(const QSize &photo, const ReflectionSettings &settings, bool opaque,
                            qint64 keptBytes = -1);

private:
    bool flushWindow(bool final, const Sink &sink);
    bool emitRows(const QImage &picture, int first, int count, const Sink &sink);
    bool emitGap(const Sink &sink);
    void reflectHeld();
    void hold(const QImage &band, int bandRow, int heldRow, int count);
    const quint32 *heldLine(int row, quint32 *scratch) const;
    bool emitReflection(const Sink &sink);
    QImage newBand(int width, int rows) const;

    const QSize photo;
    const QImage::Format format;
    QImage::Format heldFormat; // RGB888 for opaque 8-bit photos: three quarters of the memory
    const ReflectionSettings settings;
    bool vertical;
    bool nearStart;
    int kept = 0, reflected = 0, gap = 0;
    int radius = 0; // the blur's largest radius
    QSize result;

    int pass = 0;
    int position = 0; // rows of the current pass taken so far
    QImage held;      // top and bottom: the mirrored rows, then their reflection
    // Top and bottom without blur: the reflection is made a line at a time
    // as it is handed on, rather than held a second time.
    std::unique_ptr<ReflectionLines> lines;
    BandPool *pool = nullptr;
    std::shared_ptr<HeldRows> heldRows; // kept by the reader, in place of `held`
    QImage window;                      // left and right: the rows a band's blur reaches
    int windowFirst = 0, windowRows = 0, nextRow = 0, bandRows = 0;
};
