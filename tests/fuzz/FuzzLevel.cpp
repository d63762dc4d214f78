// libFuzzer target for the level reader: any bytes as a level file, parsed
// into a fresh entity manager, then the entities updated and destroyed.
// The first byte picks the read buffer size so chunk boundaries move around.
//
// The target works in a temporary folder of its own whose Media folder holds
// one small mesh with a frame hierarchy, "Figure.x", so that entities get
// several nodes; "Media\..." paths named by the input reach nothing else of
// interest (in particular no devices such as stdin). Run with
// -close_fd_mask=3 to silence the reader's messages, and give the corpus
// folder as an absolute path.

#include "Data/CParseLevel.h"
#include "Entities/CEntityManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::string gLevelPath;

const char* const kFigure = R"(xof 0303txt 0032
Frame Body {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,2,0,1;; }
  Mesh BodyMesh {
    3; 0;0;0;, 3;4;0;, 0;1;0;;
    1; 3;0,1,2;;
    MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }
    MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; }
    MeshMaterialList { 1; 1; 0;; Material Red { 1;0;0;1;; 10; 1;1;1;; 0;0;0;; } }
  }
  Frame Arm {
    FrameTransformMatrix { 0,0,-1,0, 0,1,0,0, 1,0,0,0, 3,0,0,1;; }
    Frame Hand { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,4,1;; } }
  }
}
)";
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char folder[] = "/tmp/tessavin-fuzz-level-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0)
    {
        std::abort();
    }
    gLevelPath = std::string(folder) + "/level.xml";
    if (mkdir("Media", 0700) != 0)
    {
        std::abort();
    }
    std::FILE* mesh = std::fopen("Media/Figure.x", "wb");
    if (!mesh)
    {
        std::abort();
    }
    std::fputs(kFigure, mesh);
    std::fclose(mesh);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    const std::size_t bufferSize = data[0] < 128 ? std::size_t(data[0]) + 1 : 32768;
    std::FILE* file = std::fopen(gLevelPath.c_str(), "wb");
    if (!file)
    {
        std::abort();
    }
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    gen::CEntityManager manager(gen::kNoMeshDevice);
    {
        gen::CParseLevel level(&manager);
        level.ParseFile(gLevelPath, bufferSize);
    }
    manager.UpdateAllEntities(0.5f);
    if (manager.GetNumEntities() > 0)
    {
        manager.DestroyEntity(manager.GetEntityAt(0)->GetUID());
        manager.GetEntity(manager.GetNumEntities() > 0 ? manager.GetEntityAt(0)->GetName() : "", "", "Planet");
    }
    manager.DestroyAllEntities();
    manager.DestroyAllTemplates();
    return 0;
}
