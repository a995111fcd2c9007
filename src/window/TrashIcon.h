// The glyph of a row's delete button.
#pragma once

#include <QColor>
#include <QIcon>

namespace pagetally {

// The red of the delete glyph.
inline const QColor deleteTint{0xE0, 0x1B, 0x24};

// The icon theme's trash icon, or the bundled one where the theme has none, as a silhouette
// in `tint` (themes draw trash cans in their own colours).
QIcon trashIcon(const QColor& tint = deleteTint);

} // namespace pagetally
