// Files per second for DOCX and PPTX analysis, and where the time goes (unzip, importer).
// `bench_office --write-fixtures DIR` writes the benchmark's files for bench/compare-office.
#include "analysis/formats/DocxText.h"
#include "analysis/formats/PptxAnalysis.h"
#include "analysis/intake/FileProcessor.h"
#include "analysis/system/FileBytes.h"
#include "analysis/system/OfficeArchive.h"
#include "analysis/text/WordCount.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#include <zip.h>

namespace fs = std::filesystem;
using namespace pagetally;

namespace {

struct Part
{
    std::string name;
    std::string data;
};

void writeZip(const fs::path& path, const std::vector<Part>& parts)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        throw std::runtime_error("cannot create " + path.native());
    }
    for (const Part& part : parts) {
        zip_source_t* source = zip_source_buffer(archive, part.data.data(), part.data.size(), 0);
        if (source == nullptr || zip_file_add(archive, part.name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_discard(archive);
            throw std::runtime_error("cannot add " + part.name);
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error("cannot write " + path.native());
    }
}

// Deterministic prose with the shape of real text: 4 to 14 words per sentence.
class Prose
{
public:
    std::string sentence()
    {
        static const std::vector<std::string> words{
            "the",    "contract", "shall",     "be",         "translated", "by",     "Friday",
            "and",    "reviewed", "within",    "ten",        "days",       "of",     "delivery",
            "Müller", "café",     "reference", "well-known", "terms",      "parties"};
        std::uniform_int_distribution<int> length(4, 14);
        std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
        std::string text;
        for (int n = length(random_); n > 0; --n) {
            text += words[pick(random_)];
            text += n > 1 ? " " : ". ";
        }
        return text;
    }

private:
    std::mt19937 random_{7};
};

const char* const contentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
    R"(</Types>)";

// A word-processing document of about `pages` pages (some 240 words each) as Word writes it:
// runs with properties, now and then a table.
void writeDocx(const fs::path& path, int pages)
{
    Prose prose;
    std::string body;
    for (int page = 0; page < pages; ++page) {
        for (int paragraph = 0; paragraph < 6; ++paragraph) {
            body += R"(<w:p w14:paraId="1A2B3C4D" w:rsidR="00A1"><w:pPr><w:spacing w:after="120"/></w:pPr>)";
            for (int run = 0; run < 4; ++run) {
                body +=
                    R"(<w:r w:rsidRPr="00B2"><w:rPr><w:rFonts w:ascii="Calibri"/><w:lang w:val="en-GB"/></w:rPr>)"
                    R"(<w:t xml:space="preserve">)" +
                    prose.sentence() + "</w:t></w:r>";
            }
            body += "</w:p>";
        }
        if (page % 5 == 4) {
            body += "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid><w:gridCol "
                    "w:w=\"3000\"/>"
                    "<w:gridCol w:w=\"3000\"/><w:gridCol w:w=\"3000\"/></w:tblGrid>";
            for (int row = 0; row < 4; ++row) {
                body += "<w:tr>";
                for (int cell = 0; cell < 3; ++cell) {
                    body += "<w:tc><w:tcPr><w:tcW w:w=\"3000\"/></w:tcPr><w:p><w:r><w:t>" + prose.sentence() +
                            "</w:t></w:r></w:p></w:tc>";
                }
                body += "</w:tr>";
            }
            body += "</w:tbl>";
        }
    }
    const std::string document =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
        R"(xmlns:w14="http://schemas.microsoft.com/office/word/2010/wordml"><w:body>)" +
        body + "<w:sectPr/></w:body></w:document>";
    writeZip(
        path,
        {{"[Content_Types].xml", contentTypes},
         {"_rels/.rels",
          R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
          R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)"
          R"(</Relationships>)"},
         {"docProps/app.xml", "<Properties><Pages>" + std::to_string(pages) + "</Pages></Properties>"},
         {"word/document.xml", document}});
}

