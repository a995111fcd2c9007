// A record's note in the reader's language; the command line says it in English (Note.h).
#pragma once

#include "analysis/intake/Note.h"

#include <QCoreApplication>
#include <QString>

namespace pagetally {

struct NoteText
{
    Q_DECLARE_TR_FUNCTIONS(pagetally::NoteText)

public:
    static QString of(const Note& note);
    static QString of(const NoteClause& clause);
};

} // namespace pagetally
