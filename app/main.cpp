#include "glassmere.h"
#include "language.h"
#include "windowgeometry.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    currentPath = QCoreApplication::applicationDirPath();
    installTranslations();

    Glassmere window;
    // The whole virtual desktop, not the primary screen's available area.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.move(centredTopLeft(screen->virtualGeometry(), window.size()));
    window.show();
    return app.exec();
}
