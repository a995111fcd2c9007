#include "window/FilePicker.h"

#include "analysis/intake/Formats.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace pagetally {

QStringList caseInsensitivePatterns()
{
    QStringList patterns;
    for (std::string_view ext : supportedExtensions) {
        QString pattern = QStringLiteral("*.");
        for (char c : ext) {
            const QChar letter = QLatin1Char(c);
            if (letter.isLetter()) {
                pattern += u'[' + letter.toLower() + letter.toUpper() + u']';
            } else {
                pattern += letter;
            }
        }
        patterns << pattern;
    }
    return patterns;
}

QString fileDialogNameFilter()
{
    return QCoreApplication::translate("pagetally::FilePicker", "Documents and recordings") +
           QStringLiteral(" (") + caseInsensitivePatterns().join(u' ') + u')';
}

void configureFileDialog(QFileDialog& dialog)
{
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(fileDialogNameFilter());
    // The globs are for matching, not for reading.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
}

std::optional<QList<QUrl>> showFileDialog(QWidget* parent)
{
    QFileDialog dialog(
        parent, QCoreApplication::translate("pagetally::FilePicker", "Select Files", "file panel title"));
    configureFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedUrls();
}

std::optional<QUrl> showFolderDialog(QWidget* parent)
{
    QFileDialog dialog(
        parent, QCoreApplication::translate("pagetally::FilePicker", "Add Folder", "folder panel title"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedUrls().first();
}

} // namespace pagetally
