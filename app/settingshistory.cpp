#include "settingshistory.h"

namespace {

bool same(const ReflectionSettings &a, const ReflectionSettings &b)
{
    return a.direction == b.direction && a.size == b.size && a.depth == b.depth && a.interval == b.interval &&
           a.bgcolor.r == b.bgcolor.r && a.bgcolor.g == b.bgcolor.g && a.bgcolor.b == b.bgcolor.b &&
           a.transparent == b.transparent && a.opacity == b.opacity && a.blur == b.blur;
}

// Far more than anyone steps back through; each entry is a few bytes.
constexpr qsizetype MaxSteps = 1000;

} // namespace

SettingsHistory::SettingsHistory(const ReflectionSettings &start, QObject *parent)
    : QObject(parent), steps{start}
{}

void SettingsHistory::restart(const ReflectionSettings &start)
{
    steps = {start};
    at = 0;
}

void SettingsHistory::record(const ReflectionSettings &settings)
{
    if (same(settings, steps.at(at)))
        return;
    steps.resize(at + 1);
    steps.append(settings);
    if (steps.size() > MaxSteps)
        steps.removeFirst();
    at = steps.size() - 1;
}

ReflectionSettings SettingsHistory::undo()
{
    if (canUndo())
        --at;
    return steps.at(at);
}

ReflectionSettings SettingsHistory::redo()
{
    if (canRedo())
        ++at;
    return steps.at(at);
}
