// The context menu, the keyboard shortcuts, the web links and the About box.

#include "glassmere.h"
#include "ui_glassmere.h"

#include "heldkey.h"
#include "helpmanual.h"
#include "productinfo.h"
#include "textboxkeys.h"
#include "widgets/about.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QUrl>

namespace {

QUrl homePageUrl()
{
    return QUrl(QString::fromUtf8(ProductInfo::homePage));
}

} // namespace

void Glassmere::CreateActionMenu()
{
    ui->actionMenuHelper->setShortcut(QKeySequence(tr("F1")));

    // A build without a home page has nothing to visit or to check for
    // updates against; the entries stay in the menu, greyed out.
    const bool hasHomePage = !homePageUrl().isEmpty();
    ui->actionCheck_for_New_Version->setEnabled(hasHomePage);
    ui->actionVisit_Our_Web_Site->setEnabled(hasHomePage);
}

void Glassmere::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu;
    menu.addAction(ui->actionMenuHelper);
    menu.addSeparator();
    menu.addAction(ui->actionCheck_for_New_Version);
    menu.addSeparator();
    menu.addAction(ui->actionVisit_Our_Web_Site);
    menu.addAction(ui->actionAbout_Us);
    // The screen position the request carries: with a window manager's frame
    // or a compositor in between, the window's own position is not reliable.
    menu.exec(event->globalPos());
}

void Glassmere::on_btnHelp_clicked()
{
    // Under the button, whether it was clicked or pressed from the keyboard,
    // as a menu button's menu opens. Posted, not sent: the click finishes
    // first, and the menu opens from the event loop.
    const QPoint below = ui->btnHelp->mapToGlobal(ui->btnHelp->rect().bottomLeft() + QPoint(0, 1));
    QCoreApplication::postEvent(
        this, new QContextMenuEvent(QContextMenuEvent::Keyboard, mapFromGlobal(below), below));
}

// F1 with a modifier too, when no widget took it.
void Glassmere::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_F1)
        on_actionMenuHelper_triggered();
    else
        QMainWindow::keyPressEvent(e);
}

// Window-wide, so they work whichever widget has the focus, a number box
// included.
void Glassmere::createShortcuts()
{
    const auto add = [this](const QKeySequence &keys, void (Glassmere::*slot)()) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    add(QKeySequence(Qt::ALT | Qt::Key_O), &Glassmere::AddPic);
    add(QKeySequence(Qt::ALT | Qt::Key_S), &Glassmere::on_btSavePic_clicked);
    add(QKeySequence(Qt::Key_F1), &Glassmere::on_actionMenuHelper_triggered);
    // For slides: the rendering out, a picture in, and the settings'
    // history. A text box keeps these keys only while they concern its text.
    add(QKeySequence(Qt::CTRL | Qt::Key_C), &Glassmere::copyResult);
    add(QKeySequence(Qt::CTRL | Qt::Key_V), &Glassmere::pasteSource);
    add(QKeySequence(Qt::CTRL | Qt::Key_Z), &Glassmere::undoSettings);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &Glassmere::redoSettings);
    add(QKeySequence(Qt::CTRL | Qt::Key_Y), &Glassmere::redoSettings);
    new TextBoxKeys(this);
    // Held down, the backslash shows the photo as it was, as in other
    // photo editors; Space belongs to the focused button or box.
    connect(new HeldKey(Qt::Key_Backslash, this), &HeldKey::held, ui->pbOriginal,
            &QAbstractButton::setChecked);
    connect(ui->pbOriginal, &QAbstractButton::toggled, this, &Glassmere::showOriginal);
}

void Glassmere::on_actionMenuHelper_triggered()
{
    const QUrl manual =
        helpManualUrl(QString::fromUtf8(ProductInfo::helpPage), QCoreApplication::applicationDirPath());
    if (manual.isEmpty()) {
        // The manual ships with the program: its absence is a broken
        // installation, and F1 must not just do nothing.
        const QString expected = QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                                 QString::fromUtf8(ProductInfo::installedManual));
        QMessageBox::warning(this, tr("Failure"),
                             tr("The help manual is missing: %1").arg(QDir::toNativeSeparators(expected)),
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    QDesktopServices::openUrl(manual);
}

void Glassmere::on_actionVisit_Our_Web_Site_triggered()
{
    QDesktopServices::openUrl(homePageUrl());
}

// There is no version check of our own: the home page tells what is new.
void Glassmere::on_actionCheck_for_New_Version_triggered()
{
    QDesktopServices::openUrl(homePageUrl());
}

void Glassmere::on_actionAbout_Us_triggered()
{
    About();
}

void Glassmere::on_btReflection_clicked()
{
    About();
}

void Glassmere::About()
{
    about dialog(this); // parented, so that it opens over the window
    dialog.exec();
}
