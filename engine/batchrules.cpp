#include "batchrules.h"
#include "streamedconversion.h"

#include "photoio.h"
#include "pictureformats.h"
#include "reflection.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// The canonical path, compared the way the file system compares names.
QString canonicalKey(const QFileInfo &info)
{
#ifdef Q_OS_WIN
    return info.canonicalFilePath().toCaseFolded();
#else
    return info.canonicalFilePath();
#endif
}

// Device and inode: the identity of a file that a hard link or a bind mount
// does not hide. Empty where the platform has none.
QString inodeKey(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
#else
    Q_UNUSED(path);
#endif
    return QString();
}

bool endsWithSeparator(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator());
}

} // namespace

QStringList listBatchPictures(const QString &dir)
{
    const QDir folder(dir);
    // Without QDir::CaseSensitive the patterns ignore case; without
    // QDir::IgnoreCase the sort compares character codes.
    const QStringList names =
        folder.entryList(openPatterns(), QDir::Files, QDir::SortFlags(QDir::Name) | QDir::Reversed);
    QStringList paths;
    paths.reserve(names.size());
    for (const QString &name : names)
        paths.append(folder.absoluteFilePath(name));
    return paths;
}

QList<TreePicture> listBatchPicturesRecursive(const QString &dir)
{
    QList<TreePicture> pictures;
    QSet<QString> visited; // canonical folders: a link back up is not followed again
    const QString root = QDir(dir).absolutePath();
    QStringList pending{root};
    while (!pending.isEmpty()) {
        const QString folder = pending.takeFirst();
        if (visited.contains(QFileInfo(folder).canonicalFilePath()))
            continue;
        visited.insert(QFileInfo(folder).canonicalFilePath());
        const QString relative = QDir(root).relativeFilePath(folder);
        for (const QString &picture : listBatchPictures(folder))
            pictures.append({picture, relative == QLatin1String(".") ? QString() : relative});
        const QStringList subfolders =
            QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::SortFlags(QDir::Name));
        for (const QString &sub : subfolders)
            pending.append(folder + QLatin1Char('/') + sub);
    }
    return pictures;
}

QString batchOutputName(const QString &sourcePath, bool transparent)
{
    const QFileInfo source(sourcePath);
    if (!transparent)
        return source.fileName();
    // A source whose own format keeps alpha keeps its name; PNG sources are
    // named like every other, base name plus ".PNG".
    const PictureFormat *format = formatForSuffix(source.suffix());
    if (format && format->keepsAlpha && qstrcmp(format->suffix, "PNG") != 0)
        return source.fileName();
    // baseName() ends at the first dot: archive.old.jpg becomes archive.PNG.
    return source.baseName() + QStringLiteral(".PNG");
}

QString batchOutputName(const QString &sourcePath, const OutputNaming &naming)
{
    if (!naming.renames())
        return batchOutputName(sourcePath, naming.transparent);
    const QFileInfo source(sourcePath);
    QString suffix = naming.format;
    if (suffix.isEmpty()) {
        const QString own = batchOutputName(sourcePath, naming.transparent);
        suffix = own.mid(own.lastIndexOf(QLatin1Char('.')) + 1);
        if (!own.contains(QLatin1Char('.')))
            suffix.clear();
    }
    const QString base = source.completeBaseName() + naming.suffix;
    return suffix.isEmpty() ? base : base + QLatin1Char('.') + suffix;
}

QString batchOutputPath(const QString &targetDir, const QString &sourcePath, bool transparent)
{
    return batchOutputPath(targetDir, sourcePath, OutputNaming{transparent, {}, {}});
}

QString batchOutputPath(const QString &targetDir, const QString &sourcePath, const OutputNaming &naming)
{
    const QString name = batchOutputName(sourcePath, naming);
    return endsWithSeparator(targetDir) ? targetDir + name : targetDir + QLatin1Char('/') + name;
}

QList<SizedOutput> sizedOutputs(const QString &output, const OutputSizes &sizes)
{
    if (sizes.widths.size() <= 1)
        return {{output, {sizes.widths.value(0), sizes.height}}};
    // The tag goes before the file's suffix, or at the end of a name without one.
    const qsizetype slash =
        std::max(output.lastIndexOf(QLatin1Char('/')), output.lastIndexOf(QDir::separator()));
    qsizetype dot = output.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        dot = output.size();
    QList<SizedOutput> outputs;
    for (const int width : sizes.widths)
        outputs.append(
            {output.left(dot) + QStringLiteral("-%1w").arg(width) + output.mid(dot), {width, sizes.height}});
    return outputs;
}

