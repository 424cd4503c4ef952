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

// The encoder runs on one thread, so its processor time is what the wall
// clock shows on an idle machine; on a shared one it is the steadier figure.
class CpuMedians : public benchutil::RatioReporter
{
public:
    using RatioReporter::RatioReporter;
    std::map<std::string, double> cpu;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        RatioReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Aggregate ? run.aggregate_name == "median"
                                                  : !cpu.count(run.run_name.str()))
                cpu[run.run_name.str()] = run.GetAdjustedCPUTime();
    }
};

} // namespace

int main(int argc, char **argv)
{
    return benchutil::benchMain<QGuiApplication>(argc, argv, [] {
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
        CpuMedians reporter(ratios);
        benchmark::RunSpecifiedBenchmarks(&reporter);

        // The size does not vary between repetitions: zlib is deterministic.
        const auto base = savedBytes.find(-1);
        const double baseCpu = reporter.cpu[caseName(-1) + "/real_time"];
        if (base == savedBytes.end() || baseCpu <= 0)
            return;
        std::printf("\n%-28s %8s %10s %8s %10s\n", "case", "MB", "size / def", "CPU ms", "CPU / def");
        for (const auto &[quality, bytes] : savedBytes) {
            const double size = double(bytes) / double(base->second);
            const double cpu = reporter.cpu[caseName(quality) + "/real_time"];
            std::printf("%-28s %8.1f %10.3f %8.0f %10.2f%s\n", caseName(quality).c_str(), double(bytes) / 1e6,
                        size, cpu, cpu / baseCpu,
                        quality >= 0 && (size > 1.15 || cpu > 0.25 * baseCpu) ? "  OVER" : "");
        }
    });
}
