#include "about.h"
#include "ui_about.h"

#include "productinfo.h"

#include <QLabel>
#include <QString>

about::about(QWidget *parent) : QDialog(parent), ui(new Ui::aboutClass)
{
    // Replaces the dialog flags as a whole: no frame and no title bar.
    setWindowFlags(Qt::Popup);
    ui->setupUi(this);

    const QString homePage = QString::fromUtf8(ProductInfo::homePage);
    const QString email = QString::fromUtf8(ProductInfo::supportEmail);

    ui->lbTitle->setText(QString::fromUtf8(ProductInfo::displayName) + QLatin1Char(' ') +
                         QString::fromUtf8(ProductInfo::version));
    // The notice is plain text; escaped, a '<' or '&' in it shows as written.
    ui->lbUrl->setText(QLatin1String("<font color=gray>") +
                       QString::fromUtf8(ProductInfo::notice).toHtmlEscaped() + QLatin1String("</font>"));
    // The build admits only addresses that need no escaping here (see
    // cmake/productinfo.cmake). Quoted: unquoted, an address ending in '/'
    // closes the tag as "/>" and the link is lost. Without a home page the
    // line stays empty rather than offering a link that leads nowhere.
    ui->lbUrl_2->setText(homePage.isEmpty() ? QString()
                                            : QLatin1String("<a href=\"") + homePage + QLatin1String("\">") +
                                                  homePage + QLatin1String("</a>"));
    ui->lbEmail->setText(QLatin1String("<font color=gray>") + tr("Email:") +
                         QLatin1String("</font> <a href =\"mailto:") + email + QLatin1String("\">") + email +
                         QLatin1String("</a>"));

    ui->lbEmail->setOpenExternalLinks(true);
    ui->lbUrl_2->setOpenExternalLinks(true);
}

about::~about()
{
    delete ui;
}

void about::on_pushButton_clicked()
{
    close();
}
