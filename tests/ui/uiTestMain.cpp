#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

// Widgets and pixmaps need one application object for the whole run, made before the first test and destroyed
// after the last one while Qt's own globals still exist.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
