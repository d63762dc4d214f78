// levellist: reads a level file the way the program does (meshes from
// "Media\" in the data folder, no graphics device) and lists what it created.
//
//   levellist [LEVEL_FILE]      (default the data folder's Entities.xml)
//
// One line per template in name order, then one per entity in the manager's
// order, then a count:
//   template "<name>" type="<type>" mesh=<loaded|not-loaded> nodes=<n> radius=<r>
//   entity <uid> "<name>" template="<name>" type="<type>" position=<x>,<y>,<z> [spin=<s>]
//   <t> templates, <e> entities
// Exit status 0 when the file parsed, 1 otherwise (what was created before a
// syntax error is still listed).

#include "Common/CommandLine.h"
#include "Common/DataFolder.h"
#include "Data/CParseLevel.h"
#include "Entities/CEntityManager.h"
#include "Platform/DataLocation.h"
#include "Mesh/CMesh.h"

#include <cstdio>
#include <string>

namespace
{

void ListTemplate(const gen::CEntityTemplate& entityTemplate)
{
    const gen::CMesh& mesh = *entityTemplate.GetMesh();
    std::printf("template \"%s\" type=\"%s\" mesh=%s nodes=%u radius=%g\n", entityTemplate.GetName().c_str(),
                entityTemplate.GetType().c_str(), mesh.IsLoaded() ? "loaded" : "not-loaded", mesh.GetNumNodes(),
                static_cast<double>(mesh.GetBoundingRadius()));
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Loads a level without a device and lists its templates and entities.", "levellist"};
    std::string levelFile;
    app.add_option("LEVEL", levelFile, "the level file (default: the data folder's Entities.xml)");
    const int status = gen::ParseCommandLine(app, argc, argv);
    if (status >= 0)
    {
        return status;
    }
    gen::LocateProgramData();
    if (levelFile.empty())
    {
        levelFile = gen::DataPath("Entities.xml");
    }

    gen::CEntityManager manager(gen::kNoMeshDevice);
    bool parsed = false;
    {
        gen::CParseLevel level(&manager);
        parsed = level.ParseFile(levelFile, 32768);
    }

    for (const gen::CEntityTemplate* entityTemplate : manager.GetTemplates())
    {
        ListTemplate(*entityTemplate);
    }

    for (std::uint32_t i = 0; i < manager.GetNumEntities(); ++i)
    {
        const gen::CEntity& entity = *manager.GetEntityAt(i);
        const gen::CVector3 p = entity.Matrix().GetPosition();
        std::printf("entity %u \"%s\" template=\"%s\" type=\"%s\" position=%g,%g,%g", entity.GetUID(), entity.GetName().c_str(),
                    entity.GetTemplate()->GetName().c_str(), entity.GetTemplate()->GetType().c_str(),
                    static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z));
        if (const auto* planet = dynamic_cast<const gen::CPlanetEntity*>(&entity))
        {
            std::printf(" spin=%g", static_cast<double>(planet->GetSpinSpeed()));
        }
        std::printf("\n");
    }
    std::printf("%u templates, %u entities%s\n", manager.GetNumTemplates(), manager.GetNumEntities(),
                parsed ? "" : " (level file not read completely)");
    manager.DestroyAllEntities();
    manager.DestroyAllTemplates();
    return parsed ? 0 : 1;
}
