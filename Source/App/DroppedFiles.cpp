#include "App/DroppedFiles.h"

#include "App/SharedLink.h"
#include "Common/DataFolder.h"
#include "Common/Problems.h"
#include "Common/ReadFile.h"
#include "Common/Utf8System.h"
#include "Device/Device.h"
#include "Effects/UserFilters.h"
#include "Platform/CDevice.h"
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

bool IsImage(const std::string& extension)
{
    for (const char* image : {".png", ".jpg", ".jpeg", ".bmp", ".tga"})
    {
        if (extension == image)
        {
            return true;
        }
    }
    return false;
}

// Into the run's Media, where every later load looks first, and over the
// textures of that name now in use.
bool ReplaceTexture(const std::string& path)
{
    std::string bytes;
    const std::string name = FilePath(path).filename().u8string();
    if (!ReadWholeFile(path, bytes) || !WriteRunFile("Media/" + name, bytes))
    {
        ReportProblem(path, path + ": cannot be read or copied into the run's media");
        return false;
    }
    if (Device && Device->ReplaceTextureFiles(name, AbsolutePath(path)) == 0)
    {
        ReportProblem(path, path + ": no texture of this name is drawn, or the image does not read; "
                                   "meshes dropped later take it");
        return false;
    }
    return true;
}

} // namespace

bool OpenDroppedFile(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    if (extension == ".x")
    {
        return AddSceneMesh(AbsolutePath(path));
    }
    if (IsUserFilterFile(path))
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
    if (IsImage(extension))
    {
        return ReplaceTexture(path);
    }
    ReportProblem(path, path + ": dropped, but only .x meshes, .fx, .hlsl or .psh filters and textures are taken");
    return false;
}

} // namespace gen
