#pragma once

// Folders of pictures for the batch tests of the window and the command
// line, and the bytes a batch must write for each of them.

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

#include <unistd.h>

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

// A 1 x 1 GIF: Qt reads GIF but has no writer for it.
inline QByteArray tinyGif()
{
    return QByteArray::fromHex("47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002"
                               "024401003b");
}

// A small picture of its own random pixels, saved in the format its name
// ends with. Formats without alpha get an opaque one.
inline bool makePicture(const QString &path, quint32 seed, QImage::Format format = QImage::Format_ARGB32,
                        QSize size = QSize(23, 17))
{
    QRandomGenerator rng(seed);
    QImage img = TestUtils::randomImage(rng, size.width(), size.height(), format);
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool jpeg =
        suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") || suffix == QLatin1String("jpe");
    if (jpeg || suffix == QLatin1String("bmp"))
        img = img.convertToFormat(QImage::Format_RGB32);
    return img.save(path, jpeg ? "JPG" : nullptr);
}

// The settings both batch tests put on the panel or the command line.
inline ReflectionSettings panelSettings(bool transparent)
{
    return TestUtils::settings(ReflectionSettings::Left, 50, 20, 10, {10, 200, 30}, transparent);
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

// A temporary folder holding src/ and out/, and the sources for each kind
// of run.
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

    // The sources of the naming tests, for the window and the command line.
    // x.png is larger than x.jpg, so a worker given it would finish last.
    // Qt has no GIF writer: only in transparent mode can tiny.gif convert.
    bool makeNamingSources(bool transparent)
    {
        quint32 seed = 1;
        for (const char *name : {"holiday.jpg", "logo.ico", "archive.old.jpg", "a.jpg", "b.jpg", "c.jpg",
                                 "SHOUT.PNG", "scan.tiff"})
            if (!makePicture(src() + QLatin1String(name), seed++))
                return false;
        for (const char *name : {"a.png", "b.png", "c.png"})
            if (!makePicture(src() + QLatin1String(name), seed++, QImage::Format_ARGB32, QSize(400, 300)))
                return false;
        return makePicture(src() + QStringLiteral("grey.png"), seed++, QImage::Format_Grayscale8) &&
               writeFile(src() + QStringLiteral("upright.jpeg"), TestUtils::uprightJpeg()) &&
               (!transparent || writeFile(src() + QStringLiteral("tiny.gif"), tinyGif()));
    }
    // Their outputs. Transparent mode writes base name plus .PNG, and x.png
    // is converted before x.jpg (descending names): x.jpg's rendering stays.
    static Outputs namingOutputs(bool transparent)
    {
        Outputs outputs{{"logo.ico", "logo.ico"}, {"SHOUT.PNG", "SHOUT.PNG"}, {"scan.tiff", "scan.tiff"}};
        for (const char *source : {"holiday.jpg", "archive.old.jpg", "a.png", "a.jpg", "b.png", "b.jpg",
                                   "c.png", "c.jpg", "grey.png", "upright.jpeg", "tiny.gif"}) {
            const QString name = QLatin1String(source);
            if (transparent)
                outputs.insert(name.section(QLatin1Char('.'), 0, 0) + QLatin1String(".PNG"), name);
            else if (!name.endsWith(QLatin1String(".gif")))
                outputs.insert(name, name);
        }
        return outputs;
    }

    // Pictures besides which hidden files, other suffixes and a subfolder
    // named like a picture are left alone.
    bool makeListingSources()
    {
        return makePicture(src() + QStringLiteral("holiday.jpg"), 1) &&
               makePicture(src() + QStringLiteral("scan.tif"), 2) &&
               makePicture(src() + QStringLiteral(".hidden.png"), 3) &&
               writeFile(src() + QStringLiteral("notes.txt"), "text") &&
               QDir(src()).mkpath(QStringLiteral("album.png")) &&
               makePicture(src() + QStringLiteral("album.png/inner.png"), 4);
    }

    // good.png and zebra.jpg convert; `unreadable` broken*.jpg cannot be
    // read, blocked.png cannot be written (a folder, which stops even root)
    // and tiny.gif has no writer unless transparent.
    bool makeFailingSources(int unreadable = 1)
    {
        for (int i = 0; i < unreadable; ++i)
            if (!writeFile(src() + QStringLiteral("broken%1.jpg").arg(i), "not a picture"))
                return false;
        return makePicture(src() + QStringLiteral("good.png"), 1) &&
               makePicture(src() + QStringLiteral("zebra.jpg"), 2) &&
               makePicture(src() + QStringLiteral("blocked.png"), 3) &&
               QDir(out()).mkpath(QStringLiteral("blocked.png")) &&
               writeFile(src() + QStringLiteral("tiny.gif"), tinyGif());
    }

    // Ways back to the sources: link-to-src/ (a link to src), links/photo.png
    // (a link to src/photo.png) and hardlinks/b.PNG (a hard link to src/b.PNG).
    bool makeLinksToSources()
    {
        const QDir box(path());
        return makePicture(src() + QStringLiteral("photo.png"), 1) &&
               makePicture(src() + QStringLiteral("b.PNG"), 2) &&
               makePicture(src() + QStringLiteral("a.jpg"), 3) &&
               QFile::link(path(QStringLiteral("src")), path(QStringLiteral("link-to-src"))) &&
               box.mkpath(QStringLiteral("links")) &&
               QFile::link(src() + QStringLiteral("photo.png"), path(QStringLiteral("links/photo.png"))) &&
               box.mkpath(QStringLiteral("hardlinks")) &&
               ::link(QFile::encodeName(src() + QStringLiteral("b.PNG")).constData(),
                      QFile::encodeName(path(QStringLiteral("hardlinks/b.PNG"))).constData()) == 0;
    }

private:
    QTemporaryDir dir;
    QMap<QString, QByteArray> sourcesBefore;
};

} // namespace BatchFixture
