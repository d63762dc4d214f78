#include "App/ShaderEdits.h"

#include "App/SharedLink.h"
#include "Common/DataFolder.h"
#include "Common/Path.h"
#include "Common/Problems.h"
#include "Common/ReadFile.h"
#include "Common/ShareLink.h"
#include "Common/Utf8System.h"
#include "Device/Device.h"
#include "Device/ShaderLibrary.h"
#include "Effects/UserFilters.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

namespace gen
{

namespace
{

namespace fs = std::filesystem;

const std::string kRenderFolder = "Source/Render/";
const std::string kFilterFolder = "Filters/";

// The data folder's texts as they were before this run first wrote them, by
// the data folder's path.
std::map<std::string, std::string>& Originals()
{
    static std::map<std::string, std::string> originals;
    return originals;
}

void AddShadersOf(const std::string& folder, std::set<std::string>& names)
{
    std::error_code error;
    for (fs::directory_iterator it(FilePath(folder), error), end; !error && it != end; it.increment(error))
    {
        const std::string name = kRenderFolder + it->path().filename().u8string();
        if (IsLinkFileName(name))
        {
            names.insert(name);
        }
    }
}

// The data folder's file, the run's folder aside (relative to the working
// folder when no data folder was found, as DataPath takes it: the page).
std::string DataFolderPath(const std::string& name)
{
    return DataFolder().empty() ? NativePath(name) : (FilePath(DataFolder()) / FilePath(name)).u8string();
}

} // namespace

std::vector<std::string> EditableShaders()
{
    std::set<std::string> names;
    AddShadersOf(DataPath(kRenderFolder), names);
    if (!DataOverlay().empty())
    {
        AddShadersOf(DataOverlay() + "/" + kRenderFolder, names);
    }
    for (const SUserFilterFile& file : ListFilterFiles(UserFilterFolders()))
    {
        names.insert(kFilterFolder + FilePath(file.Path).filename().u8string());
    }
    return {names.begin(), names.end()};
}

std::string EditableShaderPath(const std::string& name)
{
    if (!IsLinkFileName(name))
    {
        return "";
    }
    const std::string file = FilePath(name).filename().u8string();
    if (name.compare(0, kFilterFolder.size(), kFilterFolder) == 0)
    {
        // As the filters list names it, so that its problems are found by path.
        for (const SUserFilterFile& filter : ListFilterFiles(UserFilterFolders()))
        {
            if (FilePath(filter.Path).filename().u8string() == file)
            {
                return filter.Path;
            }
        }
        return "";
    }
    // As the shader library opens it.
    const std::string path = DataPath(std::string(kShaderFolder) + file);
    std::error_code error;
    return fs::is_regular_file(FilePath(path), error) ? path : "";
}

bool ReadEditableShader(const std::string& name, std::string& text)
{
    const std::string path = EditableShaderPath(name);
    return !path.empty() && ReadWholeFile(path, text);
}

bool ShippedShaderText(const std::string& name, std::string& text)
{
    if (!IsLinkFileName(name))
    {
        return false;
    }
    const auto original = Originals().find(DataFolderPath(name));
    if (original != Originals().end())
    {
        text = original->second;
        return true;
    }
    return ReadWholeFile(DataFolderPath(name), text);
}

bool WriteEditableShader(const std::string& name, const std::string& text)
{
    if (!IsLinkFileName(name))
    {
        return false;
    }
    const std::string path = EditableShaderPath(name);
    bool written = false;
    if (path.empty())
    {
        written = WriteRunFile(name, text);
    }
    else
    {
        std::string shipped;
        std::error_code error;
        const std::string original = DataFolderPath(name);
        const bool inData = fs::equivalent(FilePath(path), FilePath(original), error);
        if (inData && !Originals().count(original) && ReadWholeFile(path, shipped))
        {
            Originals()[original] = shipped;
        }
        written = WriteWholeFile(path, text);
    }
    CheckShaderFilesNow();
    return written;
}

std::vector<std::string> EditedShaders()
{
    std::vector<std::string> edited;
    for (const std::string& name : EditableShaders())
    {
        std::string text, shipped;
        if (ReadEditableShader(name, text) && (!ShippedShaderText(name, shipped) || text != shipped))
        {
            edited.push_back(name);
        }
    }
    return edited;
}

std::vector<SShaderMessage> EditableShaderMessages(const std::string& name)
{
    const std::string path = EditableShaderPath(name);
    std::vector<SShaderMessage> messages;
    if (path.empty())
    {
        return messages;
    }
    for (const SProblemReport& report : ProblemLog())
    {
        if (report.Standing && report.Key == path)
        {
            messages = ShaderMessages(path, report.Details.empty() ? report.Summary : report.Details);
        }
    }
    for (SShaderMessage& message : messages)
    {
        if (message.File != path)
        {
            message.Line = 0;
            message.Column = 0;
        }
    }
    return messages;
}

} // namespace gen
