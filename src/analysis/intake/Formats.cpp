#include "analysis/intake/Formats.h"

#include "analysis/intake/Paths.h"

namespace pagetally {

const Format* findFormat(std::string_view lowerExtension)
{
    const auto row = std::ranges::find(formats, lowerExtension, &Format::extension);
    return row == formats.end() ? nullptr : &*row;
}

const Format* formatOf(const std::filesystem::path& location)
{
    return findFormat(toLowerAscii(pathExtension(location)));
}

std::string joinNames(std::span<const std::string_view> names, std::string_view separator)
{
    std::string out;
    for (std::string_view name : names) {
        if (!out.empty()) {
            out += separator;
        }
        out += name;
    }
    return out;
}

} // namespace pagetally
