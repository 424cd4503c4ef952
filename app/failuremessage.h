#pragma once

#include <QString>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

// The program's failure box: title "Failure", the message as its text and,
// where known, the file and the reason as its informative text, so the
// message says what went wrong and why.
void showFailure(QWidget *parent, const QString &text, const QString &reason = QString());
