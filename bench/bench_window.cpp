// The road from a settings change to the picture in the preview, for a
// 24-megapixel photo, against the engine's rendering alone:
//
//   build/bench/bench_window --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
//
// The road is what a released slider does: gather the settings, render on
// the thread pool behind the loading dialog, hand the picture back and put
// it into the preview. Runs on the offscreen platform.

#include "benchutil.h"
#include "glassmere.h"
#include "photoio.h"
#include "reflection.h"
#include "uihelpers.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QSlider>
#include <QTemporaryDir>

namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// A photo-like JPEG, as a camera would hand it over.
QString photoPath()
{
    static const QString path = [] {
        const QImage img = benchutil::makePhoto(PhotoWidth, PhotoHeight);
        const QString p = workDir().filePath(QStringLiteral("photo.jpg"));
        img.save(p, "JPG", 90);
        return p;
    }();
    return path;
}

void BM_EngineOnly(benchmark::State &state)
{
    const QImage photo = readPhoto(photoPath()).convertToFormat(QImage::Format_ARGB32);
    ReflectionSettings s;
    for (auto _ : state) {
        QImage out;
        ComposeReflection(photo, out, s);
        benchmark::DoNotOptimize(out.constBits());
    }
}

void BM_SettingToPreview(benchmark::State &state)
{
    Glassmere window;
    window.show();
    {
        // Load through the Source box and its dialog, as a person does.
        FileDialogAnswer answer(photoPath());
        QLineEdit *source = window.findChild<QLineEdit *>(QStringLiteral("txtPicSelect"));
        QMetaObject::invokeMethod(&window, "AddPic");
        if (!answer.done() || source->text().isEmpty()) {
            state.SkipWithError("the photo did not load");
            return;
        }
    }
    QSlider *size = window.findChild<QSlider *>(QStringLiteral("refSize"));
    for (auto _ : state) {
        // Returns once the new picture is in the preview.
        emit size->sliderReleased();
    }
}

} // namespace

BENCHMARK(BM_EngineOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SettingToPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    return benchutil::benchMain<QApplication>(argc, argv, [] {
        qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &) {}); // the debug lines
        photoPath();                                                        // outside every timing
        benchutil::runWithRatios({{"BM_SettingToPreview", "BM_EngineOnly", 1.5}});
    });
}
