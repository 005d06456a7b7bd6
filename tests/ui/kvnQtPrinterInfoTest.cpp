#include "kvnQtPrinterInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace kvn;

// Whatever printers the machine has, the answers agree with each other and with the installed printer list.
TEST(QtPrinterInfo, AnswersMatchTheInstalledPrinters)
{
    TKvnQtPrinterInfo info;
    std::vector<std::string> names = TKvnQtPrinterInfo::PrinterNames();
    EXPECT_EQ(info.HasPrinter(), !names.empty());
    if (names.empty()) {
        EXPECT_EQ(info.SelectedPrinterName(), "");
        EXPECT_EQ(info.SelectedPaperCode(), 0);
    } else {
        EXPECT_NE(std::find(names.begin(), names.end(), info.SelectedPrinterName()), names.end());
    }

    // A chosen printer that is not installed leaves the selection as it was.
    std::string before = info.SelectedPrinterName();
    info.SelectPrinter("no printer has this name");
    EXPECT_EQ(info.SelectedPrinterName(), before);
}

TEST(QtPrinterInfo, DocumentsDetectThroughTheProgramsInstance)
{
    TKvnQtPrinterInfo& info = QtPrinterInfo();
    EXPECT_EQ(&PrinterInfo(), &info);
    if (!info.HasPrinter()) {
        TKvnDocument doc("Hoch75", &info);
        EXPECT_EQ(doc.PaperIndex(), 0);
        EXPECT_EQ(doc.PrinterName(), "");
    }
    SetPrinterInfo(nullptr);
}
