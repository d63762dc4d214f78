#include "Entities/CEntity.h"

#include "Entities/CEntityTemplate.h"
#include "TestDoubles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gen
{
namespace
{

void ExpectNear(const CMatrix4x4& actual, const CMatrix4x4& expected, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(actual.e[i], expected.e[i], tolerance) << "element " << i;
    }
}

CMatrix4x4 Translation(float x, float y, float z)
{
    CMatrix4x4 m = CMatrix4x4::kIdentity;
    m.SetPosition({x, y, z});
    return m;
}

TEST(Entity, PlacementBecomesTheRootMatrix)
{
    CEntityTemplate missing("Block", "Box", "NoSuchMesh.x", nullptr);
    CEntity entity(&missing, 7, "Box1", {1, 2, 3}, kZero, kOne);
    EXPECT_EQ(entity.GetUID(), 7u);
    EXPECT_EQ(entity.GetName(), "Box1");
    EXPECT_EQ(entity.GetTemplate(), &missing);
    EXPECT_EQ(entity.Matrix(), Translation(1, 2, 3));
    // A plain entity never moves by itself and always stays.
    EXPECT_TRUE(entity.Update(100.0f));
    EXPECT_EQ(entity.Matrix(), Translation(1, 2, 3));

    CEntity turned(&missing, 8, "Box2", {1, 2, 3}, {0.1f, 0.2f, 0.3f}, {2, 3, 4});
    CMatrix4x4 expected = CMatrix4x4::kIdentity;
    expected.MakeAffineEuler({1, 2, 3}, {0.1f, 0.2f, 0.3f}, kZXY, {2, 3, 4});
    EXPECT_EQ(turned.Matrix(), expected);
}

TEST(Entity, TemplateWithoutMeshGivesARootNodeOfItsOwn)
{
    CRecordingDeviceScope device;
    CEntityTemplate missing("Block", "Box", "NoSuchMesh.x", CRecordingMeshDevice::Create());
    ASSERT_FALSE(missing.GetMesh()->IsLoaded());
    CEntity entity(&missing, 0, "Box1", {4, 5, 6}, kZero, kOne);
    ASSERT_EQ(entity.GetNumNodes(), 1u);
    CCamera camera;
    entity.Render(camera, false);
    EXPECT_EQ(entity.WorldMatrix(), entity.Matrix());
    EXPECT_TRUE(DeviceLog().Renders.empty()); // nothing to draw

    // Without any template at all it is still safe.
    CEntity orphan(nullptr, 1, "Orphan", {1, 1, 1}, kZero, kOne);
    orphan.Render(camera, true);
    EXPECT_EQ(orphan.WorldMatrix(), Translation(1, 1, 1));
}

TEST(Entity, HierarchyComposesRelativeMatricesDownTheTree)
{
    CRecordingDeviceScope device;
    CEntityTemplate figure("Figure", "Figure", kHierarchyMesh, CRecordingMeshDevice::Create());
    const CMesh& mesh = *figure.GetMesh();
    ASSERT_TRUE(mesh.IsLoaded());
    ASSERT_EQ(mesh.GetNumNodes(), 5u);

    CEntity entity(&figure, 0, "Figure1", {10, 0, 0}, kZero, kOne);
    ASSERT_EQ(entity.GetNumNodes(), 5u);
    EXPECT_EQ(entity.Matrix(0), Translation(10, 0, 0)); // the node's own matrix is replaced
    for (std::uint32_t i = 1; i < 5; ++i)
    {
        EXPECT_EQ(entity.Matrix(i), mesh.GetNode(i).Matrix) << i;
    }

    CCamera camera;
    entity.Render(camera, false);
    // Body 2 up; Arm 3 along Body's X and turned; Hand 4 along Arm's Z,
    // which the turn points along world X; Leg scaled by 2, 1 down.
    ExpectNear(entity.WorldMatrix(1), Translation(10, 2, 0));
    EXPECT_EQ(entity.WorldMatrix(2), entity.Matrix(2) * entity.WorldMatrix(1));
    EXPECT_EQ(entity.WorldMatrix(3), entity.Matrix(3) * entity.WorldMatrix(2));
    EXPECT_EQ(entity.WorldMatrix(3).GetPosition(), CVector3(17, 2, 0));
    EXPECT_EQ(entity.WorldMatrix(4).GetPosition(), CVector3(10, 1, 0));
    EXPECT_EQ(entity.WorldMatrix(4).GetScale(), CVector3(2, 2, 2));

    ASSERT_EQ(DeviceLog().Renders.size(), 1u);
    EXPECT_EQ(DeviceLog().Renders[0].Mesh, &mesh);
    EXPECT_FALSE(DeviceLog().Renders[0].PostProcessPass);
    ASSERT_EQ(DeviceLog().Renders[0].WorldMatrices.size(), 5u);
    EXPECT_EQ(DeviceLog().Renders[0].WorldMatrices[3], entity.WorldMatrix(3));

    // Moving the root moves every node at the next Render.
    entity.Matrix().SetPosition({0, 0, -5});
    entity.Render(camera, true);
    EXPECT_EQ(entity.WorldMatrix(3).GetPosition(), CVector3(7, 2, -5));
    EXPECT_EQ(entity.WorldMatrix(4).GetPosition(), CVector3(0, 1, -5));
    EXPECT_TRUE(DeviceLog().Renders.back().PostProcessPass);
}

TEST(Entity, PlanetSpinsOnTheSpot)
{
    CEntityTemplate missing("Planet", "Moon", "", nullptr);
    CPlanetEntity planet(&missing, 0, "Moon1", 1.0f, {5, 6, 7}, kZero, kOne);
    EXPECT_EQ(planet.GetSpinSpeed(), 1.0f);
    EXPECT_TRUE(planet.Update(0.5f));
    CMatrix4x4 expected = CMatrix4x4::kIdentity;
    expected.MakeAffineEuler({5, 6, 7}, {0, 0.5f, 0}, kZXY, kOne);
    ExpectNear(planet.Matrix(), expected);
    EXPECT_EQ(planet.Matrix().GetPosition(), CVector3(5, 6, 7));

    // Zero speed or zero time leaves the matrix exactly as it was.
    CPlanetEntity still(&missing, 1, "Still", 0.0f, {1, 2, 3}, {0.3f, 0.2f, 0.1f}, kOne);
    const CMatrix4x4 before = still.Matrix();
    still.Update(10.0f);
    planet.Update(0.0f);
    EXPECT_EQ(still.Matrix(), before);
}

TEST(Entity, PlanetKeepsItsShapeWhileTurning)
{
    CEntityTemplate missing("Planet", "Moon", "", nullptr);
    CPlanetEntity planet(&missing, 0, "Egg", 2.0f, {0, 0, 0}, {0.4f, 0, 0}, {2, 1, 1});
    for (int i = 0; i < 1000; ++i)
    {
        planet.Update(0.016f);
    }
    EXPECT_NEAR(planet.Matrix().GetRow(0).Length(), 2.0f, 1e-3f);
    EXPECT_NEAR(planet.Matrix().GetRow(1).Length(), 1.0f, 1e-6f);
    EXPECT_NEAR(planet.Matrix().GetRow(2).Length(), 1.0f, 1e-3f);
    EXPECT_NEAR(Dot(planet.Matrix().GetRow(0), planet.Matrix().GetRow(2)), 0.0f, 1e-3f);

    // A planet flattened to nothing on an axis (a level's Scale with only X)
    // has no length ratio to keep: it stays as it is instead of becoming NaN.
    CPlanetEntity flat(&missing, 1, "Flat", 1.0f, {1, 2, 3}, kZero, {2, 0, 0});
    const CMatrix4x4 before = flat.Matrix();
    flat.Update(0.5f);
    EXPECT_EQ(flat.Matrix(), before);
    for (float value : flat.Matrix().e)
    {
        EXPECT_TRUE(std::isfinite(value));
    }
}

} // namespace
} // namespace gen
