#include "window/TrashIcon.h"

#include "window/DrawnIcon.h"

#include <algorithm>
#include <cmath>

namespace pagetally {
namespace {

double relativeLuminance(const QColor& colour)
{
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

// Deep red for light rows, then lighter ones for dark rows.
const QColor reds[] = {QColor(0xE0, 0x1B, 0x24), QColor(0xF6, 0x61, 0x51), QColor(0xFF, 0x9A, 0x8E)};

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor deleteTint(const QPalette& palette)
{
    const auto worst = [&](const QColor& red) {
        return std::min(contrastRatio(red, palette.color(QPalette::Base)),
                        contrastRatio(red, palette.color(QPalette::AlternateBase)));
    };
    for (const QColor& red : reds) {
        if (worst(red) >= 3.0) {
            return red;
        }
    }
    return *std::ranges::max_element(reds, {}, worst);
}

QIcon trashIcon(const QColor& tint)
{
    return tintedIcon(QStringLiteral(":/pagetally/trash.svg"), QStringLiteral("user-trash-symbolic"), tint);
}

} // namespace pagetally
