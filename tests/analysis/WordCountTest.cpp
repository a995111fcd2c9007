#include "analysis/WordCount.h"
#include "support/Bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pagetally;
using pagetally::test::utf8;

namespace {

struct Case
{
    const char* what;
    std::string text;
    std::int64_t words;
};

const std::vector<char32_t> separators{0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0x85,   0xA0,   0x1680,
                                       0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
                                       0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};

} // namespace

TEST(CountWords, FollowsTheSeparatorRule)
{
    const std::vector<Case> cases{
        {"empty", "", 0},
        {"only blanks and breaks", " \t\n\r\n  \v\f ", 0},
        {"runs of separators and margins", "  one  two\n\nthree  ", 3},
        {"punctuation belongs to words", "Hello, world - again!", 4},
        {"hyphenated word with comma", "well-known, fact", 2},
        {"no-break space separates", "two" + utf8(0xA0) + "words", 2},
        {"line separator separates", "two" + utf8(0x2028) + "words", 2},
        {"vertical tab separates", "two\vwords", 2},
        {"ideographic space separates", utf8(0x65E5) + utf8(0x3000) + utf8(0x672C), 2},
        {"zero-width space does not", "two" + utf8(0x200B) + "words", 1},
        {"byte-order mark does not", "two" + utf8(0xFEFF) + "words", 1},
        {"Mongolian vowel separator does not", "two" + utf8(0x180E) + "words", 1},
        {"separator then combining mark still separates", "a " + utf8(0x0301) + "b", 2},
        {"letters beyond the BMP", utf8(0x1F600) + " " + utf8(0x10348), 2},
        {"invalid bytes are letters", "caf\xE9 ol\xE9", 2},
        {"a lone invalid byte is a word", "\xFF", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(countWords(c.text), c.words);
    }
}

TEST(CountWords, EverySeparatorOfTheSetSeparatesAndNothingNearItDoes)
{
    for (char32_t sep : separators) {
        SCOPED_TRACE(static_cast<unsigned>(sep));
        EXPECT_EQ(countWords(std::string("a").append(utf8(sep)).append("b")), 2);
        EXPECT_EQ(countWords(utf8(sep)), 0);
    }
    for (char32_t other : {0x08u, 0x0Eu, 0x1Fu, 0x84u, 0x86u, 0x9Fu, 0xA1u, 0x167Fu, 0x1681u, 0x200Bu,
                           0x2027u, 0x202Au, 0x202Eu, 0x2030u, 0x205Eu, 0x2060u, 0x2FFFu, 0x3001u, 0xFEFFu}) {
        SCOPED_TRACE(static_cast<unsigned>(other));
        EXPECT_EQ(countWords(std::string("a").append(utf8(other)).append("b")), 1);
    }
}

// Malformed UTF-8 anywhere in a block, and at its edges, makes the whole text invalid.
TEST(WordCounter, RejectsEveryMalformedSequence)
{
    const std::vector<std::pair<const char*, std::string>> invalid{
        {"lone continuation byte", "\x80"},
        {"overlong slash", "\xC0\xAF"},
        {"overlong two-byte lead", "\xC1\xBF"},
        {"overlong three-byte", "\xE0\x80\xAF"},
        {"overlong four-byte", "\xF0\x80\x80\xAF"},
        {"high surrogate", "\xED\xA0\x80"},
        {"low surrogate", "\xED\xBF\xBF"},
        {"above U+10FFFF", "\xF4\x90\x80\x80"},
        {"lead byte F5", "\xF5\x80\x80\x80"},
        {"byte FF", "\xFF"},
        {"truncated at the end", "abc\xE2\x82"},
        {"truncated before ASCII", "\xE2\x82z"},
        {"Latin-1 e acute", "caf\xE9"},
    };
    for (const auto& [what, bytes] : invalid) {
        SCOPED_TRACE(what);
        for (std::size_t pad : {0u, 63u, 64u, 100u}) { // before, at and past a block boundary
            const std::string text = std::string(pad, 'x') + bytes + std::string(70, ' ');
            WordCounter counter;
            EXPECT_FALSE(counter.feed(text)) << "pad " << pad;
            EXPECT_FALSE(WordCounter::isValidUtf8(text)) << "pad " << pad;
        }
    }
    const std::string valid =
        "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    WordCounter counter;
    EXPECT_TRUE(counter.feed(valid));
    EXPECT_TRUE(WordCounter::isValidUtf8(valid));
}
