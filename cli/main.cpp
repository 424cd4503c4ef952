// glassmere-reflect: renders a photo with its reflection from the command
// line, with the same engine and the same file handling as the window.

#include "batchrules.h"
#include "batchrun.h"
#include "diagnostics.h"
#include "exitcode.h"
#include "fontconfigrelease.h"
#include "memorybudget.h"
#include "photoio.h"
#include "pictureformats.h"
#include "presets.h"
#include "reflection.h"
#include "optionparsing.h"
#include "singlerun.h"
#include "worker.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>

namespace {

// One line on standard error, the way command-line tools report.
int fail(int code, const QString &message)
{
    reportLine(message);
    return code;
}

// The options a worker needs to render as this process would: every one
// given, but those about the batch itself.
QStringList workerArguments(const QCommandLineParser &parser)
{
    static const QStringList batchOnly = {
        QStringLiteral("o"),           QStringLiteral("output"),  QStringLiteral("j"),
        QStringLiteral("jobs"),        QStringLiteral("timeout"), QStringLiteral("worker"),
        QStringLiteral("save-preset"), QStringLiteral("r"),       QStringLiteral("recursive"),
        QStringLiteral("files-from"),  QStringLiteral("0"),       QStringLiteral("null"),
        QStringLiteral("suffix"),      QStringLiteral("format"),  QStringLiteral("overwrite")};
    QStringList args{QStringLiteral("--worker")};
    const QStringList names = parser.optionNames();
    for (const QString &name : names) {
        if (batchOnly.contains(name))
            continue;
        const QString option = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        const QStringList values = parser.values(name);
        if (values.isEmpty())
            args << option;
        for (const QString &value : values)
            args << option << value;
    }
    return args;
}

} // namespace

