#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QString>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

namespace {

struct Control
{
    const char *objectName;
    const char *name;        // what a screen reader announces
    const char *description; // what it says when asked for more
};

// In the order Tab walks them: the photo, how its reflection looks, the
// preview and its zoom, then the buttons in the title band.
const Control controls[] = {
    {"tabWidget", QT_TRANSLATE_NOOP("Accessibility", "Mode"),
     QT_TRANSLATE_NOOP("Accessibility", "Convert one photo, or all the photos of a folder at once.")},
    {"txtPicSelect", QT_TRANSLATE_NOOP("Accessibility", "Source photo"),
     QT_TRANSLATE_NOOP("Accessibility", "The loaded photo. Press Enter or Space to choose another one.")},
    {"btSavePic", QT_TRANSLATE_NOOP("Accessibility", "Export Result"),
     QT_TRANSLATE_NOOP("Accessibility", "Saves the photo with its reflection to a file.")},
    {"txtPicDir", QT_TRANSLATE_NOOP("Accessibility", "Source folder"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "The folder whose photos are converted. Press Enter or Space to choose it.")},
    {"cbSubfolders", QT_TRANSLATE_NOOP("Accessibility", "Include subfolders"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "Converts the photos of the folders below the source folder too, keeping their "
                       "tree in the target folder.")},
    {"txtResultDir", QT_TRANSLATE_NOOP("Accessibility", "Target folder"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "The folder the converted photos are written to. Press Enter or Space to choose it.")},
    {"btCovPics", QT_TRANSLATE_NOOP("Accessibility", "Convert all"),
     QT_TRANSLATE_NOOP("Accessibility", "Adds the reflection to every photo of the source folder.")},
    {"spinBatchQuality", QT_TRANSLATE_NOOP("Accessibility", "Quality"),
     QT_TRANSLATE_NOOP(
         "Accessibility",
         "The quality of JPEG, WebP and AVIF outputs. Its lowest step, 0, reads \"default\" and leaves "
         "the quality to the writer; 1 to 100 set it.")},
    {"spinBatchWidth", QT_TRANSLATE_NOOP("Accessibility", "Width"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "The width in pixels the converted photos are scaled down to, or their full size.")},
    {"progressBar", QT_TRANSLATE_NOOP("Accessibility", "Progress"),
     QT_TRANSLATE_NOOP("Accessibility", "How many photos of the folder are converted.")},
    {"lblBatchFile", QT_TRANSLATE_NOOP("Accessibility", "Batch status"),
     QT_TRANSLATE_NOOP("Accessibility", "How far the conversion is, and the photo being converted.")},
    {"checkBoxTop", QT_TRANSLATE_NOOP("Accessibility", "Reflection above"),
     QT_TRANSLATE_NOOP("Accessibility", "Mirrors the photo at its top edge.")},
    {"checkBoxLeft", QT_TRANSLATE_NOOP("Accessibility", "Reflection on the left"),
     QT_TRANSLATE_NOOP("Accessibility", "Mirrors the photo at its left edge.")},
    {"checkBoxRight", QT_TRANSLATE_NOOP("Accessibility", "Reflection on the right"),
     QT_TRANSLATE_NOOP("Accessibility", "Mirrors the photo at its right edge.")},
    {"checkBoxBottom", QT_TRANSLATE_NOOP("Accessibility", "Reflection below"),
     QT_TRANSLATE_NOOP("Accessibility", "Mirrors the photo at its bottom edge.")},
    {"refSize", QT_TRANSLATE_NOOP("Accessibility", "Size"),
     QT_TRANSLATE_NOOP("Accessibility", "How long the reflection is, in percent of the photo.")},
    {"txtSize", QT_TRANSLATE_NOOP("Accessibility", "Size in percent"),
     QT_TRANSLATE_NOOP("Accessibility", "How long the reflection is, from 0 to 100 percent.")},
    {"refDepth", QT_TRANSLATE_NOOP("Accessibility", "Depth"),
     QT_TRANSLATE_NOOP("Accessibility", "How strongly the reflection shows where it begins.")},
    {"txtDepth", QT_TRANSLATE_NOOP("Accessibility", "Depth in percent"),
     QT_TRANSLATE_NOOP("Accessibility", "How strongly the reflection shows, from 0 to 100 percent.")},
    {"refInterval", QT_TRANSLATE_NOOP("Accessibility", "Interval"),
     QT_TRANSLATE_NOOP("Accessibility", "The gap between the photo and its reflection.")},
    {"txtInterval", QT_TRANSLATE_NOOP("Accessibility", "Interval in percent"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "The gap between the photo and its reflection, from -80 to 100 percent.")},
    {"refOpacity", QT_TRANSLATE_NOOP("Accessibility", "Opacity"),
     QT_TRANSLATE_NOOP("Accessibility", "How strong the reflection is next to the photo.")},
    {"txtOpacity", QT_TRANSLATE_NOOP("Accessibility", "Opacity in percent"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "How strong the reflection is next to the photo, from 0 to 100 percent.")},
    {"refBlur", QT_TRANSLATE_NOOP("Accessibility", "Blur"),
     QT_TRANSLATE_NOOP("Accessibility", "How much the reflection blurs with the distance from the photo.")},
    {"txtBlur", QT_TRANSLATE_NOOP("Accessibility", "Blur in percent"),
     QT_TRANSLATE_NOOP(
         "Accessibility",
         "How much the reflection blurs with the distance from the photo, from 0 to 100 percent.")},
    {"cbTransparent", QT_TRANSLATE_NOOP("Accessibility", "Transparent background"),
     QT_TRANSLATE_NOOP("Accessibility", "The reflection fades into transparency instead of a colour.")},
    {"txtColor", QT_TRANSLATE_NOOP("Accessibility", "Background colour"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "The colour the reflection fades into. Press Enter or Space to choose it.")},
    {"btColorPicker", QT_TRANSLATE_NOOP("Accessibility", "Choose colour"),
     QT_TRANSLATE_NOOP("Accessibility", "Opens the colour chooser for the background colour.")},
    {"cbPreset", QT_TRANSLATE_NOOP("Accessibility", "Preset"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "Choosing a stored preset sets all the reflection settings at once.")},
    {"btSavePreset", QT_TRANSLATE_NOOP("Accessibility", "Save preset"),
     QT_TRANSLATE_NOOP("Accessibility", "Stores the reflection settings under a name.")},
    {"btDeletePreset", QT_TRANSLATE_NOOP("Accessibility", "Delete preset"),
     QT_TRANSLATE_NOOP("Accessibility", "Deletes the chosen preset.")},
    {"graphicsView", QT_TRANSLATE_NOOP("Accessibility", "Preview"),
     QT_TRANSLATE_NOOP("Accessibility", "The photo with its reflection as it will be exported.")},
    {"pbFit", QT_TRANSLATE_NOOP("Accessibility", "Fit to window"),
     QT_TRANSLATE_NOOP("Accessibility", "Shows the whole picture in the preview.")},
    {"pbRawSize", QT_TRANSLATE_NOOP("Accessibility", "Actual size"),
     QT_TRANSLATE_NOOP("Accessibility", "Shows the picture one pixel to one screen pixel.")},
    {"pbZoomIn", QT_TRANSLATE_NOOP("Accessibility", "Zoom in"),
     QT_TRANSLATE_NOOP("Accessibility", "Makes the preview larger.")},
    {"pbZoomOut", QT_TRANSLATE_NOOP("Accessibility", "Zoom out"),
     QT_TRANSLATE_NOOP("Accessibility", "Makes the preview smaller.")},
    {"pbOriginal", QT_TRANSLATE_NOOP("Accessibility", "Show the original"),
     QT_TRANSLATE_NOOP("Accessibility",
                       "While pressed, the preview shows the photo without its reflection. Holding the "
                       "backslash key does the same.")},
    {"btReflection", QT_TRANSLATE_NOOP("Accessibility", "About Glassmere"),
     QT_TRANSLATE_NOOP("Accessibility", "Shows the version and the rights holder.")},
    {"btnHelp", QT_TRANSLATE_NOOP("Accessibility", "Help"),
     QT_TRANSLATE_NOOP("Accessibility", "Opens the menu with the manual, the web site and About.")},
    {"btnMinimize", QT_TRANSLATE_NOOP("Accessibility", "Minimize"),
     QT_TRANSLATE_NOOP("Accessibility", "Minimizes the window.")},
    {"btnMax", QT_TRANSLATE_NOOP("Accessibility", "Maximize or restore"),
     QT_TRANSLATE_NOOP("Accessibility", "Fills the screen with the window, or gives it back its size.")},
    {"btnClose", QT_TRANSLATE_NOOP("Accessibility", "Close"),
     QT_TRANSLATE_NOOP("Accessibility", "Closes Glassmere.")},
};

QString translated(const char *text)
{
    return QCoreApplication::translate("Accessibility", text);
}

// Roles Qt cannot guess from the class: the preview is a picture, not the
// empty filler a scrolling area is announced as, and the loading indicator
// is an animation.
struct Role
{
    const char *objectName;
    QAccessible::Role role;
};
const Role roles[] = {
    {"graphicsView", QAccessible::Graphic},
    {"DlgLoading", QAccessible::Animation},
};

QAccessibleInterface *withOwnRole(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    for (const Role &entry : roles)
        if (object->objectName() == QLatin1String(entry.objectName))
            return new QAccessibleWidget(static_cast<QWidget *>(object), entry.role);
    return nullptr;
}

} // namespace

void setUpAccessibility(QWidget *window)
{
    static const bool rolesInstalled = [] {
        QAccessible::installFactory(withOwnRole);
        return true;
    }();
    Q_UNUSED(rolesInstalled)
    QWidget *previous = nullptr;
    for (const Control &control : controls) {
        auto *widget = window->findChild<QWidget *>(QLatin1String(control.objectName));
        if (!widget)
            continue;
        // A tab widget hands its focus to its bar of tabs, which is then
        // what a screen reader announces.
        if (auto *tabs = qobject_cast<QTabWidget *>(widget))
            widget = tabs->tabBar();
        widget->setAccessibleName(translated(control.name));
        widget->setAccessibleDescription(translated(control.description));
        // Buttons drawn from pictures may come without keyboard focus; a
        // progress bar and a status text are read, never used, and keep out
        // of the way.
        if (widget->inherits("QProgressBar") || widget->inherits("QLabel"))
            continue;
        if (!(widget->focusPolicy() & Qt::TabFocus))
            widget->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    window->setAccessibleName(window->windowTitle());
    window->setAccessibleDescription(
        translated(QT_TRANSLATE_NOOP("Accessibility", "Adds a mirror reflection to a photo.")));
}
