// Batch conversion of 20 photos of 12 megapixels, JPEG in and JPEG out,
// default settings: the window's batch (one worker per core) against Qt merely loading
// and saving the same files (the codec floor), glassmere-reflect on two
// workers against the window's batch, and ImageMagick's usual reflection
// recipe on the same files for comparison.
//
//   build/bench/bench_batch --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "benchutil.h"
#include "glassmere.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

constexpr int Photos = 20;
constexpr int PhotoWidth = 4000;
constexpr int PhotoHeight = 3000;
constexpr int ReflectionRows = PhotoHeight * 38 / 100; // the default size
constexpr int UnfadedRows = ReflectionRows * 30 / 100; // the default depth
const QString ImageMagick = QStringLiteral("/usr/bin/convert");

struct Folders
{
    QTemporaryDir root;
    QString source;
    QStringList photos;
    QString target(const char *name) const
    {
        const QString dir = root.filePath(QLatin1String(name));
        QDir().mkpath(dir);
        return dir + QLatin1Char('/');
    }
};

// Made once, outside every timing.
const Folders &folders()
{
    static const auto made = [] {
        auto f = std::make_unique<Folders>();
        f->source = f->target("photos");
        for (int i = 0; i < Photos; ++i) {
            const QString path = f->source + QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
            benchutil::makePhoto(PhotoWidth, PhotoHeight, quint32(i + 1)).save(path, "JPG", 90);
            f->photos.append(path);
        }
        return f;
    }();
    return *made;
}

// Stands in for the file manager the window opens at the end of a run.
class FileManagerSink : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl &) {}
};

void BM_QtLoadSave(benchmark::State &state)
{
    const QString target = folders().target("qt");
    for (auto _ : state) {
        for (const QString &photo : folders().photos) {
            QImage img(photo);
            if (img.isNull() || !img.save(target + QFileInfo(photo).fileName())) {
                state.SkipWithError("Qt could not load or save a photo");
                return;
            }
        }
    }
}

// Built by main(), which owns the application it needs.
Glassmere *window = nullptr;

void BM_WindowBatch(benchmark::State &state)
{
    const QString target = folders().target("window");
    window->findChild<QLineEdit *>(QStringLiteral("txtPicDir"))->setText(folders().source);
    window->findChild<QLineEdit *>(QStringLiteral("txtResultDir"))->setText(target);
    auto *start = window->findChild<QAbstractButton *>(QStringLiteral("btCovPics"));
    // The run ends with a summary box; answered at once, as a person would.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
    });
    answer.start(1);
    for (auto _ : state) {
        start->click(); // starts the run on worker threads
        while (!start->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (QDir(target).entryList(QDir::Files).size() != Photos)
        state.SkipWithError("the window did not write every photo");
}

void BM_Cli(benchmark::State &state)
{
    const QString target = folders().target(state.range(0) == 1 ? "cli1" : "cli2");
    const QStringList args{QStringLiteral("-j"), QString::number(state.range(0)), folders().source,
                           QStringLiteral("-o"), target};
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral(GLASSMERE_REFLECT), args);
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            state.SkipWithError("glassmere-reflect failed");
            return;
        }
    }
}

// The usual recipe: flip a copy, crop the strip, lay a gradient from clear
// to white over all of it but the unfaded part next to the photo, append.
// ImageMagick uses both cores through OpenMP, as installed.
void BM_ImageMagick(benchmark::State &state)
{
    if (!QFileInfo(ImageMagick).isExecutable()) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    const QString target = folders().target("imagemagick");
    const QString width = QString::number(PhotoWidth);
    for (auto _ : state) {
        for (const QString &photo : folders().photos) {
            const QStringList args{photo,
                                   "(",
                                   "+clone",
                                   "-flip",
                                   "-crop",
                                   QStringLiteral("%1x%2+0+0").arg(width).arg(ReflectionRows),
                                   "+repage",
                                   "(",
                                   "-size",
                                   QStringLiteral("%1x%2").arg(width).arg(UnfadedRows),
                                   "xc:rgba(255,255,255,0)",
                                   "-size",
                                   QStringLiteral("%1x%2").arg(width).arg(ReflectionRows - UnfadedRows),
                                   "gradient:rgba(255,255,255,0)-white",
                                   "-append",
                                   ")",
                                   "-compose",
                                   "over",
                                   "-composite",
                                   ")",
                                   "-append",
                                   "-quality",
                                   "75", // Qt's default, which the others write with
                                   target + QFileInfo(photo).fileName()};
            if (QProcess::execute(ImageMagick, args) != 0) {
                state.SkipWithError("convert failed");
                return;
            }
        }
    }
}

} // namespace

// Each iteration converts the 20 photos once; a run of seconds is one
// iteration per repetition.
BENCHMARK(BM_QtLoadSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowBatch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Cli)->Arg(1)->Arg(2)->ArgName("j")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImageMagick)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    return benchutil::benchMain<QApplication>(argc, argv, [] {
        currentPath = QStringLiteral(GLASSMERE_APP_DIR); // where the build puts the style folder
        Glassmere mainWindow;
        window = &mainWindow;
        FileManagerSink fileManager;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &fileManager, "open");
        folders();
        benchutil::runWithRatios({
            {"BM_WindowBatch", "BM_QtLoadSave", 1.25},
            {"BM_Cli/j:1", "BM_WindowBatch", 0},
            {"BM_Cli/j:2", "BM_WindowBatch", 0.65},
            {"BM_ImageMagick", "BM_WindowBatch", 0},
        });
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    });
}

#include "bench_batch.moc"
