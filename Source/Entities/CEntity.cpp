#include "Entities/CEntity.h"

#include "Entities/CEntityTemplate.h"
#include "Mesh/CMesh.h"

#include <cmath>

namespace gen
{

CEntity::CEntity(CEntityTemplate* entityTemplate, TEntityUID uid, const std::string& name, const CVector3& position,
                 const CVector3& rotation, const CVector3& scale)
    : Template(entityTemplate), UID(uid), Name(name)
{
    const CMesh* mesh = Template ? Template->GetMesh() : nullptr;
    const std::uint32_t numNodes = mesh ? mesh->GetNumNodes() : 0;
    RelativeMatrices.reserve(numNodes > 0 ? numNodes : 1);
    for (std::uint32_t i = 0; i < numNodes; ++i)
    {
        RelativeMatrices.push_back(mesh->GetNode(i).Matrix);
    }
    if (RelativeMatrices.empty())
    {
        RelativeMatrices.push_back(CMatrix4x4::kIdentity);
    }
    RelativeMatrices[0].MakeAffineEuler(position, rotation, kZXY, scale);
    // Filled by the first Render; identity until then rather than garbage.
    WorldMatrices.assign(RelativeMatrices.size(), CMatrix4x4::kIdentity);
}

CEntity::~CEntity() = default;

bool CEntity::Update(float)
{
    return true;
}

void CEntity::UpdateWorldMatrices()
{
    const CMesh* mesh = Template ? Template->GetMesh() : nullptr;
    // The mesh may have been reloaded with another node count since this
    // entity was built; only nodes both sides know about are followed.
    const std::uint32_t meshNodes = mesh ? mesh->GetNumNodes() : 0;
    WorldMatrices[0] = RelativeMatrices[0];
    for (std::uint32_t i = 1; i < GetNumNodes(); ++i)
    {
        std::uint32_t parent = i < meshNodes ? mesh->GetNode(i).Parent : 0;
        // Parents come before their children; anything else is treated as
        // hanging from the root rather than read out of order.
        if (parent >= i)
        {
            parent = 0;
        }
        WorldMatrices[i] = RelativeMatrices[i] * WorldMatrices[parent];
    }
}

void CEntity::Render(CCamera& camera, bool postProcessPass)
{
    UpdateWorldMatrices();
    if (Template && Template->GetMesh())
    {
        Template->GetMesh()->Render(WorldMatrices, camera, postProcessPass);
    }
}

CPlanetEntity::CPlanetEntity(CEntityTemplate* entityTemplate, TEntityUID uid, const std::string& name,
                             float spinSpeed, const CVector3& position, const CVector3& rotation,
                             const CVector3& scale)
    : CEntity(entityTemplate, uid, name, position, rotation, scale), SpinSpeed(spinSpeed)
{
}

bool CPlanetEntity::Update(float updateTime)
{
    CMatrix4x4& m = Matrix();
    // The turn keeps each axis's length through the ratio of the X and Z
    // axis lengths; a planet flattened to nothing on either axis has no such
    // ratio (it would turn into NaNs) and is left as it is.
    const float ratio = m.GetRow(2).Length() / m.GetRow(0).Length();
    if (ratio > 0.0f && std::isfinite(ratio))
    {
        m.RotateLocalY(SpinSpeed * updateTime);
    }
    return true;
}

} // namespace gen
