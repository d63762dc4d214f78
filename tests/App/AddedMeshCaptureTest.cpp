// Files from outside the data through the capture tool's loop: an .x file
// placed in front of the camera (--mesh, or dropped on the window: --drop),
// lit by the ordinary render method its material chooses, its texture taken
// from beside the file where it is there, else from Media; a dropped shader
// becomes a filter; other files are named as problems.
#include "Support/CaptureRun.h"
#include "App/SharedLink.h"
#include "Common/Problems.h"
#include "Effects/PostProcess.h"
#include "Effects/UserFilters.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace gen
{
namespace
{

namespace fs = std::filesystem;

// A quad two units across facing the camera, its material's texture Stone.png
// (also in Media); the material name chooses no method, so it is pixel-lit.
constexpr const char* kQuad = R"(xof 0303txt 0032
Mesh Quad {
  4; -1.0; 1.0; 0.0;, 1.0; 1.0; 0.0;, 1.0; -1.0; 0.0;, -1.0; -1.0; 0.0;;
  2; 3; 0, 1, 2;, 3; 0, 2, 3;;
  MeshNormals { 1; 0.0; 0.0; -1.0;; 2; 3; 0, 0, 0;, 3; 0, 0, 0;; }
  MeshTextureCoords { 4; 0.0; 0.0;, 1.0; 0.0;, 1.0; 1.0;, 0.0; 1.0;; }
  MeshMaterialList { 1; 2; 0, 0;;
    Material Dropped { 1.0; 1.0; 1.0; 1.0;; 20.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; TextureFilename { "Stone.png"; } }
  }
}
)";

void WriteGreenPng(const fs::path& path)
{
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_NE(surface, nullptr);
    SDL_FillRect(surface, nullptr, SDL_MapRGBA(surface->format, 0, 255, 0, 255));
    EXPECT_EQ(IMG_SavePNG(surface, path.string().c_str()), 0);
    SDL_FreeSurface(surface);
}

std::array<int, 3> Centre(const SShot& shot)
{
    const std::size_t at = (static_cast<std::size_t>(shot.Height / 2) * shot.Width + shot.Width / 2) * 4;
    return {shot.Pixels.at(at), shot.Pixels.at(at + 1), shot.Pixels.at(at + 2)};
}

TEST(AddedMeshCapture, AMeshFromOutsideTheDataShowsLitWithItsOwnTextureElseTheMedias)
{
    const fs::path folder = fs::temp_directory_path() / "tessavin-added-mesh";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "Quad.x") << kQuad;
    const std::vector<std::string> args = {"--frames", "3", "--fixed-dt", "0.016", "--no-area-filters", "--shots", "2"};
    const auto run = [&](bool withMesh) {
        std::vector<std::string> withArgs = args;
        if (withMesh)
        {
            withArgs.insert(withArgs.end(), {"--mesh", (folder / "Quad.x").string()});
        }
        SetCurrentFilter(kNoFilter);
        ResetProblems();
        return Centre(RunCapture(withArgs).at(2));
    };

    const std::array<int, 3> scene = run(false);
    const std::array<int, 3> media = run(true); // Media/Stone.png
    EXPECT_EQ(ProblemCount(), 0) << ProblemOverlayLine();
    WriteGreenPng(folder / "Stone.png");
    const std::array<int, 3> beside = run(true);
    fs::remove_all(folder);

    EXPECT_NE(media, scene) << "the mesh is not in front of the camera";
    EXPECT_GT(beside[1], beside[0] + 40) << "not the green texture beside the mesh";
    EXPECT_GT(beside[1], beside[2] + 40);
    EXPECT_LT(media[1], media[0] + 40) << "the texture beside the mesh was taken before it was there";
    // Lit, not copied: the ambient and the lights leave the full green short.
    EXPECT_LT(beside[1], 250);
}

TEST(AddedMeshCapture, DroppedFilesBecomeMeshesAndFiltersAndOthersAreNamed)
{
    const fs::path folder = fs::temp_directory_path() / "tessavin-dropped";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "Quad.x") << kQuad;
    WriteGreenPng(folder / "Stone.png");
    // Its folder holds another shader, which must not become a filter.
    std::ofstream(folder / "Blue.PSH") << "float4 main() : COLOR0 { return float4(0.0, 0.0, 1.0, 1.0); }\n";
    std::ofstream(folder / "Other.psh") << "float4 main() : COLOR0 { return float4(1.0, 0.0, 0.0, 1.0); }\n";
    std::ofstream(folder / "Notes.txt") << "not for the program\n";
    const std::string dir = folder.string() + "/";

    SetCurrentFilter(kNoFilter);
    ResetProblems();
    // The mesh before frame 1; the filter before frame 1, chosen with key 4 at frame 2.
    const std::map<int, SShot> shots =
        RunCapture({"--frames", "5", "--fixed-dt", "0.016", "--no-area-filters", "--shots", "1,4", "--drop",
                    "1:" + dir + "Quad.x", "--drop", "1:" + dir + "Blue.PSH", "--drop", "1:" + dir + "Notes.txt",
                    "--press", "2:52"});
    const std::string problems = ProblemOverlayLine();
    const std::string filter = CurrentFilterName();
    bool otherTaken = false;
    for (int i = 0; i < UserFilterCount(); ++i)
    {
        otherTaken = otherTaken || UserFilterName(i) == "Other";
    }
    CloseSharedLink();
    fs::remove_all(folder);

    const std::array<int, 3> mesh = Centre(shots.at(1));
    EXPECT_GT(mesh[1], mesh[0] + 40) << "the dropped mesh is not in front of the camera";
    const std::array<int, 3> filtered = Centre(shots.at(4));
    EXPECT_EQ(filtered, (std::array<int, 3>{0, 0, 255})) << "the dropped filter does not draw";
    EXPECT_EQ(filter, "Blue");
    EXPECT_FALSE(otherTaken) << "the dropped file's folder became a filter folder";
    EXPECT_NE(problems.find("Notes.txt"), std::string::npos) << problems;
}

TEST(AddedMeshCapture, ATextureDroppedAloneReplacesTheTexturesOfItsNameInAnyCase)
{
    const fs::path folder = fs::temp_directory_path() / "tessavin-dropped-texture";
    fs::remove_all(folder);
    fs::create_directories(folder / "other");
    std::ofstream(folder / "Quad.x") << kQuad;
    WriteGreenPng(folder / "other" / "STONE.png");
    const std::string dir = folder.string() + "/";

    SetCurrentFilter(kNoFilter);
    ResetProblems();
    const std::map<int, SShot> shots =
        RunCapture({"--frames", "4", "--fixed-dt", "0.016", "--no-area-filters", "--shots", "1,3", "--mesh",
                    dir + "Quad.x", "--drop", "2:" + dir + "other/STONE.png"});
    const std::string problems = ProblemOverlayLine();
    CloseSharedLink();
    fs::remove_all(folder);

    const std::array<int, 3> before = Centre(shots.at(1));
    const std::array<int, 3> after = Centre(shots.at(3));
    EXPECT_LT(before[1], before[0] + 40) << "the Media texture was not the one drawn first";
    EXPECT_GT(after[1], after[0] + 40) << "the dropped texture did not replace the one in use";
    EXPECT_GT(after[1], after[2] + 40);
    EXPECT_EQ(ProblemCount(), 0) << problems;
}

} // namespace
} // namespace gen
