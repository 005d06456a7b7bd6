#pragma once

#include <ostream>

// The results print job and the result book from the command line: the list of one node, or the book of a
// competition, written as a PDF file or an HTML page, without a window on screen.

namespace veltro {

struct TTreeExportRequest;

// Prints the list of the request's node with the page settings of the settings file, which it leaves unchanged, into
// the request's PDF file or HTML page; exit status as RunList, and 3 when the output cannot be written.
int RunPrint(const TTreeExportRequest& request, std::ostream& out, std::ostream& err);

// Prints the result book of the request's competition (the club book of its club, or of all clubs) into the PDF
// file or HTML page as RunPrint does; 2 also for a club that the competition does not have.
int RunBook(const TTreeExportRequest& request, std::ostream& out, std::ostream& err);

} // namespace veltro
