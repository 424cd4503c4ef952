#include "dlgloading.h"
#include "ui_dlgloading.h"

#include <QByteArray>
#include <QMovie>

DlgLoading::DlgLoading(QWidget *parent) : QDialog(parent), ui(new Ui::DlgLoading)
{
    ui->setupUi(this);

    // Replaces the dialog flags as a whole: no frame and no title bar.
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, true);

    // Started once and never stopped: the movie runs on while the dialog is
    // hidden, so each showing picks up at whatever frame it has reached.
    // The dialog owns it so it goes when the dialog does.
    // On a high-density screen the animation drawn at twice the size, which
    // the label shows in its 32 x 32 points.
    const bool dense = devicePixelRatioF() > 1.0;
    movie = new QMovie(dense ? QStringLiteral(":/Glassmere/Resources/Loading@2x.gif")
                             : QStringLiteral(":/Glassmere/Resources/Loading.gif"),
                       QByteArray(), this);
    movie->start();
    ui->lbMovie->setScaledContents(dense);
    ui->lbMovie->setMovie(movie);
}

DlgLoading::~DlgLoading()
{
    delete ui;
}
