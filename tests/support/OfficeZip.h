// Office containers and the fixture of the office tests.
#pragma once

#include "analysis/intake/FileInfo.h"
#include "analysis/system/OfficeArchive.h"
#include "support/TempDir.h"
#include "support/Zip.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace pagetally::test {

inline std::string wordDocument(const std::string& body)
{
    return R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
           R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" )"
           R"(xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape" )"
           R"(xmlns:v="urn:schemas-microsoft-com:vml" mc:Ignorable="wps"><w:body>)" +
           body + "<w:sectPr/></w:body></w:document>";
}

inline std::string appProperties(const std::string& pages)
{
    return R"(<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties">)"
           "<TotalTime>3</TotalTime><Pages>" +
           pages + "</Pages><Words>9</Words></Properties>";
}

// A relationships part: each type (the last part of its URI) with its target.
inline std::string rels(const std::vector<std::pair<std::string, std::string>>& typeAndTarget)
{
    std::string xml =
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    int id = 1;
    for (const auto& [type, target] : typeAndTarget) {
        xml += "<Relationship Id=\"rId" + std::to_string(id++) +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + type +
               "\" Target=\"" + target + "\"/>";
    }
    return xml + "</Relationships>";
}

// The package relationships, properties and main part (in that order) of a DOCX whose body is
// `body` and whose stored page count reads `pages`.
inline std::vector<ZipEntry> docxEntries(const std::string& body, const std::string& pages = "1")
{
    return {{"_rels/.rels",
             rels({{"officeDocument", "word/document.xml"}, {"extended-properties", "docProps/app.xml"}}),
             {}},
            {"docProps/app.xml", appProperties(pages), {}},
            {"word/document.xml", wordDocument(body), {}}};
}

// A paragraph of one run.
inline std::string paragraph(const std::string& text)
{
    return "<w:p><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
}

inline std::string slideXml(const std::string& text)
{
    return R"(<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
           R"(xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"><p:cSld><p:spTree>)"
           R"(<p:sp><p:txBody><a:p><a:r><a:t>)" +
           text + "</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>";
}

inline ZipEntry slide(int number, const std::string& text)
{
    return {"ppt/slides/slide" + std::to_string(number) + ".xml", slideXml(text), {}};
}

inline ZipEntry notes(int number, const std::string& text)
{
    return {"ppt/notesSlides/notesSlide" + std::to_string(number) + ".xml", slideXml(text), {}};
}

// An analyser of DOCX or PPTX files with the unzip program as a parameter.
using OfficeAnalyser = FileInfo (*)(const std::filesystem::path&,
                                    const std::string&,
                                    const std::string&,
                                    std::ostream&,
                                    const std::filesystem::path&);

// Points TMPDIR at an empty directory of the test's own, so that the extraction directories of
// this test, and only they, land there; after every test none may be left.
class OfficeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(tmp);
        std::filesystem::create_directory(in);
        if (const char* old = std::getenv("TMPDIR")) {
            oldTmpdir_ = old;
        }
        ::setenv("TMPDIR", tmp.c_str(), 1);
    }
    void TearDown() override
    {
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
        oldTmpdir_ ? ::setenv("TMPDIR", oldTmpdir_->c_str(), 1) : ::unsetenv("TMPDIR");
    }

    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(tmp)) {
            names.push_back(entry.path().filename().native());
        }
        return names;
    }

    // A container of these entries in the input folder.
    std::filesystem::path zipFile(const std::string& name, const std::vector<ZipEntry>& entries) const
    {
        writeZip(in / name, entries);
        return in / name;
    }

    // Each file with its reason gives no pages, no words, exactly its one error line, and leaves
    // nothing behind.
    void expectFailures(OfficeAnalyser analyse,
                        const std::string& type,
                        const std::vector<std::pair<std::filesystem::path, std::string>>& cases)
    {
        for (const auto& [location, reason] : cases) {
            SCOPED_TRACE(location);
            std::ostringstream diagnostics;
            const FileInfo info = analyse(location, "name", type, diagnostics, defaultUnzipProgram);
            EXPECT_EQ(info.pages, std::nullopt);
            EXPECT_EQ(info.words, 0);
            EXPECT_EQ(diagnostics.str(), "Error processing " + type + " file: " + reason + "\n");
            EXPECT_EQ(leftovers(), std::vector<std::string>{});
        }
    }

    TempDir scratch;
    std::filesystem::path tmp = scratch.path() / "tmp";
    std::filesystem::path in = scratch.path() / "in";

private:
    std::optional<std::string> oldTmpdir_;
};

} // namespace pagetally::test
