#pragma once
// Post-processing: the filters and the resources they need. The main loop
// sets them up after the scene and around every device reset; the scene
// chooses the current filter, runs the frame pass and the area filters, and
// the overlay shows the filter's name.
//
// Every frame the scene is drawn into the scene texture (the size of the back
// buffer), not into the back buffer. FullScreenPostProcess then copies it to
// the back buffer through the current filter's pixel shader on a screen-sized
// quad; AreaPostProcess applies a filter only inside the screen rectangle of
// a camera-facing square.

#include "Effects/PostProcessMath.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

class CCamera;
class CTexture;
class CSurface;
class CConstantTable;

enum EPostProcess : std::int32_t
{
    kNoFilter = 0,
    kTint = 1,
    kHighContrast = 2,
    kUnderWater = 3,
    kDistort = 4,
    kSpiral = 5,
    kHeatHaze = 6,
};

constexpr int kNumPostProcesses = 7;

// The full-screen filter in use; kNoFilter at start. Survives device resets.
extern EPostProcess CurrentFilter;

inline EPostProcess GetCurrentFilter() { return CurrentFilter; }
inline void SetCurrentFilter(EPostProcess filter) { CurrentFilter = filter; }

// Sets the current filter from the keys hit this frame (tested in the order
// 1, 2, 3, 4 to 9 (the first six user filters), Page Down / Page Up (the
// next / previous filter), 0, so the last of them in that order wins). Uses
// KeyHit.
void SelectFilterFromKeys();

// The current filter's name for the overlay: a built-in one's, or the
// user filter's file name.
std::string CurrentFilterName();

// The animated filter values (tint hue, contrast level, wiggles). They
// survive device resets.
SFilterValues& FilterValues();

// How the frame pass reaches the scene, set by the scene at its set-up: draws
// every entity with the camera, in the ordinary pass (false) or the polygon
// post-processing pass (true). With none set the passes draw nothing.
using TSceneDrawFunction = void (*)(CCamera& camera, bool postProcessPass);
void SetSceneDrawFunction(TSceneDrawFunction draw);

// Creates the post-processing resources (false on any failure, keeping what
// was created for the release). Called at start-up and after each reset;
// the scene texture takes the size ViewportWidth x ViewportHeight.
bool SetupPostProcessing();
// Releases whatever set-up created; safe to call twice.
void ReleasePostProcessing();

// Advances the animated values once (per frame; reads the plus and minus keys).
void UpdatePostProcesses(float updateTime);

// Sets the filter's pixel shader and its constants and states.
void ApplyPostProcess(EPostProcess filter);

// One pre-transformed quad in screen pixels with the texture rectangle
// (uLeft, vTop)-(uRight, vBottom) in set 0 and (0, 0)-(1, 1) in set 1.
// Positions move by half a pixel so texel centres meet pixel centres.
void DrawScreenQuad(float left, float top, float right, float bottom, float uLeft, float vTop, float uRight,
                    float vBottom, bool depthTest, float depth);

// The frame's post-processing pass: update the values, draw the scene into
// the scene texture (ordinary pass, a copy of what the polygon surfaces will
// read of it, polygon pass), then the current filter over the back buffer.
// camera is handed to the scene draw function.
void FullScreenPostProcess(float updateTime, CCamera& camera);

// Applies filter inside the screen rectangle of a width x height square
// facing the camera at centre, pulled offset units away from the camera
// (negative: towards it) and depth-tested at that point. Returns true if it
// drew; false when the point is behind or at the camera, or nothing is set up.
bool AreaPostProcess(const CVector3& centre, float width, float height, float offset, EPostProcess filter,
                     const CCamera& camera);

// Called during the ordinary pass for every polygon post-processing surface
// that the polygon pass will draw, inside the box boxMin..boxMax placed by
// worldMatrix: the copy of the scene it reads then covers the box's screen
// rectangle, widened by reach (how far from its own pixel its shader looks
// up the scene, as a fraction of the screen). Without such a call in a
// frame no copy is made.
void NotePolygonSurface(const CCamera& camera, const CMatrix4x4& worldMatrix, const CVector3& boxMin,
                        const CVector3& boxMax, float reach);

// The scene texture and its level-0 surface (null until set up).
CTexture* GetSceneTexture();
CSurface* GetSceneSurface();
// The copy of the scene texture that polygon post-processing materials read:
// where NotePolygonSurface asked for it, it holds the ordinary pass, and it
// is never the render target while they sample it. Meshes bind it at the
// stage after their own textures.
CTexture* GetPolyPostProcessSceneTexture();
// The parts of the scene texture copied for the polygon surfaces this frame
// (empty when none was drawn), in pixels.
const std::vector<SPixelRect>& GetPolygonSceneReads();
// While kept, each frame copies the picture the full-screen filter drew,
// before the area filters and the overlay, into a texture of its own (made
// at the first copy); not kept, it makes no copy and holds no texture. For
// the inspector, which keeps it only while it shows the frame's images.
void KeepFilteredPicture(bool keep);
// Null until a copy was made.
CTexture* GetFilteredPicture();
// The filter's constant table (null until set up or out of range).
CConstantTable* GetFilterConstantTable(EPostProcess filter);
// The filter's shader file name ("PP_Tint.psh"; "" out of range).
const char* GetFilterFileName(EPostProcess filter);

} // namespace gen
