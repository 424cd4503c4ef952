// Editing one photo through the window: the panel's signals, the rendering
// with its loading dialog, loading and export. Modal dialogs are answered
// from inside their own event loops.

#include "glassmere.h"
#include "rendercontroller.h"
#include "testutils.h"
#include "uihelpers.h"
#include "widgets/dlgloading.h"

#include <QColorDialog>
#include <QGraphicsPixmapItem>
#include <QScrollBar>
#include <QScopeGuard>
#include <QSemaphore>
#include <QThreadPool>
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

// Focus, select all, type `text`, and Return unless told otherwise.
void type(QLineEdit *edit, const QString &text, bool pressReturn = true)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    if (pressReturn)
        QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class tst_editing : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QRandomGenerator rng{1};
    const QImage photo = TestUtils::randomImage(rng, 90, 60).convertToFormat(QImage::Format_RGB32);
    const QString photoPath = dir.filePath(QStringLiteral("photo.png"));
    std::unique_ptr<Glassmere> window;
    RenderController *renderer = nullptr;
    std::unique_ptr<QSignalSpy> started;
    int renderings() const { return int(started->count()); }
    FormWidgets ui() const { return FormWidgets(window.get()); }

    // Opens `path` through the Source box and its file dialog.
    void load(const QString &path)
    {
        FileDialogAnswer answer(path);
        QTest::mouseClick(ui().txtPicSelect, Qt::LeftButton);
        QVERIFY(answer.done());
        // The dialogs took the activation; give it back for focus changes.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

private slots:
    void initTestCase() { QVERIFY(photo.save(photoPath)); }

    void init()
    {
        window = std::make_unique<Glassmere>();
        renderer = window->findChild<RenderController *>();
        started = std::make_unique<QSignalSpy>(renderer, &RenderController::started);
        window->show();
        // Focus changes, and with them editingFinished, need an active window.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup() { window.reset(); }

    void returnRendersOnceFocusOutNever()
    {
        load(photoPath);
        QCOMPARE(renderings(), 1);
        type(ui().txtSize, QStringLiteral("007"));
        QCOMPARE(ui().txtSize->text(), QStringLiteral("7"));
        QCOMPARE(renderings(), 2);
        // The loading dialog took the activation; focus moves need it back.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        ui().txtDepth->setFocus(); // focus out without a change
        QCOMPARE(renderings(), 2);

        type(ui().txtDepth, QStringLiteral("55"), false);
        ui().txtSize->setFocus(); // focus out with a change renders once
        QCOMPARE(ui().refDepth->value(), 55);
        QCOMPARE(renderings(), 3);
    }

    // Wheel and arrow-key steps have no release: a burst of them renders
    // once, after the steps settle, with the value the box shows. A drag
    // renders on its release only.
    void sliderStepsRenderOnceSettled()
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
        QCOMPARE(shownPicture(window.get()).height(), 60 + 60 * 43 / 100);

        ui().refSize->setSliderDown(true);
        ui().refSize->setSliderPosition(60);
        ui().refSize->setSliderDown(false);
        QCOMPARE(renderings(), 3);
        QVERIFY(!finished.wait(500)); // and nothing settles afterwards
        QCOMPARE(shownPicture(window.get()).height(), 60 + 36);
    }

    void directionBoxes_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QSize>("size");
        QTest::newRow("top") << "checkBoxTop" << QSize(90, 60 + 22);
        QTest::newRow("left") << "checkBoxLeft" << QSize(90 + 34, 60);
        QTest::newRow("right") << "checkBoxRight" << QSize(90 + 34, 60);
    }

    void directionBoxes()
    {
        QFETCH(QString, box);
        load(photoPath);
        auto *check = window->findChild<QCheckBox *>(box);
        check->click();
        QCOMPARE(renderings(), 2); // exactly one more
        QVERIFY(!ui().checkBoxBottom->isChecked());
        QTEST(shownPicture(window.get()).size(), "size");
    }

    // The gap takes the chosen colour, or none in transparent mode. The
    // colour dialog always opens on white; cancelled, it changes nothing.
    void gapColour()
    {
        ui().refInterval->setValue(50);
        load(photoPath);
        auto gap = [this] { return shownPicture(window.get()).pixel(3, 65); };
        WhenShown<QColorDialog> choose([](QColorDialog *d) {
            QCOMPARE(d->currentColor(), QColor(Qt::white)); // always opens on white
            d->setCurrentColor(QColor(10, 20, 30));
            d->accept();
        });
        QTest::mouseClick(ui().txtColor, Qt::LeftButton);
        QVERIFY(choose.done());
        QCOMPARE(ui().txtColor->text(), QStringLiteral("#0a141e")); // two digits each
        QCOMPARE(renderings(), 2);
        QCOMPARE(gap(), qRgb(10, 20, 30));

        ui().cbTransparent->click();
        QVERIFY(!ui().btColorPicker->isEnabled());
        QCOMPARE(renderings(), 3);
        QCOMPARE(gap(), 0u);
    }

    // While a rendering waits for the thread: changed settings do not reach
    // it, the loading dialog cannot be dismissed, a second one does not start.
    void oneRenderingAtATime()
    {
        load(photoPath);
        // Holds the renderer's only thread, so the rendering stays pending
        // while the test acts inside the loading dialog; open at the latest
        // when the test ends.
        QSemaphore gate;
        renderer->threadPool()->start([&gate] { gate.acquire(); });
        const auto open = qScopeGuard([&] {
            gate.release();
            renderer->threadPool()->waitForDone();
        });
        bool stillShown = false;
        WhenShown<DlgLoading> meanwhile([&](DlgLoading *dialog) {
            ui().refSize->setValue(10);
            ui().checkBoxLeft->setChecked(true);
            QTest::keyClick(dialog, Qt::Key_Escape);
            dialog->close();
            stillShown = dialog->isVisible();
            QMetaObject::invokeMethod(window.get(), "RunReflection");
            gate.release();
        });
        type(ui().txtSize, QStringLiteral("50"));
        QVERIFY(meanwhile.done());
        QVERIFY(stillShown);
        QCOMPARE(renderings(), 2);
        QCOMPARE(shownPicture(window.get()).size(), QSize(90, 90)); // bottom, size 50
        QCOMPARE(shownWindow<DlgLoading>(), nullptr);
        emit ui().refSize->sliderReleased(); // and afterwards renders again
        QCOMPARE(renderings(), 3);
    }

    void previewKeepsZoom()
    {
        QGraphicsView *view = ui().graphicsView;
        // Zoomed to 1:1 and scrolled, a new rendering keeps both.
        const QString big = dir.filePath(QStringLiteral("big.png"));
        QVERIFY(QImage(3000, 2000, QImage::Format_RGB32).save(big));
        load(big);
        ui().pbRawSize->click();
        QScrollBar *bars[] = {view->horizontalScrollBar(), view->verticalScrollBar()};
        for (QScrollBar *bar : bars)
            bar->setValue(bar->maximum() / 3);
        const int x = bars[0]->value();
        const int y = bars[1]->value();
        QVERIFY(x > 0 && y > 0);
        emit ui().refDepth->sliderReleased();
        QCOMPARE(view->transform().m11(), 1.0);
        QCOMPARE(bars[0]->value(), x);
        QCOMPARE(bars[1]->value(), y);
    }

    void failedLoadChangesNothing()
    {
        load(photoPath);
        const QImage before = shownPicture(window.get());
        const QString corrupt = dir.filePath(QStringLiteral("corrupt.jpg"));
        QVERIFY(TestUtils::writeFile(corrupt, "\xff\xd8\xff not really a JPEG"));
        MessageBoxCloser closer;
        load(corrupt);
        QCOMPARE(closer.messages.size(), 1);
        QCOMPARE(closer.messages.first().text, QStringLiteral("Photo loads error."));
        QCOMPARE(ui().txtPicSelect->text(), photoPath);
        QCOMPARE(shownPicture(window.get()), before);
        QCOMPARE(renderings(), 1);
    }

    // An output whose lines are too long for QImage: failed() instead of a
    // picture, and the controller takes the next rendering.
    void renderingThatCannotBeAllocated()
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

    void exportPreselection_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<QString>("filter");
        const QString tiff = QStringLiteral("Tagged Image File Format(*.TIFF)");
        QTest::newRow("tif is TIFF") << "tif" << false << tiff;
        QTest::newRow("tiff transparent keeps TIFF") << "tiff" << true << tiff;
        QTest::newRow("jpg transparent") << "jpg" << true << "PNG-Portable Network Graphics(*.PNG)";
    }

    void exportPreselection()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, transparent);
        const QString path = dir.filePath(QStringLiteral("pre.") + suffix);
        QVERIFY(photo.scaled(32, 32).save(path));
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
        QTEST(selected, "filter");
    }

    void exportMessages_data()
    {
        QTest::addColumn<QString>("name"); // typed into the save dialog; @: the loaded photo, none: no photo
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason"); // a part of the informative text
        const QString failed = QStringLiteral("Failed to export reflection photo.");
        const QString exported = QStringLiteral("Reflection photo has been exported.");
        QTest::newRow("written in the photo's own format") << "out.png" << false << exported << QString();
        QTest::newRow("transparent into JPG")
            << "out.jpg" << true << failed << "only PNG, ICO, TIFF, WEBP, AVIF keep";
        QTest::newRow("onto the loaded photo") << "@" << false << failed << "never written over";
        QTest::newRow("onto a link to it") << "link.png" << false << failed << "never written over";
        QTest::newRow("no writer") << "out.gif" << false << failed << "no writer";
        QTest::newRow("nothing loaded") << "" << false << "Load a photo first." << QString();
    }

    void exportMessages()
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
        if (!name.startsWith(QLatin1String("out")))
            return; // the photo itself was checked above
        QCOMPARE(QFileInfo::exists(out), reason.isEmpty());
        if (!reason.isEmpty())
            return;
        // The rendering shown, opaque as the photo.
        const QImage written(out);
        QVERIFY(!written.hasAlphaChannel());
        QCOMPARE_IMAGES(written.convertToFormat(QImage::Format_RGB32),
                        shownPicture(window.get()).convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(tst_editing)
#include "tst_editing.moc"
