// The line under the totals: how many files could not be read or have a note, which files the
// last batch skipped for their name, and which folders it could not read in full.
#pragma once

#include "analysis/intake/Batch.h"
#include "analysis/intake/FileInfo.h"
#include "analysis/intake/Folders.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <vector>

namespace pagetally {

struct NotesSummary
{
    Q_DECLARE_TR_FUNCTIONS(pagetally::NotesSummary)

public:
    // Lines of the details; a large folder can have hundreds.
    static constexpr qsizetype maxLines = 20;

    // The counts, joined by " · "; empty when there is nothing to say.
    QString text;
    // One line per file or folder counted (unreadable, noted, skipped, folders), the files in
    // display order; past maxLines, one more line says how many are left out.
    QStringList lines;

    static NotesSummary of(const std::vector<FileInfo>& files,
                           const std::vector<BatchItem>& skipped,
                           const std::vector<FolderProblem>& folderProblems);
};

} // namespace pagetally
