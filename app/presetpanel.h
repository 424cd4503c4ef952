#pragma once

#include "presets.h"

#include <QFileSystemWatcher>
#include <QObject>

#include <functional>

QT_BEGIN_NAMESPACE
class QComboBox;
class QPushButton;
class QWidget;
QT_END_NAMESPACE

// The named presets in the settings panel: a chooser listing the stored
// presets and buttons to save the panel's settings under a name and to
// delete the chosen one. The files are the command line's, so a preset
// saved here is one for `glassmere-reflect --preset` and the other way
// round; the list follows the folder while the window is open.
class PresetPanel : public QObject
{
    Q_OBJECT

public:
    // `current` reads the settings a save stores; the dialogs open over
    // `dialogParent`.
    PresetPanel(QComboBox *chooser, QPushButton *save, QPushButton *remove,
                std::function<ReflectionPreset()> current, QWidget *dialogParent);

signals:
    // A preset picked in the chooser, read from its file just now.
    void chosen(const ReflectionPreset &preset);

private:
    // Lists the presets again, showing `name` if it is one of them and the
    // chooser's own text otherwise.
    void refresh(const QString &name);
    void choose(int index);
    void saveCurrent();
    void removeChosen();
    void watchFolder();

    QComboBox *chooser;
    QPushButton *removeButton;
    std::function<ReflectionPreset()> current;
    QWidget *dialogParent;
    PresetStore store;
    QFileSystemWatcher watcher;
};