int main(int argc, char *argv[])
{
    // Image plug-ins such as SVG draw text and need a GUI application; a
    // command-line tool must not need a display, so default to offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Starting the platform may warn about the session (an unset
    // XDG_RUNTIME_DIR, say), and image libraries print their own warnings:
    // noise for a command-line tool whose standard error carries one line
    // per problem.
    silenceLibraries();
    QGuiApplication app(argc, argv);
    const FontconfigRelease fontsReleasedCheaply;
    QCoreApplication::setApplicationName(QStringLiteral("glassmere-reflect"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GLASSMERE_VERSION));

    // In transparent mode, sources whose format keeps alpha keep their names.
    QStringList keepsOwnName = alphaExportSuffixes();
    keepsOwnName.removeAll(QStringLiteral("PNG"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Adds a mirror reflection to a photo and saves the result in the format its name ends with.\n"
            "\n"
            "Batch: with several INPUTs, a folder among them, or an OUTPUT ending with /, every\n"
            "picture is converted into the existing folder OUTPUT under its own name; in transparent\n"
            "mode as its name up to the first dot plus .PNG, except %2 files. A folder gives\n"
            "its files named %1 in any case (no hidden files, no subfolders), in\n"
            "descending name order. A source picture is never written over, nor, without --overwrite, an\n"
            "output that exists; two pictures with one output name both fail. Pictures that fail are\n"
            "reported and skipped; a summary goes to standard output, and the exit status is 1 when\n"
            "any picture failed.")
            .arg(openPatterns().join(QLatin1Char(' ')).toLower(), keepsOwnName.join(QStringLiteral(", "))));
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
        QStringLiteral(
            "Batch: pictures converted at once, each in its own worker process (default: one per core)."),
        QStringLiteral("N"), QString::number(QThread::idealThreadCount()));
    parser.addOptions({sideOpt, sizeOpt, depthOpt, intervalOpt, colorOpt, transparentOpt, opacityOpt, blurOpt,
                       outputOpt, jobsOpt});
    const QCommandLineOption timeoutOpt(
        QStringLiteral("timeout"),
        QStringLiteral("Batch: seconds one picture may take before it is given up as failed (1..86400)."),
        QStringLiteral("S"), QStringLiteral("60"));
    parser.addOption(timeoutOpt);
    const QCommandLineOption memoryOpt(
        QStringLiteral("memory-limit"),
        QStringLiteral("Memory the pictures being converted may take together, in MB; a picture that needs "
                       "more is refused before it is decoded."),
        QStringLiteral("MB"), QString::number(DefaultMemoryLimitMB));
    parser.addOption(memoryOpt);
    const QCommandLineOption presetOpt(
        QStringLiteral("preset"),
        QStringLiteral("Start from the named preset; options given as well override its values."),
        QStringLiteral("NAME"));
    const QCommandLineOption savePresetOpt(
        QStringLiteral("save-preset"),
        QStringLiteral("Store the reflection settings given (over --preset, if any) as the named preset; "
                       "without INPUT nothing else is done."),
        QStringLiteral("NAME"));
    const QCommandLineOption qualityOpt(
        QStringLiteral("quality"),
        QStringLiteral("Quality of lossy formats (JPEG, WebP, AVIF), 1..100; 100 makes WebP and AVIF "
                       "lossless (default: the writer's own)."),
        QStringLiteral("N"));
    const QCommandLineOption recursiveOpt(
        QStringList{QStringLiteral("r"), QStringLiteral("recursive")},
        QStringLiteral("Batch: folders with their subfolders; the tree is kept under the output folder."));
    const QCommandLineOption filesFromOpt(
        QStringLiteral("files-from"),
        QStringLiteral("Batch: also read INPUTs from FILE, one a line (- for standard input)."),
        QStringLiteral("FILE"));
    const QCommandLineOption nullOpt(
        QStringList{QStringLiteral("0"), QStringLiteral("null")},
        QStringLiteral("The names in --files-from end with NUL, not a line end."));
    const QCommandLineOption stripMetadataOpt(
        QStringLiteral("strip-metadata"),
        QStringLiteral("Leave out the photo's information (EXIF: camera, date, location...) and its colour "
                       "profile; by default they are kept where the output format holds them."));
    const QCommandLineOption stripGpsOpt(QStringLiteral("strip-gps"),
                                         QStringLiteral("Keep the photo's information but the location."));
    const QCommandLineOption widthOpt(
        QStringLiteral("width"),
        QStringLiteral("Scale the result down to this width, never up, keeping its shape; several widths, "
                       "comma separated, write one output each, named NAME-480w.EXT."),
        QStringLiteral("N[,N...]"));
    const QCommandLineOption heightOpt(QStringLiteral("height"),
                                       QStringLiteral("Scale the result down to this height, never up."),
                                       QStringLiteral("N"));
    const QCommandLineOption fitOpt(
        QStringLiteral("fit"),
        QStringLiteral("Scale the result down to fit within WIDTHxHEIGHT pixels, never up."),
        QStringLiteral("WxH"));
    const QCommandLineOption suffixOpt(
        QStringLiteral("suffix"),
        QStringLiteral("Name each output as its photo plus TEXT (x.jpg becomes x-web.jpg with -web); "
                       "without -o, beside the photo."),
        QStringLiteral("TEXT"));
    const QCommandLineOption formatOpt(
        QStringLiteral("format"),
        QStringLiteral("Write the outputs of a batch (or, without -o, beside the photo) in this format, "
                       "such as webp or jpg."),
        QStringLiteral("EXT"));
    const QCommandLineOption overwriteOpt(
        QStringLiteral("overwrite"),
        QStringLiteral("Batch: replace outputs that exist; by default they are kept and reported."));
    parser.addOptions({presetOpt, savePresetOpt, qualityOpt, stripMetadataOpt, stripGpsOpt, recursiveOpt,
                       filesFromOpt, nullOpt, widthOpt, heightOpt, fitOpt, suffixOpt, formatOpt,
                       overwriteOpt});
    QCommandLineOption workerOpt(QStringLiteral("worker"), QStringLiteral("Batch worker process."));
    workerOpt.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(workerOpt);
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("The photo to read; in a batch, photos and folders."),
                                 QStringLiteral("INPUT..."));

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(UsageError, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Ok);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    // A preset first; each option given then overrides its value.
    ReflectionSettings settings;
    if (parser.isSet(presetOpt)) {
        QString why;
        const std::optional<ReflectionPreset> preset = PresetStore().load(parser.value(presetOpt), &why);
        if (!preset)
            return fail(UsageError,
                        QStringLiteral("cannot read preset \"%1\": %2").arg(parser.value(presetOpt), why));
        applyPreset(*preset, settings);
    }
    const auto given = [&parser](const QCommandLineOption &option) { return parser.isSet(option); };
    if (given(transparentOpt))
        settings.transparent = true;
    if (given(sideOpt) && !parseSide(parser.value(sideOpt), settings.direction))
        return fail(
            UsageError,
            QStringLiteral("unknown side \"%1\": use top, bottom, left or right").arg(parser.value(sideOpt)));
    // The whole-number settings: option, range, field.
    const struct
    {
        const QCommandLineOption &option;
        int low, high;
        int &field;
    } numbers[] = {{sizeOpt, 0, 100, settings.size},
                   {depthOpt, 0, 100, settings.depth},
                   {intervalOpt, -80, 100, settings.interval},
                   {opacityOpt, 0, 100, settings.opacity},
                   {blurOpt, 0, 100, settings.blur}};
    for (const auto &number : numbers)
        if (given(number.option) &&
            !parseInt(parser.value(number.option), number.low, number.high, number.field))
            return fail(UsageError, QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                                        .arg(number.option.names().constFirst())
                                        .arg(number.low)
                                        .arg(number.high)
                                        .arg(parser.value(number.option)));
    if (given(colorOpt) && !parseColour(parser.value(colorOpt), settings.bgcolor))
        return fail(
            UsageError,
            QStringLiteral("--color takes a colour as #RRGGBB, not \"%1\"").arg(parser.value(colorOpt)));

    WriteOptions writeOptions;
    if (given(qualityOpt) && !parseInt(parser.value(qualityOpt), 1, 100, writeOptions.quality))
        return fail(UsageError, QStringLiteral("--quality takes a whole number from 1 to 100, not \"%1\"")
                                    .arg(parser.value(qualityOpt)));
    if (given(stripMetadataOpt))
        writeOptions.metadataPolicy = MetadataPolicy::StripAll;
    else if (given(stripGpsOpt))
        writeOptions.metadataPolicy = MetadataPolicy::StripGps;
    if (given(savePresetOpt)) {
        QString why;
        if (!PresetStore().save(parser.value(savePresetOpt), presetFromSettings(settings), &why))
            return fail(
                FileError,
                QStringLiteral("cannot store preset \"%1\": %2").arg(parser.value(savePresetOpt), why));
        if (parser.positionalArguments().isEmpty())
            return Ok;
    }

    // The outputs' sizes. Only --width takes a list: a srcset varies the
    // width.
    OutputSizes sizes;
    if (given(widthOpt)) {
        QString why;
        sizes.widths = parseWidths(parser.value(widthOpt), &why);
        if (sizes.widths.isEmpty())
            return fail(UsageError, why);
    }
    if (given(heightOpt) && !parseInt(parser.value(heightOpt), 1, MaxSide, sizes.height))
        return fail(UsageError, QStringLiteral("--height takes a whole number from 1 to %1, not \"%2\"")
                                    .arg(MaxSide)
                                    .arg(parser.value(heightOpt)));
    if (given(fitOpt)) {
        static const QRegularExpression box(QStringLiteral("^(\\d{1,7})x(\\d{1,7})$"));
        const QRegularExpressionMatch m = box.match(parser.value(fitOpt));
        int width = 0;
        if (!m.hasMatch() || !parseInt(m.captured(1), 1, MaxSide, width) ||
            !parseInt(m.captured(2), 1, MaxSide, sizes.height))
            return fail(
                UsageError,
                QStringLiteral("--fit takes WIDTHxHEIGHT, whole numbers from 1 to %1 such as 1200x800, "
                               "not \"%2\"")
                    .arg(MaxSide)
                    .arg(parser.value(fitOpt)));
        if (given(widthOpt) || given(heightOpt))
            return fail(UsageError,
                        QStringLiteral("--fit sets both sides: give it without --width and --height"));
        sizes.widths = {width};
    }

    // The outputs' names.
    OutputNaming naming{settings.transparent, parser.value(suffixOpt), parser.value(formatOpt).toLower()};
    if (naming.suffix.contains(QLatin1Char('/')) || naming.suffix.contains(QDir::separator()))
        return fail(
            UsageError,
            QStringLiteral("--suffix is added to file names and cannot hold a folder separator, not \"%1\"")
                .arg(naming.suffix));
    if (given(formatOpt)) {
        const PictureFormat *format = formatForSuffix(naming.format);
        if (!format || !format->writer)
            return fail(
                UsageError,
                QStringLiteral("--format takes a format the program writes (%1), not \"%2\"")
                    .arg(writableSuffixes().join(QStringLiteral(", ")).toLower(), parser.value(formatOpt)));
        // A format without alpha would write a black gap and no fade.
        if (settings.transparent && !format->keepsAlpha)
            return fail(UsageError,
                        QStringLiteral("--transparent needs a format that keeps transparency (%1), "
                                       "not \"%2\"")
                            .arg(alphaExportSuffixes().join(QStringLiteral(", ")), naming.format));
    }

    int memoryMB = 0;
    if (!parseInt(parser.value(memoryOpt), 16, 1 << 24, memoryMB))
        return fail(UsageError,
                    QStringLiteral("--memory-limit takes a whole number of MB from 16 to %1, not \"%2\"")
                        .arg(1 << 24)
                        .arg(parser.value(memoryOpt)));
    const qint64 memoryLimit = qint64(memoryMB) << 20;
    // Qt's own decode limit follows the budget, also for the readers that
    // tell a picture's size only by decoding it.
    QImageReader::setAllocationLimit(memoryMB);
    if (parser.isSet(workerOpt))
        return runWorker(settings, memoryLimit, writeOptions, sizes);
    int timeout = 60;
    if (!parseInt(parser.value(timeoutOpt), 1, 86400, timeout))
        return fail(UsageError,
                    QStringLiteral("--timeout takes a whole number of seconds from 1 to 86400, not "
                                   "\"%1\"")
                        .arg(parser.value(timeoutOpt)));

    QStringList inputs = parser.positionalArguments();
    if (given(filesFromOpt)) {
        QFile list;
        const QString listName = parser.value(filesFromOpt);
        const bool opened = listName == QLatin1String("-")
                                ? list.open(stdin, QIODevice::ReadOnly)
                                : (list.setFileName(listName), list.open(QIODevice::ReadOnly));
        if (!opened)
            return fail(FileError,
                        QStringLiteral("cannot read the list \"%1\": %2").arg(listName, list.errorString()));
        const char separator = given(nullOpt) ? '\0' : '\n';
        const QList<QByteArray> names = list.readAll().split(separator);
        for (const QByteArray &name : names)
            if (!name.isEmpty())
                inputs << QFile::decodeName(name);
    }
    if (inputs.isEmpty())
        return fail(UsageError, QStringLiteral("no input photo given (see --help)"));
    QString output = parser.value(outputOpt);
    const bool renames = naming.renames() || given(suffixOpt);
    if (output.isEmpty() && !renames)
        return fail(UsageError, QStringLiteral("no output file given: add -o OUTPUT, or --suffix TEXT"));
    int jobs = 1;
    if (!parseInt(parser.value(jobsOpt), 1, 1024, jobs))
        return fail(
            UsageError,
            QStringLiteral("-j takes a whole number from 1 to 1024, not \"%1\"").arg(parser.value(jobsOpt)));
    const bool batch = given(filesFromOpt) || given(recursiveOpt) || isBatchRequest(inputs, output);
    if (batch && output.isEmpty())
        return fail(UsageError, QStringLiteral("no output folder given: add -o FOLDER/"));
    if (batch)
        return runBatch({inputs, output, settings, jobs, timeout, memoryLimit,
                         QCoreApplication::applicationFilePath(), workerArguments(parser),
                         given(recursiveOpt), naming, sizes, given(overwriteOpt)});
    return runSingle({inputs.first(), output, settings, memoryLimit, naming, sizes, renames, writeOptions});
}
