#include "cli/Notices.h"

namespace pagetally::cli {

bool writeNotices(std::ostream& out,
                  const std::vector<BatchItem>& items,
                  const std::vector<BatchItem>& skipped,
                  const Locations& locations)
{
    bool allRead = true;
    // Both the items and the skipped ones are subsequences of the locations, in order: a location
    // given twice is accepted or not both times, so the first match is the right one.
    std::size_t next = 0;
    auto skippedItem = skipped.begin();
    for (const BatchItem& item : items) {
        while (next < locations.absolute.size() &&
               locations.absolute[next].native() != item.location.native()) {
            ++next;
        }
        const std::string& path =
            next < locations.given.size() ? locations.given[next++] : item.location.native();
        if (item.record.note) {
            out << "pagetally-cli: " << path << ": " << englishText(*item.record.note) << '\n';
        }
        if (skippedItem != skipped.end() && skippedItem->record.id == item.record.id) {
            out << "pagetally-cli: " << path << ": skipped, a file named " << item.record.fileName
                << " is already listed\n";
            ++skippedItem;
        }
        allRead = allRead && !item.record.unreadable;
    }
    return allRead;
}

} // namespace pagetally::cli
