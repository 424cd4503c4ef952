// Web sizes, whole processes: a 24-megapixel JPEG made 1920 pixels wide by
// glassmere-reflect (reflection added, then scaled) and by libvips'
// `vips thumbnail` (scaled only), same width, same quality setting, in the
// same run. Goal: at most the time of libvips for each format.
//
// The AVIF cases fail with the tools' message where a tool cannot write
// AVIF.

#include "benchutil.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

constexpr int Quality = 80;

QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

const QString &photoPath()
{
    static const QString path = [] {
        const QString p = scratch().filePath(QStringLiteral("photo24mp.jpg"));
        benchutil::makePhoto(6000, 4000).save(p, "JPG", 90);
        return p;
    }();
    return path;
}

// Runs each command line in turn; the case fails with the first one's
// standard error when it does.
void runAll(benchmark::State &state, const QList<QStringList> &commands)
{
    for (auto _ : state) {
        for (const QStringList &command : commands) {
            QProcess p;
            p.start(command.first(), command.mid(1));
            if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
                const QString why = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
                state.SkipWithError(qPrintable(command.first() + QStringLiteral(": ") + why));
                return;
            }
        }
    }
}

QStringList vips(int width, const QString &format)
{
    const QString out =
        scratch().filePath(QStringLiteral("vips-%1.%2[Q=%3]").arg(width).arg(format).arg(Quality));
    return {QStringLiteral("vips"), QStringLiteral("thumbnail"), photoPath(), out, QString::number(width)};
}

// Into a folder of their own: the photo's own name in its folder is refused.
QStringList ours(const QString &widths, const QString &format)
{
    static const bool made = QDir(scratch().path()).mkpath(QStringLiteral("ours"));
    Q_UNUSED(made);
    return {QStringLiteral(GLASSMERE_REFLECT),
            photoPath(),
            QStringLiteral("--width"),
            widths,
            QStringLiteral("--quality"),
            QString::number(Quality),
            QStringLiteral("--format"),
            format,
            QStringLiteral("--overwrite"),
            QStringLiteral("-o"),
            scratch().filePath(QStringLiteral("ours/"))};
}

void BM_Vips(benchmark::State &state, const char *format)
{
    runAll(state, {vips(1920, QLatin1String(format))});
}

void BM_Glassmere(benchmark::State &state, const char *format)
{
    runAll(state, {ours(QStringLiteral("1920"), QLatin1String(format))});
}

// A srcset: three widths, one vips process each, against one run of ours.
void BM_VipsSrcset(benchmark::State &state)
{
    runAll(state, {vips(480, QStringLiteral("webp")), vips(960, QStringLiteral("webp")),
                   vips(1920, QStringLiteral("webp"))});
}

void BM_GlassmereSrcset(benchmark::State &state)
{
    runAll(state, {ours(QStringLiteral("480,960,1920"), QStringLiteral("webp"))});
}

} // namespace

BENCHMARK_CAPTURE(BM_Vips, jpg, "jpg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Glassmere, jpg, "jpg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Vips, webp, "webp")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Glassmere, webp, "webp")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Vips, avif, "avif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Glassmere, avif, "avif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VipsSrcset)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GlassmereSrcset)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    if (QStandardPaths::findExecutable(QStringLiteral("vips")).isEmpty()) {
        std::fprintf(stderr, "bench_web needs vips (Debian's libvips-tools) for its baseline\n");
        return 1;
    }
    return benchutil::benchMain<QGuiApplication>(argc, argv, [] {
        photoPath(); // drawn and written outside every timing
        benchutil::runWithRatios({
            {"BM_Glassmere/jpg", "BM_Vips/jpg", 1.0},
            {"BM_Glassmere/webp", "BM_Vips/webp", 1.0},
            {"BM_Glassmere/avif", "BM_Vips/avif", 1.0},
            {"BM_GlassmereSrcset", "BM_VipsSrcset", 1.0},
        });
    });
}
