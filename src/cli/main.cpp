// pagetally-cli: the analysis of the desktop program, driven by a list of paths.
#include "Version.h"
#include "analysis/intake/Batch.h"
#include "analysis/system/Cancellation.h"
#include "analysis/system/ProcessSetup.h"
#include "cli/Notices.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Paths.h"
#include "summary/Export.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <thread>
#include <unistd.h>

using namespace pagetally;

namespace {

int cannotWrite(int error)
{
    std::cerr << "pagetally-cli: cannot write the output: " << std::strerror(error) << '\n';
    return 1;
}

// Whether everything sent to `out` reached its descriptor; says why not on standard error,
// unless the reader only closed the pipe early (`| head`), which is no failure worth a message.
bool written(std::ostream& out, const cli::DescriptorBuffer& buffer)
{
    out.flush();
    if (buffer.error() != 0 && buffer.error() != EPIPE) {
        cannotWrite(buffer.error());
    }
    return buffer.error() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const unsigned closedStreams = openMissingStandardStreams();
    const bool outputClosed = (closedStreams & (1u << STDOUT_FILENO)) != 0;
    catchTerminationSignals();
    std::ios::sync_with_stdio(false);
    // A reader that closes the pipe early must give EPIPE rather than end the program. Blocked
    // rather than ignored: unzip and the PDF helper start with an empty mask and so keep the
    // default, where an ignored signal would be inherited.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    std::string error;
    const auto options = cli::parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "pagetally-cli: " << error << "\n\n" << cli::usageText();
        return 2;
    }
    if (options->help || options->version) {
        if (outputClosed) {
            return cannotWrite(EBADF);
        }
        cli::DescriptorBuffer buffer(STDOUT_FILENO);
        std::ostream out(&buffer);
        if (options->help) {
            out << cli::usageText();
        } else {
            out << "pagetally-cli " << applicationVersion << '\n';
        }
        return written(out, buffer) ? 0 : 1;
    }

    // Standard output was closed: /dev/null holds its number now, and the output can go nowhere.
    if (outputClosed) {
        return cannotWrite(EBADF);
    }
    const unsigned jobs =
        options->jobs != 0 ? options->jobs : std::max(1u, std::thread::hardware_concurrency());
    const auto locations = cli::expandPaths(options->paths, options->recursive, std::cerr);

    int documentFd = STDOUT_FILENO;
    if (options->format != cli::Format::Table) {
        // The document gets standard output to itself: everything else that writes to descriptor 1
        // from here on (error lines, the unzip child's messages) is sent to standard error.
        documentFd = ::dup(STDOUT_FILENO);
        if (documentFd < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
            return cannotWrite(errno);
        }
    }
    cli::DescriptorBuffer documentBuffer(documentFd);
    std::ostream document(&documentBuffer);
    // The table keeps the analysers' error lines on standard output, before it, as it always has.
    std::ostream& diagnostics = options->format == cli::Format::Table ? document : std::cerr;

    const auto items = analyseBatch(locations.absolute, jobs, diagnostics);
    if (const int signal = interruptSignal(); signal != 0) {
        // The batch stopped short, its children ended and its folders removed: a document
        // would look complete and is not, so none is written.
        document.flush();
        endBySignal(signal);
    }
    std::vector<FileInfo> files;
    const auto skipped = appendUnique(items, files);
    const bool allRead = cli::writeNotices(std::cerr, items, skipped, locations);

    switch (options->format) {
    case cli::Format::Table:
        cli::writeTable(document, files);
        break;
    case cli::Format::Json:
        writeJson(document, files);
        break;
    case cli::Format::Csv:
        writeCsv(document, files);
        break;
    }
    const bool complete = written(document, documentBuffer) && allRead && locations.foldersComplete;
    if (const int signal = interruptSignal(); signal != 0) {
        endBySignal(signal);
    }
    return complete ? 0 : 1;
}
