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

inline constexpr const char* usageText =
    "Usage: pagetally-cli [--json | --csv] [-r] [-j N] PATH...\n"
    "Counts the pages, words and running time of documents and recordings.\n"
    "Accepted: doc docx html json mp3 mp4 pdf pptx txt wav (any letter case).\n"
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

} // namespace pagetally::cli
