// The entry point of every widget test program: one QApplication for the whole run, then the tests.

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // CTest sets the offscreen platform; a test run by hand or listed for discovery gets it too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
