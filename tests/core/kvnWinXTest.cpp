#include "kvnWinX.h"
#include "kvnMessages.h"

#include <gtest/gtest.h>

using namespace kvn;

TEST(SystemInfo, InternalNameFallsBackToTheExecutableName)
{
    TKvnSystemX info({"Veltro", "", "3.0.0.1"}, "C:/Tools/VELTRO.EXE", EncodeDate(2026, 12, 9), "Test OS");
    EXPECT_EQ(info.InternalName(), "veltro");
    EXPECT_EQ(TKvnSystemX({"Veltro", "viewer", "1.0.0.0"}, "/x/veltro", 0, "").InternalName(), "viewer");
}

TEST(SystemInfo, VersionIsFirstAndFourthNumber)
{
    TKvnSystemX info({"Veltro", "", "12.0.0.34"}, "/opt/veltro", EncodeDate(2026, 12, 9), "Test OS 1.0");
    EXPECT_EQ(info.Version(), "12.34");
    EXPECT_EQ(info.ApplicationTitle(), "Veltro 12.3");
    EXPECT_EQ(info.InfoLine(), "Veltro 12.34 - 9.12.2026; Test OS 1.0");
    // Several dots in a row count as one separator.
    EXPECT_EQ(TKvnSystemX({"V", "", "2..0.0.5"}, "", 0, "").Version(), "2.5");
}

TEST(SystemInfo, ProcessWideInfoSetsTheApplicationTitle)
{
    const TKvnSystemX& info = GetSystemInfo();
    EXPECT_EQ(info.ProductName(), "Veltro");
    EXPECT_EQ(ApplicationTitle(), info.ApplicationTitle());
    EXPECT_FALSE(OperatingSystemText().empty());
    EXPECT_EQ(FileModificationDate("/nonexistent/file"), 0);
}
