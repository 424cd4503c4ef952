// Copy, paste, Undo and Redo, and the original shown, as a person uses them.

#include "glassmere.h"
#include "hostilefiles.h"
#include "rendercontroller.h"
#include "testutils.h"
#include "uihelpers.h"

#include <QtTest>

class tst_slides : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QRandomGenerator rng{19};
    const QImage photo = TestUtils::randomImage(rng, 90, 60).convertToFormat(QImage::Format_RGB32);
    const QImage other = TestUtils::randomImage(rng, 40, 30).convertToFormat(QImage::Format_RGB32);
    const QString photoPath = dir.filePath(QStringLiteral("photo.png"));
    const QString otherPath = dir.filePath(QStringLiteral("other.png"));
    std::unique_ptr<Glassmere> window;
    std::unique_ptr<QSignalSpy> started, finished;
    FormWidgets ui() const { return FormWidgets(window.get()); }
    static QImage argb(const QImage &picture) { return picture.convertToFormat(QImage::Format_ARGB32); }
    QImage lastRendering() const { return finished->last().first().value<QImage>(); }
    // The loading dialog takes the activation; focus and shortcuts need it.
    void press(QWidget *target, QKeyCombination keys)
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        target->setFocus();
        QTest::keyClick(target, keys.key(), keys.keyboardModifiers());
    }

