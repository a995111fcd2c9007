#include "analysis/JsonAnalysis.h"
#include "analysis/FileProcessor.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pagetally {
namespace {

using test::repeat;
using test::utf8;

struct Case
{
    const char* what;
    std::string json;
    std::optional<std::int64_t> words; // nullopt: not JSON text
};

void expectWords(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(countJSONWords(c.json), c.words) << c.json;
    }
}

TEST(JsonWords, CountsTheValuesEachNumberAndBooleanAsOneWordAndNeverTheKeys)
{
    expectWords({
        {"string, number and boolean", R"({"title":"Annual report 2024","pages":12,"final":false})", 5},
        {"empty, two-word and blank strings", R"(["", "two words", "   "])", 2},
        {"deep inside arrays", R"([[[{"a":{"b":{"c":"four words down here"}}}]]])", 4},
        {"only null", R"({"note":null})", 0},
        {"empty object", "{}", 0},
        {"empty array", " [ ] ", 0},
        {"line break inside a string", R"(["first\nsecond"])", 2},
        {"neighbouring values never merge", R"(["a","b",1,true])", 4},
        {"keys with words count nothing", R"({"a long key with words":"x"})", 1},
        {"escaped no-break space separates", R"(["one\u00A0two"])", 2},
        {"zero-width space does not", R"(["one\u200Btwo"])", 1},
        {"punctuation belongs to its word", R"(["Hello, world - again!"])", 4},
        {"whitespace around the document", " \t\r\n{\"a\":\"b\"}\n\n", 1},
        // Every number and boolean is one word.
        {"integers and fractions", "[0, -1, 3.25, -0.0]", 4},
        {"beyond 64 bits", "[123456789012345678901234567890]", 1},
        {"exponents", "[1e5, 1E+2, -2.5e-7, 6.02E23]", 4},
        {"beyond the range of a double", "[1e400, -1e400, 1e-400]", 3},
        {"four hundred digits", std::string("[").append(repeat("9", 400)).append("]"), 1},
        {"a huge number beside strings", R"({"a":"one two","b":1e999,"c":["three"]})", 4},
        {"booleans", "[true, false]", 2},
        // Deep, but not too deep: a million levels is a parse failure (see the hostile suite).
        {"arrays 20000 deep", repeat("[", 20'000) + R"("two words")" + repeat("]", 20'000), 2},
        {"objects 20000 deep", repeat(R"({"a":)", 20'000) + "1" + repeat("}", 20'000), 1},
    });
}

TEST(JsonWords, RejectsWhatIsNotStrictJsonText)
{
    expectWords({
        {"empty file", "", std::nullopt},
        {"only blanks", "  \n ", std::nullopt},
        {"top-level string", R"("just a string")", std::nullopt},
        {"top-level number", "42", std::nullopt},
        {"top-level true", "true", std::nullopt},
        {"top-level null", "null", std::nullopt},
        {"trailing comma in array", "[1,]", std::nullopt},
        {"trailing comma in object", R"({"a":1,})", std::nullopt},
        {"single quotes", "['a']", std::nullopt},
        {"comment", "[1] // note", std::nullopt},
        {"NaN", "[NaN]", std::nullopt},
        {"Infinity", "[-Infinity]", std::nullopt},
        {"leading zero", "[01]", std::nullopt},
        {"bare fraction point", "[1.]", std::nullopt},
        {"leading point", "[.5]", std::nullopt},
        {"plus sign", "[+1]", std::nullopt},
        {"lone minus", "[-]", std::nullopt},
        {"empty exponent", "[1e]", std::nullopt},
        {"hexadecimal", "[0x10]", std::nullopt},
        {"raw tab in a string", "[\"a\tb\"]", std::nullopt},
        {"unknown escape", R"(["\x41"])", std::nullopt},
        {"unclosed array", "[1, 2", std::nullopt},
        {"unclosed string", "[\"abc]", std::nullopt},
        {"mismatched brackets", "[1}", std::nullopt},
        {"missing colon", R"({"a" 1})", std::nullopt},
        {"key that is not a string", "{1:2}", std::nullopt},
        {"two documents", "[1] [2]", std::nullopt},
        {"extra closing bracket", "[1]]", std::nullopt},
        {"text after the document", "{} x", std::nullopt},
        {"zero byte after the document", std::string("[1]\0[2]", 7), std::nullopt},
        {"misspelt literal", "[tru]", std::nullopt},
        {"literal run on", "[nullx]", std::nullopt},
        {"invalid number beside a huge one", "[1e400, 01]", std::nullopt},
        {"invalid syntax beside a huge number", "[1e400 2]", std::nullopt},
    });
}

