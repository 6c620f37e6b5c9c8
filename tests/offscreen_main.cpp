// Test entry point of the test programs that need a widget application:
// an offscreen QApplication (fonts, painting, widgets, clipboard, screens),
// then GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
