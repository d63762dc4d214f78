// The chained hash table: Jenkins' hash, growth past the load limit, chains in
// insertion order, and the fatal errors when its buckets cannot be reserved.
#include "Common/CHashTable.h"
#include "Support/Checks.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

using namespace gen;

namespace
{

using TTable = CHashTable<unsigned int, unsigned int>;

// Set to make the table's bucket allocations fail.
bool gRefuseArrays = false;

std::uint32_t HashOf(unsigned int key)
{
    return JOneAtATimeHash(&key, sizeof key);
}

// Everything in one bucket.
std::uint32_t ConstantHash(const void*, std::size_t)
{
    return 5;
}

// A key that records the order in which a chain compares it.
std::vector<unsigned int> gCompared;
struct SKey
{
    unsigned int Id;
    bool operator==(const SKey& other) const
    {
        gCompared.push_back(Id);
        return Id == other.Id;
    }
};

} // namespace

// The table reserves its buckets with the nothrow array new.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (gRefuseArrays)
    {
        return nullptr;
    }
    try
    {
        return ::operator new[](size);
    }
    catch (...)
    {
        return nullptr;
    }
}

namespace
{

TEST(HashTable, OneAtATimeKnownValues)
{
    EXPECT_EQ(HashOf(0), 0u);
    EXPECT_EQ(HashOf(1), 0x009DBEE6u);
    EXPECT_EQ(HashOf(2), 0xCEC998A9u);
    EXPECT_EQ(JOneAtATimeHash("abc", 3), 0xED131F5Bu);
}

TEST(HashTable, GrowsOnlyWhenANewKeyArrivesPastTheLoadLimit)
{
    TTable t(2048, JOneAtATimeHash, 0.7f);
    for (unsigned int k = 0; k < 1434; ++k)
    {
        t.SetKeyValue(k, k * 10);
    }
    t.SetKeyValue(7, 7); // overwriting never grows, however full the table is
    EXPECT_EQ(t.GetBucketCount(), 2048u);
    EXPECT_EQ(t.GetEntryCount(), 1434u);
    unsigned int out = 99;
    EXPECT_TRUE(t.LookUpKey(7, out));
    EXPECT_EQ(out, 7u);
    t.SetKeyValue(7, 70);
    // Absent keys are neither found nor removed, and leave the out-parameter alone.
    EXPECT_FALSE(t.LookUpKey(5000, out));
    EXPECT_EQ(out, 7u);
    EXPECT_FALSE(t.RemoveKey(5000));
    t.SetKeyValue(1434, 14340);
    EXPECT_EQ(t.GetBucketCount(), 4096u);
    EXPECT_EQ(t.GetEntryCount(), 1435u);
    for (unsigned int k = 0; k <= 1434; ++k)
    {
        ASSERT_TRUE(t.LookUpKey(k, out)) << k;
        EXPECT_EQ(out, k * 10);
    }

    // Removing every key keeps the buckets.
    t.RemoveAllKeys();
    EXPECT_EQ(t.GetEntryCount(), 0u);
    EXPECT_EQ(t.GetBucketCount(), 4096u);
    EXPECT_FALSE(t.LookUpKey(7, out));
}

TEST(HashTable, CollisionsKeepInsertionOrderThroughRemovalAndResize)
{
    CHashTable<SKey, unsigned int> t(16, ConstantHash, 100.0f);
    for (unsigned int k = 1; k <= 4; ++k)
    {
        t.SetKeyValue({k}, k + 100);
    }
    EXPECT_TRUE(t.RemoveKey({1}));
    EXPECT_EQ(t.GetEntryCount(), 3u);
    // A missing key is compared with the whole chain, front first.
    unsigned int out = 0;
    gCompared.clear();
    EXPECT_FALSE(t.LookUpKey({9}, out));
    EXPECT_EQ(gCompared, (std::vector<unsigned int>{2, 3, 4}));

    // Resizing reinserts bucket by bucket, front first, so the chain keeps its order.
    t.Resize(64);
    EXPECT_EQ(t.GetBucketCount(), 64u);
    gCompared.clear();
    EXPECT_FALSE(t.LookUpKey({9}, out));
    EXPECT_EQ(gCompared, (std::vector<unsigned int>{2, 3, 4}));
    ASSERT_TRUE(t.LookUpKey({3}, out));
    EXPECT_EQ(out, 103u);
}

TEST(HashTable, BucketsThatCannotBeReservedAreFatal)
{
    const auto expectFatal = [](const std::function<void()>& call, int line, const char* function) {
        gRefuseArrays = true;
        ExpectFatal(call, "Fatal memory error reserving hash table memory", "Source/Common/CHashTable", line,
                    std::string("gen::CHashTable<unsigned int,unsigned int>::") + function + " <- ");
        gRefuseArrays = false;
    };
    expectFatal([] { TTable t(8, JOneAtATimeHash, 0.7f); }, 91, "CHashTable");
    TTable t(1, JOneAtATimeHash, 0.5f);
    t.SetKeyValue(1, 1);
    expectFatal([&] { t.Resize(4); }, 344, "Resize");
    expectFatal([&] { t.SetKeyValue(2, 2); }, 344, "Resize"); // growing
    // A failed resize leaves the table as it was.
    unsigned int out = 0;
    EXPECT_EQ(t.GetBucketCount(), 1u);
    EXPECT_TRUE(t.LookUpKey(1, out));
}

} // namespace
