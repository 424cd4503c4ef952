// glassmere-reflect: renders a photo with its reflection from the command
// line, with the same engine and the same file handling as the window.

#include "batchrun.h"
#include "photoio.h"
#include "reflection.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

enum ExitCode
{
    Ok = 0,
    FileError = 1,
    UsageError = 2
};

// One line on standard error, the way command-line tools report.
int fail(int code, const QString &message)
{
    std::fprintf(stderr, "glassmere-reflect: %s\n", qPrintable(message));
    return code;
}

bool parseInt(const QString &text, int low, int high, int &value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool parseSide(const QString &text, int &direction)
{
    static const QStringList sides = {QStringLiteral("top"), QStringLiteral("bottom"), QStringLiteral("left"),
                                      QStringLiteral("right")};
    const int index = sides.indexOf(text.toLower());
    if (index < 0)
        return false;
    direction = index; // the list is in direction-code order
    return true;
}

bool parseColour(const QString &text, _RGB &colour)
{
    static const QRegularExpression hex(
        QStringLiteral("^#([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})$"));
    const QRegularExpressionMatch m = hex.match(text);
    if (!m.hasMatch())
        return false;
    colour.r = m.captured(1).toInt(nullptr, 16);
    colour.g = m.captured(2).toInt(nullptr, 16);
    colour.b = m.captured(3).toInt(nullptr, 16);
    return true;
}

// True when both names reach the same file, through links, dots or a
// second hard link; an output that does not exist yet is never the input.
bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (!fa.exists() || !fb.exists())
        return false;
    if (fa.canonicalFilePath() == fb.canonicalFilePath())
        return true;
#ifdef Q_OS_UNIX
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
        ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
    return false;
}

