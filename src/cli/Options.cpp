#include "cli/Options.h"

#include <charconv>

namespace pagetally::cli {
namespace {

bool parseJobs(const std::string& text, unsigned& jobs)
{
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0) {
        return false;
    }
    jobs = value;
    return true;
}

} // namespace

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error)
{
    Options options;
    bool json = false;
    bool csv = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--csv") {
            csv = true;
        } else if (arg == "-r" || arg == "--recursive") {
            options.recursive = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "-j" || arg == "--jobs") {
            if (i + 1 >= args.size() || !parseJobs(args[i + 1], options.jobs)) {
                error = "option " + arg + " needs a positive number";
                return std::nullopt;
            }
            ++i;
        } else if (arg.starts_with("-j")) {
            if (!parseJobs(arg.substr(2), options.jobs)) {
                error = "option -j needs a positive number";
                return std::nullopt;
            }
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (json && csv) {
        error = "--json and --csv cannot be combined";
        return std::nullopt;
    }
    options.format = json ? Format::Json : csv ? Format::Csv : Format::Table;
    if (options.paths.empty() && !options.help && !options.version) {
        error = "no files given";
        return std::nullopt;
    }
    return options;
}

} // namespace pagetally::cli
