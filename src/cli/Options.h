// Command-line options of pagetally-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pagetally::cli {

enum class Format { Table, Json, Csv };

struct Options
{
    Format format = Format::Table;
    bool recursive = false;
    unsigned jobs = 0; // 0: one per processor
    bool help = false;
    bool version = false;
    std::vector<std::string> paths;
};

// The options, or nullopt with `error` set on a usage error.
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error);

// The text of --help, also shown after a usage error; its list of accepted extensions comes
// from the table of formats.
std::string usageText();

} // namespace pagetally::cli
