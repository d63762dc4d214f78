#include "Platform/DataLocation.h"

#include "Common/DataFolder.h"

#include <SDL.h>

#include <filesystem>
#include <system_error>

namespace gen
{

// SDL reads /proc/self/exe on Linux and GetModuleFileNameW on Windows, and
// needs no SDL_Init for it.
std::string ExecutableFolder()
{
    std::string folder;
    if (char* base = SDL_GetBasePath())
    {
        folder = base;
        SDL_free(base);
    }
    return folder;
}

// A build tree's programs also know the source folder they were configured
// from (CMake says so only for build trees, never for packages).
SBuildTree ThisBuildTree()
{
#if defined(TESSAVIN_BUILD_FOLDER) && defined(TESSAVIN_SOURCE_FOLDER)
    return {TESSAVIN_BUILD_FOLDER, TESSAVIN_SOURCE_FOLDER};
#else
    return {};
#endif
}

bool LocateProgramData()
{
    std::error_code error;
    const std::filesystem::path working = std::filesystem::current_path(error);
    return LocateDataFolder(
        DataFolderCandidates(error ? std::string() : working.u8string(), ExecutableFolder(), ThisBuildTree()));
}

} // namespace gen
