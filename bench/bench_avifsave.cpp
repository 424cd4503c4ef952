// AVIF save time of a 24-megapixel photo with the shipped encoder settings,
// against Qt's JPEG writer at quality 90 on the same picture, with the
// sizes. The goal is a few seconds on two cores. The CPU column counts
// every thread of the process: on a shared machine, half of it is what two
// idle cores would take.
//
//   build/bench/bench_avifsave --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

#include "avifcodec.h"
#include "benchutil.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <map>

namespace {

const QImage &photo()
{
    static const QImage picture = benchutil::makePhoto(6000, 4000);
    return picture;
}

std::map<std::string, qint64> savedBytes;

void BM_QtSave(benchmark::State &state, const char *format, int quality, const std::string &name)
{
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        writer.setQuality(quality);
        if (!writer.write(photo())) {
            state.SkipWithError("the writer failed");
            break;
        }
        savedBytes[name] = buffer.size();
    }
}

void BM_AvifSave(benchmark::State &state, int quality, const std::string &name)
{
    for (auto _ : state) {
        const QByteArray bytes = encodeAvif(photo(), quality);
        if (bytes.isEmpty()) {
            state.SkipWithError("the AVIF encoder failed");
            break;
        }
        savedBytes[name] = bytes.size();
    }
}

} // namespace

int main(int argc, char **argv)
{
    return benchutil::benchMain<QGuiApplication>(argc, argv, [] {
        photo(); // outside every timing

        const std::string jpeg = "jpeg_save/quality:90", avif = "avif_save/default",
                          webp = "webp_save/default";
        benchmark::RegisterBenchmark(jpeg.c_str(), BM_QtSave, "jpeg", 90, jpeg)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
        benchmark::RegisterBenchmark(webp.c_str(), BM_QtSave, "webp", -1, webp)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
        benchmark::RegisterBenchmark(avif.c_str(), BM_AvifSave, -1, avif)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
        // JPEG takes about a quarter of a second: 25 of them are a few seconds.
        const std::string timed = "/process_time"; // how the reporter names these cases
        benchutil::runWithRatios({{avif + timed, jpeg + timed, 25}, {webp + timed, jpeg + timed, 0}});

        std::printf("\n%-28s %8s\n", "case", "MB");
        for (const auto &[name, bytes] : savedBytes)
            std::printf("%-28s %8.2f\n", name.c_str(), double(bytes) / 1e6);
    });
}
