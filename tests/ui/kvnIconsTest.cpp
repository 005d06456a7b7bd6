#include "kvnIcons.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace kvn;

TEST(Icons, ProgramErrorAndToolBarPicturesAreBundled)
{
    QList<QSize> sizes = ProgramIcon().availableSizes();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    EXPECT_FALSE(ErrorIcon().isNull());
    EXPECT_TRUE(QFile::exists(kErrorIconResource));
    EXPECT_TRUE(QFile::exists(kLogoResource));

    // Every command of the tool bar shows a picture on a desktop whose theme has none.
    for (const char* name : {"document-open", "dialog-information", "document-properties", "document-print",
                             "edit-find", "edit-copy", "document-edit"}) {
        EXPECT_TRUE(HasBundledIcon(name)) << name;
        EXPECT_FALSE(ThemeIcon(name).isNull()) << name;
    }
    EXPECT_FALSE(HasBundledIcon("veltro-no-such-icon"));
    EXPECT_TRUE(ThemeIcon("veltro-no-such-icon").isNull());
}
