// consumer PHOTO OUTPUT: the photo with the default reflection, as
// glassmere-reflect writes it.
#include <glassmere/photoio.h>
#include <glassmere/reflection.h>

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    // As glassmere-reflect: the resolution written into a file comes from
    // the screen, and the SVG reader needs fonts.
    QGuiApplication app(argc, argv);
    QString why;
    const QImage photo = readPhoto(QString::fromLocal8Bit(argv[1]), &why);
    QImage rendering;
    ComposeReflection(photo.convertToFormat(QImage::Format_ARGB32), rendering, ReflectionSettings());
    if (!writePhoto(outputPicture(rendering, photo.format(), false), QString::fromLocal8Bit(argv[2]), &why)) {
        std::fprintf(stderr, "consumer: %s\n", qPrintable(why));
        return 1;
    }
    return 0;
}
