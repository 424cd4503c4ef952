// The settings panel: the preview while a slider is dragged, and the named
// presets, which the command line shares (in a temporary configuration
// folder).
#include "glassmere.h"
#include "presets.h"
#include "reflection.h"
#include "rendercontroller.h"
#include "testutils.h"
#include "uihelpers.h"

#include <QtTest>

class tst_LivePresets : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QImage photo{2400, 1600, QImage::Format_ARGB32};
    const QString photoPath = dir.filePath("photo.png");
    std::unique_ptr<Glassmere> window;
    std::unique_ptr<QSignalSpy> starts; // renderings after the photo's
    // What the window makes with its settings, or glassmere-reflect with a preset.
    QImage rendered(const QString &option = QString())
    {
        QImage out;
        ComposeReflection(photo, out, window->GatherSettings());
        const QString cli = dir.filePath("cli.png");
        return option.isEmpty() ||
                       QProcess::execute(GLASSMERE_REFLECT, {option, "Mine", photoPath, "-o", cli})
                   ? out
                   : QImage(cli).convertToFormat(out.format());
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        // Squares over a gradient: a blur of the wrong radius shows.
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, (x / 48 + y / 48) % 2 ? qRgb(x / 10, 40, y / 7) : qRgb(250, 230, 20));
        QVERIFY(photo.save(photoPath));
    }
    void init()
    {
        QDir(PresetStore().folder()).removeRecursively();
        window = std::make_unique<Glassmere>();
        window->openPhoto(photoPath);
        starts =
            std::make_unique<QSignalSpy>(window->findChild<RenderController *>(), &RenderController::started);
    }

    // Dragging shows frames of a small copy, over the area the full
    // rendering takes and looking like it (the blur too); the release
    // renders once, and export writes that.
    void drag()
    {
        QGraphicsScene *scene = window->findChild<QGraphicsView *>()->scene();
        auto *handle = window->findChild<QSlider *>("refBlur");
        handle->setSliderDown(true);
        handle->setValue(100);
        const QImage full = rendered();
        const QImage frame =
            qgraphicsitem_cast<QGraphicsPixmapItem *>(scene->items().value(0))->pixmap().toImage();
        QVERIFY(starts->isEmpty() && frame.width() < photo.width() / 2);
        QCOMPARE(scene->sceneRect().size().toSize(), full.size());
        const QImage a = full.scaled(frame.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        qint64 difference = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                difference += qAbs(qGray(frame.pixel(x, y)) - qGray(a.pixel(x, y)));
        QVERIFY(difference < 4 * qint64(frame.width()) * frame.height());
        handle->setSliderDown(false);
        QCOMPARE(starts->count(), 1);
        FileDialogAnswer answer(dir.filePath("out.png"));
        MessageBoxCloser boxes;
        QTest::mouseClick(window->findChild<QWidget *>("btSavePic"), Qt::LeftButton);
        QCOMPARE(QImage(dir.filePath("out.png")).convertToFormat(full.format()), full);
    }

    void presets_data()
    {
        // Mine.ini, written once the window is up ("cli": as glassmere-reflect saves it); choose, or the
        // button clicked, with the NAME typed (every question answered yes); in the message box, if one;
        // Mine.ini then: panel (holds the panel's settings, which the command line renders alike), same or
        // gone.
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("after");
        const QByteArray own = "[reflection]\nside=left\nsize=60\ndepth=20\ninterval=10\ncolour=#102030\n"
                               "transparent=true\nopacity=70\nblur=30\n";
        const auto row = [](const char *name, const QByteArray &before, const QString &action,
                            const QString &said, const QString &after) {
            QTest::newRow(name) << before << action << said << after;
        };
        row("choose", own, "choose", "", "panel");
        row("from the command line", "cli", "choose", "", "panel");
        row("save", "", "btSavePreset:Mine", "", "panel");
        row("replace", own, "btSavePreset:Mine", "Replace", "panel");
        row("bad name", own, "btSavePreset:../x", presetNameProblem("../x"), "same");
        row("delete", own, "btDeletePreset", "Delete", "gone");
        row("damaged", "[reflection]\nsize=abc\n", "choose", "abc", "same");
    }
    void presets()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, action);
        QFETCH(QString, said);
        QFETCH(QString, after);
        const PresetStore store;
        if (before == "cli")
            rendered("--save-preset");
        else if (!before.isEmpty())
            QVERIFY(QDir().mkpath(store.folder()) && TestUtils::writeFile(store.filePath("Mine"), before));
        auto *chooser = window->findChild<QComboBox *>("cbPreset");
        QTRY_COMPARE(chooser->count(), before.isEmpty() ? 0 : 1);
        const std::optional<ReflectionPreset> kept = store.load("Mine");
        MessageBoxCloser boxes;
        WhenShown<QInputDialog> name([&](QInputDialog *dialog) {
            dialog->setTextValue(action.section(':', 1, 1));
            dialog->accept();
        });
        chooser->setCurrentIndex(0);
        if (auto *button = window->findChild<QAbstractButton *>(action.section(':', 0, 0)))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            emit chooser->activated(0);
        const QString message = boxes.messages.value(0).text + boxes.messages.value(0).informativeText;
        QVERIFY2(said.isEmpty() ? message.isEmpty() : message.contains(said), qPrintable(message));
        const bool applied = action == "choose" && said.isEmpty();
        QCOMPARE(starts->count(), applied ? 1 : 0);
        const ReflectionPreset panel = presetFromSettings(window->GatherSettings());
        QCOMPARE(store.load("Mine"), after == "gone" ? std::nullopt : after == "same" ? kept : panel);
        QCOMPARE(chooser->count(), after == "gone" ? 0 : 1);
        if (after == "panel")
            QCOMPARE(rendered("--preset"), rendered());
    }
};

QTEST_MAIN(tst_LivePresets)
#include "tst_livepresets.moc"
