// PDFs written byte by byte, for the tests and the benchmark: exact, tiny and free of any writer.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pagetally::test {

// A PDF of these objects, numbered from 1 (the first must be the catalog), with an exact
// cross-reference table. With `tableFirst` the table and the trailer come before the objects,
// as in files saved for fast web view: cut short, such a file keeps its trailer.
inline std::string assemblePdf(const std::vector<std::string>& objects, bool tableFirst = false)
{
    const std::string header = "%PDF-1.4\n";
    const std::string trailer =
        "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\n";
    const std::string tableStart =
        "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    const std::size_t tableSize =
        tableStart.size() + 20 * objects.size() + trailer.size(); // fixed-width entries
    std::string body;
    std::vector<std::size_t> offsets;
    const std::size_t bodyStart = header.size() + (tableFirst ? tableSize : 0);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(bodyStart + body.size());
        body += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    std::string table = tableStart;
    for (const std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        table += entry;
    }
    table += trailer;
    const std::size_t tableAt = tableFirst ? header.size() : header.size() + body.size();
    const std::string end = "startxref\n" + std::to_string(tableAt) + "\n%%EOF\n";
    return tableFirst ? header + table + body + end : header + body + table + end;
}

inline std::string pdfStream(const std::string& content)
{
    return "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
}

// Pages of Letter size, each with its content stream and Helvetica as /F1; a page whose
// content is nullopt refers to a content stream that does not exist.
inline std::string makePdf(const std::vector<std::optional<std::string>>& pages, bool tableFirst = false)
{
    std::string kids;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        kids += std::to_string(4 + 2 * i) + " 0 R ";
    }
    std::vector<std::string> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 "
            "R >> >> /Contents " +
            std::to_string(pages[i] ? 5 + 2 * i : 999) + " 0 R >>");
        objects.push_back(pdfStream(pages[i].value_or("")));
    }
    return assemblePdf(objects, tableFirst);
}

// A content stream of lines of text one below the other, each drawn as one string with its spaces.
inline std::string textPage(const std::vector<std::string>& lines, int fontSize = 11)
{
    std::string content =
        "BT /F1 " + std::to_string(fontSize) + " Tf " + std::to_string(fontSize + 3) + " TL 72 740 Td\n";
    for (const std::string& line : lines) {
        content += '(';
        for (const char c : line) {
            if (c == '(' || c == ')' || c == '\\') {
                content += '\\';
            }
            content += c;
        }
        content += ") Tj T*\n";
    }
    return content + "ET\n";
}

} // namespace pagetally::test
