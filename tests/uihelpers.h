#pragma once

// Helpers for tests that reach into modal loops and into the desktop
// services.

#include <QTest>
#include <QtWidgets>

#include <functional>

// Catches every address handed to QDesktopServices::openUrl for the schemes
// the program uses, so that no browser, mail program or viewer starts.
class UrlCatcher : public QObject
{
    Q_OBJECT
    static constexpr const char *schemes[] = {"http", "https", "mailto", "file"};

public:
    UrlCatcher()
    {
        for (const char *scheme : schemes)
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char *scheme : schemes)
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

// The first visible top-level T, or else the first shown inside a top-level
// window (the loading indicator), if any.
template <typename T>
T *shownWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        if (T *found = qobject_cast<T *>(window); found && found->isVisible())
            return found;
    for (QWidget *window : windows)
        for (T *found : window->findChildren<T *>())
            if (found->isVisible())
                return found;
    return nullptr;
}

// Runs `act` on the first visible top-level T (a menu, a dialog) from inside
// the event loop that shows it, as Qt's own dialog tests reach into exec()
// (ExecCloseHelper in tst_qmessagebox). After five seconds without one it
// closes whatever popup or modal window is up, so a test fails rather than
// hangs in exec().
template <typename T>
class WhenShown
{
    std::function<void(T *)> act;
    QTimer timer;
    bool ran = false;
    int ticks = 0;

public:
    explicit WhenShown(std::function<void(T *)> act) : act(std::move(act))
    {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            if (T *found = shownWindow<T>()) {
                timer.stop(); // first: act may run a nested event loop
                ran = true;
                this->act(found);
            } else if (++ticks > 500) {
                timer.stop();
                for (QWidget *stuck : {QApplication::activePopupWidget(), QApplication::activeModalWidget()})
                    if (stuck)
                        stuck->close();
            }
        });
        timer.start(10);
    }
    bool done() const { return ran; }
};

// Answers the file dialog with `path`, and keeps answering until the dialog
// has gone, as a person clicking again would.
class FileDialogAnswer
{
    QTimer timer;
    bool answered = false;
    int ticks = 0;

public:
    explicit FileDialogAnswer(const QString &path)
    {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this, path] {
            if (QFileDialog *dialog = shownWindow<QFileDialog>()) {
                answered = true;
                // Typed into the name box, as a person does: selectFile()
                // leaves the box alone while it has the focus.
                dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
                QMetaObject::invokeMethod(dialog, "accept"); // as the Open or Save button does
            } else if (answered || ++ticks > 500) {
                timer.stop();
            }
        });
        timer.start(10);
    }
    bool done() const { return answered; }
};

// Records and closes every message box that opens while it lives, from a
// timer inside the box's own event loop.
class MessageBoxCloser
{
    QTimer timer;

public:
    struct Message
    {
        QString title;
        QString text;
        QWidget *parent;
        QString informativeText;
    };

    MessageBoxCloser()
    {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                messages.append(
                    {box->windowTitle(), box->text(), box->parentWidget(), box->informativeText()});
                // A question (the save dialog's "replace?") is answered yes.
                if (QAbstractButton *yes = box->button(QMessageBox::Yes))
                    yes->click();
                else
                    box->done(QMessageBox::Ok);
            }
        });
        timer.start(10);
    }
    QList<Message> messages;
};

// What the system delivers for a double click: press, release, double
// click, release. QTest::mouseDClick alone sends only the third.
inline void doubleClick(QWidget *widget, const QPoint &at, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mousePress(widget, button, {}, at);
    QTest::mouseRelease(widget, button, {}, at);
    QTest::mouseDClick(widget, button, {}, at);
    QTest::mouseRelease(widget, button, {}, at);
}

// Makes `appDir` look installed: a 1 x 1 stand-in for every frame image the
// skin names under its style folder.
inline bool makeStandInStyle(const QString &appDir)
{
    QFile skin(QStringLiteral(":/Glassmere/Resources/skin.txt"));
    if (!skin.open(QIODevice::ReadOnly) || !QDir(appDir).mkpath(QStringLiteral("style")))
        return false;
    QImage standIn(1, 1, QImage::Format_ARGB32);
    standIn.fill(Qt::gray);
    const QRegularExpression image(QStringLiteral("%currentPath%/style/([^)\\s\"']+)"));
    for (auto it = image.globalMatch(QString::fromLatin1(skin.readAll())); it.hasNext();)
        if (!standIn.save(appDir + QStringLiteral("/style/") + it.next().captured(1), "PNG"))
            return false;
    return true;
}

// The window's widgets the tests drive, found by their object names as a
// person finds them by their place on screen.
struct FormWidgets
{
    explicit FormWidgets(QWidget *window) : window(window) {}
    template <typename T>
    T *find(const char *name) const
    {
        if (T *child = window->findChild<T *>(QLatin1String(name)))
            return child;
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    }
    QWidget *window;
    QLineEdit *txtSize = find<QLineEdit>("txtSize");
    QLineEdit *txtDepth = find<QLineEdit>("txtDepth");
    QLineEdit *txtColor = find<QLineEdit>("txtColor");
    QLineEdit *txtPicSelect = find<QLineEdit>("txtPicSelect");
    QLineEdit *txtPicDir = find<QLineEdit>("txtPicDir");
    QLineEdit *txtResultDir = find<QLineEdit>("txtResultDir");
    QSlider *refSize = find<QSlider>("refSize");
    QSlider *refDepth = find<QSlider>("refDepth");
    QSlider *refInterval = find<QSlider>("refInterval");
    QCheckBox *checkBoxBottom = find<QCheckBox>("checkBoxBottom");
    QCheckBox *checkBoxLeft = find<QCheckBox>("checkBoxLeft");
    QCheckBox *cbTransparent = find<QCheckBox>("cbTransparent");
    QAbstractButton *btColorPicker = find<QAbstractButton>("btColorPicker");
    QAbstractButton *btSavePic = find<QAbstractButton>("btSavePic");
    QAbstractButton *btCovPics = find<QAbstractButton>("btCovPics");
    QAbstractButton *pbRawSize = find<QAbstractButton>("pbRawSize");
    QAbstractButton *pbZoomIn = find<QAbstractButton>("pbZoomIn");
    QAbstractButton *pbZoomOut = find<QAbstractButton>("pbZoomOut");
    QGraphicsView *graphicsView = find<QGraphicsView>("graphicsView");
    QProgressBar *progressBar = find<QProgressBar>("progressBar");
    QTabWidget *tabWidget = find<QTabWidget>("tabWidget");
    QWidget *tab_6 = find<QWidget>("tab_6");
};
