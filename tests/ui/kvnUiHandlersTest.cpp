#include "kvnUiHandlers.h"
#include "kvnFormatSettings.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace kvn;

TEST(LocaleFormats, QtLettersBecomeCoreLetters)
{
    EXPECT_EQ(CoreFormatFromQt("dd.MM.yyyy"), "dd.mm.yyyy");
    EXPECT_EQ(CoreFormatFromQt("HH:mm:ss"), "hh:nn:ss");
    EXPECT_EQ(CoreFormatFromQt("h:mm AP"), "h:nn");
    EXPECT_EQ(CoreFormatFromQt("d 'de' MMMM"), "d \"de\" mmmm");
}

TEST(LocaleFormats, GermanLocaleFillsTheFormatSettings)
{
    TFormatSettings saved = FormatSettings();
    ApplyLocaleFormatSettings(QLocale(QLocale::German, QLocale::Germany));
    const TFormatSettings& settings = FormatSettings();
    EXPECT_EQ(settings.DateSeparator, ".");
    EXPECT_EQ(settings.TimeSeparator, ":");
    EXPECT_EQ(settings.LongMonthNames[2], "M\xC3\xA4rz");
    EXPECT_EQ(settings.LongDayNames[0], "Sonntag");
    EXPECT_NE(settings.ShortDateFormat.find("mm"), std::string::npos);
    FormatSettings() = saved;
}
