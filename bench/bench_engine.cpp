// The renderer against the memory floor (copying the output's bytes into a
// fresh buffer), and the command line against a plain Qt load and save.
//
//   build/bench/bench_engine --benchmark_repetitions=9 --benchmark_report_aggregates_only=true

#include "benchutil.h"
#include "reflection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;

const QImage &photo()
{
    static const QImage p = benchutil::makePhoto(PhotoWidth, PhotoHeight, 42, QImage::Format_ARGB32);
    return p;
}

// The same photo with 16 bits per channel, in the format it is rendered in.
const QImage &photo16()
{
    static const QImage p = photo().convertToFormat(QImage::Format_RGBA64);
    return p;
}

ReflectionSettings settingsFor(int direction, bool transparent, int opacity = 100, int blur = 0)
{
    ReflectionSettings s;
    s.direction = direction;
    s.transparent = transparent;
    s.opacity = opacity;
    s.blur = blur;
    return s;
}

qsizetype outputBytes(int direction, bool transparent)
{
    QImage out;
    ReflectionSettings s;
    s.direction = direction;
    s.transparent = transparent;
    ComposeReflection(photo(), out, s);
    return out.sizeInBytes();
}

void BM_MemoryFloor(benchmark::State &state)
{
    const qsizetype bytes = outputBytes(ReflectionSettings::Bottom, false);
    std::unique_ptr<char[]> from(new char[size_t(bytes)]);
    std::memset(from.get(), 1, size_t(bytes));
    for (auto _ : state) {
        std::unique_ptr<char[]> to(new char[size_t(bytes)]);
        std::memcpy(to.get(), from.get(), size_t(bytes));
        benchmark::DoNotOptimize(to.get());
        benchmark::ClobberMemory();
    }
}

// The same copy into a picture that asks for huge pages, as the renderer's
// output does: the floor the renderer really works against.
void BM_MemoryFloorHugePages(benchmark::State &state)
{
    const QImage from = photo().copy(0, 0, PhotoWidth, PhotoHeight * 138 / 100);
    for (auto _ : state) {
        QImage to = allocatePicture(from.width(), from.height(), from.format());
        std::memcpy(to.bits(), from.constBits(), size_t(from.sizeInBytes()));
        benchmark::DoNotOptimize(to.constBits());
        benchmark::ClobberMemory();
    }
}

void BM_Render(benchmark::State &state, int direction, bool transparent)
{
    const ReflectionSettings s = settingsFor(direction, transparent);
    const QImage &src = photo();
    for (auto _ : state) {
        QImage out;
        ComposeReflection(src, out, s);
        benchmark::DoNotOptimize(out.constBits());
    }
}

// The settings of the photo's own look, opacity and blur, and 16 bits.
void BM_RenderWith(benchmark::State &state, ReflectionSettings s, bool sixteen)
{
    const QImage &src = sixteen ? photo16() : photo();
    for (auto _ : state) {
        QImage out;
        ComposeReflection(src, out, s);
        benchmark::DoNotOptimize(out.constBits());
    }
}

// A literal turn-render-turn, to show what rendering sideways directly saves.
void BM_RenderTurned(benchmark::State &state)
{
    ReflectionSettings s;
    const QImage &src = photo();
    for (auto _ : state) {
        QImage turned = src.transformed(QTransform().rotate(90), Qt::FastTransformation);
        QImage out;
        ComposeReflection(turned, out, s);
        out = out.transformed(QTransform().rotate(-90), Qt::FastTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
}

QString jpegPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("photo24mp.jpg"));
        photo().convertToFormat(QImage::Format_RGB32).save(p, "JPG", 90);
        return p;
    }();
    return path;
}

void BM_QtLoadSaveJpeg(benchmark::State &state)
{
    const QString in = jpegPath();
    const QString out = QFileInfo(in).dir().filePath(QStringLiteral("plain.jpg"));
    for (auto _ : state) {
        QImage img(in);
        if (img.isNull() || !img.save(out)) {
            state.SkipWithError("Qt could not load or save the JPEG");
            break;
        }
    }
}

