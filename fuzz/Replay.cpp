// Runs a fuzz target once over every file of the folders (or files) it is given, in name order,
// so that its seeds are checked in builds without libFuzzer. Usage: TARGET PATH...
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        if (fs::is_directory(path)) {
            for (const auto& entry : fs::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    inputs.push_back(entry.path());
                }
            }
        } else {
            inputs.push_back(path);
        }
    }
    if (inputs.empty()) {
        std::cerr << "replay: no inputs (usage: " << argv[0] << " PATH...)\n";
        return 2;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        std::error_code ec;
        const auto size = static_cast<std::size_t>(fs::file_size(input, ec));
        // A buffer of exactly the input's size, as libFuzzer gives, so a read past it is caught.
        const auto bytes = std::make_unique<std::uint8_t[]>(size);
        if (!in || ec || !in.read(reinterpret_cast<char*>(bytes.get()), static_cast<std::streamsize>(size))) {
            std::cerr << "replay: cannot read " << input.native() << '\n';
            return 1;
        }
        std::cout << input.filename().native() << '\n';
        LLVMFuzzerTestOneInput(bytes.get(), size);
    }
    std::cout << "replay: " << inputs.size() << " inputs\n";
    return 0;
}
