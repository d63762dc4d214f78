#include "Entities/CEntityTemplate.h"

#include "Render/CMesh.h"

namespace gen
{

CEntityTemplate::CEntityTemplate(const std::string& type, const std::string& name, const std::string& meshFileName)
    : Type(type), Name(name), Mesh(new CMesh)
{
    Mesh->Load(meshFileName);
}

CEntityTemplate::~CEntityTemplate() = default;

} // namespace gen
