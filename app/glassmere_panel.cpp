// The settings panel: sliders and text boxes kept in step, the direction
// boxes, transparent mode and the colour. The widgets are the store; a
// rendering reads them when it starts.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "presetpanel.h"
#include "rangevalidator.h"
#include "rendercontroller.h"
#include "settingshistory.h"

#include <QColorDialog>
#include <QDebug>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// "#rrggbb", two lowercase hexadecimal digits per component, so that every
// colour has exactly one text and the text names that colour.
QString colourText(const _RGB &c)
{
    return QStringLiteral("#%1%2%3")
        .arg(c.r, 2, 16, QLatin1Char('0'))
        .arg(c.g, 2, 16, QLatin1Char('0'))
        .arg(c.b, 2, 16, QLatin1Char('0'));
}

} // namespace

// Slider to text: a value change only rewrites the box; a release renders.

void Glassmere::refSize_valueChanged(int value)
{
    ui->txtSize->setText(QString::number(value));
}

void Glassmere::refDepth_valueChanged(int value)
{
    ui->txtDepth->setText(QString::number(value));
}

void Glassmere::refInterval_valueChanged(int value)
{
    ui->txtInterval->setText(QString::number(value));
}

void Glassmere::refSize_sliderReleased()
{
    RunReflection();
}

void Glassmere::refDepth_sliderReleased()
{
    RunReflection();
}

void Glassmere::refInterval_sliderReleased()
{
    RunReflection();
}

// A wheel or keyboard step, or a click beside the handle, has no release:
// it renders once the steps have settled. A drag renders on release, and
// meanwhile shows every value at the size of the screen.
void Glassmere::watchSliderSteps(QAbstractSlider *slider)
{
    connect(slider, &QAbstractSlider::valueChanged, this, [this, slider] {
        if (slider->isSliderDown())
            showLiveFrame();
    });
    connect(slider, &QAbstractSlider::actionTriggered, this, [this, slider](int action) {
        if (action != QAbstractSlider::SliderNoAction && !slider->isSliderDown())
            settleTimer->start();
    });
    // A drag's release renders; a step still settling would render the same again.
    connect(slider, &QAbstractSlider::sliderReleased, settleTimer, &QTimer::stop);
}

void Glassmere::renderAfterSettling()
{
    if (renderer->isBusy()) // the step must not be lost: try again later
        settleTimer->start();
    else
        RunReflection();
}

// Opacity and blur: the same rules as the sliders above, without names of
// their own for each step.
void Glassmere::bindSliderToBox(QSlider *slider, QLineEdit *box)
{
    connect(slider, &QSlider::valueChanged, box, [box](int value) { box->setText(QString::number(value)); });
    connect(slider, &QSlider::sliderReleased, this, &Glassmere::RunReflection);
    connect(box, &QLineEdit::returnPressed, this, [this, slider, box] {
        slider->setValue(box->text().toInt());
        RunReflection();
    });
    connect(box, &QLineEdit::editingFinished, this, [this, slider, box] {
        if (slider->value() != box->text().toInt()) {
            slider->setValue(box->text().toInt());
            RunReflection();
        }
    });
    box->setValidator(new RangeValidator(slider->minimum(), slider->maximum(), box));
    watchSliderSteps(slider);
}

// Text to slider. The validators let these signals through only for whole
// numbers in range, so toInt always succeeds here.

void Glassmere::txtSize_returnPressed()
{
    ui->refSize->setValue(ui->txtSize->text().toInt(nullptr, 10));
    RunReflection(); // on every Return, changed or not
}

void Glassmere::txtDepth_returnPressed()
{
    ui->refDepth->setValue(ui->txtDepth->text().toInt(nullptr, 10));
    RunReflection();
}

void Glassmere::txtInterval_returnPressed()
{
    ui->refInterval->setValue(ui->txtInterval->text().toInt(nullptr, 10));
    RunReflection();
}

// Return emits returnPressed before editingFinished; by then the slider
// holds the value, so one Return gives one rendering, and a focus change
// without an edit gives none.

void Glassmere::txtSize_editingFinished()
{
    if (ui->refSize->value() != ui->txtSize->text().toInt(nullptr, 10))
        txtSize_returnPressed();
}

void Glassmere::txtDepth_editingFinished()
{
    if (ui->refDepth->value() != ui->txtDepth->text().toInt(nullptr, 10))
        txtDepth_returnPressed();
}

// txtInterval's returnPressed is not connected: Return renders only when
// the value differs.
void Glassmere::txtInterval_editingFinished()
{
    const int value = ui->txtInterval->text().toInt(nullptr, 10);
    if (value == ui->refInterval->value())
        return;
    qDebug() << "ui.txtInterval\uff1a" << value;
    qDebug() << "ui.refInterval\uff1a" << ui->refInterval->value();
    txtInterval_returnPressed();
}

