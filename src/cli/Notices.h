// What pagetally-cli says on standard error about the files of a batch.
#pragma once

#include "analysis/intake/Batch.h"
#include "cli/Paths.h"

#include <ostream>
#include <vector>

namespace pagetally::cli {

// In the order of the batch, a line for each record's note and for each item of `skipped` (left
// out because a file of its name is already listed), naming the file as the user gave it.
// Returns false when some file could not be read at all.
bool writeNotices(std::ostream& out,
                  const std::vector<BatchItem>& items,
                  const std::vector<BatchItem>& skipped,
                  const Locations& locations);

} // namespace pagetally::cli
