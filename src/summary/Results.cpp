#include "summary/Results.h"

#include "analysis/text/Unicode.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string>

namespace pagetally {
namespace {

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return sum;
}

} // namespace

std::vector<FileInfo> displayOrder(const std::vector<FileInfo>& files)
{
    std::vector<std::string> keys;
    keys.reserve(files.size());
    for (const FileInfo& f : files) {
        keys.push_back(nfcText(f.fileType));
    }
    std::vector<std::size_t> order(files.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Byte order of UTF-8 is code-point order.
    std::ranges::stable_sort(order, [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });

    std::vector<FileInfo> sorted;
    sorted.reserve(files.size());
    for (std::size_t i : order) {
        sorted.push_back(files[i]);
    }
    return sorted;
}

double totalDuration(const std::vector<FileInfo>& files)
{
    double total = 0.0;
    for (const FileInfo& f : files) {
        total += f.duration.value_or(0.0);
    }
    return total;
}

std::int64_t totalPages(const std::vector<FileInfo>& files)
{
    std::int64_t total = 0;
    for (const FileInfo& f : files) {
        total = saturatingAdd(total, f.pages.value_or(0));
    }
    return total;
}

std::int64_t totalWords(const std::vector<FileInfo>& files)
{
    std::int64_t total = 0;
    for (const FileInfo& f : files) {
        total = saturatingAdd(total, f.words);
    }
    return total;
}

void removeFile(std::vector<FileInfo>& files, std::string_view id)
{
    const auto it = std::ranges::find(files, id, &FileInfo::id);
    if (it != files.end()) {
        files.erase(it);
    }
}

} // namespace pagetally
