#include "Entities/CEntityTemplate.h"

#include "Mesh/CMesh.h"

#include <utility>

namespace gen
{

CEntityTemplate::CEntityTemplate(const std::string& type, const std::string& name, const std::string& meshFileName,
                                 std::unique_ptr<CMeshDevice> meshDevice)
    : Type(type), Name(name), MeshFile(meshFileName), Mesh(new CMesh(std::move(meshDevice)))
{
    Mesh->Load(meshFileName);
}

CEntityTemplate::~CEntityTemplate() = default;

} // namespace gen
