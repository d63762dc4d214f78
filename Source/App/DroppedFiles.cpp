#include "App/DroppedFiles.h"

#include "App/SharedLink.h"
#include "Common/DataFolder.h"
#include "Common/Problems.h"
#include "Common/ReadFile.h"
#include "Common/Utf8System.h"
#include "Scene/Scene.h"

#include <cctype>
#include <filesystem>

namespace gen
{

namespace
{

std::string LowerExtension(const std::string& path)
{
    std::string extension = FilePath(path).extension().u8string();
    for (char& c : extension)
    {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension;
}

} // namespace

bool OpenDroppedFile(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    if (extension == ".x")
    {
        return AddSceneMesh(AbsolutePath(path));
    }
    if (extension == ".fx" || extension == ".hlsl" || extension == ".psh")
    {
        // A copy, so that the other files of the folder it came from stay out.
        std::string text;
        const std::string name = FilePath(path).filename().u8string();
        if (!ReadWholeFile(path, text) || !WriteRunFile("Filters/" + name, text))
        {
            ReportProblem(path, path + ": cannot be read or copied into the run's filters");
            return false;
        }
        return true;
    }
    ReportProblem(path, path + ": dropped, but only .x meshes and .fx, .hlsl or .psh filters are taken");
    return false;
}

} // namespace gen
