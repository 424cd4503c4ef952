// Loading one photo and exporting its rendering.

#include "glassmere.h"

#include "photoio.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>

namespace {

// Upper-case suffix -> the save filter that names it.
QHash<QString, QString> exportFormats()
{
    QHash<QString, QString> formats;
    formats.insert(QStringLiteral("BMP"), QStringLiteral("BMP-Windows Bitmap(*.BMP)"));
    formats.insert(QStringLiteral("JPG"), QStringLiteral("JPG-Joint Photographic Experts Group(*.JPG)"));
    formats.insert(QStringLiteral("JPEG"), QStringLiteral("JPEG-Joint Photographic Experts Group(*.JPEG)"));
    formats.insert(QStringLiteral("PNG"), QStringLiteral("PNG-Portable Network Graphics(*.PNG)"));
    formats.insert(QStringLiteral("PPM"), QStringLiteral("Portable Pixmap(*.PPM)"));
    formats.insert(QStringLiteral("TIFF"), QStringLiteral("Tagged Image File Format(*.TIFF)"));
    formats.insert(QStringLiteral("XBM"), QStringLiteral("XBM-X11 Bitmap(*.XBM)"));
    formats.insert(QStringLiteral("XPM"), QStringLiteral("XPM-X11 Pixmap(*.XPM)"));
    formats.insert(QStringLiteral("ICO"), QStringLiteral("Microsoft Icon(*.ICO)"));
    return formats;
}

// The filters in the order the save dialog lists them.
QString exportFilterList(const QHash<QString, QString> &formats)
{
    QStringList filters;
    for (const char *key : {"BMP", "JPG", "JPEG", "PNG", "ICO", "PPM", "TIFF", "XBM", "XPM"})
        filters << formats.value(QLatin1String(key));
    return filters.join(QLatin1Char('\n'));
}

} // namespace

void Glassmere::AddPic()
{
    const QString filter =
        tr("Common Formats") + QStringLiteral("(*.BMP *.GIF *.JPG *.JPEG *.MNG *.PNG *.PBM *.PGM *.PPM "
                                              "*.TIFF *.XBM *.XPM *.SVG *.TGA *.ICO)\n");
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Load a photo"), QString(), filter);
    if (fileName.isEmpty())
        return;

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
    const QString previousPath = ui.txtPicSelect->text();

    ui.txtPicSelect->setText(fileName);
    sourceFormat = photo.format();
    sourceImage = std::move(photo).convertToFormat(QImage::Format_ARGB32);
    reflectionImage = sourceImage;
    sourceSuffix = QFileInfo(fileName).suffix();
    ui.graphicsView->resetTransform();
    RunReflection();
    if (renderFailed) {
        sourceImage = previousSource;
        reflectionImage = previousReflection;
        sourceFormat = previousFormat;
        sourceSuffix = previousSuffix;
        ui.txtPicSelect->setText(previousPath);
        return;
    }
    on_pbFit_clicked();
}

void Glassmere::on_btSavePic_clicked()
{
    const QHash<QString, QString> formats = exportFormats();
    const QString filters = exportFilterList(formats);
    const QString suffix = sourceSuffix.toUpper();
    QString selected = formats.value(suffix);

    if (transparent) {
        // Keep the alpha channel: PNG unless the photo's own format has one.
        if (suffix != QLatin1String("ICO") && suffix != QLatin1String("TIFF"))
            selected = formats.value(QStringLiteral("PNG"));
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
