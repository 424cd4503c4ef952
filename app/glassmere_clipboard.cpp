// The finished rendering out to the clipboard, for a slide or a document,
// and a picture from the clipboard in as the source.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "clipboardpicture.h"
#include "failuremessage.h"
#include "photoio.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

void Glassmere::copyResult()
{
    if (sourceImage.isNull()) {
        QMessageBox::information(this, tr("Copy Result"), tr("Load a photo first."), QMessageBox::Ok,
                                 QMessageBox::NoButton);
        return;
    }
    // What Export Result would write: the last full rendering, never a
    // frame shown while a slider is dragged.
    QGuiApplication::clipboard()->setMimeData(
        clipboardDataFor(outputPicture(reflectionImage, sourceFormat, transparent)));
}

void Glassmere::pasteSource()
{
    const ClipboardPicture pasted = pictureOnClipboard(QGuiApplication::clipboard()->mimeData());
    if (!pasted.file.isEmpty()) {
        ui->tabWidget->setCurrentWidget(ui->tab_5);
        loadPhoto(pasted.file); // reports a file it cannot read, and changes nothing then
        return;
    }
    if (pasted.image.isNull()) {
        showFailure(this, tr("Photo loads error."),
                    QStringLiteral("%1: %2").arg(tr("Pasted picture"), pasted.why));
        return;
    }
    ui->tabWidget->setCurrentWidget(ui->tab_5);
    adoptPhoto(pasted.image, tr("Pasted picture"), QString(), PhotoMetadata());
}
