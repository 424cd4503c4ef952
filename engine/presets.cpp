#include "presets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString Group = QStringLiteral("reflection");
const QString Suffix = QStringLiteral(".ini");
constexpr int LongestName = 100;

struct IntField
{
    const char *key;
    int ReflectionPreset::*field;
    int min, max;
};

const IntField IntFields[] = {
    {"size", &ReflectionPreset::size, 0, 100},           {"depth", &ReflectionPreset::depth, 0, 100},
    {"interval", &ReflectionPreset::interval, -80, 100}, {"opacity", &ReflectionPreset::opacity, 0, 100},
    {"blur", &ReflectionPreset::blur, 0, 100},
};

QString outOfRange(const IntField &f, int value)
{
    return QStringLiteral("%1 %2 is outside %3..%4")
        .arg(QLatin1String(f.key))
        .arg(value)
        .arg(f.min)
        .arg(f.max);
}

// Empty when every value is one the renderer accepts.
QString problemWith(const ReflectionPreset &p)
{
    if (p.direction < ReflectionSettings::Top || p.direction > ReflectionSettings::Right)
        return QStringLiteral("side %1 is not top, bottom, left or right").arg(p.direction);
    for (const IntField &f : IntFields)
        if (p.*f.field < f.min || p.*f.field > f.max)
            return outOfRange(f, p.*f.field);
    if (!p.colour.isValid())
        return QStringLiteral("the colour is not valid");
    return QString();
}

} // namespace

bool operator==(const ReflectionPreset &a, const ReflectionPreset &b)
{
    return a.direction == b.direction && a.size == b.size && a.depth == b.depth && a.interval == b.interval &&
           a.colour == b.colour && a.transparent == b.transparent && a.opacity == b.opacity &&
           a.blur == b.blur;
}

ReflectionPreset presetFromSettings(const ReflectionSettings &settings)
{
    ReflectionPreset p;
    // The renderer draws any other number as right.
    p.direction =
        settings.direction >= ReflectionSettings::Top && settings.direction <= ReflectionSettings::Right
            ? settings.direction
            : int(ReflectionSettings::Right);
    p.size = settings.size;
    p.depth = settings.depth;
    p.interval = settings.interval;
    p.colour = QColor(settings.bgcolor.r, settings.bgcolor.g, settings.bgcolor.b);
    p.transparent = settings.transparent;
    p.opacity = settings.opacity;
    p.blur = settings.blur;
    return p;
}

void applyPreset(const ReflectionPreset &preset, ReflectionSettings &settings)
{
    settings.direction = preset.direction;
    settings.size = preset.size;
    settings.depth = preset.depth;
    settings.interval = preset.interval;
    settings.bgcolor = _RGB{preset.colour.red(), preset.colour.green(), preset.colour.blue()};
    settings.transparent = preset.transparent;
    settings.opacity = preset.opacity;
    settings.blur = preset.blur;
}

namespace {
const char *const SideNames[] = {"top", "bottom", "left", "right"}; // in direction-code order
} // namespace

QString sideName(int direction)
{
    return QLatin1String(SideNames[direction >= 0 && direction < 4 ? direction : 3]);
}

