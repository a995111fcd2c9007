// The two path questions that intake and dispatch ask of a file's location.
#pragma once

#include <filesystem>
#include <string>

namespace pagetally {

// The last path component, unchanged (a trailing "/" is ignored).
std::string lastPathComponent(const std::filesystem::path& location);

// The text after the last "." of the last path component, or "" when it has none.
std::string pathExtension(const std::filesystem::path& location);

// ASCII case mapping. Full Unicode mapping would give the same answer for every comparison the
// program makes: no non-ASCII letter lower-cases into one of the accepted extensions.
std::string toLowerAscii(std::string text);
std::string toUpperAscii(std::string text);

} // namespace pagetally
