// The level's random generator: the classic linear congruential sequence.
#include "Data/CRandom.h"

#include <gtest/gtest.h>

namespace gen
{
namespace
{

TEST(Random, UnseededSequenceAndRangeEnds)
{
    // The sequence every level relies on for its randomised placements.
    CRandom random;
    for (std::uint32_t value : {41u, 18467u, 6334u, 26500u, 19169u, 15724u, 11478u, 29358u, 26962u, 24464u})
    {
        EXPECT_EQ(random.Next(), value);
    }
    EXPECT_EQ(CRandom().Random(-5.0f, 5.0f), static_cast<float>(-5.0 + 41.0 / 32767.0 * 10.0));
    // Seeds whose next value is 0 and 32767 map to the ends of the range.
    EXPECT_EQ(CRandom(0xA170F641u).Random(-5.0f, 5.0f), -5.0f);
    EXPECT_EQ(CRandom(0xF01BF641u).Random(-5.0f, 5.0f), 5.0f);
}

} // namespace
} // namespace gen
