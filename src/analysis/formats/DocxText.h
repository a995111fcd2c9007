// The plain text of a word-processing (DOCX) document, read from its bytes in memory.
#pragma once

#include "analysis/intake/Note.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pagetally {

// The text a reader of the document sees: the body with its tables and text boxes (each text
// box once), then the footnotes and the endnotes. Every paragraph, table cell and text box ends
// in a line break; tabs and breaks become whitespace. Tracked deletions, field instructions,
// headers, footers and comments are left out.
// nullopt ("cannot read") when the bytes are no ZIP container, the package names no main
// document part, or that part is missing or is not a well-formed word-processing document.
std::optional<std::string> importDocxText(std::string_view bytes);

struct DocxText
{
    std::string text;
    // The parts listed in the container that the text lacks, each as a note: "footnotes not
    // read: word/footnotes.xml could not be decompressed".
    std::vector<Note> unread;
};

// importDocxText, telling also which of the parts that count could not be read.
std::optional<DocxText> readDocxText(std::string_view bytes);

} // namespace pagetally
