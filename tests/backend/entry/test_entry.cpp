#include "BackEndMain.h"

#include <gtest/gtest.h>

TEST(BackEndMain, startWithoutValuesReturnsMinusOne)
{
    CBackEndMain main;
    EXPECT_EQ(main.StartBackEnd(), -1);
}
