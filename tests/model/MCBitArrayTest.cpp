#include "clavenor/model/MCBitArray.h"

#include <gtest/gtest.h>

TEST(MCBitArray, WordsBitsAndSizes) {
    clavenor::MCBitArray bits(17);
    EXPECT_TRUE(bits.GetWordCount() == 2 && bits.GetAll() == 0);
    bits.Set(16);
    bits.Set(5);
    EXPECT_NE(bits.Get(16), 0u);
    EXPECT_EQ(bits.Get(5), 32u) << "the masked bit, not 1";
    bits.Clear(16);
    EXPECT_TRUE(bits.Get(16) == 0 && bits.Get(4) == 0 && bits.GetAll() == 1);
    bits.ClearAll();
    EXPECT_EQ(bits.GetAll(), 0);
    bits.Set(3);
    bits.SetSize(16);
    EXPECT_TRUE(bits.GetWordCount() == 1 && bits.Get(3) == 0) << "a new size starts cleared";
    bits.SetSize(0);
    EXPECT_TRUE(bits.GetWordCount() == 0 && bits.GetAll() == 0);
}
