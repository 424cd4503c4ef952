// PNG save time and size of a transparent rendering of a 24-megapixel photo:
// Qt's default against a few writer qualities, which for PNG only choose the
// zlib effort (level (100 - quality) * 9 / 91), never the pixels.
//
//   build/bench/bench_pngsave --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//       --benchmark_enable_random_interleaving=true   (one line)

#include "benchutil.h"
#include "reflection.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <map>

namespace {

const QImage &rendering()
{
    static const QImage picture = [] {
        ReflectionSettings s;
        s.transparent = true;
        QImage out;
        ComposeReflection(benchutil::makePhoto(6000, 4000, 42, QImage::Format_ARGB32), out, s);
        return out;
    }();
    return picture;
}

const std::vector<int> Qualities = {90, 80, 70, 60, 50};
std::map<int, qint64> savedBytes; // by quality, -1 for Qt's default

std::string caseName(int quality)
{
    return quality < 0 ? "png_save/default" : "png_save/quality:" + std::to_string(quality);
}

void BM_PngSave(benchmark::State &state, int quality)
{
    const QImage &picture = rendering();
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(quality);
        if (!writer.write(picture)) {
            state.SkipWithError("the PNG writer failed");
            break;
        }
        savedBytes[quality] = bytes.size();
    }
    state.counters["MB"] = double(savedBytes[quality]) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    rendering(); // outside every timing

    std::vector<benchutil::Ratio> ratios;
    benchmark::RegisterBenchmark(caseName(-1).c_str(), BM_PngSave, -1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (int q : Qualities) {
        benchmark::RegisterBenchmark(caseName(q).c_str(), BM_PngSave, q)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        ratios.push_back({caseName(q), caseName(-1), 0.25});
    }
    benchutil::RatioReporter reporter(ratios);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // The size does not vary between repetitions: zlib is deterministic.
    const auto base = savedBytes.find(-1);
    if (base == savedBytes.end())
        return 0;
    std::printf("\n%-44s %8s %8s\n", "size", "MB", "/ default");
    for (const auto &[quality, bytes] : savedBytes)
        std::printf("%-44s %8.1f %8.3f%s\n", caseName(quality).c_str(), double(bytes) / 1e6,
                    double(bytes) / double(base->second),
                    quality >= 0 && double(bytes) > 1.15 * double(base->second) ? "  OVER 1.15" : "");
    benchmark::Shutdown();
    return 0;
}
