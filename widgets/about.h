#pragma once

#include <QDialog>

QT_BEGIN_NAMESPACE
namespace Ui {
class aboutClass;
}
QT_END_NAMESPACE

// The About box: banner, name and version, home-page and support links, and
// the rights holder. A frameless popup, so a click outside it closes it as
// OK does. Its links open in the desktop's browser or mail program.
class about : public QDialog
{
    Q_OBJECT

public:
    explicit about(QWidget *parent = nullptr);
    ~about() override;

private slots:
    void on_pushButton_clicked();

private:
    Ui::aboutClass *ui;
};
