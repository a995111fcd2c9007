// Bit masks over 64 bytes at a time, for the word counter and the HTML tag matcher.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The loops that count over these masks get a second copy for processors with POPCNT, picked
// when the program loads: without it std::popcount is a call into the compiler's runtime.
// GCC only: clang 14 gives the dispatcher of a function cloned at its definition alone another
// name, so that callers in other files cannot link (the fuzzing build).
#if defined(__x86_64__) && !defined(__POPCNT__) && !defined(__clang__)
#define PAGETALLY_POPCNT_CLONES [[gnu::target_clones("popcnt", "default")]]
#else
#define PAGETALLY_POPCNT_CLONES
#endif

namespace pagetally {

// Bit i stands for byte i of the block.
struct BlockMasks
{
    std::uint64_t nonAscii = 0;  // bytes >= 0x80
    std::uint64_t separator = 0; // ASCII word separators: U+0009..U+000D and U+0020
};

#if defined(__SSE2__)
namespace detail {

inline std::uint64_t movemask64(__m128i a, __m128i b, __m128i c, __m128i d)
{
    return std::uint64_t(std::uint32_t(_mm_movemask_epi8(a))) |
           (std::uint64_t(std::uint32_t(_mm_movemask_epi8(b))) << 16) |
           (std::uint64_t(std::uint32_t(_mm_movemask_epi8(c))) << 32) |
           (std::uint64_t(std::uint32_t(_mm_movemask_epi8(d))) << 48);
}

inline __m128i separators(__m128i v)
{
    const __m128i space = _mm_cmpeq_epi8(v, _mm_set1_epi8(0x20));
    const __m128i control =
        _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(0x08)), _mm_cmplt_epi8(v, _mm_set1_epi8(0x0E)));
    return _mm_or_si128(space, control);
}

inline __m128i load(const char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

} // namespace detail

// Classifies the 64 bytes at p: which are not ASCII, and which are ASCII separators.
inline BlockMasks classifyBlock(const char* p)
{
    using namespace detail;
    const __m128i a = load(p), b = load(p + 16), c = load(p + 32), d = load(p + 48);
    return {movemask64(a, b, c, d), movemask64(separators(a), separators(b), separators(c), separators(d))};
}

// Bits of the bytes equal to `byte` among the 64 at p.
inline std::uint64_t matchBlock(const char* p, char byte)
{
    using namespace detail;
    const __m128i v = _mm_set1_epi8(byte);
    return movemask64(_mm_cmpeq_epi8(load(p), v), _mm_cmpeq_epi8(load(p + 16), v),
                      _mm_cmpeq_epi8(load(p + 32), v), _mm_cmpeq_epi8(load(p + 48), v));
}
#else
inline BlockMasks classifyBlock(const char* p)
{
    BlockMasks m;
    for (int i = 0; i < 64; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        m.nonAscii |= std::uint64_t(b >= 0x80) << i;
        m.separator |= std::uint64_t(b == 0x20 || (b >= 0x09 && b <= 0x0D)) << i;
    }
    return m;
}

inline std::uint64_t matchBlock(const char* p, char byte)
{
    std::uint64_t m = 0;
    for (int i = 0; i < 64; ++i) {
        m |= std::uint64_t(p[i] == byte) << i;
    }
    return m;
}
#endif

// Word starts among the bytes of `segment` (a run of ASCII text bytes): non-separators whose
// previous byte is a separator, the byte before the segment's first counting as
// `afterSeparator`. `first` is the index of the segment's lowest bit.
inline std::uint64_t
wordStarts(std::uint64_t separator, std::uint64_t segment, int first, bool afterSeparator)
{
    const std::uint64_t firstBit = std::uint64_t(1) << first;
    const std::uint64_t previous = ((separator << 1) & ~firstBit) | (afterSeparator ? firstBit : 0);
    return ~separator & previous & segment;
}

} // namespace pagetally