private slots:
    void initTestCase() { QVERIFY(photo.save(photoPath) && other.save(otherPath)); }

    void init()
    {
        window = std::make_unique<Glassmere>();
        auto *renderer = window->findChild<RenderController *>();
        started = std::make_unique<QSignalSpy>(renderer, &RenderController::started);
        finished = std::make_unique<QSignalSpy>(renderer, &RenderController::finished);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->openPhoto(photoPath);
        QCOMPARE(finished->size(), 1);
    }

    void cleanup() { window.reset(); }

    // A read-only or an unselected text box lets Ctrl+C by.
    void copy_data()
    {
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<QString>("focus");
        QTest::newRow("colour, preview") << false << "graphicsView";
        QTest::newRow("colour, source box") << false << "txtPicSelect";
        QTest::newRow("transparent, size box") << true << "txtSize";
    }

    void copy()
    {
        QFETCH(bool, transparent);
        QFETCH(QString, focus);
        if (transparent)
            ui().cbTransparent->click();
        press(window->findChild<QWidget *>(focus), Qt::CTRL | Qt::Key_C);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(TestUtils::imageDifference(argb(copied), argb(lastRendering())), QString());
        QCOMPARE(qAlpha(argb(copied).pixel(45, 81)) < 255, transparent);
    }

    // Accepted data becomes the source and renders; refused data leaves the
    // photo as it was, with one reason.
    void paste_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("reason");
        const QString pasted = QStringLiteral("Pasted picture");
        const QByteArray url = QUrl::fromLocalFile(otherPath).toEncoded();
        QTest::newRow("PNG data") << "image/png" << HostileFiles::encoded(other, "png") << pasted << "";
        QTest::newRow("image within the program") << "qimage" << QByteArray() << pasted << "";
        QTest::newRow("file URL") << "text/uri-list" << url << otherPath << "";
        QTest::newRow("path as text") << "text/plain" << otherPath.toUtf8() << otherPath << "";
        QTest::newRow("nothing") << "" << QByteArray() << photoPath << "holds no picture";
        QTest::newRow("not a picture") << "image/png" << QByteArray(300, 'x') << photoPath << "not a picture";
        QTest::newRow("claims 40000 x 40000")
            << "image/svg+xml" << HostileFiles::svg(40000, 40000) << photoPath << "the limit is 2 GB";
    }

    void paste()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, source);
        QFETCH(QString, reason);
        auto *data = new QMimeData;
        if (kind == QLatin1String("qimage"))
            data->setImageData(other);
        else if (!kind.isEmpty())
            data->setData(kind, bytes);
        QGuiApplication::clipboard()->setMimeData(data);
        MessageBoxCloser closer;
        press(ui().graphicsView, Qt::CTRL | Qt::Key_V);
        QCOMPARE(ui().txtPicSelect->text(), source);
        QCOMPARE(started->size(), reason.isEmpty() ? 2 : 1);
        QCOMPARE(closer.messages.size(), reason.isEmpty() ? 0 : 1);
        if (reason.isEmpty())
            QCOMPARE(TestUtils::imageDifference(argb(lastRendering().copy(0, 0, 40, 30)), argb(other)),
                     QString());
        else
            QVERIFY(closer.messages.first().informativeText.contains(reason));
    }

    // Steps as a person takes them; the panel after them all (size, depth,
    // side, transparence), and the renderings, the photo's own included.
    void undoRedo_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("renderings");
        QTest::newRow("typed size") << "size=50 undo"
                                    << "38 30 bottom off" << 3;
        QTest::newRow("undo twice, redo once") << "size=50 depth=10 undo undo redo"
                                               << "50 30 bottom off" << 6;
        QTest::newRow("Ctrl+Y redoes") << "size=50 undo redoY"
                                       << "50 30 bottom off" << 4;
        QTest::newRow("a new change drops the redo") << "size=50 undo depth=10 redo"
                                                     << "38 10 bottom off" << 4;
        QTest::newRow("a drag is one step") << "drag undo"
                                            << "38 30 bottom off" << 3;
        QTest::newRow("settled key steps are one") << "keys undo"
                                                   << "38 30 bottom off" << 3;
        QTest::newRow("side and transparence") << "top transparent undo"
                                               << "38 30 top off" << 4;
    }

    void undoRedo()
    {
        QFETCH(QString, steps);
        QFETCH(QString, panel);
        QFETCH(int, renderings);
        QSlider *size = ui().refSize;
        auto *top = window->findChild<QCheckBox *>(QStringLiteral("checkBoxTop"));
        for (const QString &step : steps.split(QLatin1Char(' '))) {
            const qsizetype before = started->size();
            if (step.contains(QLatin1Char('='))) {
                QLineEdit *box = step.startsWith(QLatin1String("size")) ? ui().txtSize : ui().txtDepth;
                press(box, QKeyCombination(Qt::Key_End));
                box->selectAll();
                QTest::keyClicks(box, step.section(QLatin1Char('='), 1) + QLatin1Char('\r'));
            } else if (step == QLatin1String("drag")) {
                size->setSliderDown(true);
                for (int value : {60, 70, 80})
                    size->setSliderPosition(value);
                size->setSliderDown(false);
            } else if (step == QLatin1String("keys")) {
                for (int i = 0; i < 4; ++i)
                    press(size, QKeyCombination(Qt::Key_Up));
                QTRY_COMPARE(started->size(), before + 1);
            } else if (step == QLatin1String("top") || step == QLatin1String("transparent")) {
                (step == QLatin1String("top") ? top : ui().cbTransparent)->click();
            } else {
                press(window->focusWidget() ? window->focusWidget() : ui().graphicsView,
                      step == QLatin1String("undo")   ? Qt::CTRL | Qt::Key_Z
                      : step == QLatin1String("redo") ? Qt::CTRL | Qt::SHIFT | Qt::Key_Z
                                                      : Qt::CTRL | Qt::Key_Y);
            }
        }
        QCOMPARE(
            QStringList({ui().txtSize->text(), ui().txtDepth->text(), top->isChecked() ? "top" : "bottom",
                         ui().cbTransparent->isChecked() ? "on" : "off"})
                .join(QLatin1Char(' ')),
            panel);
        QCOMPARE(started->size(), renderings);
    }

    void showOriginal_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("button") << false;
        QTest::newRow("held backslash") << true;
    }

    // At the zoom the user chose, and back to the rendering afterwards.
    void showOriginal()
    {
        QFETCH(bool, byKey);
        ui().pbZoomIn->click();
        const QTransform zoom = ui().graphicsView->transform();
        auto *button = window->findChild<QAbstractButton *>(QStringLiteral("pbOriginal"));
        byKey ? QTest::keyPress(ui().graphicsView, Qt::Key_Backslash) : button->click();
        QVERIFY(button->isChecked());
        QCOMPARE(ui().graphicsView->sceneRect().size(), QSizeF(photo.size()));
        QCOMPARE(ui().graphicsView->transform(), zoom);
        byKey ? QTest::keyRelease(ui().graphicsView, Qt::Key_Backslash) : button->click();
        QVERIFY(!button->isChecked());
        QCOMPARE(ui().graphicsView->sceneRect().size(), QSizeF(lastRendering().size()));
        QCOMPARE(started->size(), 1);
    }
};

QTEST_MAIN(tst_slides)
#include "tst_slides.moc"
