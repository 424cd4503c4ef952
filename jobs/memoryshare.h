#pragma once

#include <QtGlobal>

#include <deque>
#include <vector>

// One memory budget shared by the pictures under way. A holder asks for the
// bytes its picture needs and is granted them once enough is free; asks are
// granted in order, so that a large picture is not passed over forever. A
// holder is a small number, such as a job slot's index.
class MemoryShare
{
public:
    explicit MemoryShare(qint64 limit) : limit(limit) {}

    // Asks for `bytes` for `holder`, at most the whole budget.
    void ask(int holder, qint64 bytes);
    // The holders granted since the last call, in order of asking.
    std::vector<int> grant();
    // Gives back what `holder` holds, or withdraws its ask.
    void release(int holder);

private:
    struct Ask
    {
        int holder;
        qint64 bytes;
    };
    const qint64 limit;
    qint64 used = 0;
    std::deque<Ask> waiting;
    std::vector<Ask> held;
};
