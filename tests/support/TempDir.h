// A scratch directory for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string_view>

namespace pagetally::test {

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` to a file of that name in the directory and returns its path.
    std::filesystem::path write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// The path of a committed fixture under tests/data.
std::filesystem::path dataFile(std::string_view name);

} // namespace pagetally::test
