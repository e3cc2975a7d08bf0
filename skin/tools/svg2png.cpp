// Renders one SVG drawing of the skin to a PNG at the drawing's own size (or a given scale).
// Usage: quasar_svg2png IN.svg OUT.png [scale]
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quasar_svg2png IN.svg OUT.png [scale]\n");
        return 2;
    }
    // The drawings use shapes only (no <text>), so no application object or font set-up is
    // needed: rendering into a QImage works without a display.
    const double scale = argc > 3 ? std::atof(argv[3]) : 1.0;
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "quasar_svg2png: cannot read %s\n", argv[1]);
        return 1;
    }
    QSize size = renderer.defaultSize();
    if (size.isEmpty()) {
        std::fprintf(stderr, "quasar_svg2png: %s has no size\n", argv[1]);
        return 1;
    }
    if (scale > 0 && scale != 1.0) size = (QSizeF(size) * scale).toSize();

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        renderer.render(&painter);
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "quasar_svg2png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
