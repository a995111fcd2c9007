#include "window/NotesSummary.h"

#include "summary/Results.h"
#include "window/Locations.h"
#include "window/NoteText.h"

namespace pagetally {
namespace {

int count(const QStringList& list)
{
    return static_cast<int>(list.size());
}

} // namespace

NotesSummary NotesSummary::of(const std::vector<FileInfo>& files,
                              const std::vector<BatchItem>& skipped,
                              const std::vector<FolderProblem>& folderProblems)
{
    QStringList unreadable;
    QStringList noted;
    for (const FileInfo& f : displayOrder(files)) {
        if (f.note) {
            //: A file's name and why its values are not plain measurements.
            (f.unreadable ? unreadable : noted)
                << tr("%1: %2").arg(QString::fromStdString(f.fileName), NoteText::of(*f.note));
        }
    }
    QStringList sameName;
    for (const BatchItem& item : skipped) {
        sameName << tr("%1 in %2: a file of that name is already listed")
                        .arg(QString::fromStdString(item.record.fileName),
                             displayPath(item.location.parent_path()));
    }
    QStringList folders;
    for (const FolderProblem& problem : folderProblems) {
        folders << tr("%1: %2").arg(displayPath(problem.folder), QString::fromStdString(problem.reason));
    }
    // English has no catalogue of its own, so its singulars are spelled out; a translation
    // takes every form from the %n text.
    QStringList parts;
    if (!unreadable.isEmpty()) {
        parts << (count(unreadable) == 1 ? tr("1 file could not be read")
                                         : tr("%n files could not be read", nullptr, count(unreadable)));
    }
    if (!noted.isEmpty()) {
        parts << (count(noted) == 1 ? tr("1 file has a note")
                                    : tr("%n files have a note", nullptr, count(noted)));
    }
    if (!sameName.isEmpty()) {
        parts << (count(sameName) == 1 ? tr("1 file skipped: a file of that name is already listed")
                                       : tr("%n files skipped: a file of that name is already listed",
                                            nullptr, count(sameName)));
    }
    if (!folders.isEmpty()) {
        parts << (count(folders) == 1 ? tr("1 folder could not be read")
                                      : tr("%n folders could not be read", nullptr, count(folders)));
    }
    QStringList lines = unreadable + noted + sameName + folders;
    if (lines.size() > maxLines) {
        const int more = static_cast<int>(lines.size() - maxLines);
        lines.resize(maxLines);
        lines << tr("… and %n more", nullptr, more);
    }
    return {parts.join(QStringLiteral(" · ")), lines};
}

} // namespace pagetally
