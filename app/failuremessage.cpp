#include "failuremessage.h"

#include <QCoreApplication>
#include <QMessageBox>

void showFailure(QWidget *parent, const QString &text, const QString &reason)
{
    QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("Glassmere", "Failure"), text,
                    QMessageBox::Ok, parent);
    box.setDefaultButton(QMessageBox::NoButton);
    box.setInformativeText(reason);
    box.exec();
}
