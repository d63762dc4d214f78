// mediagen [media folder [level folder]]: writes every mesh and texture of the demo
// into the media folder (default "Media") and the level file "Entities.xml" into
// the level folder (default ".", the program's working directory). The output
// depends on nothing but this program.

#include "Common/CommandLine.h"
#include "MediaGen.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv)
{
    CLI::App app{"Writes every mesh and texture of the demo, its icon and the level file.", "mediagen"};
    std::string dir = "Media";
    std::string levelDir = ".";
    app.add_option("MEDIA_DIR", dir, "folder for the meshes, textures and icon")->capture_default_str();
    app.add_option("LEVEL_DIR", levelDir, "folder for Entities.xml")->capture_default_str();
    const int status = gen::ParseCommandLine(app, argc, argv);
    if (status >= 0)
    {
        return status;
    }
    std::error_code error;
    std::filesystem::create_directories(gen::FilePath(dir), error);
    if (!error)
    {
        std::filesystem::create_directories(gen::FilePath(levelDir), error);
    }
    if (error)
    {
        std::fprintf(stderr, "mediagen: cannot create %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    const bool textures = gen::WriteTextures(dir);
    const bool meshes = gen::WriteMeshes(dir);
    const bool level = gen::WriteLevel(levelDir);
    const bool icon = gen::WriteIcon(dir);
    if (!textures || !meshes || !level || !icon)
    {
        std::fprintf(stderr, "mediagen: writing into %s failed\n", dir.c_str());
        return 1;
    }
    return 0;
}
