#pragma once

#include <QImage>

#include <mutex>
#include <vector>

// Bands of rows used again between the threads of a streamed conversion.
// A fresh band's memory is faulted in page by page, and on a photo the
// faults cost more than the pixel work; a band its last holder hands back
// is kept for the next one of its size.
class BandPool
{
public:
    QImage take(int width, int rows, QImage::Format format)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            for (auto it = spare.begin(); it != spare.end(); ++it)
                if (it->width() == width && it->height() == rows && it->format() == format) {
                    QImage band = std::move(*it);
                    spare.erase(it);
                    return band;
                }
        }
        return QImage(width, rows, format);
    }

    // Keeps `band` if nobody else holds it, and while there are few spares.
    void give(QImage band)
    {
        if (band.isNull() || !band.isDetached())
            return;
        const std::lock_guard<std::mutex> lock(mutex);
        if (spare.size() < MaxSpare)
            spare.push_back(std::move(band));
    }

private:
    static constexpr size_t MaxSpare = 12;
    std::mutex mutex;
    std::vector<QImage> spare;
};
