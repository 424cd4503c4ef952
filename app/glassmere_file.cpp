// Loading one photo and exporting its rendering.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "photoio.h"
#include "pictureformats.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void Glassmere::AddPic()
{
    const QString filter = openFilter(tr("Common Formats"));
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Load a photo"), QString(), filter);
    if (!fileName.isEmpty())
        openPhoto(fileName);
}

void Glassmere::openPhoto(const QString &fileName)
{
    // Read into a local picture first: a file that fails to load leaves the
    // photo, its path and the preview as they were.
    QImage photo = readPhoto(fileName);
    if (photo.isNull()) {
        QMessageBox::warning(this, tr("Failure"), tr("Photo loads error."), QMessageBox::Ok,
                             QMessageBox::NoButton);
        return;
    }

    // Kept so that a photo too large to render can be given back.
    const QImage previousSource = sourceImage;
    const QImage previousReflection = reflectionImage;
    const QImage::Format previousFormat = sourceFormat;
    const QString previousSuffix = sourceSuffix;
    const QString previousPath = ui->txtPicSelect->text();

    ui->txtPicSelect->setText(fileName);
    sourceFormat = photo.format();
    sourceImage = std::move(photo).convertToFormat(QImage::Format_ARGB32);
    reflectionImage = sourceImage;
    sourceSuffix = QFileInfo(fileName).suffix();
    ui->graphicsView->resetTransform();
    RunReflection();
    if (renderFailed) {
        sourceImage = previousSource;
        reflectionImage = previousReflection;
        sourceFormat = previousFormat;
        sourceSuffix = previousSuffix;
        ui->txtPicSelect->setText(previousPath);
        return;
    }
    on_pbFit_clicked();
}

void Glassmere::on_btSavePic_clicked()
{
    const QString filters = exportFilters().join(QLatin1Char('\n'));
    QString selected = exportFilterFor(sourceSuffix);

    if (transparent) {
        // Keep the alpha channel: PNG unless the photo's own format has one.
        const PictureFormat *own = formatForSuffix(sourceSuffix);
        if (!own || !own->keepsAlpha || !own->exportFilter)
            selected = exportFilterFor(QStringLiteral("PNG"));
    } else {
        // Back to the photo's own pixel format, before the dialog opens.
        reflectionImage = outputPicture(std::move(reflectionImage), sourceFormat, false);
    }

    const QString fileName =
        QFileDialog::getSaveFileName(this, tr("Export Reflection Phone"), QString(), filters, &selected);
    if (fileName.isEmpty())
        return;

    if (writePhoto(reflectionImage, fileName))
        QMessageBox::information(this, tr("Success"), tr("Reflection photo has been exported."),
                                 QMessageBox::Ok, QMessageBox::NoButton);
    else
        QMessageBox::warning(this, tr("Failure"), tr("Failed to export reflection photo."), QMessageBox::Ok,
                             QMessageBox::NoButton);
}
