#include "Entities/CEntityManager.h"

#include "TestDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace gen
{
namespace
{

// Counts its updates and asks to be destroyed at a chosen one.
class CMortalEntity : public CEntity
{
public:
    CMortalEntity(CEntityTemplate* entityTemplate, TEntityUID uid, const std::string& name, int lifetime,
                  std::vector<std::string>* log)
        : CEntity(entityTemplate, uid, name, kZero, kZero, kOne), Lifetime(lifetime), Log(log)
    {
    }

    bool Update(float) override
    {
        Log->push_back(GetName());
        return --Lifetime > 0;
    }

private:
    int Lifetime;
    std::vector<std::string>* Log;
};

class EntityManager : public testing::Test
{
protected:
    void SetUp() override
    {
        Manager.CreateTemplate("Block", "Box", "NoBox.x");
        Manager.CreateTemplate("Planet", "Moon", "NoMoon.x");
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (std::uint32_t i = 0; i < Manager.GetNumEntities(); ++i)
        {
            names.push_back(Manager.GetEntityAt(i)->GetName());
        }
        return names;
    }

    // Every live entity is found by its UID at its own position.
    void ExpectIndexConsistent() const
    {
        for (std::uint32_t i = 0; i < Manager.GetNumEntities(); ++i)
        {
            const CEntity* entity = Manager.GetEntityAt(i);
            EXPECT_EQ(Manager.GetEntityByUID(entity->GetUID()), entity) << "position " << i;
        }
    }

    CEntityManager Manager{&CRecordingMeshDevice::Create};
};

TEST_F(EntityManager, UIDsCountUpAndAreNeverReused)
{
    EXPECT_EQ(Manager.CreateEntity("Box", "A", kZero), 0u);
    EXPECT_EQ(Manager.CreatePlanet("Moon", "B", 1.0f, kZero), 1u);
    EXPECT_TRUE(Manager.DestroyEntity(0));
    EXPECT_EQ(Manager.CreateEntity("Box", "C", kZero), 2u);
    Manager.DestroyAllEntities();
    EXPECT_EQ(Manager.GetNumEntities(), 0u);
    EXPECT_EQ(Manager.GetEntityByUID(2), nullptr);
    EXPECT_EQ(Manager.CreateEntity("Box", "D", kZero), 3u); // not reset by destroying everything
}

TEST_F(EntityManager, DestroyMovesTheLastEntityIntoTheGap)
{
    const TEntityUID a = Manager.CreateEntity("Box", "A", kZero);
    const TEntityUID b = Manager.CreateEntity("Box", "B", kZero);
    const TEntityUID c = Manager.CreateEntity("Box", "C", kZero);
    const TEntityUID d = Manager.CreateEntity("Box", "D", kZero);

    EXPECT_TRUE(Manager.DestroyEntity(a));
    EXPECT_EQ(Names(), (std::vector<std::string>{"D", "B", "C"}));
    EXPECT_EQ(Manager.GetEntityByUID(d), Manager.GetEntityAt(0));
    ExpectIndexConsistent();

    // The last one goes without moving anything.
    EXPECT_TRUE(Manager.DestroyEntity(c));
    EXPECT_EQ(Names(), (std::vector<std::string>{"D", "B"}));
    ExpectIndexConsistent();

    // Unknown and already destroyed UIDs change nothing.
    EXPECT_FALSE(Manager.DestroyEntity(c));
    EXPECT_FALSE(Manager.DestroyEntity(99));
    EXPECT_FALSE(Manager.DestroyEntity(kNoEntityUID));
    EXPECT_EQ(Names(), (std::vector<std::string>{"D", "B"}));

    EXPECT_TRUE(Manager.DestroyEntity(b));
    EXPECT_TRUE(Manager.DestroyEntity(d));
    EXPECT_EQ(Manager.GetNumEntities(), 0u);
    EXPECT_FALSE(Manager.DestroyEntity(d));
}

TEST_F(EntityManager, IndexStaysConsistentThroughManyCreationsAndDestructions)
{
    // Far past the reserved 1024 entities and the index's initial buckets.
    std::vector<TEntityUID> live;
    std::uint32_t state = 12345;
    for (int step = 0; step < 6000; ++step)
    {
        state = state * 1103515245u + 12345u;
        if (live.empty() || (state >> 16) % 3 != 0)
        {
            const TEntityUID uid = Manager.CreateEntity("Box", "E" + std::to_string(step), kZero);
            ASSERT_EQ(uid, Manager.GetNextUID() - 1);
            live.push_back(uid);
        }
        else
        {
            const std::size_t pick = (state >> 8) % live.size();
            ASSERT_TRUE(Manager.DestroyEntity(live[pick]));
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(pick));
        }
    }
    ASSERT_EQ(Manager.GetNumEntities(), live.size());
    ExpectIndexConsistent();
    for (TEntityUID uid : live)
    {
        ASSERT_NE(Manager.GetEntityByUID(uid), nullptr);
        EXPECT_EQ(Manager.GetEntityByUID(uid)->GetUID(), uid);
    }
}

TEST_F(EntityManager, UpdateDestroysFinishedEntitiesAndUpdatesTheirReplacements)
{
    std::vector<std::string> log;
    Manager.CreateEntityOf<CMortalEntity>("Box", "A", 1, &log);
    Manager.CreateEntityOf<CMortalEntity>("Box", "B", 3, &log);
    Manager.CreateEntityOf<CMortalEntity>("Box", "C", 3, &log);
    Manager.CreateEntityOf<CMortalEntity>("Box", "D", 1, &log);

    Manager.UpdateAllEntities(0.1f);
    // A goes and D, moved into position 0, is updated in the same pass; it
    // goes too and C takes position 0. Each entity is updated exactly once.
    EXPECT_EQ(log, (std::vector<std::string>{"A", "D", "C", "B"}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "B"}));
    ExpectIndexConsistent();

    log.clear();
    Manager.UpdateAllEntities(0.1f);
    EXPECT_EQ(log, (std::vector<std::string>{"C", "B"}));
    Manager.UpdateAllEntities(0.1f);
    EXPECT_EQ(Manager.GetNumEntities(), 0u);
}

