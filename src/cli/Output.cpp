#include "cli/Output.h"

#include "analysis/text/Unicode.h"
#include "summary/Formatting.h"
#include "summary/Results.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <string>
#include <unistd.h>
#include <utf8proc.h>

namespace pagetally::cli {
namespace {

// Columns on a terminal: wide East Asian letters take two, combining marks none.
std::size_t displayWidth(std::string_view text)
{
    std::size_t width = 0;
    forEachCodePoint(text, [&](std::int32_t cp, std::string_view) {
        width += cp < 0 ? 1 : static_cast<std::size_t>(std::max(0, utf8proc_charwidth(cp)));
    });
    return width;
}

} // namespace

void writeTable(std::ostream& out, const std::vector<FileInfo>& files)
{
    const std::array<std::string, 5> headers{"File Name", "File Type", "Duration", "Pages", "Words"};
    std::vector<std::array<std::string, 5>> rows;
    for (const FileInfo& f : displayOrder(files)) {
        rows.push_back(
            {f.fileName, f.fileType, f.duration ? formatDuration(*f.duration) : std::string(absentValueText),
             f.pages ? formatCount(*f.pages) : std::string(absentValueText), formatCount(f.words)});
    }
    std::array<std::size_t, 5> widths{};
    for (std::size_t c = 0; c < widths.size(); ++c) {
        widths[c] = displayWidth(headers[c]);
        for (const auto& row : rows) {
            widths[c] = std::max(widths[c], displayWidth(row[c]));
        }
    }
    auto writeRow = [&](const std::array<std::string, 5>& cells) {
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::size_t pad = widths[c] - displayWidth(cells[c]);
            if (c < 2) { // text columns align left, numbers right
                out << cells[c];
                if (c + 1 < cells.size()) {
                    out << std::string(pad + 2, ' ');
                }
            } else {
                out << std::string(pad, ' ') << cells[c];
                if (c + 1 < cells.size()) {
                    out << "  ";
                }
            }
        }
        out << '\n';
    };
    writeRow(headers);
    for (const auto& row : rows) {
        writeRow(row);
    }
    out << "Total:  Duration: " << formatDuration(totalDuration(files))
        << "  Pages: " << formatCount(totalPages(files)) << "  Words: " << formatCount(totalWords(files))
        << '\n';
}

DescriptorBuffer::DescriptorBuffer(int fd) : fd_(fd)
{
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c)
{
    if (!drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorBuffer::sync()
{
    return drain() ? 0 : -1;
}

bool DescriptorBuffer::drain()
{
    const char* p = pbase();
    while (error_ == 0 && p < pptr()) {
        const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
        if (n > 0) {
            p += n;
        } else if (n == 0 || errno != EINTR) {
            error_ = n == 0 ? EIO : errno;
        }
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return error_ == 0;
}

} // namespace pagetally::cli
