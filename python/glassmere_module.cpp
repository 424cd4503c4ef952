// The Python module glassmere: the engine for NumPy arrays and for files,
// with the same pixels and the same file handling as glassmere-reflect.

#include "batchrules.h"
#include "photoio.h"
#include "reflection.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace py = pybind11;

namespace {

// The whole-number settings: name, field, range. A new whole-number field of
// ReflectionSettings becomes a keyword here with one line.
struct IntSetting
{
    const char *name;
    int ReflectionSettings::*field;
    int low;
    int high;
};
const IntSetting intSettings[] = {
    {"size", &ReflectionSettings::size, 0, 100},
    {"depth", &ReflectionSettings::depth, 0, 100},
    {"interval", &ReflectionSettings::interval, -80, 100},
};

const char *const sides[] = {"top", "bottom", "left", "right"}; // in direction-code order

std::string typeName(const py::handle &value)
{
    return py::str(py::type::handle_of(value).attr("__name__"));
}

int parseSide(const py::handle &value)
{
    if (!py::isinstance<py::str>(value))
        throw py::type_error("side takes a string, not " + typeName(value));
    const std::string text = QString::fromStdString(value.cast<std::string>()).toLower().toStdString();
    for (int i = 0; i < 4; ++i)
        if (text == sides[i])
            return i;
    throw py::value_error("unknown side \"" + value.cast<std::string>() +
                          "\": use top, bottom, left or right");
}

_RGB parseColour(const py::handle &value)
{
    if (!py::isinstance<py::str>(value))
        throw py::type_error("color takes a string such as \"#ffffff\", not " + typeName(value));
    static const QRegularExpression hex(
        QStringLiteral("^#([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})$"));
    const std::string text = value.cast<std::string>();
    const QRegularExpressionMatch m = hex.match(QString::fromStdString(text));
    if (!m.hasMatch())
        throw py::value_error("color takes a colour as #RRGGBB, not \"" + text + "\"");
    return {m.captured(1).toInt(nullptr, 16), m.captured(2).toInt(nullptr, 16),
            m.captured(3).toInt(nullptr, 16)};
}

int parseInt(const IntSetting &setting, const py::handle &value)
{
    // bool is an int in Python, but size=True is a mistake, not 1.
    if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value))
        throw py::type_error(std::string(setting.name) + " takes a whole number, not " + typeName(value));
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow || v < setting.low || v > setting.high)
        throw py::value_error(std::string(setting.name) + " takes a whole number from " +
                              std::to_string(setting.low) + " to " + std::to_string(setting.high) + ", not " +
                              std::string(py::str(value)));
    return int(v);
}

// The keywords onto a record, starting from the command line's defaults.
ReflectionSettings parseSettings(const char *function, const py::kwargs &keywords)
{
    ReflectionSettings settings;
    for (const auto &item : keywords) {
        const std::string name = item.first.cast<std::string>();
        const py::handle value = item.second;
        if (name == "side") {
            settings.direction = parseSide(value);
        } else if (name == "color") {
            settings.bgcolor = parseColour(value);
        } else if (name == "transparent") {
            if (!py::isinstance<py::bool_>(value))
                throw py::type_error("transparent takes True or False, not " + typeName(value));
            settings.transparent = value.cast<bool>();
        } else {
            const IntSetting *setting = nullptr;
            for (const IntSetting &s : intSettings)
                if (name == s.name)
                    setting = &s;
            if (!setting)
                throw py::type_error(std::string(function) + "() got an unexpected keyword argument '" +
                                     name + "'");
            settings.*(setting->field) = parseInt(*setting, value);
        }
    }
    return settings;
}

[[noreturn]] void raise(PyObject *type, const QString &message)
{
    PyErr_SetString(type, message.toUtf8().constData());
    throw py::error_already_set();
}

