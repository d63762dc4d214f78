#include "Common/CHashTable.h"

namespace gen
{

std::uint32_t JOneAtATimeHash(const void* key, std::size_t byteCount)
{
    const auto* bytes = static_cast<const unsigned char*>(key);
    std::uint32_t h = 0;
    for (std::size_t i = 0; i < byteCount; ++i)
    {
        h += bytes[i];
        h += h << 10;
        h ^= h >> 6;
    }
    h += h << 3;
    h ^= h >> 11;
    h += h << 15;
    return h;
}

} // namespace gen
