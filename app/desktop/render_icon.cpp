// vardo-render-icon SVG PNG SIZE: draws the application icon at SIZE × SIZE pixels, for
// the PNG sizes of the hicolor theme. Runs at build time.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fputs("usage: vardo-render-icon SVG PNG SIZE\n", stderr);
        return 2;
    }
    // No display is needed for drawing into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int side = std::atoi(argv[3]);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid() || side <= 0) {
        std::fprintf(stderr, "vardo-render-icon: cannot draw %s at %s pixels\n", argv[1], argv[3]);
        return 1;
    }
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
