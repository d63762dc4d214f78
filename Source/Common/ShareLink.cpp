#include "Common/ShareLink.h"

#include "Common/LzString.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace gen
{

namespace
{

void AppendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (const char c : text)
    {
        switch (c)
        {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
            {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            }
            else
            {
                out += c;
            }
        }
    }
    out += '"';
}

// Just enough JSON for the payload: objects, arrays, strings, numbers and
// the three names; a member nobody asked for is read and dropped.
class CJsonReader
{
public:
    explicit CJsonReader(const std::string& text) : Text(text) {}

    bool Fail(const std::string& what)
    {
        if (Error.empty())
        {
            Error = what + " at character " + std::to_string(At + 1);
        }
        return false;
    }
    bool Eat(char c)
    {
        SkipSpace();
        if (At < Text.size() && Text[At] == c)
        {
            ++At;
            return true;
        }
        return false;
    }
    bool Peek(char c)
    {
        SkipSpace();
        return At < Text.size() && Text[At] == c;
    }
    bool AtEnd()
    {
        SkipSpace();
        return At == Text.size();
    }

    // Calls member(name) for each member of an object; member reads the value.
    template <typename TMember>
    bool Object(TMember member)
    {
        if (!Eat('{'))
        {
            return Fail("an object expected");
        }
        if (Eat('}'))
        {
            return true;
        }
        do
        {
            std::string name;
            if (!String(name) || (!Eat(':') && !Fail("':' expected")) || !member(name))
            {
                return false;
            }
        } while (Eat(','));
        return Eat('}') || Fail("'}' expected");
    }

    template <typename TItem>
    bool Array(TItem item)
    {
        if (!Eat('['))
        {
            return Fail("an array expected");
        }
        if (Eat(']'))
        {
            return true;
        }
        do
        {
            if (!item())
            {
                return false;
            }
        } while (Eat(','));
        return Eat(']') || Fail("']' expected");
    }

    bool String(std::string& out)
    {
        if (!Eat('"'))
        {
            return Fail("a string expected");
        }
        out.clear();
        while (At < Text.size() && Text[At] != '"')
        {
            const char c = Text[At++];
            if (c != '\\')
            {
                out += c;
                continue;
            }
            if (At >= Text.size())
            {
                break;
            }
            const char e = Text[At++];
            const char* const simple = "\"\\/bfnrt";
            const char* const meant = "\"\\/\b\f\n\r\t";
            bool known = false;
            for (int i = 0; simple[i]; ++i)
            {
                if (e == simple[i])
                {
                    out += meant[i];
                    known = true;
                }
            }
            if (!known && !(e == 'u' && Unicode(out)))
            {
                return Fail("a bad escape");
            }
        }
        return Eat('"') || Fail("an unterminated string");
    }

    bool Number(double& value)
    {
        SkipSpace();
        const char* const start = Text.c_str() + At;
        char* end = nullptr;
        value = std::strtod(start, &end);
        if (end == start)
        {
            return Fail("a number expected");
        }
        At += static_cast<std::size_t>(end - start);
        return true;
    }

    bool Skip()
    {
        std::string ignored;
        double number = 0;
        if (Peek('{'))
        {
            return Object([&](const std::string&) { return Skip(); });
        }
        if (Peek('['))
        {
            return Array([&] { return Skip(); });
        }
        if (Peek('"'))
        {
            return String(ignored);
        }
        for (const char* word : {"true", "false", "null"})
        {
            if (Text.compare(At, std::string(word).size(), word) == 0)
            {
                At += std::string(word).size();
                return true;
            }
        }
        return Number(number);
    }

    std::string Error;

private:
    void SkipSpace()
    {
        while (At < Text.size() && (Text[At] == ' ' || Text[At] == '\n' || Text[At] == '\r' || Text[At] == '\t'))
        {
            ++At;
        }
    }
    bool Hex4(unsigned& value)
    {
        if (At + 4 > Text.size())
        {
            return false;
        }
        char* end = nullptr;
        const std::string digits = Text.substr(At, 4);
        value = static_cast<unsigned>(std::strtoul(digits.c_str(), &end, 16));
        At += 4;
        return *end == '\0';
    }
    // \uXXXX, a surrogate pair as one character, in UTF-8.
    bool Unicode(std::string& out)
    {
        unsigned code = 0, low = 0;
        if (!Hex4(code))
        {
            return false;
        }
        if (code >= 0xD800 && code < 0xDC00 && Text.compare(At, 2, "\\u") == 0)
        {
            At += 2;
            if (!Hex4(low) || low < 0xDC00 || low >= 0xE000)
            {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        else if (code >= 0xD800 && code < 0xE000)
        {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
        return true;
    }

    const std::string& Text;
    std::size_t At = 0;
};

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

bool ReadFile(CJsonReader& json, SLinkFile& file)
{
    return json.Object([&](const std::string& name) {
        return name == "path" ? json.String(file.Path) : name == "text" ? json.String(file.Text) : json.Skip();
    });
}

bool ReadValue(CJsonReader& json, SLinkValue& value)
{
    return json.Object([&](const std::string& name) {
        if (name == "values")
        {
            return json.Array([&] {
                double number = 0;
                value.Values.push_back(0.0f);
                return json.Number(number) && (value.Values.back() = static_cast<float>(number), true);
            });
        }
        return name == "file" ? json.String(value.File) : name == "name" ? json.String(value.Name) : json.Skip();
    });
}

bool SensibleValue(const SLinkValue& value)
{
    const bool finite =
        std::all_of(value.Values.begin(), value.Values.end(), [](float v) { return std::isfinite(v); });
    return !value.File.empty() && !value.Name.empty() && !value.Values.empty() && value.Values.size() <= 4 && finite;
}

bool ReadPayload(const std::string& text, SLink& link, std::string& error)
{
    CJsonReader json(text);
    double version = 0;
    const bool read = json.Object([&](const std::string& name) {
        if (name == "v")
        {
            return json.Number(version);
        }
        if (name == "files")
        {
            return json.Array([&] {
                link.Files.emplace_back();
                return ReadFile(json, link.Files.back());
            });
        }
        if (name == "values")
        {
            return json.Array([&] {
                link.Values.emplace_back();
                return ReadValue(json, link.Values.back());
            });
        }
        return json.Skip();
    });
    if (read && !json.AtEnd())
    {
        json.Fail("text after the end");
    }
    if (!json.Error.empty())
    {
        error = "the link's contents are malformed: " + json.Error;
        return false;
    }
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
    std::string out = "{\"v\":" + std::to_string(kLinkVersion) + ",\"files\":[";
    for (std::size_t i = 0; i < link.Files.size(); ++i)
    {
        out += i ? ",{\"path\":" : "{\"path\":";
        AppendJsonString(out, link.Files[i].Path);
        out += ",\"text\":";
        AppendJsonString(out, link.Files[i].Text);
        out += '}';
    }
    out += ']';
    for (std::size_t i = 0; i < link.Values.size(); ++i)
    {
        out += i ? ",{\"file\":" : ",\"values\":[{\"file\":";
        AppendJsonString(out, link.Values[i].File);
        out += ",\"name\":";
        AppendJsonString(out, link.Values[i].Name);
        out += ",\"values\":[";
        for (std::size_t v = 0; v < link.Values[i].Values.size(); ++v)
        {
            char number[32];
            std::snprintf(number, sizeof number, "%s%.9g", v ? "," : "", link.Values[i].Values[v]);
            out += number;
        }
        out += "]}";
    }
    return out + (link.Values.empty() ? "}" : "]}");
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
