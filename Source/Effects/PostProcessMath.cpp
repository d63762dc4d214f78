#include "Effects/PostProcessMath.h"

#include <algorithm>
#include <iterator>
#include <cmath>

namespace gen
{

const char* FilterDisplayName(int filter)
{
    static const char* const kNames[] = {"None", "Tint", "High Contrast", "Under Water", "Distort", "Spiral", "Heat Haze"};
    if (filter < 0 || filter >= static_cast<int>(std::size(kNames)))
    {
        return "";
    }
    return kNames[filter];
}

float StepTintHue(float hue)
{
    return hue <= kTintHueWrap ? hue + kTintHueStep : 0.0f;
}

float StepContrastLevel(float level, bool plusHeld, bool minusHeld)
{
    if (plusHeld && level < kContrastMax)
    {
        level += kContrastStep;
    }
    if (minusHeld && level > kContrastMin)
    {
        level -= kContrastStep;
    }
    return level;
}

void StepFilterValues(SFilterValues& values, float updateTime, bool plusHeld, bool minusHeld)
{
    values.TintHue = StepTintHue(values.TintHue);
    values.UnderWaterWiggle += kUnderWaterWiggleStep;
    values.ContrastLevel = StepContrastLevel(values.ContrastLevel, plusHeld, minusHeld);
    values.HeatHazeWiggle += 2.0f * updateTime;
}

CVector4 TintColourFromHSL(float hue, float saturation, float lightness)
{
    const float h = hue;
    const float s = saturation / 100.0f;
    const float l = lightness / 100.0f;
    if (s == 0.0f)
    {
        return {l, l, l, l};
    }

    const float q = l < 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float p = 2.0f * l - q;
    const float k = (q - p) / 60.0f;
    if (h < 60.0f)
    {
        return {q, p + h * k, p, k};
    }
    if (h < 120.0f)
    {
        return {p + (120.0f - h) * k, q, p, k};
    }
    if (h < 180.0f)
    {
        return {p, q, p + (h - 120.0f) * k, k};
    }
    if (h < 240.0f)
    {
        return {p, p + (240.0f - h) * k, q, k};
    }
    if (h < 300.0f)
    {
        return {p + (h - 240.0f) * k, p, q, k};
    }
    return {q, p, p + (360.0f - h) * k, k};
}

void MakeScreenQuad(SScreenVertex quad[4], float left, float top, float right, float bottom, float uLeft, float vTop,
                    float uRight, float vBottom, float depth)
{
    // D3D9 pixel centres lie on whole coordinates: moving the edges back by
    // half a pixel puts each texel centre on its pixel centre.
    const float x0 = left - 0.5f;
    const float x1 = right - 0.5f;
    const float y0 = top - 0.5f;
    const float y1 = bottom - 0.5f;
    quad[0] = {x0, y0, depth, 1.0f, uLeft, vTop, 0.0f, 0.0f};
    quad[1] = {x1, y0, depth, 1.0f, uRight, vTop, 1.0f, 0.0f};
    quad[2] = {x0, y1, depth, 1.0f, uLeft, vBottom, 0.0f, 1.0f};
    quad[3] = {x1, y1, depth, 1.0f, uRight, vBottom, 1.0f, 1.0f};
}

bool AreaRectangle(const CVector3& cameraPosition, const CMatrix4x4& viewMatrix, const CMatrix4x4& projMatrix,
                   float screenWidth, float screenHeight, const CVector3& centre, float width, float height,
                   float offset, SAreaRect& rect)
{
    if (!(screenWidth > 0.0f) || !(screenHeight > 0.0f))
    {
        return false;
    }

    const CVector3 towards = Normalise(centre - cameraPosition);
    const CVector3 pulled = centre + towards * offset;
    const CVector3 v = viewMatrix.TransformPoint(pulled);

    // Corners of the square in view space; both lie at the pulled point's depth.
    CVector4 a = projMatrix.Transform(CVector4(v.x - width * 0.5f, v.y + height * 0.5f, v.z, 1.0f));
    CVector4 b = projMatrix.Transform(CVector4(v.x + width * 0.5f, v.y - height * 0.5f, v.z, 1.0f));
    // Behind the camera, or in its plane where the division has no meaning
    // (a centre at the camera position also lands here). The test is written
    // so that a NaN w fails it too.
    if (!(a.w > 0.0f) || !(b.w > 0.0f))
    {
        return false;
    }
    a.x /= a.w;
    a.y /= a.w;
    a.z /= a.w;
    b.x /= b.w;
    b.y /= b.w;

    rect.Left = screenWidth * (a.x + 1.0f) * 0.5f;
    rect.Top = screenHeight * (1.0f - a.y) * 0.5f;
    rect.Depth = a.z;
    rect.Right = screenWidth * (b.x + 1.0f) * 0.5f;
    rect.Bottom = screenHeight * (1.0f - b.y) * 0.5f;

    rect.ULeft = rect.Left / screenWidth;
    rect.VTop = rect.Top / screenHeight;
    rect.URight = rect.Right / screenWidth;
    rect.VBottom = rect.Bottom / screenHeight;
    return true;
}

namespace
{

// Pixels lo..hi on an axis of size pixels, widened by margin and held on
// the screen (lookups past an edge read the edge texel).
void ReadSpan(float lo, float hi, float size, float margin, std::int32_t& first, std::int32_t& end)
{
    lo = std::max(lo - margin, 0.0f);
    hi = std::min(hi + margin, size);
    if (!(lo <= hi)) // not a number, or off the screen
    {
        lo = hi = 0.0f;
    }
    first = static_cast<std::int32_t>(std::floor(lo));
    end = static_cast<std::int32_t>(std::ceil(hi));
}

} // namespace

bool BoxReadRectangle(const CMatrix4x4& worldMatrix, const CMatrix4x4& viewMatrix, const CMatrix4x4& projMatrix,
                      float screenWidth, float screenHeight, const CVector3& boxMin, const CVector3& boxMax,
                      float reach, SPixelRect& rect)
{
    if (!(screenWidth >= 1.0f) || !(screenHeight >= 1.0f))
    {
        return false;
    }
    // With every corner in front of the camera, the projected corners bound
    // the box's image (also where the near plane clips it).
    float minX = 0.0f, maxX = 0.0f, minY = 0.0f, maxY = 0.0f;
    for (int corner = 0; corner < 8; ++corner)
    {
        const CVector3 local(corner & 1 ? boxMax.x : boxMin.x, corner & 2 ? boxMax.y : boxMin.y,
                             corner & 4 ? boxMax.z : boxMin.z);
        const CVector3 v = viewMatrix.TransformPoint(worldMatrix.TransformPoint(local));
        const CVector4 p = projMatrix.Transform(CVector4(v.x, v.y, v.z, 1.0f));
        if (!(p.w > 0.0f))
        {
            rect = {0, 0, static_cast<std::int32_t>(screenWidth), static_cast<std::int32_t>(screenHeight)};
            return true;
        }
        const float x = p.x / p.w;
        const float y = p.y / p.w;
        minX = corner ? std::min(minX, x) : x;
        maxX = corner ? std::max(maxX, x) : x;
        minY = corner ? std::min(minY, y) : y;
        maxY = corner ? std::max(maxY, y) : y;
    }
    // One pixel for the filter's neighbour, one for where a pixel's centre lies.
    constexpr float kFilterMargin = 2.0f;
    ReadSpan(screenWidth * (minX + 1.0f) * 0.5f, screenWidth * (maxX + 1.0f) * 0.5f, screenWidth,
             reach * screenWidth + kFilterMargin, rect.Left, rect.Right);
    ReadSpan(screenHeight * (1.0f - maxY) * 0.5f, screenHeight * (1.0f - minY) * 0.5f, screenHeight,
             reach * screenHeight + kFilterMargin, rect.Top, rect.Bottom);
    return rect.Left < rect.Right && rect.Top < rect.Bottom;
}

} // namespace gen
