#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kvnPrintDocument.h"

class QPrinter;
class QPrinterInfo;

// The printers as Qt's print support sees them (CUPS on Linux), for paper detection of the print documents.

namespace kvn {

// The printer that writes PDF files, offered beside the installed ones so that printing and preview work on machines
// without printers. No CUPS queue can have this name, since queue names hold no blank.
inline constexpr const char* kPdfPrinterName = "PDF file";

// Printer information from QPrinterInfo, and the PDF printer once it is chosen. The paper of a printer is the page
// size of its QPrinter (the printer's default page size until its properties are changed), whose Windows paper code
// is QPageSize::windowsId().
class TKvnQtPrinterInfo : public IKvnPrinterInfo {
public:
    TKvnQtPrinterInfo();
    ~TKvnQtPrinterInfo() override;
    TKvnQtPrinterInfo(const TKvnQtPrinterInfo&) = delete;
    TKvnQtPrinterInfo& operator=(const TKvnQtPrinterInfo&) = delete;

    // True when Qt reports at least one installed printer or the PDF printer is chosen.
    bool HasPrinter() const override;
    // Name of the printer chosen with SelectPrinter while it is installed (kPdfPrinterName for the PDF printer),
    // else of the default printer, else of the first installed one; "" without printers.
    std::string SelectedPrinterName() const override;
    // Windows paper code of the selected printer's paper; 0 without a printer or for a paper Windows has no code for.
    int SelectedPaperCode() const override;

    // Makes the named printer the selected one; "" goes back to the system's default printer.
    void SelectPrinter(std::string name);
    // The QPrinter of the selected printer (a PDF writer for the PDF printer); it keeps the changes of a properties
    // dialog while the selection stays. nullptr without a printer.
    QPrinter* SelectedPrinter() const;
    // Names of the installed printers, in Qt's order.
    static std::vector<std::string> PrinterNames();

private:
    QPrinterInfo Selected() const;
    bool PdfChosen() const { return fChosen == kPdfPrinterName; }

    std::string fChosen;
    mutable std::unique_ptr<QPrinter> fPrinter;
    mutable std::string fPrinterName; // the printer fPrinter was made for
};

// The program's one Qt printer information; the first call also makes it the core's PrinterInfo().
TKvnQtPrinterInfo& QtPrinterInfo();

} // namespace kvn
