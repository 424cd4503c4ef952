#pragma once

#include "photoio.h"
#include "reflectionsettings.h"

#include <QImage>
#include <QString>
#include <QStringList>

// The rules of a batch conversion, shared by the window's "all-at-once" tab
// and by glassmere-reflect, so that both pick the same files, name the
// outputs alike and write the same pictures.

// The pictures of `dir` a batch converts, as absolute paths: files only (no
// folders, no hidden files, subfolders not searched), matching openPatterns(),
// in descending order of name comparing character codes (so lower-case
// names come before upper-case ones).
QStringList listBatchPictures(const QString &dir);

// A picture of a folder tree and the subfolder it lies in, relative to the
// tree's top ("" for the top itself), so its output goes to the same place
// under the output folder.
struct TreePicture
{
    QString path;
    QString subfolder;
};

// The pictures of `dir` and of every folder below it, each folder's by the
// rules of listBatchPictures, the top first, then its subfolders by name. A
// folder reached again through a link is not entered twice.
QList<TreePicture> listBatchPicturesRecursive(const QString &dir);

// The file name a source picture is written under. Transparent mode needs a
// format with alpha: every source but those whose own format keeps alpha
// (ICO, TIFF) becomes the base name (up to the first dot) plus ".PNG".
// Otherwise the source's own file name.
QString batchOutputName(const QString &sourcePath, bool transparent);

// `targetDir` joined with batchOutputName(); a separator is put between them
// unless the folder already ends with one.
QString batchOutputPath(const QString &targetDir, const QString &sourcePath, bool transparent);

// Where a picture of a tree goes: batchOutputPath() in its subfolder under
// `targetDir`.
QString batchOutputPath(const QString &targetDir, const TreePicture &picture, bool transparent);

// True when both names reach the same existing folder, through links and
// dots.
bool isSameFolder(const QString &a, const QString &b);

// True when both names reach the same existing file, through links, dots or
// a second hard link; a name that does not exist yet is never the same.
bool isSameFile(const QString &a, const QString &b);

// True when the existing folder `path` lies below the existing folder
// `folder`, through links and dots; a folder does not lie inside itself.
// A batch with subfolders refuses such a target: the next run would list
// its outputs as sources.
bool liesInside(const QString &path, const QString &folder);

// A write the batch must not do: `output` would replace the source picture
// `source`. Both empty when there is none.
struct SourceClash
{
    QString output;
    QString source;
    bool isNull() const { return output.isEmpty(); }
};

// The first output of a batch of `sources` into `targetDir` that would land
// on one of the sources themselves: the same name, or a link or hard link
// to it. Checked before anything is written.
SourceClash findSourceClash(const QStringList &sources, const QString &targetDir, bool transparent);
// The same for the pictures of a tree, each going to its subfolder.
SourceClash findSourceClash(const QList<TreePicture> &pictures, const QString &targetDir, bool transparent);

// How the conversion of one picture ended.
struct BatchOutcome
{
    enum Step
    {
        Done,
        ReadFailed,   // not a picture, or not readable
        RenderFailed, // the trim leaves no row, or no memory for the result
        WriteFailed   // no writer for the suffix, or the file could not be written
    };
    Step step = Done;
    QString why; // the reason Qt gave, for the failures
    bool ok() const { return step == Done; }
};

// Converts one picture of a batch: reads `input` through readPhoto into
// `photo` (converted to the renderer's format), renders it with `settings` into `rendering`
// and writes `rendering` to `output`, converted back to the photo's own
// pixel format unless transparent, without ever leaving a half-written
// file. The two pictures are the caller's working buffers: the previous
// photo is dropped before the next is decoded, so one picture at a time is
// in memory, and afterwards they hold the photo and what was written (both
// null where the streamed road of streamedconversion.h converted it).
// `options` are the writer's (quality, photo information).
BatchOutcome convertBatchPicture(const QString &input, const QString &output,
                                 const ReflectionSettings &settings, QImage &photo, QImage &rendering,
                                 const WriteOptions &options = WriteOptions());
