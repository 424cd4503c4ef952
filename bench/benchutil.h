#pragma once

// Shared by the benchmark programs: their main(), and a reporter that keeps
// the median of every case and, at the end, prints each case as a ratio to
// the baseline it names.

#include <QImage>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchutil {

// Something like a photo: smooth gradients with grain, so that JPEG coding
// costs what it costs on real pictures. Each seed gives its own picture.
inline QImage makePhoto(int w, int h, quint32 seed = 42, QImage::Format format = QImage::Format_RGB32)
{
    QImage img(w, h, format);
    QRandomGenerator rng(seed);
    const int shift = int(seed * 37 % 64);
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int grain = int(rng.bounded(24u)) - 12;
            line[x] = qRgb(qBound(0, x * 255 / w + grain, 255), qBound(0, y * 255 / h + grain, 255),
                           qBound(0, 128 + (((x + shift) ^ y) & 63) + grain, 255));
        }
    }
    return img;
}

struct Ratio
{
    std::string name;     // case as registered
    std::string baseline; // case it is divided by
    double target;        // at most this many times the baseline; 0 for none
};

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    explicit RatioReporter(std::vector<Ratio> ratios) : ratios(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred) // a case that could not run has no time to compare
                continue;
            // Names carry "/real_time" when a case times the wall clock.
            std::string name = run.run_name.str();
            const std::string suffix = "/real_time";
            if (name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                name.erase(name.size() - suffix.size());
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration && !medians.count(name))
                medians[name] = run.GetAdjustedRealTime(); // single repetition
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-44s %-28s %8s %8s\n", "case (median)", "against", "ratio", "target");
        for (const Ratio &r : ratios) {
            const auto a = medians.find(r.name), b = medians.find(r.baseline);
            if (a == medians.end() || b == medians.end() || b->second <= 0)
                continue;
            const double ratio = a->second / b->second;
            if (r.target > 0)
                std::printf("%-44s %-28s %8.2f %7.2f%s\n", r.name.c_str(), r.baseline.c_str(), ratio,
                            r.target, ratio <= r.target ? "" : "  OVER");
            else
                std::printf("%-44s %-28s %8.2f %8s\n", r.name.c_str(), r.baseline.c_str(), ratio, "-");
        }
    }

private:
    std::vector<Ratio> ratios;
    std::map<std::string, double> medians;
};

// Every program's main(): an offscreen application of type App (for its
// pictures and windows), Google Benchmark's own options, then `run`, which
// prepares what must stay outside every timing and runs the cases.
template <typename App, typename Run>
int benchMain(int argc, char **argv, Run run)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    run();
    benchmark::Shutdown();
    return 0;
}

// Runs every case and prints the ratios.
inline void runWithRatios(std::vector<Ratio> ratios)
{
    RatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
}

} // namespace benchutil
