#pragma once

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

// Makes the main window usable from the keyboard and by a screen reader:
// gives every control and the preview an accessible name and description in
// the user's language, lets Tab reach each of them, and sets the order Tab
// takes (the photo, its settings, the preview and its zoom, then the title
// band). Called once on the window, after its form is set up; controls the
// form does not have are skipped.
void setUpAccessibility(QWidget *window);
