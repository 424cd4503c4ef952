#pragma once

// Folders of pictures for the command line's batch tests, and the bytes a
// batch must write for each of them.

#include "batchrules.h"
#include "photoio.h"
#include "reflection.h"
#include "testutils.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

namespace BatchFixture {

using TestUtils::readAll;
using TestUtils::writeFile;

// Output name -> the source whose rendering it must hold.
using Outputs = QMap<QString, QString>;

// Every file under `root`, hidden ones and those in subfolders too, by
// path relative to it, with its bytes.
inline QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), readAll(path));
    }
    return files;
}

// The names in `dir`, folders included, sorted.
inline QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

// A small picture of its own random pixels, saved in the format its name
// ends with; opaque in JPEG, which has no alpha.
inline bool makePicture(const QString &path, quint32 seed, QSize size = QSize(23, 17))
{
    QRandomGenerator rng(seed);
    const QImage img = TestUtils::randomImage(rng, size.width(), size.height());
    if (path.endsWith(QLatin1String(".jpg")))
        return img.convertToFormat(QImage::Format_RGB32).save(path);
    return img.save(path);
}

// The bytes a batch writes for `source` under the name `outputName`: the
// photo as readPhoto delivers it, rendered with `settings`, converted back
// unless transparent, written by the suffix. Empty when that fails.
inline QByteArray expectedOutput(const QString &source, const QString &outputName,
                                 const ReflectionSettings &settings)
{
    const QImage photo = readPhoto(source);
    if (photo.isNull())
        return QByteArray();
    QImage rendering;
    ComposeReflection(photo.convertToFormat(QImage::Format_ARGB32), rendering, settings);
    QTemporaryDir scratch;
    const QString path = scratch.filePath(outputName);
    if (!writePhoto(outputPicture(rendering, photo.format(), settings.transparent), path))
        return QByteArray();
    return readAll(path);
}

// Empty when every output in `outputs` under `outDir` holds the rendering of
// its source in `srcDir`; otherwise the first that does not. Bytes are
// compared, except for ICO, whose writer leaves the padding of its mask rows
// uninitialised: there the pictures are.
inline QString outputsDifference(const QString &outDir, const QString &srcDir, const Outputs &outputs,
                                 const ReflectionSettings &settings)
{
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it) {
        const QByteArray expected = expectedOutput(srcDir + it.value(), it.key(), settings);
        const QByteArray written = readAll(outDir + it.key());
        QString difference;
        if (expected.isEmpty())
            difference = QStringLiteral("nothing expected");
        else if (!it.key().endsWith(QLatin1String(".ico"), Qt::CaseInsensitive))
            difference = written == expected ? QString() : QStringLiteral("other bytes");
        else
            difference = TestUtils::imageDifference(QImage::fromData(written), QImage::fromData(expected));
        if (!difference.isEmpty())
            return it.key() + QLatin1String(": ") + difference;
    }
    return QString();
}

// A temporary folder holding src/ and out/.
class Sandbox
{
public:
    Sandbox()
    {
        QDir(dir.path()).mkpath(QStringLiteral("src"));
        QDir(dir.path()).mkpath(QStringLiteral("out"));
    }
    QString path(const QString &name = QString()) const
    {
        return name.isEmpty() ? dir.path() : dir.filePath(name);
    }
    QString src() const { return path(QStringLiteral("src/")); }
    QString out() const { return path(QStringLiteral("out/")); }
    // Called before each run; sourcesUnchanged() compares with the first.
    void keepSources()
    {
        if (sourcesBefore.isEmpty())
            sourcesBefore = snapshot(src());
    }
    bool sourcesUnchanged() const { return sourcesBefore.isEmpty() || snapshot(src()) == sourcesBefore; }

private:
    QTemporaryDir dir;
    QMap<QString, QByteArray> sourcesBefore;
};

} // namespace BatchFixture
