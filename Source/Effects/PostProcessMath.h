#pragma once
// The arithmetic of the post-processing filters, kept apart from the device
// so that it can be checked without a display: the per-frame animation of
// the filter values, the tint colour, the screen quad's vertices, the
// screen rectangle of an area filter and the pixels a box may reach.

#include "Math/CMatrix4x4.h"
#include "Math/CVector.h"

#include <cstdint>

namespace gen
{

// "None", "Tint", ..., "Heat Haze" for filters 0..6, "" otherwise: the name
// the overlay shows for the current filter.
const char* FilterDisplayName(int filter);

// Values the filters animate or follow from held keys.
struct SFilterValues
{
    float TintHue = 1.0f;          // degrees
    float TintSaturation = 50.0f;  // percent, fixed
    float TintLightness = 30.0f;   // percent, fixed
    float ContrastLevel = 1.0f;
    float UnderWaterWiggle = 1.5f;
    float HeatHazeWiggle = 0.0f;
};

constexpr float kTintHueStep = 0.1f;        // per frame
constexpr float kTintHueWrap = 359.0f;      // above this the hue goes back to 0
constexpr float kUnderWaterWiggleStep = 0.005f; // per frame
constexpr float kContrastStep = 0.005f;     // per frame while a key is held
constexpr float kContrastMax = 1.5f;
constexpr float kContrastMin = -1.5f;

// One frame's steps. The hue and under-water wiggle step per frame, the
// heat-haze wiggle by twice the frame time; the contrast level rises while
// plus is held and it is below the top bound, falls while minus is held and
// it is above the bottom bound (both may act; the test comes before the step).
float StepTintHue(float hue);
float StepContrastLevel(float level, bool plusHeld, bool minusHeld);
void StepFilterValues(SFilterValues& values, float updateTime, bool plusHeld, bool minusHeld);

// Hue (degrees), saturation and lightness (percent) to red, green, blue, and
// as the fourth element the ramp slope k = (q - p) / 60, or the lightness
// when the saturation is 0.
CVector4 TintColourFromHSL(float hue, float saturation, float lightness);

// A pre-transformed vertex: screen x, y, depth z, reciprocal w, then the
// texture coordinate sets 0 and 1 (32 bytes).
struct SScreenVertex
{
    float x, y, z, rhw;
    float u0, v0;
    float u1, v1;
};
static_assert(sizeof(SScreenVertex) == 32, "screen vertices are eight packed floats");

// The quad as a triangle strip: top-left, top-right, bottom-left,
// bottom-right, positions moved by -0.5 pixel on both axes.
void MakeScreenQuad(SScreenVertex quad[4], float left, float top, float right, float bottom, float uLeft, float vTop,
                    float uRight, float vBottom, float depth);

// Screen rectangle of an area filter and the matching part of the scene texture.
struct SAreaRect
{
    float Left, Top, Right, Bottom; // pixels
    float Depth;                    // depth of the pulled point, for the depth test
    float ULeft, VTop, URight, VBottom;
};

// The square of width x height facing the camera at centre, pulled offset
// units along the line from the camera (negative: towards the camera),
// projected with the view and projection matrices onto a screen of
// screenWidth x screenHeight pixels. False (rect untouched) when the pulled
// point is behind or level with the camera (w <= 0), or the screen has no size.
bool AreaRectangle(const CVector3& cameraPosition, const CMatrix4x4& viewMatrix, const CMatrix4x4& projMatrix,
                   float screenWidth, float screenHeight, const CVector3& centre, float width, float height,
                   float offset, SAreaRect& rect);

// Whole pixels: columns Left..Right-1, rows Top..Bottom-1.
struct SPixelRect
{
    std::int32_t Left, Top, Right, Bottom;
};

// The pixels on a screen of screenWidth x screenHeight that a box (boxMin to
// boxMax, placed by worldMatrix) may cover, widened by what a lookup up to
// reach (a fraction of the screen's width and height) away from them may
// read through a linear filter, and held on the screen. A box reaching
// behind the camera takes the whole screen. False when no pixel is left.
bool BoxReadRectangle(const CMatrix4x4& worldMatrix, const CMatrix4x4& viewMatrix, const CMatrix4x4& projMatrix,
                      float screenWidth, float screenHeight, const CVector3& boxMin, const CVector3& boxMax,
                      float reach, SPixelRect& rect);

} // namespace gen
