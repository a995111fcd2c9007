#include "analysis/text/WordCount.h"
#include "support/Bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pagetally;
using pagetally::test::utf8;

TEST(CountWords, FollowsTheSeparatorRule)
{
    const std::vector<std::pair<std::string, std::int64_t>> cases{
        {"", 0},
        {" \t\n\r\n  \v\f ", 0},
        {"  one  two\n\nthree  ", 3},
        {"Hello, world - again! well-known", 5},  // punctuation belongs to its word
        {"a " + utf8(0x0301) + "b", 2},           // a combining mark after a separator starts a word
        {utf8(0x1F600) + " " + utf8(0x10348), 2}, // letters beyond the BMP
        {"caf\xE9 ol\xE9", 2},                    // invalid bytes are letters
        {"\xFF", 1},
    };
    for (const auto& [text, words] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(countWords(text), words);
    }
    for (char32_t sep : {0x09u,   0x0Au,   0x0Bu,   0x0Cu,   0x0Du,   0x20u,   0x85u,   0xA0u,   0x1680u,
                         0x2000u, 0x2001u, 0x2002u, 0x2003u, 0x2004u, 0x2005u, 0x2006u, 0x2007u, 0x2008u,
                         0x2009u, 0x200Au, 0x2028u, 0x2029u, 0x202Fu, 0x205Fu, 0x3000u}) {
        SCOPED_TRACE(static_cast<unsigned>(sep));
        EXPECT_EQ(countWords(std::string("a").append(utf8(sep)).append("b")), 2);
        EXPECT_EQ(countWords(utf8(sep)), 0);
    }
    for (char32_t other :
         {0x08u,   0x0Eu,   0x1Fu,   0x84u,   0x86u,   0x9Fu,   0xA1u,   0x167Fu, 0x1681u, 0x180Eu,
          0x200Bu, 0x2027u, 0x202Au, 0x202Eu, 0x2030u, 0x205Eu, 0x2060u, 0x2FFFu, 0x3001u, 0xFEFFu}) {
        SCOPED_TRACE(static_cast<unsigned>(other));
        EXPECT_EQ(countWords(std::string("a").append(utf8(other)).append("b")), 1);
    }
}

// Malformed UTF-8 anywhere in a block, and at its edges, makes the whole text invalid.
TEST(WordCounter, RejectsEveryMalformedSequence)
{
    for (const std::string bytes :
         {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80", "abc\xE2\x82", "\xE2\x82z", "caf\xE9"}) {
        for (std::size_t pad : {0u, 63u, 64u, 100u}) { // before, at and past a block boundary
            const std::string text = std::string(pad, 'x') + bytes + std::string(70, ' ');
            WordCounter counter;
            EXPECT_FALSE(counter.feed(text)) << bytes << " after " << pad;
            EXPECT_FALSE(WordCounter::isValidUtf8(text)) << bytes << " after " << pad;
        }
    }
    const std::string valid =
        "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    WordCounter counter;
    EXPECT_TRUE(counter.feed(valid));
    EXPECT_TRUE(WordCounter::isValidUtf8(valid));
}
