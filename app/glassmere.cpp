#include "glassmere.h"
#include "ui_glassmere.h"

#include "accessibility.h"
#include "desktopsession.h"
#include "roundedcorners.h"
#include "rangevalidator.h"
#include "photoexporter.h"
#include "rendercontroller.h"
#include "settingshistory.h"
#include "skin.h"
#include "windowgeometry.h"
#include "widgets/dlgloading.h"

#include <QApplication>
#include <QFile>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QIntValidator>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QStyleOption>
#include <QScreen>
#include <QTimer>
#include <QWindow>

QString currentPath;

Glassmere::Glassmere(QWidget *parent, Qt::WindowFlags flags)
    // X11 and Wayland keep the window manager's frame outside the reach of
    // a window mask, so the frame is switched off and the mask only trims
    // the empty band the form leaves around the skinned content. The manager
    // is still told the window minimises, maximises and closes, so it keeps
    // a task bar entry and Alt+F4 for it as for its own windows.
    : QMainWindow(parent, flags | Qt::FramelessWindowHint | Qt::WindowMinMaxButtonsHint |
                              Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint),
      ui(new Ui::GlassmereClass)
{
    // A Wayland compositor draws the band the mask would cut (the mask only
    // limits where input arrives there): the window is translucent instead
    // and paints its background inside the band only.
    if (compositorPlacesWindows())
        setAttribute(Qt::WA_TranslucentBackground);
    // Before the form: every widget is created under the final style sheet.
    SetWinStyle();
    ui->setupUi(this);
    // The panel and the title buttons are laid out at fixed sizes; only the
    // preview has room to give, so the form's size is the least it takes.
    designSize = size();
    setMinimumSize(designSize);
    edgeResizer = new EdgeResizer(this);
    // The tabs keep the height the form gives them at its own size, so in
    // a bigger window the panel stays as drawn and the room below it grows.
    ensurePolished(); // the skin's sizes first
    layout()->activate();
    centralWidget()->layout()->activate();
    ui->tabWidget->setFixedHeight(ui->tabWidget->height());
    setUpAccessibility(this);
    // First: every change of a setting, from now on, is recorded in it.
    history = new SettingsHistory(ReflectionSettings(), this);
    setupConnections();
    setupPreview();

    transparent = ui->cbTransparent->isChecked();
    bgcolor = _RGB{255, 255, 255};

    ui->progressBar->setVisible(false);

    CreateActionMenu();
    createShortcuts();

    setupValidators();

    loadingDlg = new DlgLoading(this);
    loadingDlg->installEventFilter(this);

    renderer = new RenderController(this);
    renderer->setObjectName(QStringLiteral("renderController"));
    connect(renderer, &RenderController::finished, this, &Glassmere::deliverRendering);
    connect(renderer, &RenderController::failed, this, [this] {
        // Keep the previous picture and preview; RunReflection reports.
        renderFailed = true;
        loadingDlg->close();
    });
    exporter = new PhotoExporter(this);
    setupPresets();
    setAcceptDrops(true);
    history->restart(GatherSettings()); // the form's settings, once read
}

Glassmere::~Glassmere()
{
    // A task still running would hand its picture to a deleted window.
    renderer->waitForIdle();
    // Children still emit on their way out (a focused line edit reports
    // editingFinished as it goes); none of that may reach this window's
    // slots once it is half destroyed.
    const QList<QObject *> children = findChildren<QObject *>();
    for (QObject *child : children)
        disconnect(child, nullptr, this, nullptr);
    if (scene) {
        delete scene;
        scene = nullptr;
    }
    delete ui;
}

void Glassmere::setupConnections()
{
    // Title bar: a double click maximises or restores, like btnMax
    connect(ui->label_Top, &QLabelEx::doubleClicked, this, &Glassmere::on_btnMax_clicked);
    connect(ui->frame_Title, &QFrameEx::doubleClicked, this, &Glassmere::on_btnMax_clicked);
    connect(ui->frame_TopButton, &QFrameEx::doubleClicked, this, &Glassmere::on_btnMax_clicked);

    // Clickable read-only boxes open their dialogs
    connect(ui->txtColor, &QLineEditEx::clicked, this, &Glassmere::TxtColorPressEvent);
    connect(ui->txtPicDir, &QLineEditEx::clicked, this, &Glassmere::AddPicDir);
    connect(ui->txtResultDir, &QLineEditEx::clicked, this, &Glassmere::PicResultDir);
    connect(ui->txtPicSelect, &QLineEditEx::clicked, this, &Glassmere::AddPic);

    // Settings panel: text boxes feed the sliders, sliders rewrite the text
    // boxes, and a released handle renders. txtInterval's returnPressed is
    // deliberately left alone: Return renders there only for a new value.
    connect(ui->txtInterval, &QLineEdit::editingFinished, this, &Glassmere::txtInterval_editingFinished);
    connect(ui->refInterval, &QSlider::valueChanged, this, &Glassmere::refInterval_valueChanged);
    connect(ui->refInterval, &QSlider::sliderReleased, this, &Glassmere::refInterval_sliderReleased);
    connect(ui->txtDepth, &QLineEdit::returnPressed, this, &Glassmere::txtDepth_returnPressed);
    connect(ui->txtDepth, &QLineEdit::editingFinished, this, &Glassmere::txtDepth_editingFinished);
    connect(ui->refDepth, &QSlider::valueChanged, this, &Glassmere::refDepth_valueChanged);
    connect(ui->refDepth, &QSlider::sliderReleased, this, &Glassmere::refDepth_sliderReleased);
    connect(ui->txtSize, &QLineEdit::returnPressed, this, &Glassmere::txtSize_returnPressed);
    connect(ui->txtSize, &QLineEdit::editingFinished, this, &Glassmere::txtSize_editingFinished);
    connect(ui->refSize, &QSlider::valueChanged, this, &Glassmere::refSize_valueChanged);
    connect(ui->refSize, &QSlider::sliderReleased, this, &Glassmere::refSize_sliderReleased);

    settleTimer = new QTimer(this);
    settleTimer->setSingleShot(true);
    settleTimer->setInterval(300);
    connect(settleTimer, &QTimer::timeout, this, &Glassmere::renderAfterSettling);
    for (QAbstractSlider *slider : {ui->refSize, ui->refDepth, ui->refInterval})
        watchSliderSteps(slider);
    bindSliderToBox(ui->refOpacity, ui->txtOpacity);
    bindSliderToBox(ui->refBlur, ui->txtBlur);
}

