#include "glassmere.h"
#include "language.h"
#include "windowgeometry.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>

#include <cstdio>

#include <cstring>

namespace {

// --help and --version must answer where there is no display (a build
// machine writing the manual page, a shell over ssh).
bool asksOnlyForText(int argc, char *argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        for (const char *option : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (asksOnlyForText(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(GLASSMERE_VERSION));
    // Lets the desktop match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(GLASSMERE_APP_ID));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Adds a mirror reflection to a photo, in a window: pick the side, the size, the depth,\n"
        "the interval and the colour or transparency, and export the result."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PHOTO"), QStringLiteral("A photo to open at start-up."),
                                 QStringLiteral("[PHOTO]"));
    parser.process(app);

    currentPath = QCoreApplication::applicationDirPath();
    installTranslations();

    Glassmere window;
    // The whole virtual desktop, not the primary screen's available area.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.move(centredTopLeft(screen->virtualGeometry(), window.size()));
    // ~/.config/glassmere/glassmere.ini; a damaged file is ignored.
    QSettings remembered(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("glassmere"),
                         QStringLiteral("glassmere"));
    if (remembered.status() == QSettings::NoError)
        window.restoreRemembered(remembered);
    else
        std::fprintf(stderr, "glassmere: ignoring the damaged settings file %s\n",
                     qPrintable(remembered.fileName()));
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&] {
        if (remembered.status() == QSettings::NoError)
            window.remember(remembered);
    });
    window.show();
    if (!parser.positionalArguments().isEmpty())
        window.openPhoto(QFileInfo(parser.positionalArguments().first()).absoluteFilePath());
    return app.exec();
}
