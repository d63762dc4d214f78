// The scene's set-up, update and shutdown, without a device: the keys,
// the animation of the named entities, the light that follows Cubey and the
// camera's flight.
#include "Scene/Scene.h"

#include "App/Device.h"
#include "App/Input.h"
#include "Effects/PostProcess.h"
#include "Entities/CEntityManager.h"
#include "Render/RenderMethods.h"
#include "Scene/CCamera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gen
{
namespace
{

const char* const kTestMesh = "../tests/data/mesh/Hierarchy.x";
const float kDegrees = 3.14159265358979f / 180.0f;

// A 3x3 rotation as row-vector matrices: v' = v * R.
struct SRotation
{
    float m[3][3];
};

SRotation RotationX(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    return {{{1, 0, 0}, {0, c, s}, {0, -s, c}}};
}

SRotation RotationY(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    return {{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
}

SRotation RotationZ(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    return {{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
}

CVector3 Times(const CVector3& v, const SRotation& r)
{
    return {v.x * r.m[0][0] + v.y * r.m[1][0] + v.z * r.m[2][0], v.x * r.m[0][1] + v.y * r.m[1][1] + v.z * r.m[2][1],
            v.x * r.m[0][2] + v.y * r.m[1][2] + v.z * r.m[2][2]};
}

void ExpectNear(const CVector3& a, const CVector3& b, float tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

class SceneUpdate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(Device, nullptr);
        GlobalInput().Clear();
        ASSERT_TRUE(SceneSetup());
        // Our own small cast instead of the shipped level's.
        CEntityManager& manager = GetEntityManager();
        manager.DestroyAllEntities();
        manager.DestroyAllTemplates();
        ASSERT_NE(manager.CreateTemplate("Cube", "TestCube", kTestMesh), nullptr);
        CubeyStart.MakeAffineEuler(CVector3(20, 5, 10), CVector3(0.1f, 0.2f, 0.3f), kZXY, CVector3(1, 1, 1));
        BlockStart.MakeAffineEuler(CVector3(0, 0, 30), CVector3(0, 0.5f, 0), kZXY, CVector3(2, 2, 2));
        Cubey = Make("Cubey", CubeyStart);
        Block = Make("PostProcessBlock", BlockStart);
        SetCurrentFilter(kNoFilter);
    }

    void TearDown() override
    {
        SceneShutdown();
        GlobalInput().Clear();
        SetCurrentFilter(kNoFilter);
    }

    static CEntity* Make(const std::string& name, const CMatrix4x4& matrix)
    {
        CEntityManager& manager = GetEntityManager();
        CEntity* entity = manager.GetEntityByUID(manager.CreateEntity("TestCube", name, CVector3(0, 0, 0)));
        EXPECT_NE(entity, nullptr);
        entity->Matrix() = matrix;
        return entity;
    }

    static void Hit(int code)
    {
        GlobalInput().KeyDownEvent(code);
    }

    CMatrix4x4 CubeyStart;
    CMatrix4x4 BlockStart;
    CEntity* Cubey = nullptr;
    CEntity* Block = nullptr;
};

TEST_F(SceneUpdate, SetUpPlacesTheCameraAndLights)
{
    const CCamera* camera = GetSceneCamera();
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->GetPosition(), CVector3(0, 50, -150));
    EXPECT_EQ(camera->NearClip, 2.0f);
    EXPECT_EQ(camera->FarClip, 300000.0f);
    EXPECT_FLOAT_EQ(camera->FOV, 1.0471976f);
    // Looking forward and 15 degrees down.
    ExpectNear(camera->WorldMatrix.GetRow(2), CVector3(0, -std::sin(15 * kDegrees), std::cos(15 * kDegrees)), 1e-6f);

    ASSERT_NE(GetSceneLight(0), nullptr);
    ASSERT_NE(GetSceneLight(1), nullptr);
    EXPECT_EQ(GetSceneLight(2), nullptr);
    EXPECT_EQ(GetSceneLight(0)->Position, CVector3(-10000, 10000, 0));
    EXPECT_EQ(GetSceneLight(0)->Colour[1], 0.8f);
    EXPECT_EQ(GetSceneLight(0)->Brightness, 20000.0f);
    EXPECT_EQ(GetSceneLight(1)->Position, CVector3(0, 30, 50));
    EXPECT_EQ(GetSceneLight(1)->Colour[2], 1.0f);
    EXPECT_EQ(GetSceneLight(1)->Brightness, 100.0f);

    // The render methods read the scene's own lights.
    const SShadingValues& shading = GetShadingValues();
    ASSERT_NE(shading.Lights, nullptr);
    EXPECT_EQ(shading.Lights[0], GetSceneLight(0));
    EXPECT_EQ(shading.Lights[1], GetSceneLight(1));
    EXPECT_EQ(shading.AmbientLight[2], 0.4f);
    EXPECT_EQ(CameraMoveSpeed, 80.0f);
}

TEST_F(SceneUpdate, TheShippedLevelProvidesTheNamedEntities)
{
    SceneShutdown();
    ASSERT_TRUE(SceneSetup());
    CEntityManager& manager = GetEntityManager();
    EXPECT_NE(manager.GetEntity("Cubey"), nullptr);
    EXPECT_NE(manager.GetEntity("PostProcessBlock"), nullptr);
    EXPECT_NE(manager.GetEntity("Wall1"), nullptr);
}

TEST_F(SceneUpdate, TheLastSpeedKeyInTestingOrderWins)
{
    Hit(kKeyF5);
    Hit(kKeyF3);
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(CameraMoveSpeed, 640.0f);

    Hit(kKeyF2);
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(CameraMoveSpeed, 5.0f);

    // Held, not hit again: no change.
    Hit(kKeyF4);
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(CameraMoveSpeed, 160.0f);
    CameraMoveSpeed = 40.0f;
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(CameraMoveSpeed, 40.0f);
}

TEST_F(SceneUpdate, FilterKeys)
{
    Hit(kKey2);
    Hit(kKey0);
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(GetCurrentFilter(), kNoFilter);

    Hit(kKey3);
    Hit(kKey1);
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(GetCurrentFilter(), kUnderWater);

    // A key still down from the first frame is no new hit.
    Hit(kKey2);
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(GetCurrentFilter(), kUnderWater);
    GlobalInput().KeyUpEvent(kKey2);
    Hit(kKey2);
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(GetCurrentFilter(), kHighContrast);
}

TEST_F(SceneUpdate, NothingMovesInAZeroLengthFrame)
{
    const CMatrix4x4 camera = GetSceneCamera()->WorldMatrix;
    Hit(kKeyW);
    Hit(kKeyLeft);
    gen::SceneUpdate(0.0f);
    EXPECT_EQ(Cubey->Matrix(), CubeyStart);
    EXPECT_EQ(Block->Matrix(), BlockStart);
    EXPECT_EQ(GetSceneCamera()->WorldMatrix, camera);
    // The light has joined Cubey where it stands.
    EXPECT_EQ(GetSceneLight(1)->Position, CubeyStart.GetPosition());
}

TEST_F(SceneUpdate, TheSecondLightFollowsCubeyExactly)
{
    for (float t : {0.37f, 0.016f, 1.5f})
    {
        gen::SceneUpdate(t);
        EXPECT_EQ(GetSceneLight(1)->Position, Cubey->Matrix().GetPosition());
    }
    EXPECT_EQ(GetSceneLight(0)->Position, CVector3(-10000, 10000, 0));
}

TEST_F(SceneUpdate, OneSecondTumblesAndCirclesCubeyAndTurnsTheBlock)
{
    gen::SceneUpdate(1.0f);

    // Axes turned 53 degrees about X, then 42 about Z, then 12 about Y, all
    // world axes; the position circled 12 degrees about the world Y axis.
    for (int row = 0; row < 3; ++row)
    {
        const CVector3 expected =
            Times(Times(Times(CubeyStart.GetRow(row), RotationX(53 * kDegrees)), RotationZ(42 * kDegrees)),
                  RotationY(12 * kDegrees));
        ExpectNear(Cubey->Matrix().GetRow(row), expected, 1e-5f);
    }
    const CVector3 position = Cubey->Matrix().GetPosition();
    ExpectNear(position, Times(CubeyStart.GetPosition(), RotationY(12 * kDegrees)), 1e-4f);
    EXPECT_NEAR(std::atan2(position.x, position.z) - std::atan2(20.0f, 10.0f), 12 * kDegrees, 1e-5f);

    // The block turns 10 degrees on the spot, its scale kept.
    EXPECT_EQ(Block->Matrix().GetPosition(), BlockStart.GetPosition());
    for (int row = 0; row < 3; ++row)
    {
        ExpectNear(Block->Matrix().GetRow(row), Times(BlockStart.GetRow(row), RotationY(10 * kDegrees)), 1e-5f);
    }
}

TEST_F(SceneUpdate, TheCameraFliesAtTheChosenSpeed)
{
    CCamera& camera = *GetSceneCamera();
    const CVector3 start = camera.GetPosition();
    const CVector3 forward = camera.WorldMatrix.GetRow(2);
    Hit(kKeyW);
    gen::SceneUpdate(0.5f);
    ExpectNear(camera.GetPosition(), start + forward * 40.0f, 1e-3f);

    GlobalInput().KeyUpEvent(kKeyW);
    Hit(kKeyF5);
    Hit(kKeyD);
    gen::SceneUpdate(0.25f);
    ExpectNear(camera.GetPosition(), start + forward * 40.0f + camera.WorldMatrix.GetRow(0) * 160.0f, 1e-3f);

    // Right arrow turns 2 radians per second about the world vertical.
    GlobalInput().KeyUpEvent(kKeyD);
    const CVector3 right = camera.WorldMatrix.GetRow(0);
    Hit(kKeyRight);
    gen::SceneUpdate(0.25f);
    ExpectNear(camera.WorldMatrix.GetRow(0), Times(right, RotationY(0.5f)), 1e-5f);
}

TEST_F(SceneUpdate, MissingNamedEntitiesAreSkipped)
{
    GetEntityManager().DestroyAllEntities();
    gen::SceneUpdate(1.0f);
    EXPECT_EQ(GetSceneLight(1)->Position, CVector3(0, 30, 50));
}

TEST_F(SceneUpdate, EntitiesAreUpdatedFirst)
{
    // A planet spins in the same update that turns Cubey.
    CEntityManager& manager = GetEntityManager();
    ASSERT_NE(manager.CreateTemplate("Planet", "TestPlanet", kTestMesh), nullptr);
    CEntity* planet =
        manager.GetEntityByUID(manager.CreatePlanet("TestPlanet", "Spinner", 1.0f, CVector3(0, 0, 0)));
    ASSERT_NE(planet, nullptr);
    const CVector3 x = planet->Matrix().GetRow(0);
    gen::SceneUpdate(0.5f);
    EXPECT_NE(planet->Matrix().GetRow(0), x);
}

TEST_F(SceneUpdate, ShutdownReleasesTheSceneAndToleratesARepeat)
{
    SceneShutdown();
    EXPECT_EQ(GetSceneCamera(), nullptr);
    EXPECT_EQ(GetSceneLight(0), nullptr);
    EXPECT_EQ(GetSceneLight(1), nullptr);
    EXPECT_EQ(GetShadingValues().Lights, nullptr);
    EXPECT_EQ(GetEntityManager().GetNumEntities(), 0u);
    EXPECT_EQ(GetEntityManager().GetNumTemplates(), 0u);
    SceneShutdown();
    // Updating a scene that is not set up does nothing harmful.
    gen::SceneUpdate(0.1f);
}

} // namespace
} // namespace gen
