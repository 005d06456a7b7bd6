#include "kvnQtPrinterInfo.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QString>
#include <QStringList>

#include <utility>

namespace kvn {

namespace {

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

} // namespace

TKvnQtPrinterInfo::TKvnQtPrinterInfo() = default;

TKvnQtPrinterInfo::~TKvnQtPrinterInfo() = default;

bool TKvnQtPrinterInfo::HasPrinter() const
{
    return PdfChosen() || !QPrinterInfo::availablePrinterNames().isEmpty();
}

QPrinterInfo TKvnQtPrinterInfo::Selected() const
{
    if (!fChosen.empty()) {
        QPrinterInfo chosen = QPrinterInfo::printerInfo(QString::fromStdString(fChosen));
        if (!chosen.isNull()) return chosen;
    }
    QPrinterInfo standard = QPrinterInfo::defaultPrinter();
    if (!standard.isNull()) return standard;
    // CUPS may have printers but no default one; Windows would then still have a selected printer.
    QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    return printers.isEmpty() ? QPrinterInfo() : printers.first();
}

std::string TKvnQtPrinterInfo::SelectedPrinterName() const
{
    if (PdfChosen()) return kPdfPrinterName;
    QPrinterInfo printer = Selected();
    return printer.isNull() ? std::string() : Utf8(printer.printerName());
}

int TKvnQtPrinterInfo::SelectedPaperCode() const
{
    const QPrinter* printer = SelectedPrinter();
    // A new QPrinter takes the paper the printer's queue settings select, the nearest thing to its current document
    // properties; an invalid size has the code 0.
    return printer != nullptr ? printer->pageLayout().pageSize().windowsId() : 0;
}

QPrinter* TKvnQtPrinterInfo::SelectedPrinter() const
{
    std::string name = SelectedPrinterName();
    if (name.empty()) {
        fPrinter.reset();
        fPrinterName.clear();
        return nullptr;
    }
    if (!fPrinter || name != fPrinterName) {
        if (PdfChosen()) {
            fPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
            fPrinter->setOutputFormat(QPrinter::PdfFormat);
        } else {
            fPrinter = std::make_unique<QPrinter>(Selected(), QPrinter::HighResolution);
        }
        fPrinterName = name;
    }
    return fPrinter.get();
}

void TKvnQtPrinterInfo::SelectPrinter(std::string name)
{
    fChosen = std::move(name);
}

std::vector<std::string> TKvnQtPrinterInfo::PrinterNames()
{
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        names.push_back(Utf8(name));
    return names;
}

TKvnQtPrinterInfo& QtPrinterInfo()
{
    static TKvnQtPrinterInfo info;
    static bool installed = [] {
        SetPrinterInfo(&info);
        return true;
    }();
    (void)installed;
    return info;
}

} // namespace kvn
