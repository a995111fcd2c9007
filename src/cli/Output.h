// The three output forms of pagetally-cli.
#pragma once

#include "analysis/FileInfo.h"

#include <ostream>
#include <vector>

namespace pagetally::cli {

// The report's table: records in display order, the window's texts, then the totals line.
void writeTable(std::ostream& out, const std::vector<FileInfo>& files);

// {"files":[...],"totals":{...}}, records in order of addition. Names that are not UTF-8 show
// U+FFFD for each byte that is not, so the document itself always is.
void writeJson(std::ostream& out, const std::vector<FileInfo>& files);

// RFC 4180, records in order of addition, empty fields for absent values.
void writeCsv(std::ostream& out, const std::vector<FileInfo>& files);

} // namespace pagetally::cli
