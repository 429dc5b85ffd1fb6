// SPDX-License-Identifier: GPL-2.0-or-later
// Renders the program's SVG icon as square PNG files for the icon theme's fixed sizes.
//   talvern-icon-render ICON.svg SIZE OUTPUT.png

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    const QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool isNumber = false;
    const int size = arguments.value(2).toInt(&isNumber);
    if (arguments.size() != 4 || !isNumber || size <= 0) {
        std::fprintf(stderr, "usage: talvern-icon-render ICON.svg SIZE OUTPUT.png\n");
        return 2;
    }
    QSvgRenderer renderer(arguments[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    if (!image.save(arguments[3])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[3]));
        return 1;
    }
    return 0;
}
