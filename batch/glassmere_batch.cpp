// The "all-at-once" tab: every picture of a source folder converted into a
// target folder with the panel's settings, then the target opened in the
// file manager. The rules for which files and under which names live in
// batchrules, shared with glassmere-reflect.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "batchrules.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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
    const QString sourceDir = ui->txtPicDir->text();
    const QString targetDir = ui->txtResultDir->text();
    // QDir("") is the current directory, so an empty text is tested apart.
    if (sourceDir.isEmpty() || !QDir(sourceDir).exists() || targetDir.isEmpty() ||
        !QDir(targetDir).exists()) {
        QMessageBox::warning(this, tr("Failure"), tr("Selected directory error."), QMessageBox::Ok,
                             QMessageBox::NoButton);
        return;
    }

    const QStringList files = ListPicFiles(sourceDir);

    // With the target on the source, every output would replace a source
    // picture, or in transparent mode land among them; a link in the target
    // pointing at a source would do the same. Refused before any write.
    if (isSameFolder(sourceDir, targetDir)) {
        QMessageBox::warning(this, tr("Failure"),
                             tr("The target directory is the source directory. The source pictures are never "
                                "written over: choose another target directory."),
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    const SourceClash clash = findSourceClash(files, targetDir, transparent);
    if (!clash.isNull()) {
        QMessageBox::warning(
            this, tr("Failure"),
            tr("\"%1\" would replace the source picture \"%2\". The source pictures are never "
               "written over: choose another target directory.")
                .arg(QDir::toNativeSeparators(clash.output), QDir::toNativeSeparators(clash.source)),
            QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }

    ui->progressBar->setVisible(true);
    ui->progressBar->reset();
    const int n = int(files.size());
    const int direction = GetDirection(); // once for the whole run
    ui->progressBar->setRange(0, n);

    QStringList failures;
    int failed = 0;
    for (int i = 0; i < n; ++i) {
        ui->progressBar->setValue(i + 1);
        ReflectionSettings settings = GatherSettings();
        settings.direction = direction;
        const QString output = batchOutputPath(targetDir, files.at(i), transparent);
        const BatchOutcome outcome =
            convertBatchPicture(files.at(i), output, settings, sourceImage, reflectionImage);
        if (outcome.ok())
            continue;
        // The run goes on; the failures are told once it is over.
        ++failed;
        if (failures.size() < NamedFailures) {
            const QString name = QFileInfo(files.at(i)).fileName();
            switch (outcome.step) {
            case BatchOutcome::ReadFailed:
                failures.append(tr("%1: cannot be read (%2)").arg(name, outcome.why));
                break;
            case BatchOutcome::RenderFailed:
                failures.append(tr("%1: cannot be rendered (%2)").arg(name, outcome.why));
                break;
            default:
                failures.append(tr("%1: %2 cannot be written (%3)")
                                    .arg(name, QDir::toNativeSeparators(output), outcome.why));
                break;
            }
        }
    }

    ui->progressBar->setVisible(false);

    if (failed > 0) {
        QString text = tr("%1 of %2 pictures could not be converted:").arg(failed).arg(n);
        text += QLatin1String("\n\n") + failures.join(QLatin1Char('\n'));
        if (failed > failures.size())
            text += QLatin1Char('\n') + tr("and %1 more.").arg(failed - failures.size());
        QMessageBox::warning(this, tr("Failure"), text, QMessageBox::Ok, QMessageBox::NoButton);
    }

    openInFileManager(targetDir);
}
