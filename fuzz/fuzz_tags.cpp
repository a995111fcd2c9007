// The tag scanner's stripped text, and the one-pass HTML counter fed in pieces, must agree.
#include "analysis/formats/TextAnalysis.h"
#include "analysis/text/TagScanner.h"
#include "analysis/text/WordCount.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    std::string stripped;
    std::size_t covered = 0;
    pagetally::scanTags(
        html,
        [&](std::string_view text) {
            stripped += text;
            covered += text.size();
        },
        [&](std::string_view tag) {
            if (tag.size() < 3 || tag.front() != '<' || tag.back() != '>' ||
                tag.substr(1, tag.size() - 2).find('>') != std::string_view::npos) {
                std::abort();
            }
            covered += tag.size();
        });
    if (covered != size) {
        std::abort();
    }
    if (!pagetally::WordCounter::isValidUtf8(html)) {
        return 0;
    }
    const std::int64_t expected = pagetally::countWords(stripped);
    pagetally::HtmlWordCounter counter;
    for (std::size_t at = 0, step = 1; at < size; step = step % 7 + 1) {
        std::size_t cut = std::min(size, at + step);
        while (cut < size && (data[cut] & 0xC0) == 0x80) {
            ++cut;
        }
        counter.feed(html.substr(at, cut - at));
        at = cut;
    }
    const auto words = counter.finish();
    if (!words || *words != expected) {
        std::abort();
    }
    return 0;
}
