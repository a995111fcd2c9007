// The file-open panel: several existing files of the ten accepted types; and the folder panel.
#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace pagetally {

// Shows a panel and returns the chosen locations in the order it reports them, or nullopt when
// the person cancelled. Injectable, so that tests pick files without a modal dialog.
using FilePicker = std::function<std::optional<QList<QUrl>>(QWidget* parent)>;

// One glob per accepted extension, matching its letters in either case ("*.[pP][dD][fF]"): name
// filters compare case-sensitively on Linux, and Report.PDF must be offered.
QStringList caseInsensitivePatterns();

// The panel's name filter over those globs.
QString fileDialogNameFilter();

// Several existing files, filtered by fileDialogNameFilter().
void configureFileDialog(QFileDialog& dialog);

// The real panel: a modal QFileDialog for several existing files.
std::optional<QList<QUrl>> showFileDialog(QWidget* parent);

// Shows a panel for one folder and returns it, or nullopt when the person cancelled. Injectable
// like FilePicker.
using FolderPicker = std::function<std::optional<QUrl>(QWidget* parent)>;

// The real panel: a modal QFileDialog for one existing folder.
std::optional<QUrl> showFolderDialog(QWidget* parent);

} // namespace pagetally
