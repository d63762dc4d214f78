#include "Entities/CEntityManager.h"

#include <cstdio>

namespace gen
{

namespace
{
constexpr std::size_t kEntityCapacity = 1024;
constexpr std::uint32_t kUIDIndexBuckets = 2048;
constexpr float kUIDIndexMaxLoad = 0.7f;
} // namespace

CEntityManager::CEntityManager(TMeshDeviceFactory meshDevices)
    : MeshDevices(meshDevices), UIDIndex(kUIDIndexBuckets, JOneAtATimeHash, kUIDIndexMaxLoad), NextUID(0)
{
    Entities.reserve(kEntityCapacity);
}

CEntityManager::~CEntityManager()
{
    DestroyAllEntities();
    DestroyAllTemplates();
}

CEntityTemplate* CEntityManager::CreateTemplate(const std::string& type, const std::string& name,
                                                const std::string& meshFileName)
{
    std::unique_ptr<CEntityTemplate> created(
        new CEntityTemplate(type, name, meshFileName, MeshDevices ? MeshDevices() : nullptr));
    CEntityTemplate* result = created.get();
    std::unique_ptr<CEntityTemplate>& slot = Templates[name];
    if (slot)
    {
        ReplacedTemplates.push_back(std::move(slot));
    }
    slot = std::move(created);
    return result;
}

CEntityTemplate* CEntityManager::GetTemplate(const std::string& name) const
{
    const auto it = Templates.find(name);
    return it != Templates.end() ? it->second.get() : nullptr;
}

std::vector<CEntityTemplate*> CEntityManager::GetTemplates() const
{
    std::vector<CEntityTemplate*> templates;
    templates.reserve(Templates.size());
    for (const auto& entry : Templates)
    {
        templates.push_back(entry.second.get());
    }
    return templates;
}

void CEntityManager::DestroyAllTemplates()
{
    DestroyAllEntities();
    for (auto& entry : Templates)
    {
        entry.second.reset();
    }
    Templates.clear();
    ReplacedTemplates.clear();
}

bool CEntityManager::FindTemplate(const std::string& templateName, CEntityTemplate*& entityTemplate) const
{
    entityTemplate = GetTemplate(templateName);
    if (!entityTemplate)
    {
        std::fprintf(stderr, "No entity template \"%s\": entity not created\n", templateName.c_str());
        return false;
    }
    return true;
}

TEntityUID CEntityManager::AddEntity(std::unique_ptr<CEntity> entity)
{
    const TEntityUID uid = NextUID;
    const unsigned int position = static_cast<unsigned int>(Entities.size());
    Entities.push_back(std::move(entity));
    UIDIndex.SetKeyValue(uid, position);
    ++NextUID;
    return uid;
}

TEntityUID CEntityManager::CreateEntity(const std::string& templateName, const std::string& name,
                                        const CVector3& position, const CVector3& rotation, const CVector3& scale)
{
    return CreateEntityOf<CEntity>(templateName, name, position, rotation, scale);
}

TEntityUID CEntityManager::CreatePlanet(const std::string& templateName, const std::string& name, float spinSpeed,
                                        const CVector3& position, const CVector3& rotation, const CVector3& scale)
{
    return CreateEntityOf<CPlanetEntity>(templateName, name, spinSpeed, position, rotation, scale);
}

bool CEntityManager::DestroyEntity(TEntityUID uid)
{
    unsigned int position;
    if (!UIDIndex.LookUpKey(uid, position))
    {
        return false;
    }
    Entities[position].reset();
    UIDIndex.RemoveKey(uid);
    const unsigned int last = static_cast<unsigned int>(Entities.size() - 1);
    if (position != last)
    {
        Entities[position] = std::move(Entities[last]);
        UIDIndex.SetKeyValue(Entities[position]->GetUID(), position);
    }
    Entities.pop_back();
    return true;
}

void CEntityManager::DestroyAllEntities()
{
    UIDIndex.RemoveAllKeys();
    while (!Entities.empty())
    {
        Entities.pop_back();
    }
}

CEntity* CEntityManager::GetEntity(const std::string& name, const std::string& templateName,
                                   const std::string& templateType) const
{
    for (const auto& entity : Entities)
    {
        if (entity->GetName() != name)
        {
            continue;
        }
        const CEntityTemplate* entityTemplate = entity->GetTemplate();
        if (!templateName.empty() && entityTemplate->GetName() != templateName)
        {
            continue;
        }
        if (!templateType.empty() && entityTemplate->GetType() != templateType)
        {
            continue;
        }
        return entity.get();
    }
    return nullptr;
}

CEntity* CEntityManager::GetEntityByUID(TEntityUID uid) const
{
    unsigned int position;
    return UIDIndex.LookUpKey(uid, position) ? Entities[position].get() : nullptr;
}

void CEntityManager::UpdateAllEntities(float updateTime)
{
    std::size_t i = 0;
    while (i < Entities.size())
    {
        if (Entities[i]->Update(updateTime))
        {
            ++i;
        }
        else
        {
            DestroyEntity(Entities[i]->GetUID());
        }
    }
}

void CEntityManager::RenderAllEntities(CCamera& camera, bool postProcessPass)
{
    for (const auto& entity : Entities)
    {
        entity->Render(camera, postProcessPass);
    }
}

} // namespace gen
