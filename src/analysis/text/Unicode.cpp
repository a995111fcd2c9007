#include "analysis/text/Unicode.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utf8proc.h>

namespace pagetally {

std::string nfcText(std::string_view fileName)
{
    if (std::ranges::all_of(fileName, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::string(fileName); // ASCII is its own normal form
    }
    utf8proc_uint8_t* composed = nullptr;
    const auto length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(fileName.data()),
                                     static_cast<utf8proc_ssize_t>(fileName.size()), &composed,
                                     static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    if (length < 0) {
        return std::string(fileName);
    }
    std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(composed, &std::free);
    return std::string(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(length));
}

} // namespace pagetally