// A presentation of `slides` slides, each with a title, five bullets and notes.
void writePptx(const fs::path& path, int slides)
{
    Prose prose;
    const std::string head =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
        R"(xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"><p:cSld><p:spTree>)";
    const auto shape = [](const std::string& paragraphs) {
        return R"(<p:sp><p:nvSpPr><p:cNvPr id="2" name="Content"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr/>)"
               R"(<p:txBody><a:bodyPr/><a:lstStyle/>)" +
               paragraphs + "</p:txBody></p:sp>";
    };
    const auto paragraph = [](const std::string& text) {
        return R"(<a:p><a:r><a:rPr lang="en-GB" dirty="0"/><a:t>)" + text + "</a:t></a:r></a:p>";
    };
    std::vector<Part> parts{{"[Content_Types].xml", contentTypes},
                            {"ppt/presentation.xml", "<p:presentation xmlns:p=\"p\"/>"}};
    for (int i = 1; i <= slides; ++i) {
        std::string bullets;
        for (int b = 0; b < 5; ++b) {
            bullets += paragraph(prose.sentence());
        }
        parts.push_back({"ppt/slides/slide" + std::to_string(i) + ".xml",
                         head + shape(paragraph("Slide " + std::to_string(i))) + shape(bullets) +
                             "</p:spTree></p:cSld></p:sld>"});
        parts.push_back({"ppt/slides/_rels/slide" + std::to_string(i) + ".xml.rels", "<Relationships/>"});
        parts.push_back(
            {"ppt/notesSlides/notesSlide" + std::to_string(i) + ".xml",
             head + shape(paragraph(prose.sentence() + prose.sentence())) + "</p:spTree></p:cSld></p:sld>"});
    }
    writeZip(path, parts);
}

struct Fixture
{
    std::string name;
    int size;
    bool docx;
};

const std::vector<Fixture> fixtures{
    {"letter.docx", 1, true}, {"report.docx", 20, true},  {"book.docx", 200, true},
    {"talk.pptx", 12, false}, {"course.pptx", 60, false},
};

const fs::path& fixtureDir()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "pagetally-office-bench";
        fs::create_directories(d);
        for (const auto& f : fixtures) {
            f.docx ? writeDocx(d / f.name, f.size) : writePptx(d / f.name, f.size);
        }
        return d;
    }();
    return dir;
}

void analyseFile(benchmark::State& state, const std::string& name)
{
    const fs::path file = fixtureDir() / name;
    std::ostringstream diagnostics;
    std::int64_t words = 0;
    for (auto _ : state) {
        const FileInfo info = FileProcessor::processFile(file, name, "", diagnostics);
        words = info.words;
        benchmark::DoNotOptimize(words);
    }
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["words"] = static_cast<double>(words);
    if (!diagnostics.str().empty()) {
        state.SkipWithError(diagnostics.str().c_str());
    }
}

// The unzip process alone: the fixed cost every office file pays.
void extractOnly(benchmark::State& state, const std::string& name)
{
    const fs::path file = fixtureDir() / name;
    for (auto _ : state) {
        const ExtractionDirectory extracted = extractOfficeArchive(file);
        benchmark::DoNotOptimize(extracted.path());
    }
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The in-memory importer alone, on bytes already read.
void importOnly(benchmark::State& state, const std::string& name)
{
    const auto bytes = FileBytes::read(fixtureDir() / name);
    for (auto _ : state) {
        const auto text = importDocxText(bytes->view());
        benchmark::DoNotOptimize(countWords(*text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes->size()));
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--write-fixtures") {
        const fs::path dir = argv[2];
        fs::create_directories(dir);
        for (const auto& f : fixtures) {
            f.docx ? writeDocx(dir / f.name, f.size) : writePptx(dir / f.name, f.size);
            std::cout << (dir / f.name).native() << '\n';
        }
        return 0;
    }
    for (const auto& f : fixtures) {
        benchmark::RegisterBenchmark(("Analyse/" + f.name).c_str(), analyseFile, f.name)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("UnzipOnly/report.docx", extractOnly, std::string("report.docx"))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("UnzipOnly/course.pptx", extractOnly, std::string("course.pptx"))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (const char* name : {"letter.docx", "report.docx", "book.docx"}) {
        benchmark::RegisterBenchmark((std::string("ImportOnly/") + name).c_str(), importOnly,
                                     std::string(name))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
