#include "memoryshare.h"

#include <algorithm>

void MemoryShare::ask(int holder, qint64 bytes)
{
    release(holder);
    waiting.push_back({holder, std::clamp<qint64>(bytes, 0, limit)});
}

std::vector<int> MemoryShare::grant()
{
    std::vector<int> granted;
    while (!waiting.empty() && waiting.front().bytes <= limit - used) {
        used += waiting.front().bytes;
        held.push_back(waiting.front());
        granted.push_back(waiting.front().holder);
        waiting.pop_front();
    }
    return granted;
}

void MemoryShare::release(int holder)
{
    const auto same = [holder](const Ask &a) { return a.holder == holder; };
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(), same), waiting.end());
    const auto h = std::find_if(held.begin(), held.end(), same);
    if (h != held.end()) {
        used -= h->bytes;
        held.erase(h);
    }
}
