#pragma once

#include <QString>

// Standard error carries the program's own lines and nothing else. Image
// libraries print to it directly (libpng's errors, libtiff's warnings) and Qt
// warns through its message handler; both are silenced, and the program's
// lines go to the original standard error.

// Moves the libraries' standard error to the null device and swallows Qt's
// messages. Called once, first thing in main().
void silenceLibraries();

// "glassmere-reflect: <message>" and a new line, on the original standard
// error. `raw` text is written as it is (the batch's progress line).
void reportLine(const QString &message);
void reportRaw(const char *text);

// True when the original standard error is a terminal.
bool reportsToTerminal();
