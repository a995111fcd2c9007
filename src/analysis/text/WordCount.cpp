#include "analysis/text/WordCount.h"

#include "analysis/text/AsciiBlock.h"

#include <algorithm>
#include <bit>
#include <cstddef>

// Written by hand because the rule is a fixed code-point set that no locale or library
// classifier reproduces exactly, and because this loop is the hottest path of the program.

namespace pagetally {
namespace {

struct ScanState
{
    bool afterSeparator = true;
    std::int64_t count = 0;
};

// Decodes one non-ASCII sequence at p (p[0] >= 0x80). Returns its length, or 0 when the
// bytes are not well-formed UTF-8 (Unicode's table 3-7).
inline std::size_t decodeSequence(const unsigned char* p, std::size_t avail, char32_t& cp)
{
    const unsigned char b0 = p[0];
    auto cont = [&](std::size_t k) { return k < avail && (p[k] & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (!cont(1)) {
            return 0;
        }
        cp = (char32_t(b0 & 0x1F) << 6) | (p[1] & 0x3F);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (avail < 3 || !cont(1) || !cont(2)) {
            return 0;
        }
        if ((b0 == 0xE0 && p[1] < 0xA0) || (b0 == 0xED && p[1] > 0x9F)) {
            return 0; // overlong, or a surrogate
        }
        cp = (char32_t(b0 & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (avail < 4 || !cont(1) || !cont(2) || !cont(3)) {
            return 0;
        }
        if ((b0 == 0xF0 && p[1] < 0x90) || (b0 == 0xF4 && p[1] > 0x8F)) {
            return 0; // overlong, or above U+10FFFF
        }
        cp = (char32_t(b0 & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6) |
             (p[3] & 0x3F);
        return 4;
    }
    return 0;
}

constexpr bool isAsciiSeparator(unsigned char b)
{
    return b == 0x20 || (b >= 0x09 && b <= 0x0D);
}

// Handles bytes [i, end) one code point at a time; may run past `end` to finish a sequence.
// Returns the index after the last byte handled, or `npos` for invalid UTF-8 when `strict`.
constexpr std::size_t npos = static_cast<std::size_t>(-1);

inline std::size_t
scanScalar(const unsigned char* p, std::size_t i, std::size_t end, std::size_t n, ScanState& st, bool strict)
{
    while (i < end) {
        const unsigned char b = p[i];
        bool separator;
        if (b < 0x80) {
            separator = isAsciiSeparator(b);
            ++i;
        } else {
            char32_t cp = 0;
            const std::size_t len = decodeSequence(p + i, n - i, cp);
            if (len == 0) {
                if (strict) {
                    return npos;
                }
                separator = false;
                ++i;
            } else {
                separator = isWordSeparator(cp);
                i += len;
            }
        }
        if (!separator && st.afterSeparator) {
            ++st.count;
        }
        st.afterSeparator = separator;
    }
    return i;
}

PAGETALLY_POPCNT_CLONES bool scan(std::string_view text, ScanState& st, bool strict)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    // Blocks of 64 bytes: a word starts wherever a non-separator follows a separator. The ASCII
    // runs of a block go through its masks; only each non-ASCII sequence is decoded on its own.
    while (i + 64 <= n) {
        const BlockMasks m = classifyBlock(text.data() + i);
        std::size_t at = 0; // within the block; beyond 64 when a sequence ran past its end
        while (at < 64) {
            const std::uint64_t ahead = m.nonAscii >> at << at;
            const std::size_t stop = ahead == 0 ? 64 : static_cast<std::size_t>(std::countr_zero(ahead));
            if (stop > at) {
                const std::uint64_t below = stop == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << stop) - 1;
                const std::uint64_t run = below & (~std::uint64_t(0) << at);
                st.count +=
                    std::popcount(wordStarts(m.separator, run, static_cast<int>(at), st.afterSeparator));
                st.afterSeparator = ((m.separator >> (stop - 1)) & 1) != 0;
                at = stop;
            }
            if (at < 64) {
                const std::size_t next = scanScalar(p, i + at, i + at + 1, n, st, strict);
                if (next == npos) {
                    return false;
                }
                at = next - i;
            }
        }
        i += at;
    }
    if (i < n) {
        i = scanScalar(p, i, n, n, st, strict);
        if (i == npos) {
            return false;
        }
    }
    return true;
}

} // namespace

std::int64_t countWords(std::string_view text)
{
    ScanState st;
    scan(text, st, false);
    return st.count;
}

bool WordCounter::feed(std::string_view piece)
{
    ScanState st{afterSeparator_, count_};
    const bool ok = scan(piece, st, true);
    afterSeparator_ = st.afterSeparator;
    count_ = st.count;
    return ok;
}

bool WordCounter::isValidUtf8(std::string_view piece)
{
    const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    const std::size_t n = piece.size();
    std::size_t i = 0;
    while (i < n) {
        if (i + 64 <= n) {
            // Straight to the block's first non-ASCII byte, if any.
            const std::uint64_t nonAscii = classifyBlock(piece.data() + i).nonAscii;
            if (nonAscii == 0) {
                i += 64;
                continue;
            }
            i += static_cast<std::size_t>(std::countr_zero(nonAscii));
        } else if (p[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = decodeSequence(p + i, n - i, cp);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

} // namespace pagetally
