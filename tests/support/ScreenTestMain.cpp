#include <QApplication>

#include <gtest/gtest.h>

#include "shell/Program.h"

// Screen tests run the real widgets in one application object, on the offscreen platform.
int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    callpad::setUpApplication(app);
    return RUN_ALL_TESTS();
}