TEST(JsonWords, RepeatedKeyKeepsOnlyItsLastValue)
{
    expectWords({
        {"last of two", R"({"a":"one two three","a":"four"})", 1},
        {"earlier value is a whole subtree", R"({"a":{"x":["w1 w2","w3"],"y":7},"b":"kept","a":null})", 1},
        {"three times, others between", R"({"a":"x","b":"y z","a":"p q r","c":1,"a":"s"})", 4},
        {"escaped spelling of the same key", R"({"a":"one two","\u0061":"three"})", 1},
        {"same key in different objects", R"([{"a":"one"},{"a":"two"}])", 2},
        {"repeat inside a nested object", R"({"o":{"k":"gone gone","k":"kept"},"p":"also"})", 2},
        {"keys differing only by case", R"({"a":"one","A":"two"})", 2},
        {"large object with a repeat",
         [] {
             std::string object = "{";
             for (int i = 0; i < 40; ++i) {
                 object.append("\"k").append(std::to_string(i)).append("\":\"v v\",");
             }
             return object + "\"k7\":\"single\"}";
         }(),
         79},
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
            const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
            out += static_cast<char>((unit >> shift) & 0xFF);
        }
    };
    for (const char32_t c : all) {
        if (encoding == "UTF-8") {
            out += utf8(c);
        } else if (encoding.starts_with("UTF-16")) {
            const bool be = encoding == "UTF-16BE";
            if (c >= 0x10000) {
                put(0xD800 + ((c - 0x10000) >> 10), 2, be);
                put(0xDC00 + ((c - 0x10000) & 0x3FF), 2, be);
            } else {
                put(c, 2, be);
            }
        } else {
            put(c, 4, encoding == "UTF-32BE");
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
    using namespace std::string_literals;
    expectWords({
        {"UTF-8 overlong form", "[\"\xC0\xAF\"]", std::nullopt},
        {"UTF-8 encoded surrogate", "[\"\xED\xA0\x80\"]", std::nullopt},
        {"UTF-8 beyond U+10FFFF", "[\"\xF4\x90\x80\x80\"]", std::nullopt},
        {"UTF-8 truncated sequence", "[\"\xE2\x82\"]", std::nullopt},
        {"UTF-8 stray continuation byte", "[\"a\x80\"]", std::nullopt},
        {"invalid UTF-8 in a key", "{\"\xFF\":1}", std::nullopt},
        {"Latin-1 text", "[\"Z\xF6\"]", std::nullopt},
        {"escaped lone high surrogate", R"(["\uD800"])", std::nullopt},
        {"escaped lone low surrogate", R"(["\uDC00"])", std::nullopt},
        {"escaped lone surrogate in a key", R"({"\uDC00":1})", std::nullopt},
        {"UTF-16LE with an odd last byte", encode(U"[1]", "UTF-16LE", false) + "\x20"s, std::nullopt},
        {"UTF-16LE lone high surrogate", "[\0\"\0\x00\xD8\"\0]\0"s, std::nullopt},
        {"UTF-16BE lone low surrogate", "\0[\0\"\xDC\x00\0\"\0]"s, std::nullopt},
        {"UTF-32LE beyond U+10FFFF", "[\0\0\0\"\0\0\0\x00\x00\x11\x00\"\0\0\0]\0\0\0"s, std::nullopt},
        {"UTF-32BE surrogate", "\0\0\0[\0\0\0\"\0\0\xD8\x00\0\0\0\"\0\0\0]"s, std::nullopt},
        {"UTF-32LE cut short", encode(U"[1]", "UTF-32LE", false).substr(0, 10), std::nullopt},
        {"escaped surrogate pair is fine", R"(["\uD834\uDD1E clef"])", 2},
    });
}

TEST(CollectJsonStrings, GivesTheValueTextsInDocumentOrderAsWritten)
{
    using Strings = std::vector<std::string>;
    for (const auto& [json, texts] : std::vector<std::pair<std::string, std::optional<Strings>>>{
             {R"({"a":"x y","b":[1E+2,true,false,null,"",-0.5],"c":123456789012345678901234567890})",
              Strings{"x y", "1E+2", "1", "0", "", "-0.5", "123456789012345678901234567890"}},
             // Only the last value of a repeated key.
             {R"({"k":["a","b"],"m":"middle","k":{"n":"c","n":"d"},"z":1})", Strings{"middle", "d", "1"}},
             // Numbers beyond a double as written.
             {R"({"big":-1.5E+400,"s":"text","tiny":2e-999,"n":[7]})",
              Strings{"-1.5E+400", "text", "2e-999", "7"}},
             {"\"top\"", std::nullopt},
         }) {
        SCOPED_TRACE(json);
        EXPECT_EQ(collectJSONStrings(json), texts);
    }
}

TEST(ProcessJson, RecordCarriesTheWordsAndNoPages)
{
    const test::TempDir dir;
    const auto file = dir.write("report.json", R"({"title":"Annual report 2024","pages":12,"final":false})");
    const FileInfo info = FileProcessor::processJSON(file, "report.json", "JSON");
    EXPECT_EQ(info.fileName, "report.json");
    EXPECT_EQ(info.fileType, "JSON");
    EXPECT_EQ(info.words, 5);
    EXPECT_FALSE(info.pages);
    EXPECT_FALSE(info.duration);
    EXPECT_EQ(info.id.size(), 36u);
}

} // namespace
} // namespace pagetally
