// "Export Results": the list as the command line's CSV or JSON, in a file the person chooses.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace pagetally {

enum class ExportFormat { Csv, Json };

struct ExportTarget
{
    QString path;
    ExportFormat format = ExportFormat::Csv;
};

// Shows a save panel that starts at `suggestedPath` and returns the chosen file and format, or
// nullopt when the person cancelled. Injectable, so that tests export without a modal dialog.
using ExportPicker =
    std::function<std::optional<ExportTarget>(QWidget* parent, const QString& suggestedPath)>;

// The real panel: CSV or JSON, the format following the chosen name's extension, else the filter.
std::optional<ExportTarget> showExportDialog(QWidget* parent, const QString& suggestedPath);

// "Pagetally Results.csv" in the folder of the last export of this run (at first the home folder).
QString suggestedExportPath();

// Exactly the bytes that pagetally-cli writes with --csv or --json.
std::string exportBytes(const std::vector<FileInfo>& files, ExportFormat format);

// Writes to a temporary file beside `path`, then renames it over `path`, so that a failure leaves
// an existing file as it was. Returns why it failed, or nullopt.
std::optional<QString>
writeExport(const QString& path, const std::vector<FileInfo>& files, ExportFormat format);

// The whole action: the panel, the file, and a message box over `parent` when it cannot be written.
void exportToChosenFile(const std::vector<FileInfo>& files,
                        QWidget* parent = nullptr,
                        const ExportPicker& pick = showExportDialog);

} // namespace pagetally
