// What the window's parts share of their look: the toolkit's default padding and spacing, and
// plain-text labels.
#pragma once

#include <QLabel>
#include <QString>

namespace pagetally {

// The toolkit's default padding and stack spacing, in points.
inline constexpr int defaultPadding = 12;
inline constexpr int defaultSpacing = 8;

inline QLabel* makeLabel(const QString& text, const QString& objectName)
{
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A role rather than a colour, so that the text follows a change of theme.
inline void useSecondaryColour(QLabel* label)
{
    label->setForegroundRole(QPalette::PlaceholderText);
}

} // namespace pagetally