// The positional arguments `names` of `function`, given by position or by
// keyword; the keywords left are the settings. Python's own wording for the
// mistakes, on one line.
std::vector<py::object> takeArguments(const char *function, std::initializer_list<const char *> names,
                                      const py::args &positional, py::kwargs &keywords)
{
    const std::string f = std::string(function) + "() ";
    if (positional.size() > names.size())
        throw py::type_error(f + "takes " + std::to_string(names.size()) +
                             " positional argument(s); give the settings as keywords, such as side=\"top\"");
    std::vector<py::object> values;
    for (const char *name : names) {
        const std::size_t i = values.size();
        const bool byKeyword = keywords.contains(name);
        if (i < positional.size() && byKeyword)
            throw py::type_error(f + "got multiple values for argument '" + name + "'");
        if (i >= positional.size() && !byKeyword)
            throw py::type_error(f + "missing required argument '" + name + "'");
        values.push_back(i < positional.size() ? py::object(positional[i]) : py::object(keywords[name]));
        if (byKeyword)
            PyDict_DelItemString(keywords.ptr(), name);
    }
    return values;
}

py::array reflect(const py::args &positional, py::kwargs keywords)
{
    const py::object object = takeArguments("reflect", {"array"}, positional, keywords).front();
    if (!py::isinstance<py::array>(object))
        throw py::type_error("reflect() takes a NumPy array of uint8, not " + typeName(object));
    auto array = py::reinterpret_borrow<py::array>(object);
    if (!array.dtype().is(py::dtype::of<std::uint8_t>()))
        throw py::type_error("reflect() takes an array of uint8, not " + std::string(py::str(array.dtype())));
    if (array.ndim() != 3 || (array.shape(2) != 3 && array.shape(2) != 4))
        throw py::value_error("reflect() takes an array of shape (height, width, 3) for RGB or "
                              "(height, width, 4) for RGBA, not " +
                              std::string(py::str(array.attr("shape"))));
    // The renderer's percentages multiply an extent by up to 100 in an int.
    constexpr py::ssize_t largest = 1 << 24;
    if (array.shape(0) < 1 || array.shape(1) < 1 || array.shape(0) > largest || array.shape(1) > largest)
        throw py::value_error("reflect() takes a picture of 1 to " + std::to_string(largest) +
                              " pixels each way, not " + std::string(py::str(array.attr("shape"))));
    const ReflectionSettings settings = parseSettings("reflect", keywords);

    // Row after row, as QImage wants it; a view with other strides is copied.
    auto pixels = py::array_t<std::uint8_t, py::array::c_style>::ensure(array);
    const int height = int(array.shape(0)), width = int(array.shape(1));
    const bool alpha = array.shape(2) == 4;
    const QSize size = ReflectionSize(QSize(width, height), settings);
    if (size.isEmpty())
        throw py::value_error("the trim leaves no row of the picture");
    // The formats Qt's PNG reader delivers for an RGB and an RGBA file, so
    // that the result is what the command line writes for that file.
    const QImage::Format sourceFormat = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const bool resultAlpha = alpha || settings.transparent;
    const int channels = resultAlpha ? 4 : 3;
    py::array_t<std::uint8_t> result({size.height(), size.width(), channels});

    bool rendered = false;
    {
        py::gil_scoped_release unlocked;
        const QImage photo(pixels.data(), width, height, qsizetype(width) * array.shape(2),
                           alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        QImage rendering;
        ComposeReflection(photo.convertToFormat(QImage::Format_ARGB32), rendering, settings);
        if (!rendering.isNull() && rendering.size() == size) {
            const QImage out =
                outputPicture(std::move(rendering), sourceFormat, settings.transparent)
                    .convertToFormat(resultAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
            if (!out.isNull()) {
                const std::size_t rowBytes = std::size_t(size.width()) * channels;
                std::uint8_t *to = result.mutable_data();
                for (int y = 0; y < size.height(); ++y)
                    std::memcpy(to + y * rowBytes, out.constScanLine(y), rowBytes);
                rendered = true;
            }
        }
    }
    if (!rendered)
        raise(PyExc_MemoryError,
              QStringLiteral("no memory for a %1 x %2 picture").arg(size.width()).arg(size.height()));
    return std::move(result);
}

QString pathArgument(const py::handle &value, const char *name)
{
    try {
        const py::bytes encoded = py::module_::import("os").attr("fsencode")(value);
        return QFile::decodeName(QByteArray::fromStdString(encoded.cast<std::string>()));
    } catch (const py::error_already_set &) {
        throw py::type_error(std::string("reflect_file() takes a path as ") + name + ", not " +
                             typeName(value));
    }
}

void quietStartup(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Some image plug-ins need a GUI application: the SVG reader draws text,
// and text needs the font database. The command line makes one; a Python
// process has none unless it uses Qt itself, so one is made before the
// first file is read, off screen, whatever QT_QPA_PLATFORM says (a remote
// worker has no display). It lives as long as the process.
void ensureApplication()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (QCoreApplication::instance())
            return;
        static int argc = 3;
        static char name[] = "glassmere", option[] = "-platform", platform[] = "offscreen";
        static char *argv[] = {name, option, platform, nullptr};
        qInstallMessageHandler(quietStartup);
        new QGuiApplication(argc, argv);
        qInstallMessageHandler(nullptr);
    });
}

