#include "window/ExportResults.h"

#include "summary/Export.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

#include <sstream>

namespace pagetally {
namespace {

// Remembered for the rest of the run, by every window.
QString& lastExportFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

QString csvFilter()
{
    return QCoreApplication::translate("pagetally::ExportResults", "CSV spreadsheet") +
           QStringLiteral(" (*.csv)");
}

QString jsonFilter()
{
    return QCoreApplication::translate("pagetally::ExportResults", "JSON document") +
           QStringLiteral(" (*.json)");
}

} // namespace

QString suggestedExportPath()
{
    return QDir(lastExportFolder())
        .filePath(QCoreApplication::translate("pagetally::ExportResults", "Pagetally Results") +
                  QStringLiteral(".csv"));
}

std::optional<ExportTarget> showExportDialog(QWidget* parent, const QString& suggestedPath)
{
    QFileDialog dialog(parent, QCoreApplication::translate("pagetally::ExportResults", "Export Results"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({csvFilter(), jsonFilter()});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggestedPath);
    // The name follows the chosen format, as long as it ends in the other one's extension.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const bool json = filter == jsonFilter();
        const QString suffix = json ? QStringLiteral("json") : QStringLiteral("csv");
        dialog.setDefaultSuffix(suffix);
        const QStringList chosen = dialog.selectedFiles();
        if (!chosen.isEmpty()) {
            const QFileInfo file(chosen.first());
            const QString other = json ? QStringLiteral("csv") : QStringLiteral("json");
            if (file.suffix().compare(other, Qt::CaseInsensitive) == 0) {
                dialog.selectFile(file.completeBaseName() + u'.' + suffix);
            }
        }
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    ExportTarget target{dialog.selectedFiles().first(),
                        dialog.selectedNameFilter() == jsonFilter() ? ExportFormat::Json : ExportFormat::Csv};
    const QString suffix = QFileInfo(target.path).suffix();
    if (suffix.compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0) {
        target.format = ExportFormat::Json;
    } else if (suffix.compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0) {
        target.format = ExportFormat::Csv;
    }
    return target;
}

std::string exportBytes(const std::vector<FileInfo>& files, ExportFormat format)
{
    std::ostringstream out;
    if (format == ExportFormat::Json) {
        writeJson(out, files);
    } else {
        writeCsv(out, files);
    }
    return std::move(out).str();
}

std::optional<QString>
writeExport(const QString& path, const std::vector<FileInfo>& files, ExportFormat format)
{
    const std::string bytes = exportBytes(files, format);
    QSaveFile file(path);
    // Never the unsafe way of writing over the file in place.
    file.setDirectWriteFallback(false);
    // Unbuffered and in a loop: a short write (a full disk) must fail here, since commit() renames
    // the file even when its own final flush could not write everything.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return file.errorString();
    }
    for (std::size_t written = 0; written < bytes.size();) {
        const qint64 n = file.write(bytes.data() + written, static_cast<qint64>(bytes.size() - written));
        if (n <= 0) {
            return file.errorString();
        }
        written += static_cast<std::size_t>(n);
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

void exportToChosenFile(const std::vector<FileInfo>& files, QWidget* parent, const ExportPicker& pick)
{
    const std::optional<ExportTarget> target = pick(parent, suggestedExportPath());
    if (!target) {
        return;
    }
    lastExportFolder() = QFileInfo(target->path).absolutePath();
    if (const auto failure = writeExport(target->path, files, target->format)) {
        QMessageBox box(
            QMessageBox::Warning, QCoreApplication::translate("pagetally::ExportResults", "Export Results"),
            QCoreApplication::translate("pagetally::ExportResults", "The results could not be saved as “%1”.")
                .arg(QDir::toNativeSeparators(target->path)),
            QMessageBox::Ok, parent);
        box.setInformativeText(*failure);
        box.exec();
    }
}

} // namespace pagetally
