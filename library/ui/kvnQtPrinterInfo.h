#pragma once

#include <string>
#include <vector>

#include "kvnPrintDocument.h"

class QPrinterInfo;

// The printers as Qt's print support sees them (CUPS on Linux), for paper detection of the print documents.

namespace kvn {

// Printer information from QPrinterInfo; the paper of a printer is its default page size, whose Windows paper code is
// QPageSize::windowsId().
class TKvnQtPrinterInfo : public IKvnPrinterInfo {
public:
    // True when Qt reports at least one installed printer.
    bool HasPrinter() const override;
    // Name of the printer chosen with SelectPrinter while it is installed, else of the default printer, else of the
    // first installed one; "" without printers.
    std::string SelectedPrinterName() const override;
    // Windows paper code of the selected printer's default paper; 0 without a printer or for a paper Windows has no
    // code for.
    int SelectedPaperCode() const override;

    // Makes the named printer the selected one; "" goes back to the system's default printer.
    void SelectPrinter(std::string name);
    // Names of the installed printers, in Qt's order.
    static std::vector<std::string> PrinterNames();

private:
    QPrinterInfo Selected() const;

    std::string fChosen;
};

// The program's one Qt printer information; the first call also makes it the core's PrinterInfo().
TKvnQtPrinterInfo& QtPrinterInfo();

} // namespace kvn
