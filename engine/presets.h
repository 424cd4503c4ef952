#pragma once

#include "reflectionsettings.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

// Named sets of reflection settings, one small INI file per name that a
// person can read and edit:
//
//   [reflection]
//   side=bottom
//   size=38
//   depth=30
//   interval=0
//   colour=#ffffff
//   transparent=false
//   opacity=100
//   blur=0
//
// A key left out takes its default; keys this version does not know are
// ignored, so a newer program's files still load.

struct ReflectionPreset
{
    int direction = ReflectionSettings::Bottom; // ReflectionSettings::Direction
    int size = 38;                              // 0..100
    int depth = 30;                             // 0..100
    int interval = 0;                           // -80..100
    QColor colour = Qt::white;
    bool transparent = false;
    int opacity = 100; // 0..100
    int blur = 0;      // 0..100
};

bool operator==(const ReflectionPreset &a, const ReflectionPreset &b);
inline bool operator!=(const ReflectionPreset &a, const ReflectionPreset &b)
{
    return !(a == b);
}

// Conversions for the fields ReflectionSettings has.
ReflectionPreset presetFromSettings(const ReflectionSettings &settings);
void applyPreset(const ReflectionPreset &preset, ReflectionSettings &settings);

// The names of the sides as the command line and preset files write them.
// A direction code outside 0..3 renders as right, and is named so.
QString sideName(int direction);
// The direction code `name` (in any case) stands for, or -1.
int sideFromName(const QString &name);

// Shared by the window and the command line, whatever each calls itself:
// <user configuration folder>/glassmere/presets.
QString defaultPresetFolder();

// Empty when `name` can be a preset's name, otherwise why not. Names become
// file names, so they cannot hold path separators or control characters,
// start with a dot or a space, or end in a space.
QString presetNameProblem(const QString &name);

class PresetStore
{
public:
    explicit PresetStore(const QString &folder = defaultPresetFolder());

    QString folder() const { return dir; }

    // The names of the presets in the folder, sorted regardless of case.
    QStringList names() const;

    // Writes (or replaces) the preset; the file is replaced only once the
    // new one is complete.
    bool save(const QString &name, const ReflectionPreset &preset, QString *errorString = nullptr) const;

    // The preset, or nothing with one reason (a missing file, a value that
    // is not a number, out of range...) in `errorString`.
    std::optional<ReflectionPreset> load(const QString &name, QString *errorString = nullptr) const;

    bool remove(const QString &name, QString *errorString = nullptr) const;

    // Where the named preset lives.
    QString filePath(const QString &name) const;

private:
    QString dir;
};
