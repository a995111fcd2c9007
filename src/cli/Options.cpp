#include "cli/Options.h"

#include "analysis/intake/Formats.h"

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

// "Accepted: doc docx ... (any letter case).", broken between extensions so that no line is
// longer than a terminal's 80 columns; continued lines are indented under the first extension.
std::string acceptedLine()
{
    constexpr std::string_view lead = "Accepted: ";
    constexpr std::size_t width = 80;
    std::string out(lead);
    std::size_t lineStart = 0;
    bool first = true;
    auto put = [&](std::string_view word) {
        if (!first && out.size() - lineStart + 1 + word.size() > width) {
            out += '\n';
            lineStart = out.size();
            out.append(lead.size(), ' ');
        } else if (!first) {
            out += ' ';
        }
        out += word;
        first = false;
    };
    for (std::string_view ext : pagetally::supportedExtensions) {
        put(ext);
    }
    put("(any letter case).");
    return out + '\n';
}

} // namespace

std::string usageText()
{
    return "Usage: pagetally-cli [--json | --csv] [-r] [-j N] PATH...\n"
           "Counts the pages, words and running time of documents and recordings.\n" +
           acceptedLine() +
           "\n"
           "  --json     one JSON document: the records in order of addition, and the totals\n"
           "  --csv      CSV (RFC 4180): one row per record, in order of addition\n"
           "  -r         expand directories to the files below them, in sorted order\n"
           "  -j N       analyse up to N files at a time (default: one per processor;\n"
           "             at most 64, and never more than the files given)\n"
           "  --help     show this text\n"
           "  --version  show the version\n"
           "  --         end of options\n"
           "\n"
           "Files with the same name are listed once (the first). Standard error names each\n"
           "file left out that way, and each value that is not a plain measurement, and why.\n"
           "\n"
           "Exit status: 0 when every file was read and the output written; 1 when some file\n"
           "could not be read at all (missing, no permission, not a regular file), a folder\n"
           "could not be read, or the output could not be written (quietly when a reader\n"
           "such as head stops early); 2 on a usage error. Interrupted (SIGINT, SIGTERM,\n"
           "SIGHUP), it ends the files being read, removes what it unpacked, writes no\n"
           "document and ends by that signal (status 130, 143 or 129 in the shell).\n";
}

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
