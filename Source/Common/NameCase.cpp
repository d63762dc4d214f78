#include "Common/NameCase.h"

#include "Common/Utf8System.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <system_error>
#include <vector>

namespace gen
{

namespace fs = std::filesystem;

namespace
{

// The lower-case form of a code point, for the scripts file names are
// written in most (Latin, Greek, Cyrillic); others stay as they are.
char32_t Folded(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
    {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F)
    {
        return c + 0x50;
    }
    // Greek capitals with an accent.
    if (c == 0x386)
    {
        return 0x3AC;
    }
    if (c >= 0x388 && c <= 0x38A)
    {
        return c + 0x25;
    }
    if (c == 0x38C)
    {
        return 0x3CC;
    }
    if (c == 0x38E || c == 0x38F)
    {
        return c + 0x3F;
    }
    const bool pairedLatin = (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool pairedLatinOdd = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((pairedLatin && c % 2 == 0) || (pairedLatinOdd && c % 2 == 1))
    {
        return c + 1;
    }
    return c;
}

// The next code point of UTF-8 text at i (a byte that is not UTF-8 stands
// for itself, so Latin-1 and Shift-JIS names still compare byte for byte).
char32_t NextCodePoint(const std::string& text, std::size_t& i)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || i + length > text.size())
    {
        return byte(i++);
    }
    char32_t c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
    {
        if ((byte(i + k) & 0xC0) != 0x80)
        {
            return byte(i++);
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    i += length;
    return c;
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// The names in folder equal to name but for case, sorted.
std::vector<std::string> NamesLike(const fs::path& folder, const std::string& name)
{
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    {
        const std::string entry = it->path().filename().u8string();
        if (EqualIgnoringCase(entry, name))
        {
            found.push_back(entry);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

bool EqualIgnoringCase(const std::string& a, const std::string& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
    {
        if (Folded(NextCodePoint(a, i)) != Folded(NextCodePoint(b, j)))
        {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

SCaseMatch MatchNameCase(const std::string& folder, const std::string& name)
{
    SCaseMatch match;
    const fs::path base = FilePath(folder.empty() ? std::string(".") : folder);
    fs::path path = base;
    bool exact = true;
    for (const fs::path& part : FilePath(name))
    {
        if (Exists(path / part) || part == "." || part == "..")
        {
            path /= part;
            continue;
        }
        const std::vector<std::string> names = NamesLike(path, part.u8string());
        if (names.empty())
        {
            return match;
        }
        if (names.size() > 1)
        {
            match.Result = kCaseAmbiguous;
            for (const std::string& n : names)
            {
                match.Clash += (match.Clash.empty() ? "" : ", ") + (path / FilePath(n)).lexically_normal().u8string();
            }
            return match;
        }
        path /= FilePath(names.front());
        exact = false;
    }
    match.Result = exact ? kCaseExact : kCaseMatched;
    match.Path = path.lexically_normal().u8string();
    return match;
}

} // namespace gen
