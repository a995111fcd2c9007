// The glyph of a row's delete button.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>

namespace pagetally {

// The WCAG contrast ratio of two colours, from 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// The red of the delete glyph on the table of `palette`: a deep red on light rows, a lighter one
// on dark rows, so that the glyph reads (at least 3:1) on either.
QColor deleteTint(const QPalette& palette);

// The icon theme's trash icon, or the bundled one where the theme has none, as a silhouette
// in `tint` (themes draw trash cans in their own colours).
QIcon trashIcon(const QColor& tint);

} // namespace pagetally
