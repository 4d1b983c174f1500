#include <QCoreApplication>
#include <gtest/gtest.h>

// The main of the core tests: no GUI application, and the binary links no widgets,
// so building it proves the store and the rules stay free of them.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
