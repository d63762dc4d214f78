#pragma once
// Separate-chaining hash table with an owner-supplied hash function. Buckets
// are lists kept in insertion order; the table doubles its bucket count when
// a new key would push it past the maximum load factor.

#include "Common/CFatalException.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <new>
#include <string>
#include <typeinfo>
#include <utility>

namespace gen
{

// Jenkins' one-at-a-time hash over the key's bytes in memory order.
std::uint32_t JOneAtATimeHash(const void* key, std::size_t byteCount);

using THashFunction = std::uint32_t (*)(const void* key, std::size_t byteCount);

// Spelling of a type inside guarded function names.
template <typename T> inline std::string HashTableTypeName() { return typeid(T).name(); }
template <> inline std::string HashTableTypeName<unsigned int>() { return "unsigned int"; }
template <> inline std::string HashTableTypeName<int>() { return "int"; }

template <typename TKey, typename TData>
class CHashTable
{
public:
    CHashTable(std::uint32_t initialSize, THashFunction hashFunction, float maxLoadFactor)
        : BucketCount(0), EntryCount(0), HashFunction(hashFunction), MaxLoadFactor(maxLoadFactor)
    {
        const std::string name = QualifiedName("CHashTable");
        Guarded(kFile, name.c_str(), [&] {
            // A table always has at least one bucket, so a key always has a home.
            const std::uint32_t size = initialSize > 0 ? initialSize : 1;
            Buckets = AllocateBuckets(size);
            if (!Buckets)
            {
                throw CFatalException("Fatal memory error reserving hash table memory", kFile, 91);
            }
            BucketCount = size;
        });
    }

    CHashTable(const CHashTable&) = delete;
    CHashTable& operator=(const CHashTable&) = delete;

    void SetKeyValue(const TKey& key, const TData& data)
    {
        std::uint32_t index = BucketIndex(key);
        for (auto& pair : Buckets[index])
        {
            if (pair.first == key)
            {
                pair.second = data;
                return;
            }
        }
        if (static_cast<float>(EntryCount) > MaxLoadFactor * static_cast<float>(BucketCount))
        {
            Resize(2 * BucketCount);
            index = BucketIndex(key);
        }
        Buckets[index].emplace_back(key, data);
        ++EntryCount;
    }

    bool LookUpKey(const TKey& key, TData& data) const
    {
        for (const auto& pair : Buckets[BucketIndex(key)])
        {
            if (pair.first == key)
            {
                data = pair.second;
                return true;
            }
        }
        return false;
    }

    bool RemoveKey(const TKey& key)
    {
        auto& bucket = Buckets[BucketIndex(key)];
        for (auto it = bucket.begin(); it != bucket.end(); ++it)
        {
            if (it->first == key)
            {
                bucket.erase(it);
                --EntryCount;
                return true;
            }
        }
        return false;
    }

    void RemoveAllKeys()
    {
        for (std::uint32_t i = 0; i < BucketCount; ++i)
        {
            Buckets[i].clear();
        }
        EntryCount = 0;
    }

    void Resize(std::uint32_t newSize)
    {
        const std::string name = QualifiedName("Resize");
        Guarded(kFile, name.c_str(), [&] {
            if (newSize == 0)
            {
                newSize = 1;
            }
            std::unique_ptr<TBucket[]> newBuckets = AllocateBuckets(newSize);
            if (!newBuckets)
            {
                throw CFatalException("Fatal memory error reserving hash table memory", kFile, 344);
            }
            std::unique_ptr<TBucket[]> oldBuckets = std::move(Buckets);
            const std::uint32_t oldCount = BucketCount;
            Buckets = std::move(newBuckets);
            BucketCount = newSize;
            EntryCount = 0;
            for (std::uint32_t i = 0; i < oldCount; ++i)
            {
                TBucket& old = oldBuckets[i];
                while (!old.empty())
                {
                    SetKeyValue(old.front().first, old.front().second);
                    old.pop_front();
                }
            }
        });
    }

    std::uint32_t GetBucketCount() const { return BucketCount; }
    std::uint32_t GetEntryCount() const { return EntryCount; }

private:
    using TBucket = std::list<std::pair<TKey, TData>>;
    static constexpr const char* kFile = "Source/Common/CHashTable";

    static std::unique_ptr<TBucket[]> AllocateBuckets(std::uint32_t count)
    {
        return std::unique_ptr<TBucket[]>(new (std::nothrow) TBucket[count]);
    }

    static std::string QualifiedName(const char* member)
    {
        return "gen::CHashTable<" + HashTableTypeName<TKey>() + "," + HashTableTypeName<TData>() + ">::" + member;
    }

    std::uint32_t BucketIndex(const TKey& key) const
    {
        return HashFunction(&key, sizeof(TKey)) % BucketCount;
    }

    std::unique_ptr<TBucket[]> Buckets;
    std::uint32_t BucketCount;
    std::uint32_t EntryCount;
    THashFunction HashFunction;
    float MaxLoadFactor;
};

} // namespace gen
