#include "Common/DataFolder.h"

#include "Common/NameCase.h"
#include "Common/Path.h"
#include "Common/Problems.h"
#include "Common/Utf8System.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <system_error>

namespace gen
{

namespace fs = std::filesystem;

namespace
{
std::string gDataFolder;
std::vector<std::string> gSearched;
std::string gOverlay;
// Data names found only in another case, and the paths used for them: each
// is looked up and reported once in a run.
std::map<std::string, std::string> gCaseMatches;

// Paths travel as UTF-8 strings (SDL gives the executable's folder so).
fs::path ToPath(const std::string& text)
{
    return FilePath(text);
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

// Links resolved where the path exists: the executable's folder comes with
// them resolved, the build folder as it was configured.
fs::path Resolved(const fs::path& path)
{
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : resolved;
}

// True when path is folder or lies below it.
bool IsInside(const fs::path& path, const fs::path& folder)
{
    const fs::path relative = Resolved(path).lexically_relative(Resolved(folder));
    return !relative.empty() && *relative.begin() != "..";
}

// The path for a relative data name missing as written: the one name on disk
// that differs from it only in case (said once on standard error), else the
// exact path, which is then reported missing as usual.
std::string MatchedOrExact(const std::string& native, const std::string& exact)
{
    const auto known = gCaseMatches.find(native);
    if (known != gCaseMatches.end())
    {
        return known->second;
    }
    const SCaseMatch match = MatchNameCase(gDataFolder, native);
    std::string used = exact;
    if (match.Result == kCaseMatched)
    {
        used = match.Path;
        std::cerr << exact << ": not found as written; using " << used << " (the same name in another case)\n";
    }
    else if (match.Result == kCaseAmbiguous)
    {
        ReportProblem(exact, exact + ": not found as written, and " + match.Clash +
                                 " differ from it only in case; none is taken");
    }
    gCaseMatches[native] = used;
    return used;
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

std::vector<std::string> DataFolderCandidates(const std::string& workingFolder, const std::string& executableFolder,
                                              const SBuildTree& buildTree)
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
    // A copied or installed executable is outside the build tree and never
    // reads the source folder, which may hold newer data than it was built for.
    if (!buildTree.BuildFolder.empty() && !buildTree.SourceFolder.empty() &&
        IsInside(folder, ToPath(buildTree.BuildFolder)))
    {
        AddOnce(candidates, ToPath(buildTree.SourceFolder));
    }
    return candidates;
}

bool LocateDataFolder(const std::vector<std::string>& candidates)
{
    gSearched = candidates;
    gDataFolder.clear();
    gCaseMatches.clear();
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
    if (ToPath(native).is_absolute())
    {
        return native;
    }
    if (!gOverlay.empty())
    {
        std::error_code error;
        const fs::path over = ToPath(gOverlay) / ToPath(native);
        if (fs::is_regular_file(over, error))
        {
            return ToText(over);
        }
        // A file dropped as STONE.png stands for the Stone.png the data names.
        const SCaseMatch match = MatchNameCase(gOverlay, native);
        if (match.Result == kCaseMatched)
        {
            return match.Path;
        }
    }
    const std::string exact = gDataFolder.empty() ? native : ToText(ToPath(gDataFolder) / ToPath(native));
    return Exists(ToPath(exact)) ? exact : MatchedOrExact(native, exact);
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(ToPath(NativePath(path)), error);
    return error ? path : ToText(absolute);
}

std::string MediaName(const std::string& name)
{
    return ToPath(NativePath(name)).is_absolute() ? name : "Media\\" + name;
}

void SetDataOverlay(const std::string& folder)
{
    gOverlay = folder;
}

const std::string& DataOverlay()
{
    return gOverlay;
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
    return "could not find the data (Entities.xml, Media, " + ToText(FilePath("Source") / "Render") +
           "); looked in: " + DataSearchList();
}

} // namespace gen
