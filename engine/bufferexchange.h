#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

// A fixed set of buffers passed back and forth between two threads: the
// producer takes an empty one, fills it and puts it back full; the consumer
// takes it full and gives it back empty. Between them they never hold more
// than the set, whatever their speeds. Either side may stop the exchange
// (a failure), and every wait then returns null; after finish(), the
// consumer gets null once it has taken the last full buffer.
template <typename Buffer>
class BufferExchange
{
public:
    explicit BufferExchange(int count) : buffers(size_t(count))
    {
        for (Buffer &buffer : buffers)
            empty.push_back(&buffer);
    }
    BufferExchange(const BufferExchange &) = delete;
    BufferExchange &operator=(const BufferExchange &) = delete;

    // Every buffer, to size them before the threads start.
    std::vector<Buffer> &all() { return buffers; }

    Buffer *takeEmpty() { return take(empty); }
    Buffer *takeFull() { return take(full); }
    void putFull(Buffer *buffer) { put(full, buffer); }
    void putEmpty(Buffer *buffer) { put(empty, buffer); }

    // No more full buffers will come.
    void finish()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        changed.notify_all();
    }

    void stop()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopped = true;
        changed.notify_all();
    }

private:
    Buffer *take(std::deque<Buffer *> &from)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stopped || (done && &from == &full) || !from.empty(); });
        if (stopped || from.empty())
            return nullptr;
        Buffer *buffer = from.front();
        from.pop_front();
        return buffer;
    }

    void put(std::deque<Buffer *> &to, Buffer *buffer)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        to.push_back(buffer);
        changed.notify_all();
    }

    std::vector<Buffer> buffers;
    std::deque<Buffer *> empty, full;
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    bool stopped = false;
};
