// Photos and folders dropped on the window: one photo loads as Alt+O would,
// a folder becomes the batch's source folder, several photos a batch of
// just those files.

#include "glassmere.h"
#include "ui_glassmere.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

// The local paths a drop carries; empty when any of it is not a local file.
QStringList droppedPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

void Glassmere::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Glassmere::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    QStringList files, folders;
    for (const QString &path : paths)
        (QFileInfo(path).isDir() ? folders : files) << QFileInfo(path).absoluteFilePath();
    // Folders count only when no file came along: then the first one is the
    // source folder, as a single folder is.
    if (files.isEmpty()) {
        QString dir = folders.first();
        droppedSources.clear();
        ui->txtPicDir->setText(FormatDir(dir));
        ui->tabWidget->setCurrentWidget(ui->tab_6);
        return;
    }
    if (files.size() == 1) {
        ui->tabWidget->setCurrentWidget(ui->tab_5);
        loadPhoto(files.first()); // reports a photo it cannot read, and changes nothing then
        return;
    }
    droppedSources = files;
    ui->txtPicDir->setText(tr("%n dropped photos", nullptr, int(droppedSources.size())));
    ui->tabWidget->setCurrentWidget(ui->tab_6);
}
