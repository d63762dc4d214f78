#include "Common/DataFolder.h"

#include "Common/Path.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace gen
{

namespace fs = std::filesystem;

namespace
{
std::string gDataFolder;
std::vector<std::string> gSearched;

// Paths travel as UTF-8 strings (SDL gives the executable's folder so).
fs::path ToPath(const std::string& text)
{
    return fs::u8path(text);
}

std::string ToText(const fs::path& path)
{
    return path.lexically_normal().u8string();
}

bool IsFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

void AddOnce(std::vector<std::string>& list, const fs::path& path)
{
    std::string text = ToText(path);
    // Folders compare without their trailing separator ("/a/b/" is "/a/b").
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\') && text[text.size() - 2] != ':')
    {
        text.pop_back();
    }
    if (!text.empty() && std::find(list.begin(), list.end(), text) == list.end())
    {
        list.push_back(text);
    }
}
} // namespace

bool HoldsData(const std::string& folder)
{
    const fs::path root = ToPath(folder);
    // The level counts in any form: a folder in its place is reported later.
    const int parts = int(Exists(root / "Entities.xml")) + int(IsFolder(root / "Media")) +
                      int(IsFolder(root / "Source" / "Render"));
    return parts >= 2;
}

std::vector<std::string> DataFolderCandidates(const std::string& workingFolder, const std::string& executableFolder)
{
    std::vector<std::string> candidates;
    if (!workingFolder.empty())
    {
        AddOnce(candidates, ToPath(workingFolder));
    }
    if (executableFolder.empty())
    {
        return candidates;
    }
    fs::path folder = ToPath(executableFolder).lexically_normal();
    if (!folder.has_filename() && folder.has_relative_path())
    {
        folder = folder.parent_path(); // "/usr/bin/" names the folder "/usr/bin"
    }
    for (fs::path above = folder;; above = above.parent_path())
    {
        AddOnce(candidates, above);
        if (above == above.parent_path() || above.parent_path().empty())
        {
            break;
        }
    }
    AddOnce(candidates, folder.parent_path() / "share" / "tessavin");
    return candidates;
}

bool LocateDataFolder(const std::vector<std::string>& candidates)
{
    gSearched = candidates;
    gDataFolder.clear();
    for (const std::string& candidate : candidates)
    {
        if (HoldsData(candidate))
        {
            gDataFolder = candidate;
            return true;
        }
    }
    return false;
}

const std::string& DataFolder()
{
    return gDataFolder;
}

std::string DataPath(const std::string& name)
{
    const std::string native = NativePath(name);
    if (gDataFolder.empty() || ToPath(native).is_absolute())
    {
        return native;
    }
    return ToText(ToPath(gDataFolder) / ToPath(native));
}

std::string DataSearchList()
{
    std::string list;
    for (const std::string& folder : gSearched)
    {
        list += (list.empty() ? "" : ", ") + folder;
    }
    return list;
}

std::string MissingDataMessage()
{
    if (!gDataFolder.empty() || gSearched.empty())
    {
        return ""; // found, or never searched for (tests)
    }
    return "could not find the data (Entities.xml, Media, Source\\Render); looked in: " + DataSearchList();
}

} // namespace gen
