// Editing one photo through the window: the panel's signals, the rendering
// with its loading dialog, loading and export. Modal dialogs are answered
// from inside their own event loops.

#include "glassmere.h"
#include "rendercontroller.h"
#include "reflection.h"
#include "testutils.h"
#include "uihelpers.h"
#include "widgets/dlgloading.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QGraphicsPixmapItem>
#include <QImageReader>
#include <QMessageBox>
#include <QScrollBar>
#include <QSemaphore>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

namespace {

// The picture the preview shows.
QImage shownPicture(QWidget *window)
{
    const auto *view = window->findChild<QGraphicsView *>(QStringLiteral("graphicsView"));
    for (QGraphicsItem *item : view->scene()->items())
        if (auto *pixmap = dynamic_cast<QGraphicsPixmapItem *>(item))
            return pixmap->pixmap().toImage();
    return QImage();
}

DlgLoading *loadingDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<DlgLoading *>(w))
            return d;
    return nullptr;
}

} // namespace

class tst_editing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void nothingRendersWithoutAPhoto();
    void returnRendersOnceFocusOutNever();
    void intervalRendersOnlyOnChange();
    void sliderRendersOnRelease();
    void sliderStepsRenderOnceSettled();
    void directionBoxes_data();
    void directionBoxes();
    void uncheckingTheOnlyBoxRendersBottomNext();
    void transparentModeDisablesColour();
    void chosenColour_data();
    void chosenColour();
    void renderingUsesSettingsAtItsStart();
    void oneRenderingAtATime();
    void previewKeepsZoom();
    void failedLoadChangesNothing();
    void renderingThatCannotBeAllocated();
    void exportPreselection_data();
    void exportPreselection();
    void exportMessages_data();
    void exportMessages();

private:
    // Opens `path` through the Source box and its file dialog.
    void load(const QString &path);
    // Focus, select all, type `text`, and Return unless told otherwise.
    static void type(QLineEdit *edit, const QString &text, bool pressReturn = true)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        if (pressReturn)
            QTest::keyClick(edit, Qt::Key_Return);
    }
    QString savePhoto(const QString &name, const QImage &image);

    QTemporaryDir dir;
    QString photoPath;
    QImage photo;
    Glassmere *window = nullptr;
    RenderController *renderer = nullptr;
    std::unique_ptr<QSignalSpy> started;
    int renderings() const { return int(started->count()); }
    FormParts ui() const { return FormParts(window); }
};

void tst_editing::initTestCase()
{
    QRandomGenerator rng(1);
    photo = TestUtils::randomImage(rng, 90, 60).convertToFormat(QImage::Format_RGB32);
    photoPath = savePhoto(QStringLiteral("photo.png"), photo);
}

