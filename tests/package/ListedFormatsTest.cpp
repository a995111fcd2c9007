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

TEST(ListedFormats, TheReadmesTableHasARowForEachType)
{
    // Rows may share a line ("MP3, MP4, WAV") when they are counted alike.
    const std::string readme = sourceFile("README.md");
    const std::string table = section(readme.substr(readme.find("\n## What is counted")), "| Type ", "\n");
    std::set<std::string> types;
    for (const std::string& line : split(table, '\n')) {
        if (line.starts_with("| ") && !line.starts_with("| Type ")) {
            const std::string cell = line.substr(2, line.find(" |") - 2);
            for (const std::string& type : split(std::regex_replace(cell, std::regex(", "), ","), ',')) {
                types.insert(type);
            }
        }
    }
    EXPECT_EQ(types, tableColumn(&Format::typeName));
}

TEST(ListedFormats, TheReadmeAndThePackageDescriptionNameEachTypeInTheirSummary)
{
    for (const auto& [file, summary] : {std::pair{"README.md", R"(Accepted: \*\*([A-Z0-9, ]+)\*\*)"},
                                        {"cmake/Packaging.cmake", R"(\(([A-Z0-9]+(, [A-Z0-9]+)+)\))"}}) {
        SCOPED_TRACE(file);
        const std::string text = sourceFile(file);
        std::smatch list;
        ASSERT_TRUE(std::regex_search(text, list, std::regex(summary)));
        const std::vector<std::string> types =
            split(std::regex_replace(list[1].str(), std::regex(", "), ","), ',');
        EXPECT_EQ(std::set<std::string>(types.begin(), types.end()), tableColumn(&Format::typeName));
        EXPECT_EQ(types.size(), formats.size());
    }
}

TEST(ListedFormats, TheManualPageAndTheCompletionNameEachExtension)
{
    const std::string manual = section(sourceFile("src/cli/share/pagetally-cli.1"),
                                       "Accepted are files ending in", "in any letter case");
    std::set<std::string> inManual;
    const std::regex dotted(R"(\.([a-z0-9]+))");
    for (auto it = std::sregex_iterator(manual.begin(), manual.end(), dotted); it != std::sregex_iterator();
         ++it) {
        inManual.insert((*it)[1]);
    }
    EXPECT_EQ(inManual, tableColumn(&Format::extension));

    std::smatch alternatives;
    const std::string completion = sourceFile("src/cli/share/pagetally-cli.bash");
    ASSERT_TRUE(
        std::regex_search(completion, alternatives, std::regex(R"(grep -iE '\\\.\(([a-z0-9|]+)\)\$')")));
    const std::vector<std::string> inCompletion = split(alternatives[1].str(), '|');
    EXPECT_EQ(std::set<std::string>(inCompletion.begin(), inCompletion.end()),
              tableColumn(&Format::extension));
}
