// libFuzzer target for the level reader: any bytes as a level file, parsed
// into a fresh entity manager, then the entities updated and destroyed.
// The first byte picks the read buffer size so chunk boundaries move around.
//
// The target works in an empty temporary folder, so "Media\..." mesh paths
// named by the input never reach real files (or devices such as stdin).
// Run with -close_fd_mask=3 to silence the reader's messages.

#include "Data/CParseLevel.h"
#include "Entities/CEntityManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
std::string gLevelPath;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char folder[] = "/tmp/tessavin-fuzz-level-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0)
    {
        std::abort();
    }
    gLevelPath = std::string(folder) + "/level.xml";
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

    gen::CEntityManager manager;
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
