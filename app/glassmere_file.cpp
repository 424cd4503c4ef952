// Loading one photo and exporting its rendering.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "batchrules.h"
#include "failuremessage.h"
#include "photoexporter.h"
#include "photoio.h"
#include "pictureformats.h"
#include "reflection.h"
#include "widgets/dlgloading.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void Glassmere::AddPic()
{
    const QString filter = openFilter(tr("Common Formats")) + tr("All files") + QStringLiteral(" (*)");
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Load a photo"), lastOpenFolder, filter);
    if (!fileName.isEmpty() && loadPhoto(fileName))
        lastOpenFolder = QFileInfo(fileName).absolutePath();
}

void Glassmere::openPhoto(const QString &fileName)
{
    loadPhoto(fileName);
}

bool Glassmere::loadPhoto(const QString &fileName)
{
    // Read into a local picture first: a file that fails to load leaves the
    // photo, its path and the preview as they were.
    QString why;
    QImage photo = readPhoto(fileName, &why);
    if (photo.isNull()) {
        showFailure(this, tr("Photo loads error."),
                    QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), why));
        return false;
    }

    // Kept so that a photo too large to render can be given back.
    const QImage previousSource = sourceImage;
    const QImage previousReflection = reflectionImage;
    const QImage::Format previousFormat = sourceFormat;
    const QString previousSuffix = sourceSuffix;
    const QString previousPath = ui->txtPicSelect->text();

    ui->txtPicSelect->setText(fileName);
    sourceFormat = photo.format();
    sourceImage = std::move(photo).convertToFormat(renderingFormat(sourceFormat));
    reflectionImage = sourceImage;
    sourceSuffix = QFileInfo(fileName).suffix();
    ui->graphicsView->resetTransform();
    previewFitted = true;
    RunReflection();
    if (renderFailed) {
        sourceImage = previousSource;
        reflectionImage = previousReflection;
        sourceFormat = previousFormat;
        sourceSuffix = previousSuffix;
        ui->txtPicSelect->setText(previousPath);
        return false;
    }
    on_pbFit_clicked();
    return true;
}

void Glassmere::on_btSavePic_clicked()
{
    if (sourceImage.isNull()) {
        QMessageBox::information(this, tr("Export Result"), tr("Load a photo first."), QMessageBox::Ok,
                                 QMessageBox::NoButton);
        return;
    }
    // In transparent mode only the formats that keep alpha are offered:
    // any other would write a black gap and no fade.
    const QString filters = exportFilters(transparent).join(QLatin1Char('\n'));
    QString selected = exportFilterFor(sourceSuffix);
    const PictureFormat *own = formatForSuffix(sourceSuffix);
    if (transparent && (!own || !own->keepsAlpha))
        selected = exportFilterFor(QStringLiteral("PNG"));

    const QString fileName = QFileDialog::getSaveFileName(this, tr("Export Reflection Phone"),
                                                          lastExportFolder, filters, &selected);
    if (fileName.isEmpty())
        return;

    const QString shownName = QDir::toNativeSeparators(fileName);
    const PictureFormat *target = formatForSuffix(QFileInfo(fileName).suffix());
    if (transparent && target && !target->keepsAlpha) {
        showFailure(this, tr("Failed to export reflection photo."),
                    tr("%1: only %2 keep the transparency; choose one of them.")
                        .arg(shownName, alphaExportSuffixes().join(QStringLiteral(", "))));
        return;
    }
    if (isSameFile(fileName, ui->txtPicSelect->text())) {
        showFailure(this, tr("Failed to export reflection photo."),
                    tr("%1 is the loaded photo; the source photo is never written over.").arg(shownName));
        return;
    }

    bool written = false;
    QString why;
    QMetaObject::Connection done =
        connect(exporter, &PhotoExporter::finished, this, [&](bool ok, const QString &reason) {
            written = ok;
            why = reason;
            loadingDlg->close();
        });
    exporter->start(reflectionImage, sourceFormat, transparent, fileName);
    ShowLoading();
    disconnect(done);

    if (written)
        lastExportFolder = QFileInfo(fileName).absolutePath();
    if (written)
        QMessageBox::information(this, tr("Success"), tr("Reflection photo has been exported."),
                                 QMessageBox::Ok, QMessageBox::NoButton);
    else
        showFailure(this, tr("Failed to export reflection photo."),
                    QStringLiteral("%1: %2").arg(shownName, why));
}