QList<int> sharedOutputs(const QStringList &outputs)
{
    QHash<QString, int> firstOf;
    QList<int> other(outputs.size(), -1);
    for (int i = 0; i < outputs.size(); ++i) {
        const auto found = firstOf.constFind(outputs.at(i));
        if (found == firstOf.constEnd()) {
            firstOf.insert(outputs.at(i), i);
            continue;
        }
        other[i] = found.value();
        if (other[found.value()] < 0)
            other[found.value()] = i;
    }
    return other;
}

bool writeRendering(QImage rendering, QImage::Format sourceFormat, bool transparent,
                    const QList<SizedOutput> &outputs, const WriteOptions &options, QString *why,
                    QString *failedPath, const QSize &finishedSize)
{
    const QSize full = finishedSize.isValid() ? finishedSize : rendering.size();
    // The rendering of an opaque photo in colour mode is opaque: as RGB32
    // (the same bytes) the scaler skips premultiplying and the writer the
    // conversion back. Not when shared (the window's export), where Qt
    // would copy it to change its format.
    const bool opaque = sourceFormat == QImage::Format_RGB32 || sourceFormat == QImage::Format_RGB888 ||
                        sourceFormat == QImage::Format_Grayscale8;
    if (!transparent && opaque && rendering.format() == QImage::Format_ARGB32 && rendering.isDetached())
        rendering.reinterpretAsFormat(QImage::Format_RGB32);
    QStringList reasons(outputs.size());
    std::vector<char> written(size_t(outputs.size()), 0);
    const auto writeOutput = [&](qsizetype i, QImage picture) {
        const QSize size = limitedSize(full, outputs.at(i).limit);
        if (size != picture.size())
            picture = downscaled(picture, size);
        if (picture.isNull()) {
            reasons[i] = QStringLiteral("no memory to scale the picture to %1 x %2")
                             .arg(size.width())
                             .arg(size.height());
            return;
        }
        written[size_t(i)] = writePhoto(outputPicture(std::move(picture), sourceFormat, transparent),
                                        outputs.at(i).path, &reasons[i], options);
    };
    if (outputs.size() == 1) {
        writeOutput(0, std::move(rendering)); // the only use: converted in place
    } else {
        // The sizes are independent encodes; each thread takes the next.
        std::atomic<qsizetype> next{0};
        const auto work = [&] {
            for (qsizetype i; (i = next++) < outputs.size();)
                writeOutput(i, rendering);
        };
        std::vector<std::thread> helpers;
        for (qsizetype t = 1; t < std::min<qsizetype>(QThread::idealThreadCount(), outputs.size()); ++t)
            helpers.emplace_back(work);
        work();
        for (std::thread &helper : helpers)
            helper.join();
    }
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        if (written[size_t(i)])
            continue;
        if (why)
            *why = reasons.at(i);
        if (failedPath)
            *failedPath = outputs.at(i).path;
        return false;
    }
    return true;
}

int shrinkOnLoadFactor(const QSize &photo, const ReflectionSettings &settings,
                       const QList<SizedOutput> &outputs)
{
    const QSize full = ReflectionSize(photo, settings);
    for (int factor = 8; factor > 1 && !full.isEmpty(); factor /= 2) {
        const QSize reduced = ReflectionSize(photo / factor, settings);
        bool roomy = !reduced.isEmpty();
        for (const SizedOutput &output : outputs) {
            const QSize size = limitedSize(full, output.limit);
            roomy =
                roomy && 2 * reduced.width() >= 3 * size.width() && 2 * reduced.height() >= 3 * size.height();
        }
        if (roomy)
            return factor;
    }
    return 1;
}

QImage readSizedPhoto(const QString &path, const ReflectionSettings &settings,
                      const QList<SizedOutput> &outputs, QSize *finishedSize, QString *why,
                      const PhotoAdmission &admit)
{
    *finishedSize = QSize();
    return readPhoto(
        path,
        [&](const QSize &upright) {
            *finishedSize = ReflectionSize(upright, settings);
            return shrinkOnLoadFactor(upright, settings, outputs);
        },
        why, admit);
}

QString batchOutputPath(const QString &targetDir, const TreePicture &picture, bool transparent)
{
    return batchOutputPath(targetDir, picture, OutputNaming{transparent, {}, {}});
}

QString batchOutputPath(const QString &targetDir, const TreePicture &picture, const OutputNaming &naming)
{
    return batchOutputPath(picture.subfolder.isEmpty() ? targetDir
                                                       : QDir(targetDir).filePath(picture.subfolder),
                           picture.path, naming);
}

