// The "all-at-once" tab: every picture of a source folder (and, with
// "Include subfolders", of the folders below it, the tree kept) converted
// into a target folder with the panel's settings, then the target opened in
// the file manager. The rules for which files and under which names live in
// batchrules, shared with glassmere-reflect; the run itself is a BatchJob in
// worker processes (or threads where glassmere-reflect is missing), so the
// window stays usable, a decoder crash costs one picture, and the editor's
// photo is never touched.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "batchjob.h"
#include "batchrules.h"

#include <QDesktopServices>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace {

// Failures named in the closing message; the rest are only counted.
constexpr int NamedFailures = 5;

void openInFileManager(const QString &dir)
{
#ifdef Q_OS_WIN
    // As an argument, not a command line, so a folder with spaces works.
    QProcess::startDetached(QStringLiteral("explorer"), {QDir::toNativeSeparators(dir)});
#else
    QDesktopServices::openUrl(QUrl::fromLocalFile(dir));
#endif
}

} // namespace

void Glassmere::AddPicDir()
{
    QString dir =
        QFileDialog::getExistingDirectory(this, tr("Select a photo where the folder"), ui->txtPicDir->text(),
                                          QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (dir.isEmpty())
        return;
    droppedSources.clear();
    ui->txtPicDir->setText(FormatDir(dir));
}

void Glassmere::PicResultDir()
{
    // Starts at the source folder: the target is usually beside it.
    QString dir = QFileDialog::getExistingDirectory(
        this, tr("Select a folder to save processing results."), ui->txtPicDir->text(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (dir.isEmpty())
        return;
    ui->txtResultDir->setText(FormatDir(dir));
}

QString Glassmere::FormatDir(QString &dir)
{
    const QString absolute = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
#ifdef Q_OS_WIN
    QString result = QDir::toNativeSeparators(absolute);
    if (!result.endsWith(QLatin1Char('\\')))
        result += QLatin1Char('\\');
    // The longest path the Windows file functions take without the \\?\ prefix.
    if (result.size() > 259)
        return dir;
#else
    const QString result = absolute.endsWith(QLatin1Char('/')) ? absolute : absolute + QLatin1Char('/');
#endif
    if (!QDir::setCurrent(absolute))
        return dir;
    return result;
}

QStringList Glassmere::ListPicFiles(const QString &dir)
{
    return listBatchPictures(dir);
}

void Glassmere::on_btCovPics_clicked()
{
    if (batchJob && batchJob->isRunning())
        return; // one run at a time
    const QString sourceDir = ui->txtPicDir->text();
    const QString targetDir = ui->txtResultDir->text();
    // QDir("") is the current directory, so an empty text is tested apart.
    const bool dropped = !droppedSources.isEmpty();
    if ((!dropped && (sourceDir.isEmpty() || !QDir(sourceDir).exists())) || targetDir.isEmpty() ||
        !QDir(targetDir).exists()) {
        QMessageBox::warning(this, tr("Failure"), tr("Selected directory error."), QMessageBox::Ok,
                             QMessageBox::NoButton);
        return;
    }

    // Dropped photos are a batch of just those files, whatever the box says.
    const bool tree = !dropped && ui->cbSubfolders->isChecked();
    QList<TreePicture> pictures;
    if (tree) {
        pictures = listBatchPicturesRecursive(sourceDir);
    } else {
        const QStringList files = dropped ? droppedSources : ListPicFiles(sourceDir);
        for (const QString &file : files)
            pictures.append({file, QString()});
    }

    // With the target on the source, every output would replace a source
    // picture, or in transparent mode land among them; a link in the target
    // pointing at a source would do the same. Refused before any write.
    if (!dropped && isSameFolder(sourceDir, targetDir)) {
        QMessageBox::warning(this, tr("Failure"),
                             tr("The target directory is the source directory. The source pictures are never "
                                "written over: choose another target directory."),
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    // The outputs would be listed as sources by the next run.
    if (tree && liesInside(targetDir, sourceDir)) {
        QMessageBox::warning(this, tr("Failure"),
                             tr("The target directory lies inside the source directory. With subfolders "
                                "included, choose a target directory outside it."),
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    const SourceClash clash = findSourceClash(pictures, targetDir, transparent);
    if (!clash.isNull()) {
        QMessageBox::warning(
            this, tr("Failure"),
            tr("\"%1\" would replace the source picture \"%2\". The source pictures are never "
               "written over: choose another target directory.")
                .arg(QDir::toNativeSeparators(clash.output), QDir::toNativeSeparators(clash.source)),
            QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }

    if (!batchJob) {
        batchJob = new BatchJob(this);
        connect(batchJob, &BatchJob::progress, this, &Glassmere::batchProgress);
        connect(batchJob, &BatchJob::finished, this, &Glassmere::batchFinished);
    }
    batchTarget = targetDir;
    ui->progressBar->reset();
    ui->progressBar->setRange(0, int(pictures.size()));
    ui->progressBar->setValue(0);
    ui->lblBatchFile->clear();
    showBatchRunning(true);
    // Settings read once: every picture gets what the panel shows now. The
    // photo information goes along as export keeps it by default.
    const int quality = ui->spinBatchQuality->value();
    batchJob->setWriteOptions(quality > 0 ? quality : -1, MetadataPolicy::Keep, ui->spinBatchWidth->value());
    batchJob->start(pictures, targetDir, GatherSettings());
}

void Glassmere::on_btCancelBatch_clicked()
{
    if (!batchJob || !batchJob->isRunning())
        return;
    batchJob->cancel();
    ui->btCancelBatch->setEnabled(false);
    ui->lblBatchFile->setText(tr("Stopping..."));
    ui->lblBatchFile->setAccessibleName(ui->lblBatchFile->text());
}

void Glassmere::closeEvent(QCloseEvent *event)
{
    // No worker may outlive the window, and no message of a run may pop up
    // once it is closed.
    if (batchJob && batchJob->isRunning()) {
        batchJob->stop();
        showBatchRunning(false);
    }
    QMainWindow::closeEvent(event);
}

void Glassmere::showBatchRunning(bool running)
{
    ui->btCovPics->setEnabled(!running);
    ui->progressBar->setVisible(running);
    ui->lblBatchFile->setVisible(running);
    ui->btCancelBatch->setVisible(running);
    ui->btCancelBatch->setEnabled(running);
    // The progress takes the quality's and the width's place while a run
    // goes on.
    ui->lblBatchQuality->setVisible(!running);
    ui->spinBatchQuality->setVisible(!running);
    ui->lblBatchWidth->setVisible(!running);
    ui->spinBatchWidth->setVisible(!running);
}

void Glassmere::batchProgress(int done, int total, const QString &current)
{
    ui->progressBar->setRange(0, total);
    ui->progressBar->setValue(done);
    if (!ui->btCancelBatch->isEnabled())
        return; // "Stopping..." stays
    QLabel *label = ui->lblBatchFile;
    label->setText(label->fontMetrics().elidedText(current, Qt::ElideMiddle, label->width()));
    label->setToolTip(current);
    // Whole, not elided, for a screen reader: each change is announced.
    label->setAccessibleName(tr("%1 of %2 converted; now %3").arg(done).arg(total).arg(current));
}

void Glassmere::batchFinished(const BatchSummary &summary)
{
    showBatchRunning(false);
    const QString into = QDir::toNativeSeparators(batchTarget);
    const QString stopped = tr("Stopped after %1 of %2 pictures; the other %3 were not converted.")
                                .arg(summary.total - summary.notTried())
                                .arg(summary.total)
                                .arg(summary.notTried());

    if (!summary.failures.isEmpty()) {
        QStringList named;
        for (const BatchSummary::Failure &f : summary.failures.mid(0, NamedFailures)) {
            const QString name = QFileInfo(f.source).fileName();
            switch (f.outcome.step) {
            case BatchOutcome::ReadFailed:
                named.append(tr("%1: cannot be read (%2)").arg(name, f.outcome.why));
                break;
            case BatchOutcome::RenderFailed:
                named.append(tr("%1: cannot be rendered (%2)").arg(name, f.outcome.why));
                break;
            default:
                named.append(tr("%1: %2 cannot be written (%3)")
                                 .arg(name, QDir::toNativeSeparators(f.output), f.outcome.why));
                break;
            }
        }
        const int failed = int(summary.failures.size());
        QString text = tr("%1 of %2 pictures could not be converted:").arg(failed).arg(summary.total);
        text += QLatin1String("\n\n") + named.join(QLatin1Char('\n'));
        if (failed > named.size())
            text += QLatin1Char('\n') + tr("and %1 more.").arg(failed - named.size());
        if (summary.cancelled)
            text += QLatin1String("\n\n") + stopped;
        QMessageBox::warning(this, tr("Failure"), text, QMessageBox::Ok, QMessageBox::NoButton);
    } else if (summary.cancelled) {
        QMessageBox::information(
            this, tr("Stopped"),
            tr("Converted %1 of %2 pictures into %3, then stopped; the other %4 were not "
               "converted.")
                // In one call, so a % in the folder name stays as it is.
                .arg(QString::number(summary.converted), QString::number(summary.total), into,
                     QString::number(summary.notTried())),
            QMessageBox::Ok, QMessageBox::NoButton);
    } else {
        const QString text = summary.converted == 1
                                 ? tr("Converted 1 picture into %1.").arg(into)
                                 : tr("Converted %1 pictures into %2.").arg(summary.converted).arg(into);
        QMessageBox::information(this, tr("Success"), text, QMessageBox::Ok, QMessageBox::NoButton);
    }
    // A stopped run is not shown: the user asked it to end.
    if (!summary.cancelled)
        openInFileManager(batchTarget);
}
