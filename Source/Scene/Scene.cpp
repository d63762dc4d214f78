// The demonstration's content and its per-frame choreography: the level,
// the camera and two lights; each frame the post-processed scene, two
// heat-haze areas, the overlay; then the animation of the named entities and
// the camera's flight.
#include "Scene/Scene.h"

#include "App/Device.h"
#include "App/Input.h"
#include "App/Overlay.h"
#include "Data/CParseLevel.h"
#include "Effects/PostProcess.h"
#include "Entities/CEntityManager.h"
#include "Render/CMeshDeviceObjects.h"
#include "Render/RenderMethods.h"
#include "Scene/CCamera.h"

namespace gen
{

float CameraMoveSpeed = 80.0f;

namespace
{
const char* const kLevelFile = "Entities.xml";
constexpr std::size_t kLevelReadSize = 32768;

// Per second: Cubey tumbles 53 degrees about X and 42 about Z and circles
// the origin at 12; the post-processing block turns 10 about Y.
constexpr float kCubeySpinX = 0.9250245f;
constexpr float kCubeySpinZ = 0.7330383f;
constexpr float kCubeyOrbit = 0.20943952f;
constexpr float kBlockTurn = 0.17453294f;
constexpr float kCameraTurnSpeed = 2.0f; // radians per second

CCamera* Camera = nullptr;
CLight* Lights[2] = {nullptr, nullptr};

void DrawAllEntities(CCamera& camera, bool postProcessPass)
{
    GetEntityManager().RenderAllEntities(camera, postProcessPass);
}

void DeleteViewAndLights()
{
    SetLights(nullptr);
    delete Lights[1];
    Lights[1] = nullptr;
    delete Lights[0];
    Lights[0] = nullptr;
    delete Camera;
    Camera = nullptr;
}

void SelectCameraSpeedFromKeys()
{
    // Each key is tested, so the last one hit in this order wins.
    if (KeyHit(kKeyF2))
    {
        CameraMoveSpeed = 5.0f;
    }
    if (KeyHit(kKeyF3))
    {
        CameraMoveSpeed = 40.0f;
    }
    if (KeyHit(kKeyF4))
    {
        CameraMoveSpeed = 160.0f;
    }
    if (KeyHit(kKeyF5))
    {
        CameraMoveSpeed = 640.0f;
    }
}
} // namespace

CEntityManager& GetEntityManager()
{
    // The device exists before the level loads, so the meshes it loads draw.
    static CEntityManager manager(&CreateMeshDeviceObjects);
    return manager;
}

CCamera* GetSceneCamera()
{
    return Camera;
}

CLight* GetSceneLight(int index)
{
    return index == 0 || index == 1 ? Lights[index] : nullptr;
}

bool SceneSetup()
{
    DeleteViewAndLights();
    CameraMoveSpeed = 80.0f;

    SetSceneDrawFunction(&DrawAllEntities);

    // A missing or malformed level leaves a scene with fewer entities; the
    // reader reports syntax errors itself. One reader parses one document.
    CParseLevel levelParser(&GetEntityManager());
    levelParser.ParseFile(kLevelFile, kLevelReadSize);

    Camera = new CCamera(CVector3(0.0f, 50.0f, -150.0f), CVector3(0.2617994f, 0.0f, 0.0f), 1.0f, 100000.0f,
                         1.0471976f, 1.33f);
    Camera->NearClip = 2.0f;
    Camera->FarClip = 300000.0f;

    SetAmbientLight({0.3f, 0.3f, 0.4f, 1.0f});
    Lights[0] = new CLight(CVector3(-10000.0f, 10000.0f, 0.0f), {1.0f, 0.8f, 0.6f, 0.0f}, 20000.0f);
    Lights[1] = new CLight(CVector3(0.0f, 30.0f, 50.0f), {0.0f, 0.2f, 1.0f, 0.0f}, 100.0f);
    SetLights(Lights);
    return true;
}

void SceneUpdate(float t)
{
    CEntityManager& manager = GetEntityManager();
    manager.UpdateAllEntities(t);

    SelectCameraSpeedFromKeys();
    SelectFilterFromKeys();

    if (CEntity* cubey = manager.GetEntity("Cubey"))
    {
        CMatrix4x4& matrix = cubey->Matrix();
        matrix.RotateX(t * kCubeySpinX);
        matrix.RotateZ(t * kCubeySpinZ);
        matrix.RotateYAboutOrigin(t * kCubeyOrbit);
        if (Lights[1])
        {
            Lights[1]->Position = matrix.GetPosition();
        }
    }

    if (CEntity* block = manager.GetEntity("PostProcessBlock"))
    {
        block->Matrix().RotateY(t * kBlockTurn);
    }

    if (Camera)
    {
        Camera->Control(kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyW, kKeyS, kKeyA, kKeyD, CameraMoveSpeed * t,
                        kCameraTurnSpeed * t);
    }
}

void SceneRender(float t)
{
    if (!Device)
    {
        return;
    }
    if (Device->BeginScene())
    {
        // The colour is not cleared: the full-screen pass covers all of it.
        Device->Clear(kClearZBuffer | kClearStencil, 0, 1.0f, 0);

        if (Camera)
        {
            // A minimised window has no size to take the aspect from.
            if (ViewportWidth > 0 && ViewportHeight > 0)
            {
                Camera->Aspect = static_cast<float>(ViewportWidth) / static_cast<float>(ViewportHeight);
            }
            Camera->UpdateMatrices();
            Camera->CalculateFrustumPlanes();

            FullScreenPostProcess(t, *Camera);

            CEntityManager& manager = GetEntityManager();
            const CEntity* wall = manager.GetEntity("Wall1");
            CVector3 aboveWall(0.0f, 0.0f, 0.0f);
            if (wall)
            {
                aboveWall = wall->Matrix().GetPosition();
                aboveWall.y += 5.0f;
            }
            if (const CEntity* cubey = manager.GetEntity("Cubey"))
            {
                AreaPostProcess(cubey->Matrix().GetPosition(), 25.0f, 25.0f, -9.0f, kHeatHaze, *Camera);
            }
            if (wall)
            {
                AreaPostProcess(aboveWall, 5.0f, 5.0f, 0.0f, kHeatHaze, *Camera);
            }
        }

        RenderOverlay(t);
        Device->EndScene();
    }
    Device->Present();
}

void SceneShutdown()
{
    ReleaseRenderMethods();
    DeleteViewAndLights();
    SetSceneDrawFunction(nullptr);
    GetEntityManager().DestroyAllEntities();
    GetEntityManager().DestroyAllTemplates();
}

} // namespace gen
