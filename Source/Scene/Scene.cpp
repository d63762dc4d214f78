// The demonstration's content and its per-frame choreography: the level,
// the camera and two lights; each frame the post-processed scene, two
// heat-haze areas, the overlay; then the animation of the named entities and
// the camera's flight.
#include "Scene/Scene.h"

#include "Device/Device.h"
#include "Device/Input.h"
#include "Common/DataFolder.h"
#include "Data/CParseLevel.h"
#include "Effects/FramePass.h"
#include "Effects/PostProcess.h"
#include "Entities/CEntityManager.h"
#include "Render/CMeshDeviceObjects.h"
#include "Render/RenderMethods.h"
#include "Camera/CCamera.h"

#include <algorithm>
#include <cstring>
#include <string>

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

// The two heat-haze areas, in drawing order: on the entity's position raised
// by Raise on y, a Width x Height square pulled Offset units along the line
// of sight (negative: towards the camera).
struct SSceneArea
{
    const char* Entity;
    float Raise, Width, Height, Offset;
};
const SSceneArea kAreas[] = {
    {"Cubey", 0.0f, 25.0f, 25.0f, -9.0f},
    {"Wall1", 5.0f, 5.0f, 5.0f, 0.0f},
};

bool AreaFiltersShown = true;
TOverlayDrawFunction OverlayDraw = nullptr;

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

const SSceneArea* FindArea(const char* entity)
{
    for (const SSceneArea& area : kAreas)
    {
        if (std::strcmp(area.Entity, entity) == 0)
        {
            return &area;
        }
    }
    return nullptr;
}

// False when the level has no entity of that name.
bool AreaCentre(const SSceneArea& area, CVector3& centre)
{
    const CEntity* entity = GetEntityManager().GetEntity(area.Entity);
    if (!entity)
    {
        return false;
    }
    centre = entity->Matrix().GetPosition();
    centre.y += area.Raise;
    return true;
}

void DrawAreaFilters(const CCamera& camera)
{
    for (const SSceneArea& area : kAreas)
    {
        CVector3 centre;
        if (AreaFiltersShown && AreaCentre(area, centre))
        {
            CFramePass pass(kPassArea, area.Entity);
            AreaPostProcess(centre, area.Width, area.Height, area.Offset, kHeatHaze, camera);
        }
    }
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
    levelParser.ParseFile(DataPath(kLevelFile), kLevelReadSize);

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

bool AddSceneMesh(const std::string& path)
{
    static int added = 0;
    CEntityManager& manager = GetEntityManager();
    const std::string name = "Added" + std::to_string(++added);
    const CEntityTemplate* meshTemplate = Camera ? manager.CreateTemplate("Scenery", name, path) : nullptr;
    if (!meshTemplate || !meshTemplate->GetMesh()->IsLoaded())
    {
        return false;
    }
    // In front of the camera, its whole bounding sphere beyond the near plane
    // and about half the view's height across.
    const float radius = std::max(meshTemplate->GetMesh()->GetBoundingRadius(), 0.01f);
    const float distance = std::max(radius * 2.5f, Camera->NearClip + radius);
    const CVector3 forward = Camera->WorldMatrix.GetRow(2);
    const CVector3 at = Camera->GetPosition() + forward * distance;
    return manager.CreateEntity(name, name, at) != kNoEntityUID;
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
            DrawAreaFilters(*Camera);
        }

        {
            CFramePass pass(kPassOverlay);
            if (OverlayDraw)
            {
                OverlayDraw(t, CurrentFilterName().c_str());
            }
        }
        Device->EndScene();
    }
    CFramePass pass(kPassPresent);
    Device->Present();
}

void SetSceneOverlayFunction(TOverlayDrawFunction draw)
{
    OverlayDraw = draw;
}

void ShowSceneAreaFilters(bool shown)
{
    AreaFiltersShown = shown;
}

std::vector<const char*> SceneAreaEntities()
{
    std::vector<const char*> entities;
    for (const SSceneArea& area : kAreas)
    {
        entities.push_back(area.Entity);
    }
    return entities;
}

bool SceneAreaRectangle(const char* entity, SAreaRect& rect)
{
    const SSceneArea* area = FindArea(entity);
    CVector3 centre;
    return area && Camera && AreaCentre(*area, centre) &&
           AreaRectangle(Camera->GetPosition(), Camera->ViewMatrix, Camera->ProjMatrix,
                         static_cast<float>(ViewportWidth), static_cast<float>(ViewportHeight), centre, area->Width,
                         area->Height, area->Offset, rect);
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
