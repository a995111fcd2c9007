// pagetally-pdf [PARENT-PID]: measures the PDFs that the program passes to it over standard input.
#include "analysis/formats/PdfAnalysis.h"

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    const long parent = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    return pagetally::servePdfRequests(STDIN_FILENO, static_cast<pid_t>(parent));
}