void BM_CliJpeg(benchmark::State &state)
{
    const QString in = jpegPath();
    const QString out = QFileInfo(in).dir().filePath(QStringLiteral("reflected.jpg"));
    for (auto _ : state) {
        const int rc = QProcess::execute(QStringLiteral(GLASSMERE_REFLECT), {in, QStringLiteral("-o"), out});
        if (rc != 0) {
            state.SkipWithError("glassmere-reflect failed");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_MemoryFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryFloorHugePages)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, bottom, ReflectionSettings::Bottom, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, top, ReflectionSettings::Top, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, left, ReflectionSettings::Left, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, right, ReflectionSettings::Right, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, bottom_transparent, ReflectionSettings::Bottom, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, top_transparent, ReflectionSettings::Top, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, left_transparent, ReflectionSettings::Left, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Render, right_transparent, ReflectionSettings::Right, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderWith, bottom_opacity40, settingsFor(ReflectionSettings::Bottom, false, 40), false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderWith, left_opacity40, settingsFor(ReflectionSettings::Left, false, 40), false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderWith, bottom_blur100, settingsFor(ReflectionSettings::Bottom, false, 100, 100),
                  false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderWith, left_blur100, settingsFor(ReflectionSettings::Left, false, 100, 100), false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderWith, bottom_transparent_blur100,
                  settingsFor(ReflectionSettings::Bottom, true, 100, 100), false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderWith, bottom_16bit, settingsFor(ReflectionSettings::Bottom, false), true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderWith, left_16bit, settingsFor(ReflectionSettings::Left, false), true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_RenderWith, bottom_transparent_16bit, settingsFor(ReflectionSettings::Bottom, true),
                  true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RenderTurned)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtLoadSaveJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    return benchutil::benchMain<QGuiApplication>(argc, argv, [] {
        photo16(); // build the test pictures outside every timing

        const std::string floor = "BM_MemoryFloor";
        const std::string hugeFloor = "BM_MemoryFloorHugePages";
        benchutil::runWithRatios({
            {"BM_Render/bottom", floor, 1.4},
            {"BM_Render/top", floor, 1.4},
            {"BM_Render/left", floor, 1.8},
            {"BM_Render/right", floor, 1.8},
            {"BM_Render/bottom_transparent", floor, 1.4},
            {"BM_Render/top_transparent", floor, 1.4},
            {"BM_Render/left_transparent", floor, 1.8},
            {"BM_Render/right_transparent", floor, 1.8},
            {"BM_Render/bottom", hugeFloor, 1.4},
            {"BM_Render/top", hugeFloor, 1.4},
            {"BM_Render/left", hugeFloor, 1.8},
            {"BM_Render/right", hugeFloor, 1.8},
            {"BM_Render/bottom_transparent", hugeFloor, 1.4},
            {"BM_Render/top_transparent", hugeFloor, 1.4},
            {"BM_Render/left_transparent", hugeFloor, 1.8},
            {"BM_Render/right_transparent", hugeFloor, 1.8},
            {"BM_RenderTurned", hugeFloor, 0},
            {"BM_RenderWith/bottom_opacity40", "BM_Render/bottom", 1.05},
            {"BM_RenderWith/left_opacity40", "BM_Render/left", 1.05},
            {"BM_RenderWith/bottom_blur100", "BM_Render/bottom", 3},
            {"BM_RenderWith/left_blur100", "BM_Render/left", 3},
            {"BM_RenderWith/bottom_transparent_blur100", "BM_Render/bottom_transparent", 0},
            {"BM_RenderWith/bottom_16bit", "BM_Render/bottom", 2.2},
            {"BM_RenderWith/left_16bit", "BM_Render/left", 2.2},
            {"BM_RenderWith/bottom_transparent_16bit", "BM_Render/bottom_transparent", 2.2},
            {"BM_CliJpeg", "BM_QtLoadSaveJpeg", 1.35},
        });
    });
}
