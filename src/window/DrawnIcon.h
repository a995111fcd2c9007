// Icons drawn afresh for every size and device pixel ratio they are shown at, so that they stay
// sharp at any scaling instead of being a small bitmap stretched.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <optional>

namespace pagetally {

// The SVG file (a resource path such as ":/pagetally/pagetally.svg") as an icon.
QIcon svgIcon(const QString& file);

// The SVG file, or the icon theme's `themeName` where the theme has one, as a silhouette in
// `tint`: every drawn pixel takes that colour, keeping its coverage.
QIcon tintedIcon(const QString& file, const QString& themeName, const QColor& tint);

} // namespace pagetally
