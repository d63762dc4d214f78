#include "Common/NameCase.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace gen
{

namespace fs = std::filesystem;

namespace
{

char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Folded(x) == Folded(y); });
}

SCaseMatch MatchNameCase(const std::string& folder, const std::string& name)
{
    SCaseMatch match;
    const fs::path base = fs::u8path(folder.empty() ? std::string(".") : folder);
    fs::path path = base;
    bool exact = true;
    for (const fs::path& part : fs::u8path(name))
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
                match.Clash += (match.Clash.empty() ? "" : ", ") + (path / fs::u8path(n)).lexically_normal().u8string();
            }
            return match;
        }
        path /= fs::u8path(names.front());
        exact = false;
    }
    match.Result = exact ? kCaseExact : kCaseMatched;
    match.Path = path.lexically_normal().u8string();
    return match;
}

} // namespace gen