TEST_F(EntityManager, GetEntityMatchesNameThenTemplateNameAndType)
{
    Manager.CreateTemplate("Planet", "Rock", "NoRock.x");
    Manager.CreateEntity("Box", "Twin", {1, 0, 0});
    Manager.CreatePlanet("Moon", "Twin", 1.0f, {2, 0, 0});
    Manager.CreatePlanet("Rock", "Twin", 1.0f, {3, 0, 0});
    Manager.CreateEntity("Box", "Single", {4, 0, 0});

    auto x = [&](const CEntity* e) { return e ? e->Matrix().GetPosition().x : -1.0f; };
    EXPECT_EQ(x(Manager.GetEntity("Twin")), 1.0f); // the one nearest the front
    EXPECT_EQ(x(Manager.GetEntity("Twin", "Moon")), 2.0f);
    EXPECT_EQ(x(Manager.GetEntity("Twin", "", "Planet")), 2.0f);
    EXPECT_EQ(x(Manager.GetEntity("Twin", "Rock", "Planet")), 3.0f);
    EXPECT_EQ(Manager.GetEntity("Twin", "Rock", "Block"), nullptr);
    EXPECT_EQ(Manager.GetEntity("twin"), nullptr); // case-sensitive
    EXPECT_EQ(Manager.GetEntity("Single", "Moon"), nullptr);
    EXPECT_EQ(Manager.GetEntity(""), nullptr);

    // Destroying the first twin moves "Single" to the front, ahead of the others.
    ASSERT_TRUE(Manager.DestroyEntity(Manager.GetEntity("Twin")->GetUID()));
    EXPECT_EQ(x(Manager.GetEntity("Twin")), 2.0f);
    EXPECT_EQ(x(Manager.GetEntityAt(0)), 4.0f);
}

