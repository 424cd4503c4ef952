// What the window remembers between runs: the reflection settings, the last
// folders (open, export, batch source and target, each its own) and its
// position and size. The caller chooses the store, so tests keep their own.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "presets.h"
#include "settingshistory.h"
#include "windowgeometry.h"

#include <QDir>
#include <QScreen>
#include <QSettings>

#include <algorithm>

namespace {

const char *const boxes[] = {"checkBoxTop", "checkBoxBottom", "checkBoxLeft", "checkBoxRight"};

} // namespace

void Glassmere::remember(QSettings &store) const
{
    const ReflectionSettings settings = const_cast<Glassmere *>(this)->GatherSettings();
    const ReflectionPreset preset = presetFromSettings(settings);
    store.beginGroup(QStringLiteral("reflection"));
    store.setValue(QStringLiteral("direction"), preset.direction);
    store.setValue(QStringLiteral("size"), preset.size);
    store.setValue(QStringLiteral("depth"), preset.depth);
    store.setValue(QStringLiteral("interval"), preset.interval);
    store.setValue(QStringLiteral("opacity"), preset.opacity);
    store.setValue(QStringLiteral("blur"), preset.blur);
    store.setValue(QStringLiteral("colour"), preset.colour.name());
    store.setValue(QStringLiteral("transparent"), preset.transparent);
    store.endGroup();
    store.beginGroup(QStringLiteral("folders"));
    store.setValue(QStringLiteral("open"), lastOpenFolder);
    store.setValue(QStringLiteral("export"), lastExportFolder);
    store.setValue(QStringLiteral("batchSource"),
                   droppedSources.isEmpty() ? ui->txtPicDir->text() : QString());
    store.setValue(QStringLiteral("batchTarget"), ui->txtResultDir->text());
    store.endGroup();
    store.setValue(QStringLiteral("batch/subfolders"), ui->cbSubfolders->isChecked());
    // Maximised, by us or by the manager: the geometry it comes back to.
    const QRect kept = isMaximized                             ? normalGeometry
                       : (windowState() & Qt::WindowMaximized) ? QWidget::normalGeometry()
                                                               : QRect(pos(), size());
    store.setValue(QStringLiteral("window/position"), kept.topLeft());
    store.beginGroup(QStringLiteral("output"));
    store.setValue(QStringLiteral("exportQuality"), exportQuality);
    store.setValue(QStringLiteral("exportWidth"), exportWidth);
    store.setValue(QStringLiteral("exportStripsMetadata"), exportStripsMetadata);
    const int batchQuality = ui->spinBatchQuality->value(); // 0: "default"
    store.setValue(QStringLiteral("batchQuality"), batchQuality > 0 ? batchQuality : -1);
    store.setValue(QStringLiteral("batchWidth"), ui->spinBatchWidth->value()); // 0: full size
    store.endGroup();
    store.setValue(QStringLiteral("window/size"), kept.size());
}

void Glassmere::restoreRemembered(const QSettings &store)
{
    // Out-of-range values are clamped by the sliders; a direction outside
    // the four leaves bottom.
    const int direction = store.value(QStringLiteral("reflection/direction"), 1).toInt();
    if (direction >= 0 && direction < 4)
        findChild<QCheckBox *>(QLatin1String(boxes[direction]))->setChecked(true);
    ui->refSize->setValue(store.value(QStringLiteral("reflection/size"), ui->refSize->value()).toInt());
    ui->refDepth->setValue(store.value(QStringLiteral("reflection/depth"), ui->refDepth->value()).toInt());
    ui->refInterval->setValue(
        store.value(QStringLiteral("reflection/interval"), ui->refInterval->value()).toInt());
    ui->refOpacity->setValue(
        store.value(QStringLiteral("reflection/opacity"), ui->refOpacity->value()).toInt());
    ui->refBlur->setValue(store.value(QStringLiteral("reflection/blur"), ui->refBlur->value()).toInt());
    const QColor colour(store.value(QStringLiteral("reflection/colour")).toString());
    if (colour.isValid()) {
        colour.getRgb(&bgcolor.r, &bgcolor.g, &bgcolor.b);
        ui->txtColor->setText(colour.name());
        UpdateReflecitonColor();
    }
    ui->cbTransparent->setChecked(store.value(QStringLiteral("reflection/transparent"), false).toBool());
    // Where the session starts: nothing to undo to before it.
    history->restart(GatherSettings());

    lastOpenFolder = store.value(QStringLiteral("folders/open")).toString();
    lastExportFolder = store.value(QStringLiteral("folders/export")).toString();
    for (QLineEdit *box : {ui->txtPicDir, ui->txtResultDir}) {
        const QString key = box == ui->txtPicDir ? QStringLiteral("folders/batchSource")
                                                 : QStringLiteral("folders/batchTarget");
        const QString folder = store.value(key).toString();
        if (!folder.isEmpty() && QDir(folder).exists())
            box->setText(folder);
    }
    // A quality outside 1..100 is the writer's own (-1; "default" in a box).
    const int quality = store.value(QStringLiteral("output/exportQuality"), -1).toInt();
    exportQuality = quality >= 1 && quality <= 100 ? quality : -1;
    exportStripsMetadata = store.value(QStringLiteral("output/exportStripsMetadata"), false).toBool();
    exportWidth = std::clamp(store.value(QStringLiteral("output/exportWidth"), 0).toInt(), 0, MaxExportWidth);
    ui->spinBatchQuality->setValue(store.value(QStringLiteral("output/batchQuality"), -1).toInt());
    ui->spinBatchWidth->setValue(store.value(QStringLiteral("output/batchWidth"), 0).toInt());
    ui->cbSubfolders->setChecked(store.value(QStringLiteral("batch/subfolders"), false).toBool());
    // A remembered size grows about the centre the window was placed at.
    const QSize remembered = store.value(QStringLiteral("window/size")).toSize();
    if (remembered.isValid() && screen()) {
        const QSize wanted = restoredSize(remembered, designSize, screen()->availableGeometry());
        const QSize growth = wanted - size();
        resize(wanted);
        move(pos() - QPoint(growth.width() / 2, growth.height() / 2));
    }
    // Only where a screen still shows it: a monitor may have gone since.
    const QPoint position = store.value(QStringLiteral("window/position")).toPoint();
    if (store.contains(QStringLiteral("window/position")) &&
        QGuiApplication::screenAt(position + QPoint(40, 40)))
        move(position);
}
