#pragma once

#include <QDialog>

QT_BEGIN_NAMESPACE
class QMovie;
namespace Ui {
class DlgLoading;
}
QT_END_NAMESPACE

// The busy indicator shown modally over the preview while a rendering runs.
// Frameless and translucent, so only the 32 x 32 animation is seen.
class DlgLoading : public QDialog
{
    Q_OBJECT

public:
    explicit DlgLoading(QWidget *parent = nullptr);
    ~DlgLoading() override;

private:
    Ui::DlgLoading *ui;
    QMovie *movie;
};
