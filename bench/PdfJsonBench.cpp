// Pages per second of PDF analysis and megabytes per second of JSON analysis, on generated
// files written once to a scratch directory, and on the typeset PDF fixtures of the tests.
// With --write-fixtures DIR it only writes book.pdf, big.json and big-utf16.json to DIR (for
// bench/compare-pdf-json) and exits.
#include "analysis/formats/JsonAnalysis.h"
#include "analysis/intake/FileProcessor.h"
#include "support/HandMadePdf.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace pagetally;

namespace {

constexpr int bookPages = 300;
constexpr std::size_t jsonSize = 100'000'000;

const char* const vocabulary[] = {"the",     "contract",   "shall",    "be",   "translated",  "by",
                                  "Friday,", "and",        "reviewed", "-",    "well-known",  "terms",
                                  "of",      "reference.", "within",   "days", "interpreter", "glossary",
                                  "invoice", "Müller",     "café",     "naïve"};
constexpr std::size_t vocabularySize = sizeof vocabulary / sizeof vocabulary[0];

// A book-like PDF: every page 46 lines of about eleven words, one text string per line, Helvetica.
std::string makeBook()
{
    std::mt19937 rng(7);
    std::vector<std::optional<std::string>> pages;
    for (int p = 0; p < bookPages; ++p) {
        std::vector<std::string> lines(46);
        for (std::string& line : lines) {
            for (int w = 0; w < 11; ++w) {
                // WinAnsi bytes for the accented words, as a PDF writer would store them.
                std::string word = vocabulary[rng() % vocabularySize];
                if (word == "Müller") {
                    word = "M\xFCller";
                } else if (word == "café") {
                    word = "caf\xE9";
                } else if (word == "naïve") {
                    word = "na\xEFve";
                }
                line += (w ? " " : "") + word;
            }
        }
        pages.push_back(test::textPage(lines, 10));
    }
    return test::makePdf(pages);
}

// Records as an export from a translation system would have them: strings of one to forty
// words, numbers, booleans, nulls, nested objects and arrays.
std::string makeJson(std::size_t size)
{
    std::mt19937 rng(11);
    const auto sentence = [&](int maxWords) {
        std::string s;
        const int n = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxWords));
        for (int i = 0; i < n; ++i) {
            s += (i ? " " : "") + std::string(vocabulary[rng() % vocabularySize]);
        }
        return s;
    };
    std::string json = "[\n";
    json.reserve(size + 4096);
    bool first = true;
    while (json.size() < size) {
        json += first ? "" : ",\n";
        first = false;
        json += R"({"id":)" + std::to_string(rng()) + R"(,"title":")" + sentence(12) + R"(","price":)" +
                std::to_string(rng() % 100000) + "." + std::to_string(rng() % 100) + R"(,"active":)" +
                (rng() % 2 ? "true" : "false") + R"(,"note":null,"tags":[")" + sentence(1) + R"(",")" +
                sentence(1) + R"("],"body":{"text":")" + sentence(40) + R"(","lang":"en","n":1e5}})";
    }
    return json + "\n]\n";
}

std::string toUtf16le(std::string_view ascii)
{
    std::string out;
    out.reserve(ascii.size() * 2);
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

const std::filesystem::path& scratch()
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() /
                 ("pagetally-bench-pdf-json-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

std::filesystem::path writeOnce(const std::string& name, const std::string& bytes)
{
    const auto path = scratch() / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Strips the accented words for the UTF-16 file: it stays ASCII, so the conversion above holds.
std::string asciiOnly(std::string text)
{
    std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return text;
}

void runPdf(benchmark::State& state, const std::filesystem::path& file)
{
    std::int64_t pages = 0;
    for (auto _ : state) {
        const FileInfo info = FileProcessor::processPDF(file, "bench.pdf", "PDF");
        pages = info.pages.value_or(0);
        benchmark::DoNotOptimize(info.words);
    }
    state.counters["pages/s"] =
        benchmark::Counter(static_cast<double>(pages * state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ProcessPdfBook(benchmark::State& state)
{
    static const auto file = writeOnce("book.pdf", makeBook());
    runPdf(state, file);
}

void BM_ProcessPdfTypesetColumns(benchmark::State& state)
{
    runPdf(state, std::filesystem::path(PAGETALLY_TEST_DATA) / "pdf/narrow.pdf");
}

void runJson(benchmark::State& state, const std::filesystem::path& file)
{
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(file));
    for (auto _ : state) {
        benchmark::DoNotOptimize(FileProcessor::processJSON(file, "bench.json", "JSON").words);
    }
    state.SetBytesProcessed(size * state.iterations());
}

void BM_ProcessJson100MB(benchmark::State& state)
{
    static const auto file = writeOnce("big.json", makeJson(jsonSize));
    runJson(state, file);
}

void BM_ProcessJsonUtf16(benchmark::State& state)
{
    static const auto file = writeOnce("big-utf16.json", toUtf16le(asciiOnly(makeJson(jsonSize / 4))));
    runJson(state, file);
}

// The parse alone, without reading the file.
void BM_CountJsonWordsInMemory(benchmark::State& state)
{
    static const std::string json = makeJson(jsonSize);
    for (auto _ : state) {
        benchmark::DoNotOptimize(countJSONWords(json));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(json.size()) * state.iterations());
}

} // namespace

BENCHMARK(BM_ProcessPdfBook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessPdfTypesetColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessJson100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessJsonUtf16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountJsonWordsInMemory)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--write-fixtures") {
        const std::filesystem::path dir = argv[2];
        const auto write = [&](const std::string& name, const std::string& bytes) {
            std::ofstream(dir / name, std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        };
        write("book.pdf", makeBook());
        write("big.json", makeJson(jsonSize));
        write("big-utf16.json", toUtf16le(asciiOnly(makeJson(jsonSize / 4))));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(scratch(), ec);
    return 0;
}
