#pragma once

#include <ostream>

// The results print job from the command line: the list of one node written as a PDF file or an HTML page, without
// a window on screen.

namespace veltro {

struct TTreeExportRequest;

// Prints the list of the request's node with the page settings of the settings file, which it leaves unchanged, into
// the request's PDF file or HTML page; exit status as RunList, and 3 when the output cannot be written.
int RunPrint(const TTreeExportRequest& request, std::ostream& out, std::ostream& err);

} // namespace veltro
