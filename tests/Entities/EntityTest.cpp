// Entities: placement, the node hierarchy's world matrices, and planets
// spinning on the spot.
#include "Entities/CEntity.h"

#include "Entities/CEntityTemplate.h"
#include "Support/Checks.h"
#include "TestDoubles.h"

#include <cmath>

namespace gen
{
namespace
{

CMatrix4x4 Placed(const CVector3& position, const CVector3& rotation = kZero, const CVector3& scale = kOne)
{
    CMatrix4x4 m;
    m.MakeAffineEuler(position, rotation, kZXY, scale);
    return m;
}

TEST(Entity, PlacementIsTheRootMatrixOfAnEntityThatNeverMoves)
{
    CRecordingDeviceScope device;
    CEntityTemplate missing("Block", "Box", "NoSuchMesh.x", CRecordingMeshDevice::Create());
    CEntity entity(&missing, 7, "Box1", {1, 2, 3}, {0.1f, 0.2f, 0.3f}, {2, 3, 4});
    EXPECT_EQ(entity.Matrix(), Placed({1, 2, 3}, {0.1f, 0.2f, 0.3f}, {2, 3, 4}));
    EXPECT_TRUE(entity.Update(100.0f));
    EXPECT_EQ(entity.Matrix(), Placed({1, 2, 3}, {0.1f, 0.2f, 0.3f}, {2, 3, 4}));

    // Without a mesh the entity has a root node of its own and draws nothing;
    // without any template it is still safe.
    ASSERT_EQ(entity.GetNumNodes(), 1u);
    CCamera camera;
    entity.Render(camera, false);
    EXPECT_EQ(entity.WorldMatrix(), entity.Matrix());
    CEntity orphan(nullptr, 1, "Orphan", {1, 1, 1}, kZero, kOne);
    orphan.Render(camera, true);
    EXPECT_EQ(orphan.WorldMatrix(), Placed({1, 1, 1}));
    EXPECT_TRUE(DeviceLog().Renders.empty());
}

TEST(Entity, HierarchyComposesRelativeMatricesDownTheTree)
{
    CRecordingDeviceScope device;
    CEntityTemplate figure("Figure", "Figure", kHierarchyMesh, CRecordingMeshDevice::Create());
    const CMesh& mesh = *figure.GetMesh();
    ASSERT_EQ(mesh.GetNumNodes(), 5u);
    CEntity entity(&figure, 0, "Figure1", {10, 0, 0}, kZero, kOne);
    ASSERT_EQ(entity.GetNumNodes(), 5u);
    EXPECT_EQ(entity.Matrix(0), Placed({10, 0, 0})); // the node's own matrix is replaced
    EXPECT_EQ(entity.Matrix(3), mesh.GetNode(3).Matrix);

    CCamera camera;
    entity.Render(camera, false);
    // Body 2 up; Arm 3 along Body's X and turned; Hand 4 along Arm's Z, which
    // the turn points along world X; Leg scaled by 2, 1 down.
    ExpectNear(entity.WorldMatrix(1), Placed({10, 2, 0}));
    EXPECT_EQ(entity.WorldMatrix(3), entity.Matrix(3) * entity.WorldMatrix(2));
    EXPECT_EQ(entity.WorldMatrix(3).GetPosition(), CVector3(17, 2, 0));
    EXPECT_EQ(entity.WorldMatrix(4).GetPosition(), CVector3(10, 1, 0));
    EXPECT_EQ(entity.WorldMatrix(4).GetScale(), CVector3(2, 2, 2));
    ASSERT_EQ(DeviceLog().Renders.size(), 1u);
    EXPECT_EQ(DeviceLog().Renders[0].Mesh, &mesh);
    EXPECT_EQ(DeviceLog().Renders[0].WorldMatrices[3], entity.WorldMatrix(3));

    // Moving the root moves every node at the next Render.
    entity.Matrix().SetPosition({0, 0, -5});
    entity.Render(camera, true);
    EXPECT_EQ(entity.WorldMatrix(3).GetPosition(), CVector3(7, 2, -5));
    EXPECT_TRUE(DeviceLog().Renders.back().PostProcessPass);
}

TEST(Entity, PlanetsSpinOnTheSpotKeepingTheirShape)
{
    CEntityTemplate missing("Planet", "Moon", "", nullptr);
    CPlanetEntity planet(&missing, 0, "Moon1", 1.0f, {5, 6, 7}, kZero, kOne);
    EXPECT_TRUE(planet.Update(0.5f));
    ExpectNear(planet.Matrix(), Placed({5, 6, 7}, {0, 0.5f, 0}));
    EXPECT_EQ(planet.Matrix().GetPosition(), CVector3(5, 6, 7));

    // Zero speed or zero time leaves the matrix exactly as it was.
    const CMatrix4x4 turned = planet.Matrix();
    planet.Update(0.0f);
    EXPECT_EQ(planet.Matrix(), turned);
    CPlanetEntity still(&missing, 1, "Still", 0.0f, {1, 2, 3}, {0.3f, 0.2f, 0.1f}, kOne);
    still.Update(10.0f);
    EXPECT_EQ(still.Matrix(), Placed({1, 2, 3}, {0.3f, 0.2f, 0.1f}));

    CPlanetEntity egg(&missing, 2, "Egg", 2.0f, kZero, {0.4f, 0, 0}, {2, 1, 1});
    for (int i = 0; i < 1000; ++i)
    {
        egg.Update(0.016f);
    }
    EXPECT_NEAR(egg.Matrix().GetRow(0).Length(), 2.0f, 1e-3f);
    EXPECT_NEAR(egg.Matrix().GetRow(1).Length(), 1.0f, 1e-6f);
    EXPECT_NEAR(egg.Matrix().GetRow(2).Length(), 1.0f, 1e-3f);
    EXPECT_NEAR(Dot(egg.Matrix().GetRow(0), egg.Matrix().GetRow(2)), 0.0f, 1e-3f);

    // Flattened to nothing on an axis (a level's Scale with only X), it has no
    // length ratio to keep: it stays as it is instead of becoming NaN.
    CPlanetEntity flat(&missing, 3, "Flat", 1.0f, {1, 2, 3}, kZero, {2, 0, 0});
    flat.Update(0.5f);
    EXPECT_EQ(flat.Matrix(), Placed({1, 2, 3}, kZero, {2, 0, 0}));
}

} // namespace
} // namespace gen