void tst_editing::init()
{
    window = new Glassmere;
    renderer = window->findChild<RenderController *>();
    QVERIFY(renderer);
    started = std::make_unique<QSignalSpy>(renderer, &RenderController::started);
    window->show();
    // Focus changes, and with them editingFinished, need an active window.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

void tst_editing::cleanup()
{
    started.reset();
    delete window;
    window = nullptr;
}

QString tst_editing::savePhoto(const QString &name, const QImage &image)
{
    const QString path = dir.filePath(name);
    if (!image.save(path))
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

void tst_editing::load(const QString &path)
{
    FileDialogAnswer answer(path);
    QTest::mouseClick(ui().txtPicSelect, Qt::LeftButton);
    QVERIFY(answer.done());
    // The dialogs took the activation; give it back for focus changes.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

void tst_editing::nothingRendersWithoutAPhoto()
{
    type(ui().txtSize, QStringLiteral("50"));
    ui().checkBoxTop->click();
    ui().cbTransparent->click();
    emit ui().refDepth->sliderReleased();
    QCOMPARE(ui().refSize->value(), 50);
    QCOMPARE(renderings(), 0);
    QVERIFY(shownPicture(window).isNull());
    QVERIFY(!loadingDialog()->isVisible());
}

void tst_editing::returnRendersOnceFocusOutNever()
{
    load(photoPath);
    QCOMPARE(renderings(), 1);
    QCOMPARE(ui().txtPicSelect->text(), photoPath);

    type(ui().txtSize, QStringLiteral("007"));
    QCOMPARE(ui().refSize->value(), 7);
    QCOMPARE(ui().txtSize->text(), QStringLiteral("7"));
    QCOMPARE(renderings(), 2);
    QCOMPARE(shownPicture(window).height(), 60 + 60 * 7 / 100);

    QTest::keyClick(ui().txtSize, Qt::Key_Return); // unchanged, renders again
    QCOMPARE(renderings(), 3);
    // The loading dialog took the activation; focus moves need it back.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QVERIFY(ui().txtSize->hasFocus());
    ui().txtDepth->setFocus(); // focus out without a change
    QCOMPARE(renderings(), 3);

    type(ui().txtDepth, QStringLiteral("55"), false);
    ui().txtSize->setFocus(); // focus out with a change renders once
    QCOMPARE(ui().refDepth->value(), 55);
    QCOMPARE(renderings(), 4);
}

void tst_editing::intervalRendersOnlyOnChange()
{
    load(photoPath);
    started->clear();
    ui().txtInterval->setFocus();
    QTest::keyClick(ui().txtInterval, Qt::Key_Return);
    QCOMPARE(renderings(), 0);

    type(ui().txtInterval, QStringLiteral("-50"));
    QCOMPARE(ui().refInterval->value(), -50);
    QCOMPARE(renderings(), 1);
    QCOMPARE(shownPicture(window).height(), 30 + 30 * 38 / 100);

    // The validator refuses -81 and 101 keystroke by keystroke.
    type(ui().txtInterval, QStringLiteral("-81"), false);
    QCOMPARE(ui().txtInterval->text(), QStringLiteral("-8"));
    type(ui().txtInterval, QStringLiteral("101"), false);
    QCOMPARE(ui().txtInterval->text(), QStringLiteral("10"));
}

void tst_editing::sliderRendersOnRelease()
{
    load(photoPath);
    ui().refSize->setValue(60); // as a drag does, step by step
    QCOMPARE(ui().txtSize->text(), QStringLiteral("60"));
    QCOMPARE(renderings(), 1);
    emit ui().refSize->sliderReleased();
    QCOMPARE(renderings(), 2);
    QCOMPARE(shownPicture(window).height(), 60 + 36);
}

void tst_editing::directionBoxes_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QSize>("size");
    QTest::newRow("top") << "checkBoxTop" << 0 << QSize(90, 60 + 22);
    QTest::newRow("left") << "checkBoxLeft" << 2 << QSize(90 + 34, 60);
    QTest::newRow("right") << "checkBoxRight" << 3 << QSize(90 + 34, 60);
}

void tst_editing::directionBoxes()
{
    QFETCH(QString, box);
    QFETCH(int, direction);
    QFETCH(QSize, size);
    load(photoPath);
    auto *check = window->findChild<QCheckBox *>(box);
    check->click();
    QCOMPARE(renderings(), 2); // exactly one more
    int checked = 0;
    for (const char *name : {"checkBoxTop", "checkBoxLeft", "checkBoxRight", "checkBoxBottom"})
        checked += window->findChild<QCheckBox *>(QLatin1String(name))->isChecked();
    QCOMPARE(checked, 1);
    QCOMPARE(window->GetDirection(), direction);
    QCOMPARE(shownPicture(window).size(), size);

    ui().checkBoxBottom->click(); // back to bottom: one rendering, others cleared
    QVERIFY(!check->isChecked());
    QCOMPARE(renderings(), 3);
    QCOMPARE(shownPicture(window).size(), QSize(90, 60 + 22));
}

void tst_editing::uncheckingTheOnlyBoxRendersBottomNext()
{
    load(photoPath);
    ui().checkBoxTop->click();
    QCOMPARE(renderings(), 2);
    ui().checkBoxTop->click(); // unchecked: none checked, nothing rendered
    QCOMPARE(renderings(), 2);
    QCOMPARE(window->GetDirection(), 1);
    emit ui().refSize->sliderReleased();
    // Bottom: the picture stays on top.
    QCOMPARE(shownPicture(window).copy(0, 0, 90, 60), photo.convertToFormat(QImage::Format_ARGB32));
}

void tst_editing::transparentModeDisablesColour()
{
    ui().refInterval->setValue(50);
    load(photoPath);
    ui().cbTransparent->click();
    QVERIFY(!ui().txtColor->isEnabled());
    QVERIFY(!ui().btColorPicker->isEnabled());
    QCOMPARE(renderings(), 2);
    QCOMPARE(shownPicture(window).pixel(3, 65), 0u); // the gap is transparent
    ui().cbTransparent->click();
    QVERIFY(ui().btColorPicker->isEnabled());
    QCOMPARE(ui().btColorPicker->styleSheet(), QStringLiteral("background-color: rgb(255, 255, 255);"));
    QCOMPARE(renderings(), 3);
    QCOMPARE(shownPicture(window).pixel(3, 65), qRgb(255, 255, 255));
}

void tst_editing::chosenColour_data()
{
    QTest::addColumn<QColor>("colour"); // invalid: the dialog is cancelled
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("opener"); // 0 click the text, 1 the button, 2 Return on the text
    QTest::newRow("small components keep two digits") << QColor(10, 20, 30) << "#0a141e" << 0;
    QTest::newRow("zero and full") << QColor(0, 128, 255) << "#0080ff" << 1;
    QTest::newRow("small green and blue") << QColor(200, 5, 7) << "#c80507" << 1;
    QTest::newRow("cancelled changes nothing") << QColor() << "#ffffff" << 2;
}

void tst_editing::chosenColour()
{
    QFETCH(QColor, colour);
    QFETCH(QString, text);
    QFETCH(int, opener);
    ui().refInterval->setValue(50);
    load(photoPath);
    WhenShown<QColorDialog> answer([colour](QColorDialog *d) {
        QCOMPARE(d->currentColor(), QColor(Qt::white)); // always opens on white
        d->setCurrentColor(colour.isValid() ? colour : QColor(Qt::red));
        colour.isValid() ? d->accept() : d->reject();
    });
    if (opener == 0)
        QTest::mouseClick(ui().txtColor, Qt::LeftButton);
    else if (opener == 1)
        ui().btColorPicker->click();
    else
        QTest::keyClick(ui().txtColor, Qt::Key_Return);
    QVERIFY(answer.done());
    const QColor shown = colour.isValid() ? colour : QColor(Qt::white);
    QCOMPARE(ui().txtColor->text(), text);
    QCOMPARE(QColor(text), shown);
    QCOMPARE(renderings(), colour.isValid() ? 2 : 1);
    if (colour.isValid())
        QCOMPARE(ui().btColorPicker->styleSheet(), QStringLiteral("background-color: rgb(%1, %2, %3);")
                                                       .arg(shown.red())
                                                       .arg(shown.green())
                                                       .arg(shown.blue()));
    QCOMPARE(shownPicture(window).pixel(3, 65), shown.rgb()); // the gap
}

// Holds the renderer's only thread until released, so a rendering stays
// pending while the test acts inside the loading dialog's modal loop.
class PoolGate
{
public:
    explicit PoolGate(QThreadPool *pool)
    {
        blocker = QtConcurrent::run(pool, [this] { gate.acquire(); });
    }
    ~PoolGate()
    {
        release();
        blocker.waitForFinished();
    }
    void release()
    {
        if (!released)
            gate.release();
        released = true;
    }

private:
    QSemaphore gate;
    QFuture<void> blocker;
    bool released = false;
};

void tst_editing::renderingUsesSettingsAtItsStart()
{
    load(photoPath);
    PoolGate gate(renderer->threadPool());
    WhenShown<DlgLoading> meanwhile([this, &gate](DlgLoading *) {
        ui().refSize->setValue(10); // changed while the task waits
        ui().checkBoxLeft->setChecked(true);
        gate.release();
    });
    type(ui().txtSize, QStringLiteral("50"));
    QVERIFY(meanwhile.done());
    QCOMPARE(shownPicture(window).size(), QSize(90, 90)); // bottom, size 50
}

void tst_editing::oneRenderingAtATime()
{
    load(photoPath);
    PoolGate gate(renderer->threadPool());
    bool stillShown = false;
    WhenShown<DlgLoading> meanwhile([this, &gate, &stillShown](DlgLoading *dlg) {
        // Neither Escape nor a close request ends the wait...
        QTest::keyClick(dlg, Qt::Key_Escape);
        dlg->close();
        stillShown = dlg->isVisible();
        // ...and a second rendering does not start.
        QMetaObject::invokeMethod(window, "RunReflection");
        gate.release();
    });
    emit ui().refSize->sliderReleased();
    QVERIFY(meanwhile.done());
    QVERIFY(stillShown);
    QCOMPARE(renderings(), 2);
    QVERIFY(!loadingDialog()->isVisible());
    QVERIFY(!renderer->isBusy());
    emit ui().refSize->sliderReleased(); // and afterwards renders again
    QCOMPARE(renderings(), 3);
}

void tst_editing::previewKeepsZoom()
{
    load(photoPath); // small: not fitted, shown 1:1
    QCOMPARE(ui().graphicsView->transform().m11(), 1.0);
    ui().pbZoomIn->click();
    ui().pbZoomOut->click();
    QVERIFY(qFuzzyCompare(ui().graphicsView->transform().m11(), 0.96));
    emit ui().refSize->sliderReleased();
    QVERIFY(qFuzzyCompare(ui().graphicsView->transform().m11(), 0.96));
    ui().pbFit->click(); // fits only what is larger than the view
    QVERIFY(qFuzzyCompare(ui().graphicsView->transform().m11(), 0.96));
    ui().pbRawSize->click();
    QCOMPARE(ui().graphicsView->transform().m11(), 1.0);

    // A picture larger than the view is fitted whole after a load.
    const QString big = savePhoto(QStringLiteral("big.png"), QImage(3000, 2000, QImage::Format_RGB32));
    ui().pbZoomIn->click();
    load(big);
    const QRectF shown =
        ui().graphicsView->mapFromScene(ui().graphicsView->scene()->sceneRect()).boundingRect();
    QVERIFY(shown.width() <= ui().graphicsView->width() + 1);
    QVERIFY(shown.height() <= ui().graphicsView->height() + 1);

    // Zoomed to 1:1 and scrolled, a new rendering keeps both.
    ui().pbRawSize->click();
    QScrollBar *bars[] = {ui().graphicsView->horizontalScrollBar(), ui().graphicsView->verticalScrollBar()};
    for (QScrollBar *bar : bars)
        bar->setValue(bar->maximum() / 3);
    const int x = bars[0]->value(), y = bars[1]->value();
    QVERIFY(x > 0 && y > 0);
    emit ui().refDepth->sliderReleased();
    QCOMPARE(ui().graphicsView->transform().m11(), 1.0);
    QCOMPARE(bars[0]->value(), x);
    QCOMPARE(bars[1]->value(), y);
}

// Wheel and arrow-key steps have no release: a burst of them renders once,
// after the steps settle, with the value the box shows.
void tst_editing::sliderStepsRenderOnceSettled()
{
    load(photoPath);
    QSignalSpy finished(renderer, &RenderController::finished);
    ui().refSize->setFocus();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(ui().refSize, Qt::Key_Up);
    QCOMPARE(ui().txtSize->text(), QStringLiteral("43"));
    QCOMPARE(renderings(), 1);
    QVERIFY(finished.wait(10000));
    QCOMPARE(renderings(), 2);
    QCOMPARE(shownPicture(window).height(), 60 + 60 * 43 / 100);

    // A drag renders on its release only.
    ui().refSize->setSliderDown(true);
    ui().refSize->setSliderPosition(60);
    ui().refSize->setSliderDown(false);
    QCOMPARE(renderings(), 3);
    QVERIFY(!finished.wait(500)); // and nothing settles afterwards
    QCOMPARE(renderings(), 3);
    QCOMPARE(shownPicture(window).height(), 60 + 36);
}

void tst_editing::failedLoadChangesNothing()
{
    load(photoPath);
    const QImage before = shownPicture(window);
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.jpg"));
    QVERIFY(TestUtils::writeFile(corrupt, "\xff\xd8\xff not really a JPEG"));

    MessageBoxCloser closer;
    load(corrupt);
    QCOMPARE(closer.messages.size(), 1);
    QCOMPARE(closer.messages.first().title, QStringLiteral("Failure"));
    QCOMPARE(closer.messages.first().text, QStringLiteral("Photo loads error."));
    QCOMPARE(ui().txtPicSelect->text(), photoPath);
    QCOMPARE(shownPicture(window), before);
    QCOMPARE(renderings(), 1);
}

// An output whose lines are too long for QImage: failed() instead of a
// picture, and the controller takes the next rendering.
void tst_editing::renderingThatCannotBeAllocated()
{
    RenderController controller;
    QSignalSpy failed(&controller, &RenderController::failed);
    QSignalSpy finished(&controller, &RenderController::finished);
    static const uchar pixels[16] = {};
    const QImage wide(pixels, 30'000'000, 1, 120'000'000, QImage::Format_ARGB32);
    ReflectionSettings settings;
    settings.direction = ReflectionSettings::Right;
    settings.size = 100;
    settings.interval = 100;
    QVERIFY(controller.start(wide, settings));
    QVERIFY(!controller.start(wide, settings)); // one at a time
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(finished.count(), 0);
    QVERIFY(controller.start(photo, settings));
    QTRY_COMPARE(finished.count(), 1);
}

void tst_editing::exportPreselection_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QString>("filter");
    const QString jpg = QStringLiteral("JPG-Joint Photographic Experts Group(*.JPG)");
    const QString png = QStringLiteral("PNG-Portable Network Graphics(*.PNG)");
    const QString tiff = QStringLiteral("Tagged Image File Format(*.TIFF)");
    const QString ico = QStringLiteral("Microsoft Icon(*.ICO)");
    QTest::newRow("jpg") << "jpg" << false << jpg;
    QTest::newRow("JPG") << "JPG" << false << jpg;
    QTest::newRow("tif is TIFF") << "tif" << false << tiff;
    QTest::newRow("tiff") << "tiff" << false << tiff;
    QTest::newRow("ico") << "ico" << false << ico;
    QTest::newRow("jpg transparent") << "jpg" << true << png;
    QTest::newRow("JPG transparent") << "JPG" << true << png;
    QTest::newRow("tif transparent keeps TIFF") << "tif" << true << tiff;
    QTest::newRow("tiff transparent keeps TIFF") << "tiff" << true << tiff;
    QTest::newRow("ico transparent keeps ICO") << "ico" << true << ico;
}

void tst_editing::exportPreselection()
{
    QFETCH(QString, suffix);
    QFETCH(bool, transparent);
    QFETCH(QString, filter);
    const QImage small = photo.scaled(32, 32);
    const QByteArray format = suffix.toLower() == QLatin1String("jpg") ? "JPG" : suffix.toUpper().toLatin1();
    const QString path = dir.filePath(QStringLiteral("pre.%1").arg(suffix));
    QVERIFY(small.save(path, format.constData()));
    load(path);
    if (transparent)
        ui().cbTransparent->click();

    QString selected;
    WhenShown<QFileDialog> answer([&](QFileDialog *d) {
        selected = d->selectedNameFilter();
        d->reject();
    });
    ui().btSavePic->click();
    QVERIFY(answer.done());
    QCOMPARE(selected, filter);
}

void tst_editing::exportMessages_data()
{
    QTest::addColumn<QString>("name"); // typed into the save dialog; @: the loaded photo, none: no photo
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason"); // a part of the informative text
    const QString failed = QStringLiteral("Failed to export reflection photo.");
    QTest::newRow("written in the photo's own format")
        << "out.png" << false << "Reflection photo has been exported."
        << "";
    QTest::newRow("transparent into JPG") << "out.jpg" << true << failed << "only PNG, ICO, TIFF keep";
    QTest::newRow("onto the loaded photo") << "@" << false << failed << "never written over";
    QTest::newRow("onto a link to it") << "link.png" << false << failed << "never written over";
    QTest::newRow("no suffix") << "out" << false << failed << "no suffix";
    QTest::newRow("no writer") << "out.gif" << false << failed << "no writer";
    QTest::newRow("nothing loaded") << "" << false << "Load a photo first."
                                    << "";
}

void tst_editing::exportMessages()
{
    QFETCH(QString, name);
    QFETCH(bool, transparent);
    QFETCH(QString, text);
    QFETCH(QString, reason);
    const QByteArray photoBytes = TestUtils::readAll(photoPath);
    QFile::link(photoPath, dir.filePath(QStringLiteral("link.png"))); // made by the first row
    if (!name.isEmpty())
        load(photoPath); // RGB32
    if (transparent)
        ui().cbTransparent->click();
    const QString out = name == QLatin1String("@") ? photoPath : dir.filePath(name);
    FileDialogAnswer answer(out);
    MessageBoxCloser closer;
    ui().btSavePic->click();
    QCOMPARE(answer.done(), !name.isEmpty());
    // The last message: an existing name is first confirmed to be replaced.
    QTRY_VERIFY(!closer.messages.isEmpty() && closer.messages.last().text == text);
    QVERIFY2(closer.messages.last().informativeText.contains(reason),
             qPrintable(closer.messages.last().informativeText));
    QCOMPARE(TestUtils::readAll(photoPath), photoBytes);
    if (name.isEmpty() || name == QLatin1String("@") || name == QLatin1String("link.png"))
        return;
    if (!reason.isEmpty()) {
        QVERIFY(!QFileInfo::exists(out));
        return;
    }
    QImage expected;
    ComposeReflection(this->photo.convertToFormat(QImage::Format_ARGB32), expected, ReflectionSettings());
    const QImage written(out);
    QVERIFY(!written.hasAlphaChannel());
    QCOMPARE_IMAGES(written.convertToFormat(QImage::Format_RGB32),
                    expected.convertToFormat(QImage::Format_RGB32));
    QFile::remove(out);
}

QTEST_MAIN(tst_editing)
#include "tst_editing.moc"
