#pragma once
// Owns every entity template and entity of the scene: creates them, issues
// UIDs, finds entities by name or UID, updates and draws them, destroys them.
// Entities live densely packed in one array (the order of updating and
// drawing); a hash table maps each live UID to its position, and removal
// moves the last entity into the hole, so both take constant time.

#include "Common/CHashTable.h"
#include "Entities/CEntity.h"
#include "Entities/CEntityTemplate.h"
#include "Mesh/CMesh.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace gen
{

class CCamera;

// Returned by CreateEntity and CreatePlanet when no entity could be made.
// Never issued to an entity.
constexpr TEntityUID kNoEntityUID = 0xFFFFFFFFu;

class CEntityManager
{
public:
    // meshDevices makes the device half of each template's mesh
    // (kNoMeshDevice: meshes that never draw).
    explicit CEntityManager(TMeshDeviceFactory meshDevices);
    ~CEntityManager();

    CEntityManager(const CEntityManager&) = delete;
    CEntityManager& operator=(const CEntityManager&) = delete;

    // Creates a template (loading its mesh) and indexes it under name. A
    // template already indexed under that name is replaced in the index but
    // kept alive for the entities made from it, until the templates are
    // destroyed.
    CEntityTemplate* CreateTemplate(const std::string& type, const std::string& name, const std::string& meshFileName);
    CEntityTemplate* GetTemplate(const std::string& name) const;
    // Destroys every template, replaced ones included. Entities point at
    // their templates, so any that are still alive are destroyed first.
    void DestroyAllTemplates();

    // UIDs are issued from 0 upwards and never reused. An entity needs its
    // template: when templateName names none, nothing is created, no UID is
    // used up, a line goes to standard error and the result is kNoEntityUID.
    TEntityUID CreateEntity(const std::string& templateName, const std::string& name, const CVector3& position,
                            const CVector3& rotation = kZero, const CVector3& scale = kOne);
    TEntityUID CreatePlanet(const std::string& templateName, const std::string& name, float spinSpeed,
                            const CVector3& position, const CVector3& rotation = kZero,
                            const CVector3& scale = kOne);

    // Creates an entity of another class, built as
    // TEntity(template, uid, args...); the same rules as CreateEntity.
    template <typename TEntity, typename... TArgs>
    TEntityUID CreateEntityOf(const std::string& templateName, TArgs&&... args)
    {
        CEntityTemplate* entityTemplate;
        if (!FindTemplate(templateName, entityTemplate) || NextUID == kNoEntityUID)
        {
            return kNoEntityUID;
        }
        return AddEntity(std::unique_ptr<CEntity>(new TEntity(entityTemplate, NextUID, std::forward<TArgs>(args)...)));
    }

    // False when no live entity has that UID. Moves the last entity into the
    // destroyed one's position.
    bool DestroyEntity(TEntityUID uid);
    void DestroyAllEntities();

    // The first entity in array order whose name is name and, where given
    // (non-empty), whose template has that name and that type. Exact,
    // case-sensitive comparisons. Null when none matches.
    CEntity* GetEntity(const std::string& name, const std::string& templateName = "",
                       const std::string& templateType = "") const;
    // Null when no live entity has that UID.
    CEntity* GetEntityByUID(TEntityUID uid) const;

    std::uint32_t GetNumEntities() const { return static_cast<std::uint32_t>(Entities.size()); }
    // position must be below GetNumEntities().
    CEntity* GetEntityAt(std::uint32_t position) const { return Entities[position].get(); }
    std::uint32_t GetNumTemplates() const { return static_cast<std::uint32_t>(Templates.size()); }
    // The indexed templates in name order (replaced ones are not included).
    std::vector<CEntityTemplate*> GetTemplates() const;
    TEntityUID GetNextUID() const { return NextUID; }

    // Updates every entity once, destroying those whose Update returns false;
    // the entity moved into a destroyed one's position is updated in the same
    // pass.
    void UpdateAllEntities(float updateTime);
    void RenderAllEntities(CCamera& camera, bool postProcessPass);

private:
    TEntityUID AddEntity(std::unique_ptr<CEntity> entity);
    bool FindTemplate(const std::string& templateName, CEntityTemplate*& entityTemplate) const;

    TMeshDeviceFactory MeshDevices;
    std::map<std::string, std::unique_ptr<CEntityTemplate>> Templates;
    std::vector<std::unique_ptr<CEntityTemplate>> ReplacedTemplates;
    std::vector<std::unique_ptr<CEntity>> Entities;
    CHashTable<unsigned int, unsigned int> UIDIndex;
    TEntityUID NextUID;
};

} // namespace gen