void quietStartup(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    // Image plug-ins such as SVG draw text and need a GUI application; a
    // command-line tool must not need a display, so default to offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Starting the platform may warn about the session (an unset
    // XDG_RUNTIME_DIR, say), which is noise for a command-line tool whose
    // standard error carries one line per problem.
    qInstallMessageHandler(quietStartup);
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    QCoreApplication::setApplicationName(QStringLiteral("glassmere-reflect"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GLASSMERE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Adds a mirror reflection to a photo and saves the result in the format its name ends with.\n"
        "\n"
        "Batch: with several INPUTs, a folder among them, or an OUTPUT ending with /, every\n"
        "picture is converted into the existing folder OUTPUT under its own name; in transparent\n"
        "mode as its name up to the first dot plus .PNG, except ICO and TIFF files. A folder gives\n"
        "its files named *.bmp, *.gif, *.jpg, *.jpeg, *.mng, *.png, *.pbm, *.pgm, *.ppm, *.tiff,\n"
        "*.xbm, *.xpm, *.svg, *.tga and *.ico in any case (no hidden files, no subfolders), in\n"
        "descending name order. A source picture is never written over. Pictures that fail are\n"
        "reported and skipped; a summary goes to standard output, and the exit status is 1 when\n"
        "any picture failed."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption sideOpt(
        QStringLiteral("side"), QStringLiteral("Side the reflection falls on: top, bottom, left or right."),
        QStringLiteral("side"), QStringLiteral("bottom"));
    const QCommandLineOption sizeOpt(QStringLiteral("size"),
                                     QStringLiteral("Reflection size, percent of the picture (0..100)."),
                                     QStringLiteral("N"), QStringLiteral("38"));
    const QCommandLineOption depthOpt(
        QStringLiteral("depth"), QStringLiteral("Share of the reflection copied unfaded, percent (0..100)."),
        QStringLiteral("N"), QStringLiteral("30"));
    const QCommandLineOption intervalOpt(
        QStringLiteral("interval"),
        QStringLiteral(
            "Gap between picture and reflection, percent (1..100); negative trims the picture (-80..-1)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption colorOpt(QStringLiteral("color"),
                                      QStringLiteral("Colour of the gap and of the fade, as #RRGGBB."),
                                      QStringLiteral("#RRGGBB"), QStringLiteral("#ffffff"));
    const QCommandLineOption transparentOpt(QStringLiteral("transparent"),
                                            QStringLiteral("Fade into transparency instead of the colour."));
    const QCommandLineOption opacityOpt(
        QStringLiteral("opacity"),
        QStringLiteral("Strength of the reflection next to the picture, percent (0..100)."),
        QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption blurOpt(
        QStringLiteral("blur"),
        QStringLiteral("Blur that grows with the distance from the picture (0..100); 0 is sharp."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption outputOpt(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Output file; its suffix chooses the format. In a batch, the output folder."),
        QStringLiteral("OUTPUT"));
    const QCommandLineOption jobsOpt(
        QStringList{QStringLiteral("j"), QStringLiteral("jobs")},
        QStringLiteral("Batch: pictures converted at once, one per thread (default: one per core)."),
        QStringLiteral("N"), QString::number(QThread::idealThreadCount()));
    parser.addOptions({sideOpt, sizeOpt, depthOpt, intervalOpt, colorOpt, transparentOpt, opacityOpt, blurOpt,
                       outputOpt, jobsOpt});
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("The photo to read; in a batch, photos and folders."),
                                 QStringLiteral("INPUT..."));

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(UsageError, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Ok);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    ReflectionSettings settings;
    settings.transparent = parser.isSet(transparentOpt);
    if (!parseSide(parser.value(sideOpt), settings.direction))
        return fail(
            UsageError,
            QStringLiteral("unknown side \"%1\": use top, bottom, left or right").arg(parser.value(sideOpt)));
    if (!parseInt(parser.value(sizeOpt), 0, 100, settings.size))
        return fail(UsageError, QStringLiteral("--size takes a whole number from 0 to 100, not \"%1\"")
                                    .arg(parser.value(sizeOpt)));
    if (!parseInt(parser.value(depthOpt), 0, 100, settings.depth))
        return fail(UsageError, QStringLiteral("--depth takes a whole number from 0 to 100, not \"%1\"")
                                    .arg(parser.value(depthOpt)));
    if (!parseInt(parser.value(intervalOpt), -80, 100, settings.interval))
        return fail(UsageError, QStringLiteral("--interval takes a whole number from -80 to 100, not \"%1\"")
                                    .arg(parser.value(intervalOpt)));
    if (!parseInt(parser.value(opacityOpt), 0, 100, settings.opacity))
        return fail(UsageError, QStringLiteral("--opacity takes a whole number from 0 to 100, not \"%1\"")
                                    .arg(parser.value(opacityOpt)));
    if (!parseInt(parser.value(blurOpt), 0, 100, settings.blur))
        return fail(UsageError, QStringLiteral("--blur takes a whole number from 0 to 100, not \"%1\"")
                                    .arg(parser.value(blurOpt)));
    if (!parseColour(parser.value(colorOpt), settings.bgcolor))
        return fail(
            UsageError,
            QStringLiteral("--color takes a colour as #RRGGBB, not \"%1\"").arg(parser.value(colorOpt)));

    const QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty())
        return fail(UsageError, QStringLiteral("no input photo given (see --help)"));
    const QString output = parser.value(outputOpt);
    if (output.isEmpty())
        return fail(UsageError, QStringLiteral("no output file given: add -o OUTPUT"));
    int jobs = 1;
    if (!parseInt(parser.value(jobsOpt), 1, 1024, jobs))
        return fail(
            UsageError,
            QStringLiteral("-j takes a whole number from 1 to 1024, not \"%1\"").arg(parser.value(jobsOpt)));
    if (isBatchRequest(inputs, output))
        return runBatch({inputs, output, settings, jobs});
    const QString input = inputs.first();
    if (sameFile(input, output))
        return fail(
            UsageError,
            QStringLiteral("the output \"%1\" is the input photo; it is never written over").arg(output));

    QString why;
    QImage photo = readPhoto(input, &why);
    if (photo.isNull())
        return fail(FileError, QStringLiteral("cannot read \"%1\": %2").arg(input, why));
    const QImage::Format sourceFormat = photo.format();

    // Converting the moved-from pictures lets Qt convert in place, which
    // saves allocating (and faulting in) a second photo-sized buffer.
    QImage rendering;
    ComposeReflection(std::move(photo).convertToFormat(renderingFormat(sourceFormat)), rendering, settings);
    if (rendering.isNull())
        return fail(FileError,
                    QStringLiteral("the result of \"%1\" is empty: the trim leaves no row of the photo, "
                                   "or the picture is too large to render")
                        .arg(input));

    if (!writePhoto(outputPicture(std::move(rendering), sourceFormat, settings.transparent), output, &why))
        return fail(FileError, QStringLiteral("cannot write \"%1\": %2").arg(output, why));
    return Ok;
}
