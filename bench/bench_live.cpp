// The live preview's frame while a slider is dragged: the reflection of a
// screen-sized copy of a 24-megapixel photo, against the full rendering
// that follows the release. The copy is made once per photo, outside the
// frame's timing; BM_PreviewCopy times it on its own.
//
//   build/bench/bench_live --benchmark_repetitions=9 --benchmark_report_aggregates_only=true

#include "benchutil.h"
#include "previewcopy.h"
#include "reflection.h"

#include <QGuiApplication>

namespace {

const QSize Screen(1920, 1080);

const QImage &photo()
{
    static const QImage p = benchutil::makePhoto(6000, 4000, 42, QImage::Format_ARGB32);
    return p;
}

const QImage &copy()
{
    static const QImage c = previewCopy(photo(), Screen);
    return c;
}

ReflectionSettings withBlur(int blur)
{
    ReflectionSettings s;
    s.blur = blur;
    return s;
}

void BM_Full(benchmark::State &state, ReflectionSettings settings)
{
    for (auto _ : state) {
        QImage out;
        ComposeReflection(photo(), out, settings);
        benchmark::DoNotOptimize(out.constBits());
    }
}

void BM_LiveFrame(benchmark::State &state, ReflectionSettings settings)
{
    for (auto _ : state) {
        QImage out;
        ComposeReflection(copy(), out, settings);
        benchmark::DoNotOptimize(out.constBits());
    }
}

void BM_PreviewCopy(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(previewCopy(photo(), Screen).constBits());
}

} // namespace

BENCHMARK_CAPTURE(BM_Full, plain, withBlur(0))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Full, blur100, withBlur(100))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LiveFrame, plain, withBlur(0))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LiveFrame, blur100, withBlur(100))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    return benchutil::benchMain<QGuiApplication>(argc, argv, [] {
        copy(); // the pictures are made outside every timing

        // Ratios only: the frame's absolute time (at most about 30 ms) is the
        // goal, and it stands in the table above.
        benchutil::runWithRatios({
            {"BM_LiveFrame/plain", "BM_Full/plain", 0},
            {"BM_LiveFrame/blur100", "BM_Full/blur100", 0},
            {"BM_PreviewCopy", "BM_Full/plain", 0},
        });
    });
}
