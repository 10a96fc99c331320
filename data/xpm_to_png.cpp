// Build-time helper: converts an XPM icon into a PNG of the given size for
// the icon theme. Enlarging keeps hard pixel edges, as the icons are pixel art.
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: xpm_to_png IN.xpm OUT.png SIZE\n");
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]), "XPM");
    const int size = std::atoi(argv[3]);
    if (source.isNull() || size <= 0) {
        std::fprintf(stderr, "xpm_to_png: cannot read %s\n", argv[1]);
        return 1;
    }
    const QImage png = source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                           .convertToFormat(QImage::Format_ARGB32);
    if (!png.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "xpm_to_png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
