#pragma once
// The scene's four entry points, called by the main loop: set-up once,
// then every frame render (ending with Present) followed by update, and
// shutdown once (also after a failed start-up, so it must tolerate a scene
// that was never set up).

#include <string>
#include <vector>

namespace gen
{

struct SAreaRect;
class CCamera;
class CEntityManager;
class CLight;

bool SceneSetup();
void SceneRender(float t);
void SceneUpdate(float t);
void SceneShutdown();

// What the scene draws last, over every filter and inside the overlay's pass
// mark: the program's overlay, handed the frame time and the current filter's
// name. The program sets it (the overlay lives above the scene); with none
// set nothing is drawn there.
using TOverlayDrawFunction = void (*)(float t, const char* filterName);
void SetSceneOverlayFunction(TOverlayDrawFunction draw);

// The scene's state, for post-processing, tools and tests.
// The entity manager lives for the whole run; it owns every template and
// entity the level creates.
CEntityManager& GetEntityManager();
// The camera, null before set-up and after shutdown.
CCamera* GetSceneCamera();
// Light 0 is the fixed light, light 1 follows "Cubey"; null outside the
// scene's life or for other indices.
CLight* GetSceneLight(int index);

// Whether frames draw the two heat-haze areas (true at start); measuring
// tools turn them off to show what they change.
void ShowSceneAreaFilters(bool shown);
// The entities that carry a heat-haze area, in drawing order.
std::vector<const char*> SceneAreaEntities();
// Where the area on the named entity ("Cubey", "Wall1") lies on the screen
// with the camera and entities as they are now; false when it is not drawn
// (no such area, entity or camera, or its point is behind the camera).
bool SceneAreaRectangle(const char* entity, SAreaRect& rect);

// Loads the .x file at path (absolute: its textures from beside it, then
// Media) and places it in front of the camera, far enough for its bounding
// sphere to show whole, unturned and drawn with the render methods its
// materials choose. False, the file's problem reported, when it does not
// load or there is no camera.
bool AddSceneMesh(const std::string& path);

// Camera speed in world units per second (80 at set-up; F2 to F5 change it).
extern float CameraMoveSpeed;

} // namespace gen