void reflectFile(const py::args &positional, py::kwargs keywords)
{
    const auto paths = takeArguments("reflect_file", {"input", "output"}, positional, keywords);
    const QString input = pathArgument(paths[0], "input");
    const QString output = pathArgument(paths[1], "output");
    const ReflectionSettings settings = parseSettings("reflect_file", keywords);
    if (isSameFile(input, output))
        raise(PyExc_ValueError,
              QStringLiteral("the output \"%1\" is the input photo; it is never written over").arg(output));

    ensureApplication();
    BatchOutcome outcome;
    {
        py::gil_scoped_release unlocked;
        QImage photo, rendering;
        outcome = convertBatchPicture(input, output, settings, photo, rendering);
    }
    switch (outcome.step) {
    case BatchOutcome::Done:
        return;
    case BatchOutcome::ReadFailed:
        raise(PyExc_OSError, QStringLiteral("cannot read \"%1\": %2").arg(input, outcome.why));
    case BatchOutcome::RenderFailed:
        raise(PyExc_ValueError, QStringLiteral("the result of \"%1\" is empty: %2").arg(input, outcome.why));
    case BatchOutcome::WriteFailed:
        raise(PyExc_OSError, QStringLiteral("cannot write \"%1\": %2").arg(output, outcome.why));
    }
}

} // namespace

PYBIND11_MODULE(glassmere, m)
{
    // The signatures are written out below, with the keywords' defaults.
    py::options options;
    options.disable_function_signatures();

    m.doc() = "Adds a mirror reflection to a photo, pixel for pixel as glassmere-reflect does.";
    m.attr("__version__") = GLASSMERE_VERSION;
    m.def("reflect", &reflect,
          "reflect(array, side=\"bottom\", size=38, depth=30, interval=0, color=\"#ffffff\", "
          "transparent=False)\n\n"
          "Returns a new uint8 array: the picture with its reflection. `array` is height x width x 3 (RGB)\n"
          "or height x width x 4 (RGBA); the result has 4 channels when the input has or `transparent`\n"
          "is set, and holds the pixels glassmere-reflect writes for a PNG of the same picture.\n"
          "side: top, bottom, left or right; size and depth: 0..100; interval: -80..100 (negative trims);\n"
          "color: \"#RRGGBB\". Runs without the GIL.");
    m.def("reflect_file", &reflectFile,
          "reflect_file(input, output, **settings)\n\n"
          "Reads the photo `input`, adds the reflection (the settings of reflect()) and writes `output`\n"
          "in the format its suffix names, as glassmere-reflect does. An existing output is replaced only\n"
          "once the new file is complete; the input is never written over. Raises OSError when a file\n"
          "cannot be read or written, ValueError when the result is empty. Runs without the GIL.");
}
