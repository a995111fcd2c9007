#include "window/TrashIcon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace pagetally {

QIcon trashIcon(const QColor& tint)
{
    const QIcon themed = QIcon::fromTheme(QStringLiteral("user-trash-symbolic"));
    QSvgRenderer bundled(QStringLiteral(":/pagetally/trash.svg"));
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        if (!themed.isNull()) {
            themed.paint(&painter, image.rect());
        } else {
            bundled.render(&painter, QRectF(image.rect()));
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), tint);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace pagetally
