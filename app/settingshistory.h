#pragma once

#include "reflectionsettings.h"

#include <QList>
#include <QObject>

// The settings the panel has shown, one entry for each change the user
// made, so that Undo and Redo can step back and forth through them.
// Whatever recorded the same settings twice in a row is one step.
class SettingsHistory : public QObject
{
    Q_OBJECT

public:
    explicit SettingsHistory(const ReflectionSettings &start, QObject *parent = nullptr);

    // Forgets every step: `start` is all there is.
    void restart(const ReflectionSettings &start);
    // A change the user made: drops whatever could have been redone.
    void record(const ReflectionSettings &settings);
    bool canUndo() const { return at > 0; }
    bool canRedo() const { return at + 1 < steps.size(); }
    // The settings to show; unchanged when there is nothing to step to.
    ReflectionSettings undo();
    ReflectionSettings redo();

private:
    QList<ReflectionSettings> steps;
    qsizetype at = 0; // the entry the panel shows
};
