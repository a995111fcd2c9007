#include "app/CommandLine.h"

#include "Version.h"

#include <QCoreApplication>

namespace pagetally {

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine command;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            std::error_code ec;
            std::filesystem::path location = std::filesystem::absolute(argument, ec);
            command.locations.push_back(ec ? std::filesystem::path(argument) : std::move(location));
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            command.action = CommandLine::Action::ShowHelp;
        } else if (argument == "--version") {
            command.action = CommandLine::Action::ShowVersion;
        } else {
            command.action = CommandLine::Action::UsageError;
            command.unknownOption = argument;
            return command;
        }
    }
    return command;
}

int answerWithoutWindow(const CommandLine& command, std::ostream& out, std::ostream& err)
{
    switch (command.action) {
    case CommandLine::Action::ShowHelp:
        out << QCoreApplication::translate(
                   "pagetally::CommandLine",
                   "Usage: pagetally [FILE|FOLDER]...\n"
                   "Opens a window and counts the files given, as if they were dropped on it:\n"
                   "folders are searched for files, their names sorted.\n"
                   "\n"
                   "  --help     show this text\n"
                   "  --version  show the version\n"
                   "  --         end of options\n")
                   .toStdString();
        return 0;
    case CommandLine::Action::ShowVersion:
        out << "pagetally " << applicationVersion << '\n';
        return 0;
    case CommandLine::Action::UsageError:
        err << QCoreApplication::translate("pagetally::CommandLine",
                                           "pagetally: unknown option %1\n"
                                           "Try “pagetally --help” for more information.\n")
                   .arg(QString::fromLocal8Bit(command.unknownOption))
                   .toStdString();
        return 2;
    case CommandLine::Action::OpenWindow:
        break;
    }
    return 0;
}

} // namespace pagetally
