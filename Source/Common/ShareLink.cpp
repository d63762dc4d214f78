#include "Common/ShareLink.h"

#include "Common/LzString.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace gen
{

namespace
{

using TJson = nlohmann::json;

bool EndsWithNoCase(const std::string& text, const std::string& end)
{
    if (text.size() < end.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < end.size(); ++i)
    {
        const char c = text[text.size() - end.size() + i];
        if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != end[i])
        {
            return false;
        }
    }
    return true;
}

// The member's string, or false where it is there but not a string ("" and
// true where it is missing: a later version may leave it out).
bool ReadString(const TJson& object, const char* name, std::string& out)
{
    const auto found = object.find(name);
    if (found == object.end())
    {
        return true;
    }
    if (!found->is_string())
    {
        return false;
    }
    out = found->get<std::string>();
    return true;
}

bool ReadFile(const TJson& json, SLinkFile& file)
{
    return json.is_object() && ReadString(json, "path", file.Path) && ReadString(json, "text", file.Text);
}

bool ReadValue(const TJson& json, SLinkValue& value)
{
    if (!json.is_object() || !ReadString(json, "file", value.File) || !ReadString(json, "name", value.Name))
    {
        return false;
    }
    const auto numbers = json.find("values");
    if (numbers == json.end())
    {
        return true;
    }
    if (!numbers->is_array())
    {
        return false;
    }
    for (const TJson& number : *numbers)
    {
        if (!number.is_number())
        {
            return false;
        }
        value.Values.push_back(number.get<float>());
    }
    return true;
}

bool SensibleValue(const SLinkValue& value)
{
    const bool finite =
        std::all_of(value.Values.begin(), value.Values.end(), [](float v) { return std::isfinite(v); });
    return !value.File.empty() && !value.Name.empty() && !value.Values.empty() && value.Values.size() <= 4 && finite;
}

// Each item of the array member through read; false where the member is
// there but not an array, or an item does not read.
template <typename TItem, typename TRead>
bool ReadArray(const TJson& payload, const char* name, std::vector<TItem>& items, TRead read)
{
    const auto found = payload.find(name);
    if (found == payload.end())
    {
        return true;
    }
    if (!found->is_array())
    {
        return false;
    }
    for (const TJson& item : *found)
    {
        items.emplace_back();
        if (!read(item, items.back()))
        {
            return false;
        }
    }
    return true;
}

bool ReadPayload(const std::string& text, SLink& link, std::string& error)
{
    TJson payload;
    try
    {
        payload = TJson::parse(text);
    }
    catch (const TJson::exception& e) // a syntax error, or a number past a double's range
    {
        error = std::string("the link's contents are malformed: ") + e.what();
        return false;
    }
    if (!payload.is_object() || !ReadArray(payload, "files", link.Files, ReadFile) ||
        !ReadArray(payload, "values", link.Values, ReadValue))
    {
        error = "the link's contents are malformed: not the object of files and values a link holds";
        return false;
    }
    const auto v = payload.find("v");
    const double version = v != payload.end() && v->is_number() ? v->get<double>() : 0.0;
    if (version < 1 || version > kLinkVersion)
    {
        error = "the link was made by another version of Tessavin (format " + std::to_string(int(version)) +
                "; this one reads " + std::to_string(kLinkVersion) + ")";
        return false;
    }
    for (const SLinkFile& file : link.Files)
    {
        if (!IsLinkFileName(file.Path))
        {
            error = "the link names a file it may not write: \"" + file.Path +
                    "\" (only shaders in Source/Render or Filters)";
            return false;
        }
    }
    for (const SLinkValue& value : link.Values)
    {
        if (!SensibleValue(value))
        {
            error = "the link's value for \"" + value.File + ":" + value.Name +
                    "\" is not a file, a name and one to four finite numbers";
            return false;
        }
    }
    return true;
}

} // namespace

bool IsLinkFileName(const std::string& path)
{
    std::vector<std::string> parts(1);
    for (const char c : path)
    {
        if (c == '/' || c == '\\')
        {
            parts.emplace_back();
        }
        else
        {
            parts.back() += c;
        }
    }
    const std::string& name = parts.back();
    const bool folder = (parts.size() == 2 && parts[0] == "Filters") ||
                        (parts.size() == 3 && parts[0] == "Source" && parts[1] == "Render");
    if (!folder || name.empty() || name[0] == '.' || name.find(':') != std::string::npos)
    {
        return false;
    }
    for (const char* extension : {".fx", ".hlsl", ".psh", ".vsh"})
    {
        if (EndsWithNoCase(name, extension))
        {
            return true;
        }
    }
    return false;
}

std::string LinkJson(const SLink& link)
{
    TJson files = TJson::array();
    for (const SLinkFile& file : link.Files)
    {
        files.push_back({{"path", file.Path}, {"text", file.Text}});
    }
    TJson payload = {{"v", kLinkVersion}, {"files", files}};
    if (!link.Values.empty())
    {
        TJson values = TJson::array();
        for (const SLinkValue& value : link.Values)
        {
            values.push_back({{"file", value.File}, {"name", value.Name}, {"values", value.Values}});
        }
        payload["values"] = values;
    }
    // A file that is not UTF-8 (an old Latin-1 shader) goes with U+FFFD for
    // what does not read, rather than stopping the link.
    return payload.dump(-1, ' ', false, TJson::error_handler_t::replace);
}

std::string LinkFragment(const SLink& link)
{
    return LzCompressUri(LinkJson(link));
}

bool ReadLink(const std::string& address, SLink& link, std::string& error)
{
    link = SLink();
    if (address.size() > kLinkLimit)
    {
        error = "the link is " + std::to_string(address.size()) + " characters long, over the " +
                std::to_string(kLinkLimit / 1024) + " kB browsers keep; share fewer or shorter files";
        return false;
    }
    const std::size_t hash = address.find('#');
    const std::string fragment = hash == std::string::npos ? address : address.substr(hash + 1);
    std::string payload;
    if (fragment.empty() || !LzDecompressUri(fragment, payload))
    {
        error = "the link's fragment (after '#') is not one Tessavin made";
        return false;
    }
    return ReadPayload(payload, link, error);
}

} // namespace gen
