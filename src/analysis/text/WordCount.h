// The one rule by which any text becomes a number of words.
#pragma once

#include <cstdint>
#include <string_view>

namespace pagetally {

// Words are the maximal runs of code points outside the separator set: U+0009..U+000D, U+0085
// and the Zs, Zl and Zp characters (U+0020, U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029,
// U+202F, U+205F, U+3000). Bytes that are not valid UTF-8 count as word characters.
std::int64_t countWords(std::string_view text);

// Counts words over text that arrives in pieces (a word may run across pieces) and checks
// strictly that every piece is UTF-8: no overlong forms, surrogates or values above U+10FFFF.
// Validation and counting are one pass over the bytes.
class WordCounter
{
public:
    // Counts the words of a piece; false (and the count is then meaningless) if it is not UTF-8.
    bool feed(std::string_view piece);
    // Checks a piece without counting it.
    static bool isValidUtf8(std::string_view piece);

    std::int64_t count() const { return count_; }

private:
    friend class HtmlWordCounter; // counts whole blocks of markup without going through feed
    bool afterSeparator_ = true;
    std::int64_t count_ = 0;
};

// The separator test for one code point.
constexpr bool isWordSeparator(char32_t c)
{
    switch (c) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2000:
    case 0x2001:
    case 0x2002:
    case 0x2003:
    case 0x2004:
    case 0x2005:
    case 0x2006:
    case 0x2007:
    case 0x2008:
    case 0x2009:
    case 0x200A:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return false;
    }
}

} // namespace pagetally
