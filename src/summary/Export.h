// The machine-readable forms of a list, shared by the command line and the window's export.
#pragma once

#include "analysis/intake/FileInfo.h"

#include <ostream>
#include <vector>

namespace pagetally {

// {"files":[...],"totals":{...}}, records in order of addition, each with its note or null.
// Names that are not UTF-8 show U+FFFD for each byte that is not, so the document itself always is.
void writeJson(std::ostream& out, const std::vector<FileInfo>& files);

// RFC 4180, records in order of addition, empty fields for absent values.
void writeCsv(std::ostream& out, const std::vector<FileInfo>& files);

} // namespace pagetally
