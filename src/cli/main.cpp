// pagetally-cli: the analysis of the desktop program, driven by a list of paths.
#include "Version.h"
#include "analysis/Batch.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Paths.h"
#include "summary/Export.h"

#include <cstdio>
#include <ext/stdio_filebuf.h>
#include <iostream>
#include <thread>
#include <unistd.h>

using namespace pagetally;

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    std::string error;
    const auto options = cli::parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "pagetally-cli: " << error << "\n\n" << cli::usageText;
        return 2;
    }
    if (options->help) {
        std::cout << cli::usageText;
        return 0;
    }
    if (options->version) {
        std::cout << "pagetally-cli " << applicationVersion << '\n';
        return 0;
    }

    const unsigned jobs =
        options->jobs != 0 ? options->jobs : std::max(1u, std::thread::hardware_concurrency());
    const auto locations = cli::expandPaths(options->paths, options->recursive, std::cerr);

    if (options->format == cli::Format::Table) {
        std::vector<FileInfo> files;
        appendUnique(analyseBatch(locations, jobs, std::cout), files);
        cli::writeTable(std::cout, files);
        return 0;
    }

    // The document gets standard output to itself: everything else that writes to descriptor 1
    // from here on (error lines, the unzip child's messages) is sent to standard error.
    std::cout.flush();
    const int documentFd = ::dup(STDOUT_FILENO);
    if (documentFd < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::perror("pagetally-cli");
        return 1;
    }
    std::vector<FileInfo> files;
    appendUnique(analyseBatch(locations, jobs, std::cerr), files);
    __gnu_cxx::stdio_filebuf<char> documentBuffer(documentFd, std::ios::out);
    std::ostream document(&documentBuffer);
    if (options->format == cli::Format::Json) {
        writeJson(document, files);
    } else {
        writeCsv(document, files);
    }
    document.flush();
    return document ? 0 : 1;
}
