#pragma once

#include "downscale.h"
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

// How the outputs of a run are named beyond the rule above.
struct OutputNaming
{
    bool transparent = false;
    QString suffix; // added to the base name: x.jpg becomes x-reflect.jpg
    QString format; // the outputs' format, by its file suffix ("webp"); empty keeps the source's
    bool renames() const { return !suffix.isEmpty() || !format.isEmpty(); }
};

// With neither a suffix nor a format, batchOutputName(sourcePath,
// transparent). Otherwise the name up to its last dot, the suffix, and the
// format's suffix, or else the source's own (in transparent mode "PNG" for
// a source whose format has no alpha, as above): archive.old.jpg with
// "-web" and "webp" becomes archive.old-web.webp.
QString batchOutputName(const QString &sourcePath, const OutputNaming &naming);

// `targetDir` joined with batchOutputName(); a separator is put between them
// unless the folder already ends with one.
QString batchOutputPath(const QString &targetDir, const QString &sourcePath, bool transparent);
QString batchOutputPath(const QString &targetDir, const QString &sourcePath, const OutputNaming &naming);

// The sizes the outputs are written at: a limit on the width (one output
// per width when there are several), on the height, or both.
struct OutputSizes
{
    QList<int> widths;
    int height = 0;
    bool isNull() const { return widths.isEmpty() && height <= 0; }
};

// One file to write and the size limit of its picture.
struct SizedOutput
{
    QString path;
    SizeLimit limit;
};

// The files a picture headed for `output` is written to: `output` itself,
// or with several widths one per width, its name tagged before the suffix
// (photo.webp becomes photo-480w.webp, photo-960w.webp, ...).
QList<SizedOutput> sizedOutputs(const QString &output, const OutputSizes &sizes);

// For each output of a run, in order, the index of the first other entry
// with the same path, or -1. Two sources that would land on one output are
// both refused, so that neither silently replaces the other.
QList<int> sharedOutputs(const QStringList &outputs);

// Writes a rendering (the renderer's format) to every output of `outputs`,
// each reduced to its limit with downscaled() and then made what
// outputPicture() makes of it, through writePhoto(). Stops at the first
// failure, with the reason in `why` and the file in `failedPath`; the
// files written before it are complete.
// Outputs of several sizes are reduced and encoded on threads of their own.
// A rendering made from a photo decoded at a reduced scale (readSizedPhoto)
// passes `finishedSize`, the size it has at full scale: the outputs' sizes
// follow from that, so they are the same as from the full-size rendering.
bool writeRendering(QImage rendering, QImage::Format sourceFormat, bool transparent,
                    const QList<SizedOutput> &outputs, const WriteOptions &options, QString *why,
                    QString *failedPath = nullptr, const QSize &finishedSize = QSize());

// The factor (1, 2, 4 or 8) a photo of upright size `photo` may be decoded
// smaller by for `outputs`: the largest that still leaves the rendering made
// from it at least 1.5 times each output's size on both sides. The DCT's
// reduction is a clean low-pass of its own; the margin keeps the Lanczos-3
// filter making the last step, so edges stay as sharp as at full scale.
int shrinkOnLoadFactor(const QSize &photo, const ReflectionSettings &settings,
                       const QList<SizedOutput> &outputs);

// readPhoto() for `outputs`, decoded as much smaller as shrinkOnLoadFactor()
// allows; `finishedSize` gets the size the rendering has at full scale.
QImage readSizedPhoto(const QString &path, const ReflectionSettings &settings,
                      const QList<SizedOutput> &outputs, QSize *finishedSize, QString *why,
                      const PhotoAdmission &admit = {});

// Where a picture of a tree goes: batchOutputPath() in its subfolder under
// `targetDir`.
QString batchOutputPath(const QString &targetDir, const TreePicture &picture, bool transparent);
QString batchOutputPath(const QString &targetDir, const TreePicture &picture, const OutputNaming &naming);

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
// Both, for outputs named with a suffix or a format.
SourceClash findSourceClash(const QStringList &sources, const QString &targetDir, const OutputNaming &naming);
SourceClash findSourceClash(const QList<TreePicture> &pictures, const QString &targetDir,
                            const OutputNaming &naming);

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
// With `sizes`, the outputs are those sizedOutputs() names.
BatchOutcome convertBatchPicture(const QString &input, const QString &output,
                                 const ReflectionSettings &settings, QImage &photo, QImage &rendering,
                                 const WriteOptions &options = WriteOptions(),
                                 const OutputSizes &sizes = OutputSizes());