void Glassmere::setupPreview()
{
    scene = new QGraphicsScene();
    ui->graphicsView->setScene(scene);
}

void Glassmere::setupValidators()
{
    ui->txtSize->setValidator(new RangeValidator(0, 100, this));
    ui->txtDepth->setValidator(new RangeValidator(0, 100, this));
    ui->txtInterval->setValidator(new RangeValidator(-80, 100, this));
}

void Glassmere::SetWinStyle()
{
    // A missing skin installs an empty style sheet; nothing is reported.
    QFile file(QStringLiteral(":/Glassmere/Resources/skin.txt"));
    const QByteArray skin = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    qApp->setStyleSheet(expandSkin(skin, currentPath));
}

void Glassmere::on_btnMax_clicked()
{
    // A window manager or a compositor maximises the window itself, so its
    // own state, its task bar and its keyboard shortcuts agree; changeEvent
    // then takes the band away. Only a bare X server leaves it to us.
    if (!isMaximized && windowManagerRuns()) {
        if (windowState() & Qt::WindowMaximized)
            showNormal();
        else
            showMaximized();
        return;
    }
    if (!isMaximized) {
        normalGeometry = geometry();
        // The screen the window is on, not the primary one; its top-left
        // corner counts too, so panels on the left or top stay uncovered.
        QScreen *onScreen = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect target = maximisedGeometry(onScreen->availableGeometry());
        // Size first: the minimum of the restored window would otherwise
        // clamp the new geometry on a screen smaller than the form.
        setFixedSize(target.size());
        move(target.topLeft());
        isMaximized = true;
    } else {
        setMinimumSize(designSize);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setGeometry(normalGeometry);
        isMaximized = false;
    }
    edgeResizer->setEnabled(!isMaximized);
    on_pbFit_clicked();
}

void Glassmere::on_btnMinimize_clicked()
{
    showMinimized();
}

void Glassmere::on_btnClose_clicked()
{
    close();
}

// Maximised by the manager, the window drops the band, so that the skinned
// content meets the screen's edges.
void Glassmere::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const bool covering = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
        const int band = covering ? 0 : maskBand;
        centralWidget()->layout()->setContentsMargins(band, band, band, band);
        edgeResizer->setEnabled(!covering && !isMaximized);
        applyMask();
    }
    QMainWindow::changeEvent(event);
}

// Cuts away the empty band that verticalLayout_2's margins leave on every
// side, so the skinned border is the window's visible edge. On Wayland the
// mask only limits where input arrives: paintEvent leaves the band clear,
// and the central widget's own mask, which Qt applies to every widget in
// it, rounds the corners of the skin's square frame pieces.
void Glassmere::applyMask()
{
    const bool covering = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    const QRect visible = covering ? rect() : maskRect(size());
    setMask(QRegion(visible));
    if (!testAttribute(Qt::WA_TranslucentBackground))
        return;
    if (!roundedCorners)
        roundedCorners = new RoundedCorners(centralWidget());
    roundedCorners->setVisible(!covering);
    if (covering) { // square against the screen's edges
        centralWidget()->clearMask();
        return;
    }
    const QRect inCentral = visible.translated(-centralWidget()->pos());
    centralWidget()->setMask(roundedOutline(inCentral, cornerRadius));
    roundedCorners->setOutline(inCentral, cornerRadius);
}

void Glassmere::paintEvent(QPaintEvent *event)
{
    if (!testAttribute(Qt::WA_TranslucentBackground)) {
        QMainWindow::paintEvent(event);
        return;
    }
    // The skin's background inside the visible part; the band around, and
    // the rounded corners, stay transparent.
    QPainter painter(this);
    const bool covering = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    painter.setClipRegion(covering ? mask() : roundedOutline(maskRect(size()), cornerRadius));
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void Glassmere::resizeEvent(QResizeEvent *)
{
    applyMask();
    // A fitted preview is fitted again to the view's new size: shrunk to
    // fit, or back at 1:1 where the window has grown to hold it.
    if (previewFitted && pixmapItem) {
        ui->graphicsView->resetTransform();
        on_pbFit_clicked();
    }
}

void Glassmere::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragPosition = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void Glassmere::mouseMoveEvent(QMouseEvent *event)
{
    if (isMaximized || (windowState() & Qt::WindowMaximized))
        return;
    if (event->buttons() & Qt::LeftButton) {
        // The compositor or the window manager runs the drag where there is
        // one, as for its own windows (snapping, edge resistance); Wayland
        // ignores move() and has no other way. Only a bare X server leaves
        // it to us. Started on the first move, not on the press, so double
        // clicks still arrive.
        const bool bySystem = windowHandle() && windowHandle()->startSystemMove();
        if (!bySystem && !compositorPlacesWindows())
            move(event->globalPosition().toPoint() - dragPosition);
        event->accept();
    }
}
