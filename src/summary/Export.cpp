#include "summary/Export.h"

#include "analysis/text/Unicode.h"
#include "summary/Results.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace pagetally {
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

void writeJsonString(std::ostream& out, std::string_view text)
{
    out << '"';
    forEachCodePoint(text, [&](std::int32_t cp, std::string_view bytes) {
        if (cp < 0) {
            out << "\xEF\xBF\xBD";
        } else if (cp == '"' || cp == '\\') {
            out << '\\' << static_cast<char>(cp);
        } else if (cp < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out << "\\u00" << hex[cp >> 4] << hex[cp & 0xF];
        } else {
            out << bytes;
        }
    });
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
        out << ",\"words\":" << f.words << ",\"note\":";
        if (f.note) {
            writeJsonString(out, englishText(*f.note));
        } else {
            out << "null";
        }
        out << '}';
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

} // namespace pagetally
