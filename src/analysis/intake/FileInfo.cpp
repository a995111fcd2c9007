#include "analysis/intake/FileInfo.h"

#include <array>
#include <cerrno>
#include <random>
#include <sys/random.h>

namespace pagetally {

FileInfo FileInfo::make(std::string fileName,
                        std::string fileType,
                        std::optional<double> duration,
                        std::optional<std::int64_t> pages,
                        std::int64_t words)
{
    return FileInfo{newUuid(), std::move(fileName), std::move(fileType), duration, pages, words, std::nullopt,
                    false};
}

std::string newUuid()
{
    std::array<unsigned char, 16> bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            // The kernel's source is always there on Linux; this is a last resort, not a path.
            std::random_device device;
            for (auto& b : bytes) {
                b = static_cast<unsigned char>(device());
            }
            break;
        }
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant

    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        text.push_back(hex[bytes[i] >> 4]);
        text.push_back(hex[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace pagetally
