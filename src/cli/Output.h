// The table form of pagetally-cli's output (the JSON and CSV forms are in summary/Export.h).
#pragma once

#include "analysis/FileInfo.h"

#include <ostream>
#include <vector>

namespace pagetally::cli {

// The report's table: records in display order, the window's texts, then the totals line.
void writeTable(std::ostream& out, const std::vector<FileInfo>& files);

} // namespace pagetally::cli