// Direction: exclusive by code, so that unchecking the only box leaves
// none checked (which renders at the bottom next time).

void Glassmere::keepOnlyDirection(QCheckBox *kept)
{
    // The boxes unchecked here come back as toggled(false), which does nothing.
    for (QCheckBox *box : {ui->checkBoxBottom, ui->checkBoxLeft, ui->checkBoxRight, ui->checkBoxTop})
        if (box != kept)
            box->setChecked(false);
    RunReflection();
}

void Glassmere::on_checkBoxTop_toggled(bool checked)
{
    if (checked)
        keepOnlyDirection(ui->checkBoxTop);
}

void Glassmere::on_checkBoxLeft_toggled(bool checked)
{
    if (checked)
        keepOnlyDirection(ui->checkBoxLeft);
}

void Glassmere::on_checkBoxBottom_toggled(bool checked)
{
    if (checked)
        keepOnlyDirection(ui->checkBoxBottom);
}

void Glassmere::on_checkBoxRight_toggled(bool checked)
{
    if (checked)
        keepOnlyDirection(ui->checkBoxRight);
}

void Glassmere::on_cbTransparent_toggled(bool checked)
{
    transparent = checked;
    ui->frameColor->setEnabled(!checked); // the colour takes no part meanwhile
    if (!checked)
        UpdateReflecitonColor();
    RunReflection();
}

// Colour: the dialog always opens on white; cancelling changes nothing.

void Glassmere::on_btColorPicker_clicked()
{
    const QColor colour = QColorDialog::getColor(Qt::white, this);
    if (!colour.isValid())
        return;
    colour.getRgb(&bgcolor.r, &bgcolor.g, &bgcolor.b);
    UpdateReflecitonColor();
    ui->txtColor->setText(colourText(bgcolor));
    RunReflection();
}

void Glassmere::TxtColorPressEvent()
{
    on_btColorPicker_clicked();
}

void Glassmere::on_txtColor_returnPressed()
{
    on_btColorPicker_clicked();
}

void Glassmere::UpdateReflecitonColor()
{
    ui->btColorPicker->setStyleSheet(
        QStringLiteral("background-color: rgb(%1, %2, %3);").arg(bgcolor.r).arg(bgcolor.g).arg(bgcolor.b));
}

// Named presets: choosing one sets every control at once and renders once.

void Glassmere::setupPresets()
{
    presets = new PresetPanel(
        ui->cbPreset, ui->btSavePreset, ui->btDeletePreset,
        [this] { return presetFromSettings(GatherSettings()); }, this);
    connect(presets, &PresetPanel::chosen, this, &Glassmere::showPreset);
}

void Glassmere::showPreset(const ReflectionPreset &preset)
{
    ReflectionSettings settings;
    applyPreset(preset, settings);
    showSettings(settings);
}

void Glassmere::showSettings(const ReflectionSettings &settings)
{
    {
        // Each box renders when toggled; the preset renders once, below.
        const QSignalBlocker top(ui->checkBoxTop), bottom(ui->checkBoxBottom), left(ui->checkBoxLeft),
            right(ui->checkBoxRight), clear(ui->cbTransparent);
        ui->checkBoxTop->setChecked(settings.direction == ReflectionSettings::Top);
        ui->checkBoxBottom->setChecked(settings.direction == ReflectionSettings::Bottom);
        ui->checkBoxLeft->setChecked(settings.direction == ReflectionSettings::Left);
        ui->checkBoxRight->setChecked(settings.direction == ReflectionSettings::Right);
        ui->cbTransparent->setChecked(settings.transparent);
    }
    // Sliders render only when a person moves them; their boxes follow.
    ui->refSize->setValue(settings.size);
    ui->refDepth->setValue(settings.depth);
    ui->refInterval->setValue(settings.interval);
    ui->refOpacity->setValue(settings.opacity);
    ui->refBlur->setValue(settings.blur);
    transparent = settings.transparent;
    ui->frameColor->setEnabled(!transparent);
    bgcolor = settings.bgcolor;
    UpdateReflecitonColor();
    ui->txtColor->setText(colourText(bgcolor));
    RunReflection();
}

// Undo and Redo set the panel as it was and render once; that rendering
// records nothing new, since it shows settings the history holds.

void Glassmere::undoSettings()
{
    if (history->canUndo())
        showSettings(history->undo());
}

void Glassmere::redoSettings()
{
    if (history->canRedo())
        showSettings(history->redo());
}
