// The scene's set-up, update and shutdown without a device: the keys, the
// animation of the named entities, the light that follows Cubey and the
// camera's flight.
#include "Scene/Scene.h"

#include "Device/Device.h"
#include "Device/Input.h"
#include "Effects/PostProcess.h"
#include "Entities/CEntityManager.h"
#include "Render/RenderMethods.h"
#include "Camera/CCamera.h"
#include "Support/Checks.h"

#include <cmath>

namespace gen
{
namespace
{

const float kDegrees = 3.14159265358979f / 180.0f;

// v turned about the world axes X, then Z, then Y.
CVector3 Turned(const CVector3& v, float x, float z, float y)
{
    CMatrix4x4 r;
    r.MakeRotation(x, y, z, kXZY);
    return r.TransformPoint(v);
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
        manager.CreateTemplate("Cube", "TestCube", "../tests/data/mesh/Hierarchy.x");
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
        CEntity* entity = manager.GetEntityByUID(manager.CreateEntity("TestCube", name, kZero));
        entity->Matrix() = matrix;
        return entity;
    }

    // One frame with the keys hit just before it.
    static void Frame(float t, std::initializer_list<int> keys = {})
    {
        for (int key : keys)
        {
            GlobalInput().KeyDownEvent(key);
        }
        gen::SceneUpdate(t);
    }

    CMatrix4x4 CubeyStart, BlockStart;
    CEntity* Cubey = nullptr;
    CEntity* Block = nullptr;
};

TEST_F(SceneUpdate, TheLastKeyHitInTestingOrderWinsAndHeldKeysDoNotRepeat)
{
    Frame(0, {kKeyF5, kKeyF3, kKey2, kKey0});
    EXPECT_EQ(CameraMoveSpeed, 640.0f);
    EXPECT_EQ(GetCurrentFilter(), kNoFilter);
    Frame(0, {kKeyF2, kKey3, kKey1});
    EXPECT_EQ(CameraMoveSpeed, 5.0f);
    EXPECT_EQ(GetCurrentFilter(), kUnderWater);
    Frame(0, {kKeyF4, kKey2}); // 2 is still down from the first frame
    EXPECT_EQ(CameraMoveSpeed, 160.0f);
    EXPECT_EQ(GetCurrentFilter(), kUnderWater);
    CameraMoveSpeed = 40.0f;
    GlobalInput().KeyUpEvent(kKey2);
    Frame(0, {kKey2});
    EXPECT_EQ(CameraMoveSpeed, 40.0f);
    EXPECT_EQ(GetCurrentFilter(), kHighContrast);
}

TEST_F(SceneUpdate, NothingMovesInAZeroLengthFrameAndTheLightJoinsCubey)
{
    // The render methods read the scene's own lights.
    ASSERT_NE(GetShadingValues().Lights, nullptr);
    EXPECT_EQ(GetShadingValues().Lights[0], GetSceneLight(0));
    EXPECT_EQ(GetShadingValues().Lights[1], GetSceneLight(1));
    const CVector3 firstLight = GetSceneLight(0)->Position;
    const CMatrix4x4 camera = GetSceneCamera()->WorldMatrix;
    Frame(0, {kKeyW, kKeyLeft});
    EXPECT_EQ(Cubey->Matrix(), CubeyStart);
    EXPECT_EQ(Block->Matrix(), BlockStart);
    EXPECT_EQ(GetSceneCamera()->WorldMatrix, camera);
    EXPECT_EQ(GetSceneLight(1)->Position, CubeyStart.GetPosition());
    EXPECT_EQ(GetSceneLight(0)->Position, firstLight);
}

TEST_F(SceneUpdate, OneSecondSpinsPlanetsTumblesAndCirclesCubeyAndTurnsTheBlock)
{
    CEntityManager& manager = GetEntityManager();
    manager.CreateTemplate("Planet", "TestPlanet", "../tests/data/mesh/Hierarchy.x");
    CEntity* planet = manager.GetEntityByUID(manager.CreatePlanet("TestPlanet", "Spinner", 0.5f, kZero));
    Frame(1.0f);

    // Axes turned 53 degrees about X, then 42 about Z, then 12 about Y, all
    // world axes; the position circled 12 degrees about the world Y axis.
    for (int row = 0; row < 3; ++row)
    {
        ExpectNear(Cubey->Matrix().GetRow(row), Turned(CubeyStart.GetRow(row), 53 * kDegrees, 42 * kDegrees, 12 * kDegrees));
        ExpectNear(Block->Matrix().GetRow(row), Turned(BlockStart.GetRow(row), 0, 0, 10 * kDegrees));
    }
    ExpectNear(Cubey->Matrix().GetPosition(), Turned(CubeyStart.GetPosition(), 0, 0, 12 * kDegrees), 1e-4f);
    EXPECT_EQ(GetSceneLight(1)->Position, Cubey->Matrix().GetPosition());
    EXPECT_EQ(Block->Matrix().GetPosition(), BlockStart.GetPosition());
    // Entities are updated too, in the same frame.
    ExpectNear(planet->Matrix().GetRow(2), CVector3(std::sin(0.5f), 0, std::cos(0.5f)));

    // Without the named entities there is nothing to animate or follow.
    const CVector3 light = GetSceneLight(1)->Position;
    manager.DestroyAllEntities();
    Frame(1.0f);
    EXPECT_EQ(GetSceneLight(1)->Position, light);
}

TEST_F(SceneUpdate, TheCameraFliesAtTheChosenSpeedAndTurns)
{
    CCamera& camera = *GetSceneCamera();
    const CVector3 start = camera.GetPosition(), forward = camera.WorldMatrix.GetRow(2);
    // Looking forward and 15 degrees down.
    ExpectNear(forward, CVector3(0, -std::sin(15 * kDegrees), std::cos(15 * kDegrees)), 1e-6f);
    Frame(0.5f, {kKeyW});
    ExpectNear(camera.GetPosition(), start + forward * 40.0f, 1e-3f);

    // Right arrow turns 2 radians per second about the world vertical.
    const CVector3 right = camera.WorldMatrix.GetRow(0);
    Frame(0.25f, {kKeyRight});
    ExpectNear(camera.WorldMatrix.GetRow(0), Turned(right, 0, 0, 0.5f));
}

TEST_F(SceneUpdate, ShutdownReleasesTheSceneAndToleratesARepeat)
{
    SceneShutdown();
    EXPECT_EQ(GetSceneCamera(), nullptr);
    EXPECT_EQ(GetSceneLight(0), nullptr);
    EXPECT_EQ(GetSceneLight(1), nullptr);
    EXPECT_EQ(GetShadingValues().Lights, nullptr);
    EXPECT_EQ(GetEntityManager().GetNumEntities() + GetEntityManager().GetNumTemplates(), 0u);
    SceneShutdown();
    Frame(0.1f, {kKeyW}); // updating a scene that is not set up changes nothing
    EXPECT_EQ(GetSceneCamera(), nullptr);
}

} // namespace
} // namespace gen
