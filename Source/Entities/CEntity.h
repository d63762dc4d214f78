#pragma once
// A placed instance of an entity template. It keeps one matrix per node of
// the template's mesh, relative to the node's parent; element 0 is the
// entity's own placement in the world. The scene may change the relative
// matrices directly; the world matrices follow at the next Render.

#include "Math/CMatrix4x4.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

class CCamera;
class CEntityTemplate;

using TEntityUID = std::uint32_t;

class CEntity
{
public:
    // The root matrix becomes scale, then rotation about Z, X, Y (radians),
    // then translation to position. The other nodes start from the mesh's
    // node matrices. A template whose mesh has no nodes (it failed to load)
    // still gives the entity a root node of its own, so it can be placed,
    // moved and looked up; it simply draws nothing.
    CEntity(CEntityTemplate* entityTemplate, TEntityUID uid, const std::string& name, const CVector3& position,
            const CVector3& rotation, const CVector3& scale);
    virtual ~CEntity();

    CEntity(const CEntity&) = delete;
    CEntity& operator=(const CEntity&) = delete;

    // Advances the entity by updateTime seconds; false asks the manager to
    // destroy it. A plain entity does nothing and stays.
    virtual bool Update(float updateTime);

    // Recomputes the world matrices from the relative ones, then has the
    // template's mesh draw itself with them.
    void Render(CCamera& camera, bool postProcessPass);

    CEntityTemplate* GetTemplate() const { return Template; }
    TEntityUID GetUID() const { return UID; }
    const std::string& GetName() const { return Name; }

    // Never less than 1.
    std::uint32_t GetNumNodes() const { return static_cast<std::uint32_t>(RelativeMatrices.size()); }

    // node must be below GetNumNodes().
    CMatrix4x4& Matrix(std::uint32_t node = 0) { return RelativeMatrices[node]; }
    const CMatrix4x4& Matrix(std::uint32_t node = 0) const { return RelativeMatrices[node]; }
    const CMatrix4x4& WorldMatrix(std::uint32_t node = 0) const { return WorldMatrices[node]; }

private:
    void UpdateWorldMatrices();

    CEntityTemplate* Template;
    TEntityUID UID;
    std::string Name;
    std::vector<CMatrix4x4> RelativeMatrices;
    std::vector<CMatrix4x4> WorldMatrices;
};

// Spins about its own Y axis at a fixed speed, keeping its position and the
// length of each axis.
class CPlanetEntity : public CEntity
{
public:
    CPlanetEntity(CEntityTemplate* entityTemplate, TEntityUID uid, const std::string& name, float spinSpeed,
                  const CVector3& position, const CVector3& rotation, const CVector3& scale);

    bool Update(float updateTime) override;

    float GetSpinSpeed() const { return SpinSpeed; }

private:
    float SpinSpeed; // radians per second
};

} // namespace gen
