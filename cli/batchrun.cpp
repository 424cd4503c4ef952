#include "batchrun.h"

#include "batchrules.h"
#include "diagnostics.h"
#include "exitcode.h"
#include "workerpool.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#endif

namespace {

int refuse(const QString &message)
{
    reportLine(message);
    return UsageError;
}

// The key under which a picture named twice (a folder and a file in it, or
// through a link) is converted once.
QString identity(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// Why a folder cannot be listed; empty when it can. QDir lists an
// unreadable folder as empty.
QString unlistable(const QString &dir)
{
#ifdef Q_OS_UNIX
    DIR *d = ::opendir(QFile::encodeName(dir).constData());
    if (!d)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::closedir(d);
    return QString();
#else
    return QFileInfo(dir).isReadable() ? QString() : QStringLiteral("permission denied");
#endif
}

// Standard error: one line per failed picture and, on a terminal, a
// progress line rewritten in place.
class Reporter
{
public:
    explicit Reporter(int total) : total(total), terminal(reportsToTerminal()) {}

    void failure(const QString &message)
    {
        clearProgress();
        reportLine(message);
    }

    void finished(int done)
    {
        if (!terminal)
            return;
        // Workers finish out of order; never step back.
        if (done <= shown)
            return;
        shown = done;
        reportRaw(
            qPrintable(QStringLiteral("\r\033[Kglassmere-reflect: %1/%2 pictures").arg(done).arg(total)));
        progressOnScreen = true;
    }

    void end() { clearProgress(); }

private:
    void clearProgress()
    {
        if (!progressOnScreen)
            return;
        reportRaw("\r\033[K");
        progressOnScreen = false;
    }

    const int total;
    const bool terminal;
    int shown = 0;
    bool progressOnScreen = false;
};

} // namespace

bool isBatchRequest(const QStringList &inputs, const QString &output)
{
    if (inputs.size() > 1 || output.endsWith(QLatin1Char('/')) || output.endsWith(QDir::separator()))
        return true;
    return !inputs.isEmpty() && QFileInfo(inputs.first()).isDir();
}

int runBatch(const BatchRequest &request)
{
    const QString target = request.target;
    const QFileInfo targetInfo(target);
    if (!targetInfo.exists())
        return reportLine(QStringLiteral("the output folder \"%1\" does not exist").arg(target)), FileError;
    if (!targetInfo.isDir())
        return refuse(
            QStringLiteral("the output \"%1\" is not a folder: a batch writes into an existing folder")
                .arg(target));

    QStringList sources;
    QSet<QString> named;
    QHash<QString, QString> subfolderOf; // a source of a tree: where below the target it goes
    const auto add = [&](const QString &source, const QString &subfolder = QString()) {
        if (!named.contains(identity(source))) {
            named.insert(identity(source));
            sources.append(source);
            if (!subfolder.isEmpty())
                subfolderOf.insert(source, subfolder);
        }
    };
    for (const QString &input : request.inputs) {
        if (!QFileInfo(input).isDir()) {
            add(input); // a named file is taken whatever its suffix
            continue;
        }
        if (isSameFolder(input, target))
            return refuse(
                QStringLiteral("the output folder \"%1\" is the source folder \"%2\"; source pictures "
                               "are never written over")
                    .arg(target, input));
        const QString why = unlistable(input);
        if (!why.isEmpty())
            return reportLine(QStringLiteral("cannot list the folder \"%1\": %2").arg(input, why)), FileError;
        if (!request.recursive) {
            const QStringList pictures = listBatchPictures(input);
            for (const QString &picture : pictures)
                add(picture);
            continue;
        }
        // Outputs inside the tree would be listed as sources by the next run.
        if (liesInside(target, input))
            return refuse(QStringLiteral("the output folder \"%1\" lies inside the source folder \"%2\"; "
                                         "with --recursive it must lie outside")
                              .arg(target, input));
        const QList<TreePicture> pictures = listBatchPicturesRecursive(input);
        for (const TreePicture &picture : pictures)
            add(picture.path, picture.subfolder);
    }
    const OutputNaming &naming = request.naming;
    const SourceClash clash = findSourceClash(sources, target, naming);
    if (!clash.isNull())
        return refuse(
            QStringLiteral("\"%1\" would replace the source picture \"%2\"; source pictures are never "
                           "written over")
                .arg(clash.output, clash.source));

    QStringList outputs;
    QSet<QString> subfolders;
    for (const QString &source : sources) {
        const QString subfolder = subfolderOf.value(source);
        const QString output =
            batchOutputPath(subfolder.isEmpty() ? target : QDir(target).filePath(subfolder), source, naming);
        // Through links or hard links an output may still reach a source.
        for (const SizedOutput &sized : sizedOutputs(output, request.sizes))
            if (QFileInfo::exists(sized.path) && named.contains(identity(sized.path)))
                return refuse(QStringLiteral("\"%1\" would replace a source picture; source pictures are "
                                             "never written over")
                                  .arg(sized.path));
        if (!subfolder.isEmpty())
            subfolders.insert(subfolder);
        outputs.append(output);
    }

    // Pictures that cannot be written fail before any worker starts: two
    // sources with one output name (neither is written, whichever would
    // finish last), and outputs that exist, unless --overwrite.
    const int total = int(sources.size());
    Reporter reporter(total);
    int done = 0;
    int failures = 0;
    const QList<int> shared = sharedOutputs(outputs);
    QList<QList<WorkerTask>> chains;
    for (int i = 0; i < total; ++i) {
        QString why, refused = outputs.at(i);
        if (shared.at(i) >= 0) {
            why = QStringLiteral("\"%1\" has the same output name; neither is written")
                      .arg(sources.at(shared.at(i)));
        } else if (!request.overwrite) {
            for (const SizedOutput &sized : sizedOutputs(outputs.at(i), request.sizes))
                if (QFileInfo::exists(sized.path)) {
                    refused = sized.path;
                    why = QStringLiteral("the file exists and is kept (--overwrite replaces it)");
                    break;
                }
        }
        if (why.isEmpty()) {
            chains.append({{sources.at(i), outputs.at(i)}});
            continue;
        }
        ++failures;
        reporter.failure(
            QStringLiteral("cannot write \"%1\" (from \"%2\"): %3").arg(refused, sources.at(i), why));
        reporter.finished(++done);
    }

    for (const QString &subfolder : std::as_const(subfolders))
        if (!QDir(target).mkpath(subfolder))
            return reportLine(
                       QStringLiteral("cannot make the folder \"%1\"").arg(QDir(target).filePath(subfolder))),
                   FileError;

    WorkerPool pool(
        request.workerProgram, request.workerArguments,
        int(std::min<qsizetype>(std::max(request.jobs, 1), std::max<qsizetype>(chains.size(), 1))),
        request.timeoutSeconds, request.memoryLimit);
    QEventLoop loop;
    QObject::connect(&pool, &WorkerPool::taskFinished, &pool,
                     [&](const WorkerTask &, bool ok, const QString &message) {
                         if (!ok) {
                             ++failures;
                             reporter.failure(message);
                         }
                         reporter.finished(++done);
                     });
    QObject::connect(&pool, &WorkerPool::finished, &loop, &QEventLoop::quit);
    pool.start(chains);
    loop.exec();
    reporter.end();

    const QString into = QDir::toNativeSeparators(target);
    if (failures == 0)
        std::printf("converted %d of %d pictures into \"%s\"\n", total, total, qPrintable(into));
    else
        std::printf("converted %d of %d pictures into \"%s\"; %d failed\n", total - failures, total,
                    qPrintable(into), failures);
    std::fflush(stdout);
    return failures == 0 ? Ok : FileError;
}
