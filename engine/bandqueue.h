#pragma once

#include <QImage>

#include <condition_variable>
#include <deque>
#include <mutex>

// A bounded queue of bands of rows between two threads of a streamed
// conversion: the producer waits while it is full, the consumer while it
// is empty. Either side may stop it (a failure, or the end), and every wait
// returns then, so no thread is left blocked when another gives up.
class BandQueue
{
public:
    explicit BandQueue(int capacity) : capacity(capacity) {}

    // False when the queue was stopped before the band could be put in.
    bool put(QImage band)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stopped || int(bands.size()) < capacity; });
        if (stopped)
            return false;
        bands.push_back(std::move(band));
        changed.notify_all();
        return true;
    }

    // The next band; false once the queue is empty and finished, or stopped.
    bool take(QImage &band)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stopped || finished || !bands.empty(); });
        if (stopped || bands.empty())
            return false;
        band = std::move(bands.front());
        bands.pop_front();
        changed.notify_all();
        return true;
    }

    // No more bands will come; those queued are still taken.
    void finish()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        finished = true;
        changed.notify_all();
    }

    // Gives up: waiting threads return at once and queued bands are dropped.
    void stop()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopped = true;
        bands.clear();
        changed.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QImage> bands;
    const int capacity;
    bool finished = false;
    bool stopped = false;
};
