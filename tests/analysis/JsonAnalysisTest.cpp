#include "analysis/formats/JsonAnalysis.h"
#include "analysis/intake/FileProcessor.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pagetally {
namespace {

using namespace std::string_literals;
using test::repeat;

// Each document with its words; nullopt: not JSON text.
void expectWords(const std::vector<std::pair<std::string, std::optional<std::int64_t>>>& cases)
{
    for (const auto& [json, words] : cases) {
        SCOPED_TRACE(json.substr(0, 60));
        EXPECT_EQ(countJSONWords(json), words);
    }
}

TEST(JsonWords, CountsTheValuesEachNumberAndBooleanAsOneWordAndNeverTheKeys)
{
    expectWords({
        {R"({"title":"Annual report 2024","pages":12,"final":false,"note":null})", 5},
        {R"(["", "two words", "   ", "first\nsecond"])", 4},
        {R"([[[{"a long key":{"b":{"c":"four words down here"}}}]]])", 4},
        {" \t\r\n{ } ", 0},
        {R"(["a","b",1,true])", 4},
        {R"(["one\u00A0two", "one\u200Btwo"])", 3}, // an escaped no-break space separates
        {"[0, -1, 3.25, -0.0, 1E+2, -2.5e-7]", 6},
        {"[123456789012345678901234567890, 1e400, -1e-400, " + repeat("9", 400) + "]", 4},
        // Deep, but not too deep: a million levels is a parse failure (see the hostile suite).
        {repeat("[", 20'000) + R"("two words")" + repeat("]", 20'000), 2},
        {repeat(R"({"a":)", 20'000) + "1" + repeat("}", 20'000), 1},
    });
}

TEST(JsonWords, RejectsWhatIsNotStrictJsonText)
{
    const char* const invalid[] = {
        "",           "  \n ",     "\"text\"", "42",         "null",     "[1,]",      "{\"a\":1,}", "['a']",
        "[1] //",     "[NaN]",     "[01]",     "[1.]",       "[.5]",     "[-]",       "[1e]",       "[0x10]",
        "[\"a\tb\"]", "[\"\\x\"]", "[1, 2",    "[\"abc]",    "[1}",      "{\"a\" 1}", "{1:2}",      "[1] [2]",
        "{} x",       "[tru]",     "[nullx]",  "[1e400 01]", "[1e400 2]"};
    for (const std::string json : invalid) {
        EXPECT_EQ(countJSONWords(json), std::nullopt) << json;
    }
    EXPECT_EQ(countJSONWords("[1]\0[2]"s), std::nullopt);
}

TEST(JsonWords, RepeatedKeyKeepsOnlyItsLastValue)
{
    expectWords({
        {R"({"a":{"x":["w1 w2","w3"],"y":7},"b":"kept","a":null})", 1},
        {R"({"a":"x","b":"y z","a":"p q r","c":1,"a":"s"})", 4},
        {R"({"a":"one two","\u0061":"three"})", 1}, // the same key spelt with an escape
        {R"([{"a":"one"},{"a":"two"},{"o":{"k":"gone gone","k":"kept"}}])", 3},
        {R"({"a":"one","A":"two"})", 2},
    });
}

// The text in UTF-8, UTF-16 or UTF-32, optionally with a byte-order mark.
std::string encode(std::u32string_view text, const std::string& encoding, bool bom)
{
    std::u32string all = bom ? U"\uFEFF" : U"";
    all += text;
    std::string out;
    const auto put = [&](std::uint32_t unit, int bytes, bool bigEndian) {
        for (int i = 0; i < bytes; ++i) {
            out += static_cast<char>((unit >> (8 * (bigEndian ? bytes - 1 - i : i))) & 0xFF);
        }
    };
    const bool be = encoding.ends_with("BE");
    for (const char32_t c : all) {
        if (encoding == "UTF-8") {
            out += test::utf8(c);
        } else if (encoding.starts_with("UTF-16") && c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10), 2, be);
            put(0xDC00 + ((c - 0x10000) & 0x3FF), 2, be);
        } else {
            put(c, encoding.starts_with("UTF-16") ? 2 : 4, be);
        }
    }
    return out;
}

TEST(JsonEncodings, EveryUnicodeEncodingGivesTheSameWords)
{
    const std::u32string document =
        U"{\"name\":\"Zoë 𝄞 Müller\",\"values\":[1,2.5e3,true,null],\"city\":\"東京 タワー\"}";
    for (const char* encoding : {"UTF-8", "UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE"}) {
        for (const bool bom : {false, true}) {
            SCOPED_TRACE(std::string(encoding) + (bom ? " with byte-order mark" : ""));
            EXPECT_EQ(countJSONWords(encode(document, encoding, bom)), 8);
            const auto texts = collectJSONStrings(encode(document, encoding, bom));
            ASSERT_TRUE(texts);
            EXPECT_EQ(texts->front(), "Zo\u00EB \U0001D11E M\u00FCller");
        }
    }
    // The shortest documents still show their encoding.
    EXPECT_EQ(countJSONWords(encode(U"[]", "UTF-16LE", false)), 0);
    EXPECT_EQ(countJSONWords(encode(U"[]", "UTF-32BE", false)), 0);
}

TEST(JsonEncodings, MalformedEncodingsAreParseFailures)
{
    expectWords({
        {"[\"\xC0\xAF\"]", std::nullopt},         // UTF-8 overlong form
        {"[\"\xED\xA0\x80\"]", std::nullopt},     // UTF-8 encoded surrogate
        {"[\"\xF4\x90\x80\x80\"]", std::nullopt}, // UTF-8 beyond U+10FFFF
        {"[\"\xE2\x82\"]", std::nullopt},         // UTF-8 truncated sequence
        {"{\"\xFF\":1}", std::nullopt},           // invalid UTF-8 in a key
        {R"(["\uD800"])", std::nullopt},
        {R"({"\uDC00":1})", std::nullopt},
        {encode(U"[1]", "UTF-16LE", false) + "\x20"s, std::nullopt},
        {"[\0\"\0\x00\xD8\"\0]\0"s, std::nullopt}, // UTF-16LE lone high surrogate
        {"\0[\0\"\xDC\x00\0\"\0]"s, std::nullopt}, // UTF-16BE lone low surrogate
        {"[\0\0\0\"\0\0\0\x00\x00\x11\x00\"\0\0\0]\0\0\0"s, std::nullopt},
        {"\0\0\0[\0\0\0\"\0\0\xD8\x00\0\0\0\"\0\0\0]"s, std::nullopt},
        {encode(U"[1]", "UTF-32LE", false).substr(0, 10), std::nullopt},
        {R"(["\uD834\uDD1E clef"])", 2}, // an escaped surrogate pair is fine
    });
}

TEST(CollectJsonStrings, GivesTheValueTextsInDocumentOrderAsWritten)
{
    using Strings = std::vector<std::string>;
    EXPECT_EQ(
        collectJSONStrings(R"({"a":"x y","b":[1E+2,true,false,null,"",-1.5E+400],"k":"gone","k":{"n":"c"}})"),
        (Strings{"x y", "1E+2", "1", "0", "", "-1.5E+400", "c"}));
    EXPECT_EQ(collectJSONStrings("\"top\""), std::nullopt);
}

} // namespace
} // namespace pagetally
