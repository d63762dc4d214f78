#include "XFile/XFileDocument.h"

#include <cstring>

namespace gen
{
namespace xfile_detail
{

std::string GuidKey(const SXGuid& g)
{
    std::string key(16, '\0');
    std::memcpy(&key[0], &g.Data1, 4);
    std::memcpy(&key[4], &g.Data2, 2);
    std::memcpy(&key[6], &g.Data3, 2);
    std::memcpy(&key[8], g.Data4, 8);
    return key;
}

std::string NameKey(const std::string& name)
{
    std::string key = name;
    for (char& c : key)
    {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    }
    return key;
}

bool STemplateSet::FindName(const std::string& name, std::uint32_t& index) const
{
    const auto it = ByName.find(NameKey(name));
    if (it == ByName.end())
    {
        return false;
    }
    index = it->second;
    return true;
}

bool STemplateSet::FindGuid(const SXGuid& guid, std::uint32_t& index) const
{
    const auto it = ByGuid.find(GuidKey(guid));
    if (it == ByGuid.end())
    {
        return false;
    }
    index = it->second;
    return true;
}

bool SDocument::ChargeWalk(std::uint32_t object) const
{
    const std::uint64_t maxObjects = kWalkObjectsBase + kWalkObjectsPerObject * Entries;
    const std::uint64_t maxBytes = kWalkBytesBase + kWalkBytesPerByte * DataBytes;
    if (WalkedObjects >= maxObjects || Objects[object].Data.size() > maxBytes - WalkedBytes)
    {
        return false;
    }
    ++WalkedObjects;
    WalkedBytes += Objects[object].Data.size();
    return true;
}

} // namespace xfile_detail
} // namespace gen
