#include "cli/Output.h"

#include "window/summary/Formatting.h"
#include "window/summary/Results.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <utf8proc.h>

namespace pagetally::cli {
namespace {

// The shortest text that reads back as the same double; "null" for what JSON cannot hold.
std::string shortestDouble(double value)
{
    if (!std::isfinite(value)) {
        return "null";
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// Columns on a terminal: wide East Asian letters take two, combining marks none.
std::size_t displayWidth(std::string_view text)
{
    std::size_t width = 0;
    const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t cp = 0;
        const auto n = utf8proc_iterate(p, left, &cp);
        if (n <= 0) {
            ++width;
            ++p;
            --left;
            continue;
        }
        width += static_cast<std::size_t>(std::max(0, utf8proc_charwidth(cp)));
        p += n;
        left -= n;
    }
    return width;
}

void writeJsonString(std::ostream& out, std::string_view text)
{
    out << '"';
    const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t cp = 0;
        const auto n = utf8proc_iterate(p, left, &cp);
        if (n <= 0) {
            out << "\xEF\xBF\xBD";
            ++p;
            --left;
            continue;
        }
        if (cp == '"' || cp == '\\') {
            out << '\\' << static_cast<char>(cp);
        } else if (cp < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out << "\\u00" << hex[cp >> 4] << hex[cp & 0xF];
        } else {
            out.write(reinterpret_cast<const char*>(p), n);
        }
        p += n;
        left -= n;
    }
    out << '"';
}

void writeCsvField(std::ostream& out, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out << text;
        return;
    }
    out << '"';
    for (char c : text) {
        if (c == '"') {
            out << '"';
        }
        out << c;
    }
    out << '"';
}

} // namespace

void writeTable(std::ostream& out, const std::vector<FileInfo>& files)
{
    const std::array<std::string, 5> headers{"File Name", "File Type", "Duration", "Pages", "Words"};
    std::vector<std::array<std::string, 5>> rows;
    for (const FileInfo& f : displayOrder(files)) {
        rows.push_back({f.fileName, f.fileType,
                        f.duration ? formatDuration(*f.duration) : std::string(absentValueText),
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
    out << "Total:  Duration: " << formatDuration(totalDuration(files)) << "  Pages: " << formatCount(totalPages(files))
        << "  Words: " << formatCount(totalWords(files)) << '\n';
}

void writeJson(std::ostream& out, const std::vector<FileInfo>& files)
{
    out << "{\"files\":[";
    for (std::size_t i = 0; i < files.size(); ++i) {
        const FileInfo& f = files[i];
        out << (i ? "," : "") << "\n{\"fileName\":";
        writeJsonString(out, f.fileName);
        out << ",\"fileType\":";
        writeJsonString(out, f.fileType);
        out << ",\"duration\":" << (f.duration ? shortestDouble(*f.duration) : "null");
        out << ",\"pages\":" << (f.pages ? std::to_string(*f.pages) : "null");
        out << ",\"words\":" << f.words << '}';
    }
    out << "],\n\"totals\":{\"duration\":" << shortestDouble(totalDuration(files))
        << ",\"pages\":" << totalPages(files) << ",\"words\":" << totalWords(files) << "}}\n";
}

void writeCsv(std::ostream& out, const std::vector<FileInfo>& files)
{
    out << "File Name,File Type,Duration (minutes),Pages,Words\r\n";
    for (const FileInfo& f : files) {
        writeCsvField(out, f.fileName);
        out << ',';
        writeCsvField(out, f.fileType);
        out << ',' << (f.duration ? shortestDouble(*f.duration) : "") << ',';
        out << (f.pages ? std::to_string(*f.pages) : "") << ',' << f.words << "\r\n";
    }
}

} // namespace pagetally::cli
