// pagetally-pdf: measures the PDFs that the program passes to it over standard input.
#include "analysis/PdfAnalysis.h"

#include <unistd.h>

int main()
{
    return pagetally::servePdfRequests(STDIN_FILENO);
}
