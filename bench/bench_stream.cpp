// The streamed road against the codecs alone: whole-process times of
// glassmere-reflect on 24- and 96-megapixel JPEGs against djpeg and then
// cjpeg of the same picture (libjpeg-turbo's own programs), and the peak
// memory of each side per source pixel, from the children's resource use;
// and a transparent PNG written on both roads.
// A small program rather than a Google Benchmark: what it times are other
// processes.
//
//   bench_stream [REPETITIONS]     (default 5; medians are printed)

#include "benchutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

struct Run
{
    double ms = 0;
    qint64 peakBytes = 0;
    bool ok = false;
};

// Runs `args` to its end, with `wholePicture` forcing today's road.
Run run(const QStringList &args, bool wholePicture = false)
{
    std::vector<QByteArray> bytes;
    for (const QString &a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes;
    for (char **e = environ; *e; ++e)
        if (qstrncmp(*e, "GLASSMERE_WHOLE_PICTURE=", 24) != 0)
            envBytes.emplace_back(*e);
    if (wholePicture)
        envBytes.emplace_back("GLASSMERE_WHOLE_PICTURE=1");
    std::vector<char *> env;
    for (QByteArray &b : envBytes)
        env.push_back(b.data());
    env.push_back(nullptr);

    Run r;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    posix_spawn_file_actions_t quiet; // what a child prints would break up the table
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return r;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return r;
    r.ms = double(clock.nsecsElapsed()) / 1e6;
    r.peakBytes = qint64(usage.ru_maxrss) * 1024;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    // The photos are drawn by a child of their own: a child's peak memory
    // counts that of the process it was started from, which must stay small.
    if (argc == 5 && qstrcmp(argv[1], "--draw") == 0)
        return benchutil::makePhoto(atoi(argv[2]), atoi(argv[3]))
                       .save(QString::fromLocal8Bit(argv[4]), "JPEG", 90)
                   ? 0
                   : 1;
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString reflect = QStringLiteral(GLASSMERE_REFLECT);
    QTemporaryDir dir;
    const auto path = [&](const QString &name) { return dir.filePath(name); };

    const struct
    {
        const char *name;
        int w, h;
    } photos[] = {{"24 MP", 6000, 4000}, {"96 MP", 12000, 8000}};
    std::printf("%-8s %-34s %10s %8s\n", "photo", "case (median)", "ms", "ratio");
    for (const auto &photo : photos) {
        const QString in = path(QStringLiteral("photo.jpg"));
        if (!run({QCoreApplication::applicationFilePath(), QStringLiteral("--draw"), QString::number(photo.w),
                  QString::number(photo.h), in})
                 .ok) {
            std::fprintf(stderr, "cannot write the photo\n");
            return 1;
        }
        const QString ppm = path(QStringLiteral("codec.ppm")), out = path(QStringLiteral("out.jpg"));
        std::vector<double> codecs, streamed, whole;
        for (int i = 0; i < repetitions; ++i) { // interleaved, so that load falls on all alike
            const Run d = run({QStringLiteral("djpeg"), QStringLiteral("-outfile"), ppm, in});
            const Run c = run({QStringLiteral("cjpeg"), QStringLiteral("-outfile"), out, ppm});
            // Gone before it is written back to the disk, which would
            // otherwise go on during the next run and count against it.
            QFile::remove(ppm);
            const Run s = run({reflect, in, QStringLiteral("-o"), out});
            const Run w = run({reflect, in, QStringLiteral("-o"), out}, true);
            if (!d.ok || !c.ok || !s.ok || !w.ok) {
                std::fprintf(stderr, "a run failed\n");
                return 1;
            }
            codecs.push_back(d.ms + c.ms);
            streamed.push_back(s.ms);
            whole.push_back(w.ms);
        }
        const double base = median(codecs);
        std::printf("%-8s %-34s %10.0f %8.2f\n", photo.name, "djpeg + cjpeg (baseline)", base, 1.0);
        // What a run of the program costs before and after its work: the
        // start (Qt's and the codecs' libraries mapped and relocated) and
        // the way out.
        std::vector<double> idle;
        for (int i = 0; i < repetitions; ++i)
            idle.push_back(run({reflect, QStringLiteral("--version")}).ms);
        std::printf("%-8s %-34s %10.0f %8.2f\n", photo.name, "glassmere-reflect --version alone",
                    median(idle), median(idle) / base);
        std::printf("%-8s %-34s %10.0f %8.2f  (goal 0.80)\n", photo.name, "glassmere-reflect, streamed",
                    median(streamed), median(streamed) / base);
        std::printf("%-8s %-34s %10.0f %8.2f\n", photo.name, "glassmere-reflect, whole picture",
                    median(whole), median(whole) / base);

        std::printf("%-8s %-34s %10s %10s\n", photo.name, "peak memory per source pixel", "streamed",
                    "whole");
        const double pixels = double(photo.w) * photo.h;
        for (const char *side : {"bottom", "top", "left", "right"}) {
            const QStringList args{reflect, QStringLiteral("--side"), QLatin1String(side),
                                   in,      QStringLiteral("-o"),     out};
            const Run s = run(args), w = run(args, true);
            std::printf("%-8s %-34s %10.2f %10.2f\n", photo.name, side, double(s.peakBytes) / pixels,
                        double(w.peakBytes) / pixels);
        }
        if (photo.w * photo.h <= 24000000) {
            // Transparent PNG out, the same zlib level on both roads.
            std::vector<double> png[2];
            const QStringList args{reflect, QStringLiteral("--transparent"), in, QStringLiteral("-o"),
                                   path(QStringLiteral("out.png"))};
            for (int i = 0; i < repetitions; ++i)
                for (int road = 0; road < 2; ++road)
                    png[road].push_back(run(args, road == 1).ms);
            std::printf("%-8s %-34s %10.0f %8.2f\n", photo.name, "transparent PNG, whole picture",
                        median(png[1]), 1.0);
            std::printf("%-8s %-34s %10.0f %8.2f  (goal 0.80)\n", photo.name, "transparent PNG, streamed",
                        median(png[0]), median(png[0]) / median(png[1]));
        }
        QFile::remove(ppm);
    }
    return 0;
}
