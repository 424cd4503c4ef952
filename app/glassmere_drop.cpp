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
    if (paths.size() == 1 && QFileInfo(paths.first()).isDir()) {
        QString dir = paths.first();
        droppedSources.clear();
        ui->txtPicDir->setText(FormatDir(dir));
        ui->tabWidget->setCurrentWidget(ui->tab_6);
        return;
    }
    if (paths.size() == 1) {
        ui->tabWidget->setCurrentWidget(ui->tab_5);
        loadPhoto(paths.first()); // reports a photo it cannot read, and changes nothing then
        return;
    }
    droppedSources.clear();
    for (const QString &path : paths)
        if (!QFileInfo(path).isDir())
            droppedSources << QFileInfo(path).absoluteFilePath();
    ui->txtPicDir->setText(tr("%n dropped photos", nullptr, int(droppedSources.size())));
    ui->tabWidget->setCurrentWidget(ui->tab_6);
}
