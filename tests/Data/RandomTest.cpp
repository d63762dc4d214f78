#include "Data/CRandom.h"

#include <gtest/gtest.h>

#include <vector>

namespace gen
{
namespace
{

TEST(Random, UnseededSequenceIsTheClassicLinearCongruentialOne)
{
    // The sequence every level relies on for its randomised placements.
    CRandom random;
    const std::vector<std::uint32_t> expected = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (std::uint32_t value : expected)
    {
        EXPECT_EQ(random.Next(), value);
    }
}

TEST(Random, RangeMapsZeroAndMaximumToTheEnds)
{
    // Seeds whose next value is 0 and 32767 respectively.
    CRandom low(0xA170F641u);
    EXPECT_EQ(low.Random(-5.0f, 5.0f), -5.0f);
    CRandom high(0xF01BF641u);
    EXPECT_EQ(high.Random(-5.0f, 5.0f), 5.0f);

    CRandom random;
    EXPECT_EQ(random.Random(-5.0f, 5.0f), static_cast<float>(-5.0 + 41.0 / 32767.0 * 10.0));
    // An empty range still draws a value.
    EXPECT_EQ(random.Random(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(random.Next(), 6334u);
}

} // namespace
} // namespace gen
