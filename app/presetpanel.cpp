#include "presetpanel.h"

#include "failuremessage.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

PresetPanel::PresetPanel(QComboBox *chooser, QPushButton *save, QPushButton *remove,
                         std::function<ReflectionPreset()> current, QWidget *dialogParent)
    : QObject(chooser), chooser(chooser), removeButton(remove), current(std::move(current)),
      dialogParent(dialogParent)
{
    chooser->setPlaceholderText(tr("Choose a preset"));
    // activated, not currentIndexChanged: only a person's choice applies a
    // preset, never a list brought up to date.
    connect(chooser, &QComboBox::activated, this, &PresetPanel::choose);
    connect(chooser, &QComboBox::currentIndexChanged, remove,
            [remove](int index) { remove->setEnabled(index >= 0); });
    connect(save, &QPushButton::clicked, this, &PresetPanel::saveCurrent);
    connect(remove, &QPushButton::clicked, this, &PresetPanel::removeChosen);
    // The command line, or another window, may change the folder meanwhile.
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFolder();
        refresh(this->chooser->currentText());
    });
    watchFolder();
    refresh(QString());
}

void PresetPanel::watchFolder()
{
    // Until the folder is made, here or by the command line, the nearest
    // folder above it that exists, to see it come.
    QString path = store.folder();
    while (!QFileInfo(path).isDir() && QFileInfo(path).path() != path)
        path = QFileInfo(path).path();
    if (watcher.directories() == QStringList(path))
        return;
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    watcher.addPath(path);
}

void PresetPanel::refresh(const QString &name)
{
    const QSignalBlocker quiet(chooser);
    chooser->clear();
    chooser->addItems(store.names());
    chooser->setCurrentIndex(chooser->findText(name));
    removeButton->setEnabled(chooser->currentIndex() >= 0);
}

void PresetPanel::choose(int index)
{
    const QString name = chooser->itemText(index);
    QString why;
    const std::optional<ReflectionPreset> preset = store.load(name, &why);
    if (!preset) {
        showFailure(dialogParent, tr("The preset \"%1\" cannot be used.").arg(name), why);
        return;
    }
    emit chosen(*preset);
}

void PresetPanel::saveCurrent()
{
    bool ok = false;
    const QString name = QInputDialog::getText(dialogParent, tr("Save Preset"), tr("Name of the preset:"),
                                               QLineEdit::Normal, chooser->currentText(), &ok);
    if (!ok || name.isEmpty())
        return;
    const QString problem = presetNameProblem(name);
    if (!problem.isEmpty()) {
        showFailure(dialogParent, tr("The preset cannot be saved."), problem);
        return;
    }
    if (store.names().contains(name) &&
        QMessageBox::question(dialogParent, tr("Save Preset"),
                              tr("A preset named \"%1\" exists already. Replace it?").arg(name)) !=
            QMessageBox::Yes)
        return;
    QString why;
    if (!store.save(name, current(), &why)) {
        showFailure(dialogParent, tr("The preset cannot be saved."), why);
        return;
    }
    watchFolder();
    refresh(name);
}

void PresetPanel::removeChosen()
{
    const QString name = chooser->currentText();
    if (chooser->currentIndex() < 0 ||
        QMessageBox::question(dialogParent, tr("Delete Preset"), tr("Delete the preset \"%1\"?").arg(name)) !=
            QMessageBox::Yes)
        return;
    QString why;
    if (!store.remove(name, &why))
        showFailure(dialogParent, tr("The preset \"%1\" cannot be deleted.").arg(name), why);
    refresh(QString());
}
