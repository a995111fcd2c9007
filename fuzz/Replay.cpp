// Runs a fuzz target once over every file of the folders it is given, in name order, so that
// its seeds are checked in builds without libFuzzer. Usage: TARGET FOLDER...
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::vector<char> read{std::istreambuf_iterator<char>(in), {}};
        // A buffer of exactly the input's size, as libFuzzer gives, so a read past it is caught.
        const auto bytes = std::make_unique<std::uint8_t[]>(read.size());
        std::copy(read.begin(), read.end(), bytes.get());
        std::cout << input.filename().native() << '\n';
        LLVMFuzzerTestOneInput(bytes.get(), read.size());
    }
    std::cout << "replay: " << inputs.size() << " inputs\n";
    return inputs.empty() ? 2 : 0;
}