bool liesInside(const QString &path, const QString &folder)
{
    const QFileInfo inner(path), outer(folder);
    if (!inner.isDir() || !outer.isDir())
        return false;
    QString top = canonicalKey(outer);
    if (!top.endsWith(QLatin1Char('/'))) // the root is "/" already
        top += QLatin1Char('/');
    return canonicalKey(inner).startsWith(top);
}

bool isSameFolder(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (!fa.isDir() || !fb.isDir())
        return false;
    if (canonicalKey(fa) == canonicalKey(fb))
        return true;
    const QString ia = inodeKey(a);
    return !ia.isEmpty() && ia == inodeKey(b);
}

bool isSameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (!fa.exists() || !fb.exists())
        return false;
    if (canonicalKey(fa) == canonicalKey(fb))
        return true;
    const QString ia = inodeKey(a);
    return !ia.isEmpty() && ia == inodeKey(b);
}

SourceClash findSourceClash(const QStringList &sources, const QString &targetDir, bool transparent)
{
    return findSourceClash(sources, targetDir, OutputNaming{transparent, {}, {}});
}

SourceClash findSourceClash(const QList<TreePicture> &pictures, const QString &targetDir, bool transparent)
{
    return findSourceClash(pictures, targetDir, OutputNaming{transparent, {}, {}});
}

SourceClash findSourceClash(const QStringList &sources, const QString &targetDir, const OutputNaming &naming)
{
    QList<TreePicture> pictures;
    pictures.reserve(sources.size());
    for (const QString &source : sources)
        pictures.append({source, QString()});
    return findSourceClash(pictures, targetDir, naming);
}

SourceClash findSourceClash(const QList<TreePicture> &pictures, const QString &targetDir,
                            const OutputNaming &naming)
{
    // Keyed both ways, so a run of thousands of files stays linear.
    QHash<QString, QString> byPath, byInode;
    for (const TreePicture &picture : pictures) {
        const QString &source = picture.path;
        const QFileInfo info(source);
        if (!info.exists())
            continue;
        byPath.insert(canonicalKey(info), source);
        const QString inode = inodeKey(source);
        if (!inode.isEmpty())
            byInode.insert(inode, source);
    }
    for (const TreePicture &picture : pictures) {
        const QString output = batchOutputPath(targetDir, picture, naming);
        const QFileInfo info(output);
        // An output that does not exist yet cannot be a source.
        if (!info.exists())
            continue;
        auto hit = byPath.constFind(canonicalKey(info));
        if (hit != byPath.constEnd())
            return {output, hit.value()};
        const QString inode = inodeKey(output);
        hit = inode.isEmpty() ? byInode.constEnd() : byInode.constFind(inode);
        if (hit != byInode.constEnd())
            return {output, hit.value()};
    }
    return {};
}

BatchOutcome convertBatchPicture(const QString &input, const QString &output,
                                 const ReflectionSettings &settings, QImage &photo, QImage &rendering,
                                 const WriteOptions &options, const OutputSizes &sizes)
{
    photo = QImage(); // before the next one is decoded
    rendering = QImage();
    // The streamed road writes the full size only.
    if (sizes.isNull())
        if (const std::optional<BatchOutcome> streamed = convertStreamed(input, output, settings, options))
            return *streamed;
    QString why;
    const QList<SizedOutput> outputs = sizedOutputs(output, sizes);
    QSize finishedSize;
    photo = sizes.isNull() ? readPhoto(input, &why)
                           : readSizedPhoto(input, settings, outputs, &finishedSize, &why);
    if (photo.isNull())
        return {BatchOutcome::ReadFailed, why};
    const QImage::Format sourceFormat = photo.format();
    // Moved from, the photo is converted in place where the depth allows.
    photo = std::move(photo).convertToFormat(renderingFormat(sourceFormat));

    rendering = QImage();
    ComposeReflection(photo, rendering, settings);
    if (rendering.isNull())
        return {BatchOutcome::RenderFailed,
                QStringLiteral("the trim leaves no row of the photo, or the picture is too large to render")};

    if (sizes.isNull()) {
        rendering = outputPicture(std::move(rendering), sourceFormat, settings.transparent);
        if (!writePhoto(rendering, output, &why, options))
            return {BatchOutcome::WriteFailed, why};
        return {};
    }
    QString failed;
    if (!writeRendering(std::move(rendering), sourceFormat, settings.transparent, outputs, options, &why,
                        &failed, finishedSize))
        return {BatchOutcome::WriteFailed,
                QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(failed), why)};
    return {};
}