int sideFromName(const QString &name)
{
    for (int i = 0; i < 4; ++i)
        if (name.compare(QLatin1String(SideNames[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString defaultPresetFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/glassmere/presets");
}

QString presetNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("a preset needs a name");
    if (name.size() > LongestName)
        return QStringLiteral("a preset name has at most %1 characters").arg(LongestName);
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("a preset name cannot contain \"/\" or \"\\\"");
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("a preset name cannot contain control characters");
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("a preset name cannot start with a dot");
    if (name.front().isSpace() || name.back().isSpace())
        return QStringLiteral("a preset name cannot start or end with a space");
    return QString();
}

PresetStore::PresetStore(const QString &folder) : dir(folder) {}

QString PresetStore::filePath(const QString &name) const
{
    return dir + QLatin1Char('/') + name + Suffix;
}

QStringList PresetStore::names() const
{
    QStringList result;
    const QStringList files = QDir(dir).entryList({QLatin1Char('*') + Suffix}, QDir::Files | QDir::Readable);
    for (const QString &file : files) {
        const QString name = file.chopped(Suffix.size());
        if (presetNameProblem(name).isEmpty())
            result << name;
    }
    result.sort(Qt::CaseInsensitive);
    return result;
}

bool PresetStore::save(const QString &name, const ReflectionPreset &preset, QString *errorString) const
{
    const auto fail = [errorString](const QString &why) {
        if (errorString)
            *errorString = why;
        return false;
    };
    QString problem = presetNameProblem(name);
    if (problem.isEmpty())
        problem = problemWith(preset);
    if (!problem.isEmpty())
        return fail(problem);
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("cannot make the folder \"%1\"").arg(QDir::toNativeSeparators(dir)));

    // QSettings writes through a temporary file and renames it into place.
    QSettings file(filePath(name), QSettings::IniFormat);
    file.clear();
    file.beginGroup(Group);
    file.setValue(QStringLiteral("side"), sideName(preset.direction));
    for (const IntField &f : IntFields)
        file.setValue(QLatin1String(f.key), preset.*f.field);
    file.setValue(QStringLiteral("colour"), preset.colour.name());
    file.setValue(QStringLiteral("transparent"), preset.transparent);
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError)
        return fail(QStringLiteral("cannot write \"%1\"").arg(QDir::toNativeSeparators(filePath(name))));
    return true;
}

std::optional<ReflectionPreset> PresetStore::load(const QString &name, QString *errorString) const
{
    const auto fail = [errorString](const QString &why) {
        if (errorString)
            *errorString = why;
        return std::nullopt;
    };
    const QString problem = presetNameProblem(name);
    if (!problem.isEmpty())
        return fail(problem);
    const QString path = filePath(name);
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("there is no preset \"%1\"").arg(name));
    // QSettings says nothing useful about a file it cannot open.
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return fail(probe.errorString());
    probe.close();

    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return fail(QStringLiteral("the preset file is damaged"));
    file.beginGroup(Group);
    if (file.childKeys().isEmpty())
        return fail(QStringLiteral("the preset file holds no [%1] settings").arg(Group));

    ReflectionPreset p;
    // A value holding a comma reads back as a list: joined again, it is
    // refused as what it is meant to be.
    const auto text = [&file](const QString &key, QString *value) {
        const QVariant v = file.value(key);
        *value =
            (v.userType() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString())
                .trimmed();
        return v.isValid();
    };
    QString value;
    if (text(QStringLiteral("side"), &value)) {
        p.direction = sideFromName(value);
        if (p.direction < 0)
            return fail(QStringLiteral("side \"%1\" is not top, bottom, left or right").arg(value));
    }
    for (const IntField &f : IntFields) {
        if (!text(QLatin1String(f.key), &value))
            continue;
        bool ok = false;
        const int number = value.toInt(&ok);
        if (!ok)
            return fail(QStringLiteral("%1 \"%2\" is not a whole number").arg(QLatin1String(f.key), value));
        if (number < f.min || number > f.max)
            return fail(outOfRange(f, number));
        p.*f.field = number;
    }
    if (text(QStringLiteral("colour"), &value)) {
        p.colour = QColor::fromString(value);
        if (!p.colour.isValid())
            return fail(QStringLiteral("colour \"%1\" is not a colour such as #ffffff").arg(value));
        p.colour.setAlpha(255);
    }
    if (text(QStringLiteral("transparent"), &value)) {
        const QString v = value.toLower();
        if (v == QLatin1String("true") || v == QLatin1String("yes") || v == QLatin1String("1"))
            p.transparent = true;
        else if (v == QLatin1String("false") || v == QLatin1String("no") || v == QLatin1String("0"))
            p.transparent = false;
        else
            return fail(QStringLiteral("transparent \"%1\" is not true or false").arg(value));
    }
    return p;
}

bool PresetStore::remove(const QString &name, QString *errorString) const
{
    const auto fail = [errorString](const QString &why) {
        if (errorString)
            *errorString = why;
        return false;
    };
    const QString problem = presetNameProblem(name);
    if (!problem.isEmpty())
        return fail(problem);
    QFile file(filePath(name));
    if (!file.exists())
        return fail(QStringLiteral("there is no preset \"%1\"").arg(name));
    if (!file.remove())
        return fail(file.errorString());
    return true;
}
