// The GUI tests' own main: the widgets need a QApplication before any test runs.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
