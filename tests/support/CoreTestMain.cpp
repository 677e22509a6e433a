// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>

// Deliberately no QApplication (nor QCoreApplication): what the core does
// must not need one.
int main(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
