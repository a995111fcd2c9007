#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

namespace pagetally::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "pagetally-test-XXXXXX").native();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::write(std::string_view name, std::string_view bytes) const
{
    const auto file = path_ / std::filesystem::path(std::string(name));
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.native());
    }
    return file;
}

std::filesystem::path dataFile(std::string_view name)
{
    return std::filesystem::path(PAGETALLY_TEST_DATA) / std::string(name);
}

} // namespace pagetally::test
