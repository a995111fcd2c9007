// Build-time tool: renders the application's SVG icon to the PNG sizes of the hicolor theme,
// with the same SVG renderer the program uses. Usage: pagetally-render-icons SVG OUT_DIR SIZE...
// Writes OUT_DIR/SIZExSIZE/apps/pagetally.png for each size.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <iostream>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::cerr << "usage: pagetally-render-icons SVG OUT_DIR SIZE...\n";
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::cerr << "pagetally-render-icons: cannot read " << argv[1] << '\n';
        return 1;
    }
    const QDir output(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size <= 0) {
            std::cerr << "pagetally-render-icons: bad size " << argv[i] << '\n';
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(image.rect()));
        painter.end();
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        if (!output.mkpath(dir) || !image.save(output.filePath(dir + QStringLiteral("/pagetally.png")))) {
            std::cerr << "pagetally-render-icons: cannot write size " << size << '\n';
            return 1;
        }
    }
    return 0;
}