TEST_F(EntityManager, TemplateCreatedTwiceReplacesTheFirstInTheIndexOnly)
{
    CEntityTemplate* first = Manager.GetTemplate("Box");
    ASSERT_NE(first, nullptr);
    Manager.CreateEntity("Box", "Old", kZero);
    CEntityTemplate* second = Manager.CreateTemplate("Planet", "Box", "Other.x");
    EXPECT_NE(second, first);
    EXPECT_EQ(Manager.GetTemplate("Box"), second);
    EXPECT_EQ(Manager.GetNumTemplates(), 2u);
    Manager.CreateEntity("Box", "New", kZero);

    // The first template lives on for the entity made from it.
    EXPECT_EQ(Manager.GetEntity("Old")->GetTemplate(), first);
    EXPECT_EQ(Manager.GetEntity("Old")->GetTemplate()->GetType(), "Block");
    EXPECT_EQ(Manager.GetEntity("New")->GetTemplate(), second);
    EXPECT_NE(Manager.GetEntity("Old", "Box", "Block"), nullptr);
    EXPECT_EQ(Manager.GetEntity("New", "Box", "Block"), nullptr);
    // Both are released by DestroyAllTemplates (the sanitizer build checks).
}

TEST_F(EntityManager, MissingTemplateIsRefusedWithoutUsingAUID)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(Manager.CreateEntity("Nothing", "Lost", kZero), kNoEntityUID);
    EXPECT_EQ(Manager.CreatePlanet("", "Lost", 1.0f, kZero), kNoEntityUID);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("\"Nothing\""), std::string::npos) << errors;
    EXPECT_EQ(Manager.GetNumEntities(), 0u);
    EXPECT_EQ(Manager.GetNextUID(), 0u);
    EXPECT_EQ(Manager.CreateEntity("Box", "Found", kZero), 0u);
}

TEST_F(EntityManager, DestroyAllTemplatesTakesRemainingEntitiesFirst)
{
    Manager.CreateEntity("Box", "A", kZero);
    Manager.CreatePlanet("Moon", "B", 1.0f, kZero);
    Manager.DestroyAllTemplates();
    EXPECT_EQ(Manager.GetNumTemplates(), 0u);
    EXPECT_EQ(Manager.GetTemplate("Box"), nullptr);
    // No entity is left pointing at a destroyed template.
    EXPECT_EQ(Manager.GetNumEntities(), 0u);
    EXPECT_EQ(Manager.GetEntityByUID(0), nullptr);
}

TEST_F(EntityManager, RenderDrawsEveryEntityInArrayOrder)
{
    CRecordingDeviceScope device;
    Manager.CreateTemplate("Figure", "Figure", kHierarchyMesh);
    ASSERT_TRUE(Manager.GetTemplate("Figure")->GetMesh()->IsLoaded());
    Manager.CreateEntity("Figure", "F1", {1, 0, 0});
    Manager.CreateEntity("Box", "NoMesh", kZero);
    Manager.CreateEntity("Figure", "F2", {2, 0, 0});

    CCamera camera;
    Manager.RenderAllEntities(camera, false);
    Manager.RenderAllEntities(camera, true);
    ASSERT_EQ(DeviceLog().Renders.size(), 4u); // the entity without a mesh draws nothing
    EXPECT_EQ(DeviceLog().Renders[0].WorldMatrices[0].GetPosition(), CVector3(1, 0, 0));
    EXPECT_EQ(DeviceLog().Renders[1].WorldMatrices[0].GetPosition(), CVector3(2, 0, 0));
    EXPECT_FALSE(DeviceLog().Renders[1].PostProcessPass);
    EXPECT_TRUE(DeviceLog().Renders[2].PostProcessPass);
}

} // namespace
} // namespace gen
