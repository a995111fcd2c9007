#include "analysis/intake/Paths.h"

#include <algorithm>

namespace pagetally {

std::string lastPathComponent(const std::filesystem::path& location)
{
    std::string text = location.native();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    const auto slash = text.rfind('/');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string pathExtension(const std::filesystem::path& location)
{
    const std::string name = lastPathComponent(location);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string toLowerAscii(std::string text)
{
    std::ranges::transform(text, text.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    return text;
}

std::string toUpperAscii(std::string text)
{
    std::ranges::transform(text, text.begin(),
                           [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; });
    return text;
}

} // namespace pagetally
