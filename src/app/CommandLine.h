// The desktop program's command line: `pagetally [FILE|FOLDER]...`, as a file manager's
// "Open With" calls it.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace pagetally {

struct CommandLine
{
    enum class Action { OpenWindow, ShowHelp, ShowVersion, UsageError };

    Action action = Action::OpenWindow;
    // The files and folders to add, absolute, in the order given.
    std::vector<std::filesystem::path> locations;
    // The option that is not known, for a usage error.
    std::string unknownOption;
};

// `arguments` without the program's name. "--" ends the options, so that a file may be named "-x.txt".
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Answers a command line that opens no window, on `out` or, for a usage error, on `err`; returns
// the exit status (0, or 2 on a usage error). The texts are translated, so an application
// object with its translations must exist.
int answerWithoutWindow(const CommandLine& command, std::ostream& out, std::ostream& err);

} // namespace pagetally
