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

void STemplateSet::AddName(const std::string& name, std::uint32_t index)
{
    ByExactName[name] = index;
    ByName.emplace(NameKey(name), index);
}

bool STemplateSet::FindName(const std::string& name, std::uint32_t& index) const
{
    auto it = ByExactName.find(name);
    if (it == ByExactName.end())
    {
        it = ByName.find(NameKey(name));
        if (it == ByName.end())
        {
            return false;
        }
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

std::string PlaceText(const SPlaces& places, std::uint64_t place)
{
    std::string text = (places.Lines ? "line " : "byte ") + std::to_string(place);
    if (places.Inflated)
    {
        text += places.Lines ? " of the inflated text" : " of the inflated data";
    }
    return text;
}

std::string ShownName(const std::string& name)
{
    constexpr std::size_t kShown = 60;
    return name.size() <= kShown ? name : name.substr(0, kShown) + "...";
}

bool SDocument::ChargeWalk() const
{
    const std::uint64_t maxObjects = kWalkObjectsBase + kWalkObjectsPerObject * Entries;
    if (WalkedObjects >= maxObjects)
    {
        WalkError = "the walk through references reached " + std::to_string(maxObjects) +
                    " objects; expected a file whose references do not fan out";
        return false;
    }
    ++WalkedObjects;
    return true;
}

void SDocument::DanglingError(std::uint32_t object, std::size_t slot) const
{
    const auto it = Dangling.find(DanglingKey(object, slot));
    if (it == Dangling.end())
    {
        WalkError = "a reference names no object";
        return;
    }
    const std::string& name = it->second.Name;
    WalkError = PlaceText(Places, it->second.Place) + ": the reference {" +
                (name.empty() ? "<GUID>" : ShownName(name)) +
                "} names no object; expected the name or GUID of an object in the file";
}

} // namespace xfile_detail
} // namespace gen
