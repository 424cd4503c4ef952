// Loading one photo and exporting its rendering.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "batchrules.h"
#include "failuremessage.h"
#include "outputquality.h"
#include "photoexporter.h"
#include "photoio.h"
#include "pictureformats.h"
#include "reflection.h"
#include "widgets/dlgloading.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

#include <algorithm>

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

    // Read with the picture; a photo without any gives an empty value, and a
    // damaged block costs the information only, never the photo.
    PhotoMetadata metadata = PhotoMetadata::read(fileName);
    return adoptPhoto(std::move(photo), fileName, fileName, std::move(metadata));
}

bool Glassmere::adoptPhoto(QImage photo, const QString &shownName, const QString &path,
                           PhotoMetadata metadata)
{
    // Kept so that a photo too large to render can be given back.
    const QImage previousSource = sourceImage;
    const QImage previousReflection = reflectionImage;
    const QImage::Format previousFormat = sourceFormat;
    const QString previousSuffix = sourceSuffix;
    const QString previousPath = sourcePath;
    const QString previousShown = ui->txtPicSelect->text();

    ui->txtPicSelect->setText(shownName);
    sourcePath = path;
    sourceFormat = photo.format();
    sourceImage = std::move(photo).convertToFormat(renderingFormat(sourceFormat));
    reflectionImage = sourceImage;
    // A picture without a file is exported as PNG, which keeps everything.
    sourceSuffix = path.isEmpty() ? QStringLiteral("png") : QFileInfo(path).suffix();
    ui->graphicsView->resetTransform();
    previewFitted = true;
    RunReflection();
    if (renderFailed) {
        sourceImage = previousSource;
        reflectionImage = previousReflection;
        sourceFormat = previousFormat;
        sourceSuffix = previousSuffix;
        sourcePath = previousPath;
        ui->txtPicSelect->setText(previousShown);
        return false;
    }
    sourceMetadata = std::move(metadata);
    // A pasted picture has no file to convert again on export.
    const ExportSource file = path.isEmpty() ? ExportSource() : ExportSource::of(path);
    renderedFrom.path = file.path;
    renderedFrom.size = file.size;
    renderedFrom.modified = file.modified;
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
    const QStringList filters = exportFilters(transparent);
    QString selected = exportFilterFor(sourceSuffix);
    const PictureFormat *own = formatForSuffix(sourceSuffix);
    if (transparent && (!own || !own->keepsAlpha))
        selected = exportFilterFor(QStringLiteral("PNG"));

    // Qt's own dialog, since the platform's cannot take the two controls
    // added below the file type.
    QFileDialog dialog(this, tr("Export Reflection Phone"), lastExportFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(selected);
    auto *quality = new QSpinBox(&dialog);
    quality->setObjectName(QStringLiteral("exportQuality"));
    quality->setRange(0, 100); // 0 shows as "default"
    quality->setSpecialValueText(tr("default"));
    quality->setValue(std::max(exportQuality, 0));
    quality->setToolTip(tr("JPEG, WebP and AVIF: a higher quality keeps more detail in a larger file; "
                           "\"default\" is the writer's own."));
    auto *qualityLabel = new QLabel(tr("&Quality:"), &dialog);
    qualityLabel->setBuddy(quality);
    auto *width = new QSpinBox(&dialog);
    width->setObjectName(QStringLiteral("exportWidth"));
    width->setRange(0, MaxExportWidth); // 0 shows as "full size"
    width->setSpecialValueText(tr("full size"));
    width->setSuffix(tr(" px"));
    width->setValue(exportWidth);
    width->setToolTip(tr("Scale the result down to this width in pixels, keeping its shape; never up. "
                         "\"full size\" keeps the size."));
    auto *widthLabel = new QLabel(tr("&Width:"), &dialog);
    widthLabel->setBuddy(width);
    auto *strip =
        new QCheckBox(tr("Leave out the photo &information (camera, date, place, colour profile)"), &dialog);
    strip->setObjectName(QStringLiteral("exportStripMetadata"));
    strip->setChecked(exportStripsMetadata);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(qualityLabel, row, 0);
        grid->addWidget(quality, row, 1, Qt::AlignLeft);
        grid->addWidget(widthLabel, row + 1, 0);
        grid->addWidget(width, row + 1, 1, Qt::AlignLeft);
        grid->addWidget(strip, row + 2, 1);
    }
    // The quality is offered for the lossy formats only: the one the typed
    // name ends with, else the chosen file type's.
    auto *nameBox = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    const auto followFormat = [&dialog, quality, nameBox] {
        const PictureFormat *format =
            nameBox ? formatForSuffix(QFileInfo(nameBox->text()).suffix()) : nullptr;
        for (const PictureFormat &row : pictureFormats())
            if (!format && row.exportFilter && dialog.selectedNameFilter() == QLatin1String(row.exportFilter))
                format = &row;
        quality->setEnabled(format && format->writer && writerIsLossy(format->writer));
    };
    connect(&dialog, &QFileDialog::filterSelected, quality, followFormat);
    if (nameBox)
        connect(nameBox, &QLineEdit::textChanged, quality, followFormat);
    followFormat();
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString fileName = dialog.selectedFiles().value(0);
    if (fileName.isEmpty())
        return;
    exportQuality = quality->value() > 0 ? quality->value() : -1;
    exportWidth = width->value();
    exportStripsMetadata = strip->isChecked();

    const QString shownName = QDir::toNativeSeparators(fileName);
    const PictureFormat *target = formatForSuffix(QFileInfo(fileName).suffix());
    if (transparent && target && !target->keepsAlpha) {
        showFailure(this, tr("Failed to export reflection photo."),
                    tr("%1: only %2 keep the transparency; choose one of them.")
                        .arg(shownName, alphaExportSuffixes().join(QStringLiteral(", "))));
        return;
    }
    if (!sourcePath.isEmpty() && isSameFile(fileName, sourcePath)) {
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
    exporter->start(reflectionImage, sourceFormat, transparent, fileName,
                    {exportQuality, sourceMetadata,
                     exportStripsMetadata ? MetadataPolicy::StripAll : MetadataPolicy::Keep},
                    exportWidth, renderedFrom);
    ShowLoading(tr("Saving the photo"));
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
