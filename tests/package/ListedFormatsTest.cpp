// What ships beside the programs lists exactly the formats of the table: the desktop entry's
// MimeType=, the README, the package's description, the manual page and the bash completion.
#include "analysis/intake/Formats.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using namespace pagetally;

namespace {

std::string sourceFile(const std::string& relative)
{
    std::ifstream in(std::string(PAGETALLY_SOURCE_DIR) + "/" + relative, std::ios::binary);
    EXPECT_TRUE(in) << relative;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> split(std::string_view text, char separator)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        if (end > start) {
            out.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

std::set<std::string> tableColumn(std::string_view Format::*field)
{
    std::set<std::string> out;
    for (const Format& format : formats) {
        out.emplace(format.*field);
    }
    return out;
}

// The text from the line that starts with `first` up to the first line that starts with `last`.
std::string section(const std::string& text, const std::string& first, const std::string& last)
{
    const std::size_t start = text.find("\n" + first);
    const std::size_t end = start == std::string::npos ? start : text.find("\n" + last, start + 1);
    EXPECT_NE(end, std::string::npos) << first;
    return end == std::string::npos ? std::string() : text.substr(start, end - start);
}

} // namespace

TEST(ListedFormats, TheDesktopEntryOffersEachFormatsMimeTypesOnce)
{
    std::set<std::string> expected;
    for (const Format& format : formats) {
        for (const std::string& type : split(format.mimeTypes, ' ')) {
            EXPECT_TRUE(expected.insert(type).second) << type << " belongs to two formats";
        }
    }
    const std::string line = section(sourceFile("src/app/resources/pagetally.desktop"), "MimeType=", "");
    ASSERT_TRUE(line.ends_with(';')) << line;
    const std::vector<std::string> listed = split(line.substr(line.find('=') + 1), ';');
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), expected);
    EXPECT_EQ(listed.size(), expected.size()) << "a type is listed twice";
}

TEST(ListedFormats, EveryListOfTypesOrExtensionsNamesTheTableExactly)
{
    // Each list as a pattern whose first group holds it; the README's table may share a row
    // ("MP3, MP4, WAV") among types counted alike.
    const struct
    {
        const char* file;
        const char* from; // the list lies between the lines that begin with these
        const char* to;
        const char* list;
        std::string_view Format::*column;
    } lists[] = {
        {"README.md", "", "", R"(Accepted: \*\*([A-Z0-9, ]+)\*\*)", &Format::typeName},
        {"cmake/Packaging.cmake", "", "", R"(\(([A-Z0-9]+(, [A-Z0-9]+)+)\))", &Format::typeName},
        {"README.md", "| Type ", "\n", R"(\n\| ([A-Z0-9, ]+) \|)", &Format::typeName},
        {"src/cli/share/pagetally-cli.1", "Accepted are files ending in", "in any letter case",
         R"(\.([a-z0-9]+))", &Format::extension},
        {"src/cli/share/pagetally-cli.bash", "", "", R"(grep -iE '\\\.\(([a-z0-9|]+)\)\$')",
         &Format::extension},
    };
    for (const auto& l : lists) {
        SCOPED_TRACE(std::string(l.file) + " " + l.list);
        const std::string whole = sourceFile(l.file);
        const std::string text = *l.from == '\0' ? whole : section(whole, l.from, l.to);
        std::set<std::string> named;
        const std::regex pattern(l.list);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
             ++it) {
            for (const std::string& item :
                 split(std::regex_replace((*it)[1].str(), std::regex(", |\\|"), ","), ',')) {
                named.insert(item);
            }
        }
        EXPECT_EQ(named, tableColumn(l.column));
    }
}
