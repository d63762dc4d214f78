// The entity manager: UIDs, the array kept dense by moving the last entity
// into a gap, the UID index, updates that destroy, look-ups by name, templates.
#include "Entities/CEntityManager.h"

#include "Support/Checks.h"
#include "TestDoubles.h"

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
            // Every live entity is found by its UID at its own position.
            EXPECT_EQ(Manager.GetEntityByUID(Manager.GetEntityAt(i)->GetUID()), Manager.GetEntityAt(i));
        }
        return names;
    }

    CEntityManager Manager{&CRecordingMeshDevice::Create};
};

TEST_F(EntityManager, UIDsCountUpAndAreNeverReused)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(Manager.CreateEntity("Nothing", "Lost", kZero), kNoEntityUID); // a missing template uses no UID
    EXPECT_EQ(Manager.CreatePlanet("", "Lost", 1.0f, kZero), kNoEntityUID);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("\"Nothing\""), std::string::npos);
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
    for (const char* name : {"A", "B", "C", "D"})
    {
        Manager.CreateEntity("Box", name, kZero);
    }
    EXPECT_TRUE(Manager.DestroyEntity(0));
    EXPECT_EQ(Names(), (std::vector<std::string>{"D", "B", "C"}));
    EXPECT_TRUE(Manager.DestroyEntity(2)); // the last one goes without moving anything
    EXPECT_EQ(Names(), (std::vector<std::string>{"D", "B"}));
    // Unknown and already destroyed UIDs change nothing.
    EXPECT_FALSE(Manager.DestroyEntity(2));
    EXPECT_FALSE(Manager.DestroyEntity(99));
    EXPECT_FALSE(Manager.DestroyEntity(kNoEntityUID));
    EXPECT_EQ(Names(), (std::vector<std::string>{"D", "B"}));

    // Far past the reserved 1024 entities and the index's first buckets, with
    // gaps filled from the end all along.
    for (std::uint32_t i = 0; i < 3000; ++i)
    {
        Manager.CreateEntity("Box", "E" + std::to_string(i), kZero);
        if (i % 3 == 0)
        {
            EXPECT_TRUE(Manager.DestroyEntity(Manager.GetEntityAt(i / 5)->GetUID()));
        }
    }
    EXPECT_EQ(Names().size(), 2002u);
}

TEST_F(EntityManager, UpdateSpinsPlanetsAndDestroysFinishedEntitiesUpdatingTheirReplacements)
{
    std::vector<std::string> log;
    Manager.CreateEntityOf<CMortalEntity>("Box", "A", 1, &log);
    Manager.CreateEntityOf<CMortalEntity>("Box", "B", 3, &log);
    Manager.CreateEntityOf<CMortalEntity>("Box", "C", 3, &log);
    Manager.CreateEntityOf<CMortalEntity>("Box", "D", 1, &log);
    CEntity* planet = Manager.GetEntityByUID(Manager.CreatePlanet("Moon", "Spinner", 2.0f, {1, 2, 3}));

    Manager.UpdateAllEntities(0.25f);
    // A goes and the planet, moved into its place, is updated in the same pass
    // (turned once, by 2 x 0.25); D, the last, goes without moving anything.
    EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Spinner", "B", "C"}));
    CMatrix4x4 turned;
    turned.MakeAffineEuler({1, 2, 3}, {0, 0.5f, 0}, kZXY, kOne);
    ExpectNear(planet->Matrix(), turned);

    log.clear();
    Manager.UpdateAllEntities(0.25f);
    EXPECT_EQ(log, (std::vector<std::string>{"B", "C"}));
    turned.MakeAffineEuler({1, 2, 3}, {0, 1.0f, 0}, kZXY, kOne);
    ExpectNear(planet->Matrix(), turned);
    Manager.UpdateAllEntities(0.25f);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Spinner"}));
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
}

TEST_F(EntityManager, TemplatesReplacedOrDestroyedTakeNoEntityWithThem)
{
    CEntityTemplate* first = Manager.GetTemplate("Box");
    Manager.CreateEntity("Box", "Old", kZero);
    CEntityTemplate* second = Manager.CreateTemplate("Planet", "Box", "Other.x");
    Manager.CreateEntity("Box", "New", kZero);
    EXPECT_EQ(Manager.GetTemplate("Box"), second);
    EXPECT_EQ(Manager.GetNumTemplates(), 2u);
    // The first template lives on for the entity made from it.
    EXPECT_EQ(Manager.GetEntity("Old")->GetTemplate(), first);
    EXPECT_NE(Manager.GetEntity("Old", "Box", "Block"), nullptr);
    EXPECT_EQ(Manager.GetEntity("New", "Box", "Block"), nullptr);
    EXPECT_EQ(Manager.GetEntity("New")->GetTemplate(), second);

    // Destroying the templates takes the remaining entities first (the
    // sanitizer build checks that nothing dangles).
    Manager.DestroyAllTemplates();
    EXPECT_EQ(Manager.GetNumTemplates(), 0u);
    EXPECT_EQ(Manager.GetTemplate("Box"), nullptr);
    EXPECT_EQ(Manager.GetNumEntities(), 0u);
    EXPECT_EQ(Manager.GetEntityByUID(0), nullptr);
}

TEST_F(EntityManager, RenderDrawsEveryEntityWithAMeshInArrayOrder)
{
    CRecordingDeviceScope device;
    Manager.CreateTemplate("Figure", "Figure", kHierarchyMesh);
    Manager.CreateEntity("Figure", "F1", {1, 0, 0});
    Manager.CreateEntity("Box", "NoMesh", kZero);
    Manager.CreateEntity("Figure", "F2", {2, 0, 0});
    CCamera camera;
    Manager.RenderAllEntities(camera, false);
    Manager.RenderAllEntities(camera, true);
    ASSERT_EQ(DeviceLog().Renders.size(), 4u);
    EXPECT_EQ(DeviceLog().Renders[0].WorldMatrices[0].GetPosition(), CVector3(1, 0, 0));
    EXPECT_EQ(DeviceLog().Renders[1].WorldMatrices[0].GetPosition(), CVector3(2, 0, 0));
    EXPECT_FALSE(DeviceLog().Renders[1].PostProcessPass);
    EXPECT_TRUE(DeviceLog().Renders[2].PostProcessPass);
}

} // namespace
} // namespace gen
