#include "window/DrawnIcon.h"

#include <QIconEngine>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace pagetally {
namespace {

class DrawnIconEngine final : public QIconEngine
{
public:
    DrawnIconEngine(QString file, QString themeName, std::optional<QColor> tint)
        : file_(std::move(file)), themeName_(std::move(themeName)), tint_(std::move(tint))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
        const QSize pixels(qRound(rect.width() * ratio), qRound(rect.height() * ratio));
        QImage image = draw(pixels, mode);
        image.setDevicePixelRatio(ratio);
        painter->drawImage(rect, image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        return QPixmap::fromImage(draw(size, mode));
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override
    {
        // `size` is already in device pixels.
        return pixmap(size, mode, state);
    }

    // Window systems that want bitmaps of fixed sizes pick from these.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    }

    QIconEngine* clone() const override { return new DrawnIconEngine(file_, themeName_, tint_); }
    QString key() const override { return QStringLiteral("pagetally-drawn"); }

private:
    QImage draw(const QSize& size, QIcon::Mode mode) const
    {
        QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QIcon themed = themeName_.isEmpty() ? QIcon() : QIcon::fromTheme(themeName_);
        // A theme's bitmap is only taken at its own size; a smaller one would be stretched.
        const QPixmap fromTheme = themed.isNull() ? QPixmap() : themed.pixmap(image.size(), 1.0);
        if (fromTheme.size() == image.size()) {
            painter.drawPixmap(0, 0, fromTheme);
        } else {
            QSvgRenderer renderer(file_);
            renderer.render(&painter, QRectF(image.rect()));
        }
        if (tint_) {
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(image.rect(), *tint_);
        }
        if (mode == QIcon::Disabled) {
            painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            painter.fillRect(image.rect(), QColor(0, 0, 0, 110));
        }
        painter.end();
        return image;
    }

    QString file_;
    QString themeName_;
    std::optional<QColor> tint_;
};

} // namespace

QIcon svgIcon(const QString& file)
{
    return QIcon(new DrawnIconEngine(file, QString(), std::nullopt));
}

QIcon tintedIcon(const QString& file, const QString& themeName, const QColor& tint)
{
    return QIcon(new DrawnIconEngine(file, themeName, tint));
}

} // namespace pagetally
