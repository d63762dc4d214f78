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
        : mBucketCount(0), mEntryCount(0), mHashFunction(hashFunction), mMaxLoadFactor(maxLoadFactor)
    {
        const std::string name = QualifiedName("CHashTable");
        Guarded(kFile, name.c_str(), [&] {
            // A table always has at least one bucket, so a key always has a home.
            const std::uint32_t size = initialSize > 0 ? initialSize : 1;
            mBuckets = AllocateBuckets(size);
            if (!mBuckets)
            {
                throw CFatalException("Fatal memory error reserving hash table memory", kFile, 91);
            }
            mBucketCount = size;
        });
    }

    CHashTable(const CHashTable&) = delete;
    CHashTable& operator=(const CHashTable&) = delete;

    void SetKeyValue(const TKey& key, const TData& data)
    {
        std::uint32_t index = BucketIndex(key);
        for (auto& pair : mBuckets[index])
        {
            if (pair.first == key)
            {
                pair.second = data;
                return;
            }
        }
        if (static_cast<float>(mEntryCount) > mMaxLoadFactor * static_cast<float>(mBucketCount))
        {
            Resize(2 * mBucketCount);
            index = BucketIndex(key);
        }
        mBuckets[index].emplace_back(key, data);
        ++mEntryCount;
    }

    bool LookUpKey(const TKey& key, TData& data) const
    {
        for (const auto& pair : mBuckets[BucketIndex(key)])
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
        auto& bucket = mBuckets[BucketIndex(key)];
        for (auto it = bucket.begin(); it != bucket.end(); ++it)
        {
            if (it->first == key)
            {
                bucket.erase(it);
                --mEntryCount;
                return true;
            }
        }
        return false;
    }

    void RemoveAllKeys()
    {
        for (std::uint32_t i = 0; i < mBucketCount; ++i)
        {
            mBuckets[i].clear();
        }
        mEntryCount = 0;
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
            std::unique_ptr<TBucket[]> oldBuckets = std::move(mBuckets);
            const std::uint32_t oldCount = mBucketCount;
            mBuckets = std::move(newBuckets);
            mBucketCount = newSize;
            mEntryCount = 0;
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

    std::uint32_t GetBucketCount() const { return mBucketCount; }
    std::uint32_t GetEntryCount() const { return mEntryCount; }

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
        return mHashFunction(&key, sizeof(TKey)) % mBucketCount;
    }

    std::unique_ptr<TBucket[]> mBuckets;
    std::uint32_t mBucketCount;
    std::uint32_t mEntryCount;
    THashFunction mHashFunction;
    float mMaxLoadFactor;
};

} // namespace gen
