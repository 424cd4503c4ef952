#include "dlgloading.h"
#include "ui_dlgloading.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMovie>
#include <QShortcut>
#include <QWindow>

namespace {

// The window an event's receiver belongs to: a widget's own, or that of the
// widget a shortcut or an action hangs on.
QObject *windowOf(QObject *receiver)
{
    if (receiver->isWidgetType())
        return static_cast<QWidget *>(receiver)->window();
    if (qobject_cast<QShortcut *>(receiver) || qobject_cast<QAction *>(receiver)) {
        QObject *owner = receiver->parent();
        return owner && owner->isWidgetType() ? static_cast<QWidget *>(owner)->window() : nullptr;
    }
    return receiver;
}

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

DlgLoading::DlgLoading(QWidget *window) : QWidget(window), ui(new Ui::DlgLoading)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setFixedSize(32, 32);
    hide();
    // Said by a screen reader when it appears, instead of the object name,
    // which stays for the skin.
    setAccessibleName(tr("Working"));
    setAccessibleDescription(tr("The window takes input again when this is done."));

    // Started once and never stopped: the movie runs on while the indicator
    // is hidden, so each showing picks up at whatever frame it has reached.
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

void DlgLoading::exec(QWidget *over, const QString &what)
{
    setAccessibleName(what);
    move(over->mapTo(parentWidget(), over->rect().center()) - rect().center());
    raise();
    show();
    QEventLoop waiting;
    loop = &waiting;
    waiting.exec();
    loop = nullptr;
}

void DlgLoading::showEvent(QShowEvent *event)
{
    qApp->installEventFilter(this);
    QWidget::showEvent(event);
}

// Also where the window itself is hidden, and no hide event follows.
void DlgLoading::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && loop)
        loop->quit();
}

void DlgLoading::hideEvent(QHideEvent *event)
{
    qApp->removeEventFilter(this);
    if (loop)
        loop->quit();
    QWidget::hideEvent(event);
}

// Input meant for the window, its native window included, is dropped while
// the indicator is up; other windows (a message box) keep theirs.
bool DlgLoading::eventFilter(QObject *watched, QEvent *event)
{
    if (isInput(event->type())) {
        QObject *target = windowOf(watched);
        if (target && (target == window() || target == window()->windowHandle()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
