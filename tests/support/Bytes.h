// Building blocks of test inputs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pagetally::test {

// The UTF-8 bytes of one code point.
inline std::string utf8(char32_t c)
{
    if (c < 0x80) {
        return std::string(1, static_cast<char>(c));
    }
    const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    std::string s(1, static_cast<char>(((0xFF00 >> (tail + 1)) & 0xFF) | (c >> (6 * tail))));
    for (int i = tail - 1; i >= 0; --i) {
        s += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
    }
    return s;
}

inline std::string repeat(std::string_view piece, std::size_t times)
{
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        out.append(piece);
    }
    return out;
}

// A mono PCM WAV of silence, 8-bit unless told, whose header states `claimed` bytes of samples
// when given.
inline std::string wav(std::uint32_t sampleRate,
                       std::uint32_t samples,
                       std::optional<std::uint32_t> claimed = {},
                       std::uint16_t bytesPerSample = 1)
{
    const auto u32 = [](std::uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    const auto u16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    const std::uint32_t stated = claimed.value_or(samples * bytesPerSample);
    std::string out = "RIFF" + u32(stated > UINT32_MAX - 36 ? UINT32_MAX : 36 + stated) + "WAVEfmt ";
    out += u32(16) + u16(1) + u16(1) + u32(sampleRate) + u32(sampleRate * bytesPerSample) +
           u16(bytesPerSample) + u16(static_cast<std::uint16_t>(8 * bytesPerSample));
    return out + "data" + u32(stated) +
           std::string(samples * bytesPerSample, bytesPerSample == 1 ? char(0x80) : 0);
}

} // namespace pagetally::test
