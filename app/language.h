#pragma once

#include <QLocale>

// Puts the program's texts and Qt's own (the buttons of message boxes and
// file dialogs) into the language of `locale`, where a translation for it
// ships; English, the language the texts are written in, otherwise.
// Call before the first window is built. Returns whether the program's own
// translation was found.
bool installTranslations(const QLocale &locale = QLocale::system());
