#include "Common/CHashTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace gen;

using TTable = CHashTable<unsigned int, unsigned int>;

namespace
{
std::uint32_t HashOf(unsigned int key) { return JOneAtATimeHash(&key, sizeof key); }

// Everything in one bucket, to exercise chaining.
std::uint32_t ConstantHash(const void*, std::size_t) { return 5; }
} // namespace

TEST(HashTable, OneAtATimeKnownValues)
{
    EXPECT_EQ(HashOf(0), 0u);
    EXPECT_EQ(HashOf(1), 0x009DBEE6u);
    EXPECT_EQ(HashOf(2), 0xCEC998A9u);
    EXPECT_EQ(HashOf(1) % 2048, 1766u);
    EXPECT_EQ(HashOf(2) % 2048, 169u);
    EXPECT_EQ(JOneAtATimeHash("abc", 3), 0xED131F5Bu);
}

TEST(HashTable, SetLookUpOverwriteRemove)
{
    TTable t(2048, JOneAtATimeHash, 0.7f);
    unsigned int out = 99;
    EXPECT_FALSE(t.LookUpKey(3, out));
    EXPECT_EQ(out, 99u);
    EXPECT_FALSE(t.RemoveKey(3));

    t.SetKeyValue(3, 30);
    t.SetKeyValue(3, 31);
    EXPECT_EQ(t.GetEntryCount(), 1u);
    ASSERT_TRUE(t.LookUpKey(3, out));
    EXPECT_EQ(out, 31u);

    EXPECT_TRUE(t.RemoveKey(3));
    EXPECT_FALSE(t.LookUpKey(3, out));
    EXPECT_EQ(t.GetEntryCount(), 0u);
}

TEST(HashTable, GrowsOnlyWhenANewKeyArrivesPastTheLoadLimit)
{
    TTable t(2048, JOneAtATimeHash, 0.7f);
    for (unsigned int k = 0; k < 1434; ++k)
    {
        t.SetKeyValue(k, k * 10);
    }
    EXPECT_EQ(t.GetBucketCount(), 2048u);

    // Overwriting never grows, however full the table is.
    t.SetKeyValue(7, 1);
    EXPECT_EQ(t.GetBucketCount(), 2048u);
    t.SetKeyValue(7, 70);

    t.SetKeyValue(1434, 14340);
    EXPECT_EQ(t.GetBucketCount(), 4096u);
    EXPECT_EQ(t.GetEntryCount(), 1435u);
    for (unsigned int k = 0; k <= 1434; ++k)
    {
        unsigned int out = 0;
        ASSERT_TRUE(t.LookUpKey(k, out)) << k;
        EXPECT_EQ(out, k * 10);
    }
}

TEST(HashTable, CollisionsKeepInsertionOrderAndSurviveRemoval)
{
    TTable t(16, ConstantHash, 100.0f);
    for (unsigned int k = 1; k <= 4; ++k)
    {
        t.SetKeyValue(k, k + 100);
    }
    EXPECT_TRUE(t.RemoveKey(1));
    for (unsigned int k = 2; k <= 4; ++k)
    {
        unsigned int out = 0;
        ASSERT_TRUE(t.LookUpKey(k, out));
        EXPECT_EQ(out, k + 100);
    }

    // Resizing reinserts bucket by bucket, front first, so chains keep order
    // and every pair stays reachable.
    t.Resize(64);
    EXPECT_EQ(t.GetBucketCount(), 64u);
    EXPECT_EQ(t.GetEntryCount(), 3u);
    unsigned int out = 0;
    EXPECT_TRUE(t.LookUpKey(3, out));
}

TEST(HashTable, RemoveAllKeysKeepsBuckets)
{
    TTable t(8, JOneAtATimeHash, 0.7f);
    for (unsigned int k = 0; k < 20; ++k)
    {
        t.SetKeyValue(k, k);
    }
    const auto buckets = t.GetBucketCount();
    EXPECT_GT(buckets, 8u);
    t.RemoveAllKeys();
    EXPECT_EQ(t.GetEntryCount(), 0u);
    EXPECT_EQ(t.GetBucketCount(), buckets);
    for (unsigned int k = 0; k < 20; ++k)
    {
        unsigned int out = 0;
        EXPECT_FALSE(t.LookUpKey(k, out));
    }
}
