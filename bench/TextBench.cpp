// Throughput of the word counter and of whole TXT and HTML analysis on large generated inputs.
#include "analysis/formats/TextAnalysis.h"
#include "analysis/intake/FileProcessor.h"
#include "analysis/text/WordCount.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace pagetally;

namespace {

constexpr std::size_t inputSize = 64 << 20;

// English-like prose: mostly ASCII with an accented letter, a no-break space and an
// ideographic space now and then.
std::string asciiHeavy()
{
    std::mt19937 rng(1);
    const char* words[] = {"the",     "contract",   "shall",    "be",  "translated", "by",
                           "Friday,", "and",        "reviewed", "-",   "well-known", "terms",
                           "of",      "reference.", "within",   "days"};
    const char* rare[] = {"café", "naïve", "—", "Müller"};
    std::string text;
    text.reserve(inputSize + 64);
    while (text.size() < inputSize) {
        text += rng() % 50 ? words[rng() % 16] : rare[rng() % 4];
        const unsigned r = rng() % 1000;
        text += r < 900 ? " " : r < 990 ? "\n" : r < 995 ? "\xC2\xA0" : "\xE3\x80\x80";
    }
    return text;
}

// Mixed scripts: Cyrillic, Greek, Chinese and Latin in equal parts.
std::string multilingual()
{
    std::mt19937 rng(2);
    const char* words[] = {"перевод", "договора", "μετάφραση",   "κειμένου",
                           "翻译",    "合同",     "translation", "Vertrag"};
    std::string text;
    text.reserve(inputSize + 64);
    while (text.size() < inputSize) {
        text += words[rng() % 8];
        text += rng() % 10 ? " " : "\n";
    }
    return text;
}

std::string html()
{
    std::mt19937 rng(3);
    std::string text;
    text.reserve(inputSize + 128);
    while (text.size() < inputSize) {
        text +=
            "<p class=\"body\">The <b>contract</b> shall be <a href=\"#t\">translated</a> by Friday.</p>\n";
        if (rng() % 8 == 0) {
            text += "<div><span>A</span><span>B</span><!-- note --></div>\n";
        }
    }
    return text;
}

void countWordsOn(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(countWords(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_CountWordsAsciiHeavy(benchmark::State& state)
{
    static const std::string text = asciiHeavy();
    countWordsOn(state, text);
}

void BM_CountWordsMultilingual(benchmark::State& state)
{
    static const std::string text = multilingual();
    countWordsOn(state, text);
}

void BM_TextWordsValidatedAsciiHeavy(benchmark::State& state)
{
    static const std::string text = asciiHeavy();
    for (auto _ : state) {
        benchmark::DoNotOptimize(countTextWords(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_HtmlWords(benchmark::State& state)
{
    static const std::string text = html();
    for (auto _ : state) {
        benchmark::DoNotOptimize(countHtmlWords(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The whole analysis of a file from the page cache: read, check, count.
void analyseFile(benchmark::State& state, const std::string& text, const char* name)
{
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    const bool isHtml = std::string_view(name).ends_with(".html");
    for (auto _ : state) {
        benchmark::DoNotOptimize(isHtml ? FileProcessor::processHTML(path, name, "HTML")
                                        : FileProcessor::processTXT(path, name, "TXT"));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    std::filesystem::remove(path);
}

void BM_ProcessTXT(benchmark::State& state)
{
    analyseFile(state, asciiHeavy(), "pagetally-bench.txt");
}

void BM_ProcessTXTMultilingual(benchmark::State& state)
{
    analyseFile(state, multilingual(), "pagetally-bench-ml.txt");
}

void BM_ProcessHTML(benchmark::State& state)
{
    analyseFile(state, html(), "pagetally-bench.html");
}

} // namespace

BENCHMARK(BM_CountWordsAsciiHeavy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountWordsMultilingual)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextWordsValidatedAsciiHeavy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlWords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessTXT)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessTXTMultilingual)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessHTML)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
