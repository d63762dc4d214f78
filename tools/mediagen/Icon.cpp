// The program's icon: a lens over a dark tile, its four wedges showing the
// four full-screen filters (none, tint, high contrast, under water). One
// design drawn at 16, 24, 32 and 48 pixels for the Windows icon, and as PNGs
// of 16, 32, 48 and 256 pixels for the Linux desktop's icon theme.

#include "Ico.h"
#include "Image.h"
#include "MediaGen.h"

#include <cmath>
#include <string>

namespace gen
{
namespace
{

// Coverage of a shape whose signed distance (negative inside) is d, in units
// where one pixel is `pixel` wide.
float Cover(float d, float pixel)
{
    return Clamp01(0.5f - d / pixel);
}

float RoundedSquare(float u, float v, float half, float radius)
{
    const float qx = std::fmax(std::fabs(u - 0.5f) - half + radius, 0.0f);
    const float qy = std::fmax(std::fabs(v - 0.5f) - half + radius, 0.0f);
    const float outside = std::sqrt(qx * qx + qy * qy);
    const float inside = std::fmin(std::fmax(std::fabs(u - 0.5f), std::fabs(v - 0.5f)) - half + radius, 0.0f);
    return outside + inside - radius;
}

SColour Over(const SColour& under, const SColour& top, float alpha)
{
    SColour c = Mix(under, top, alpha);
    c.A = under.A + (1.0f - under.A) * alpha;
    return c;
}

SColour IconPixel(float u, float v, float pixel)
{
    const SColour tileTop{0.16f, 0.2f, 0.34f, 1.0f}, tileBottom{0.04f, 0.05f, 0.12f, 1.0f};
    const SColour wedges[4] = {
        {0.45f, 0.78f, 0.4f, 1.0f},  // top: the plain scene
        {1.0f, 0.62f, 0.2f, 1.0f},   // right: tint
        {0.15f, 0.5f, 0.85f, 1.0f},  // bottom: under water
        {0.95f, 0.95f, 0.95f, 1.0f}, // left: high contrast
    };
    SColour c{0.0f, 0.0f, 0.0f, 0.0f};
    c = Over(c, Mix(tileTop, tileBottom, v), Cover(RoundedSquare(u, v, 0.47f, 0.14f), pixel));

    const float dx = u - 0.5f, dy = v - 0.5f;
    const float r = std::sqrt(dx * dx + dy * dy);
    const int wedge = std::fabs(dy) > std::fabs(dx) ? (dy < 0.0f ? 0 : 2) : (dx > 0.0f ? 1 : 3);
    SColour lens = wedges[wedge];
    if (wedge == 3 && dy > 0.0f)
    {
        lens = SColour{0.1f, 0.1f, 0.1f, 1.0f}; // high contrast: black and white
    }
    lens = Scale(lens, 1.0f - 0.35f * r / 0.33f); // darker towards the rim
    c = Over(c, lens, Cover(r - 0.33f, pixel));
    // Dark diagonals between the wedges, then the bright rim.
    const float cross = std::fabs(std::fabs(dx) - std::fabs(dy)) * 0.7071f - std::fmax(0.02f, pixel * 0.5f);
    c = Over(c, SColour{0.04f, 0.05f, 0.12f, 1.0f}, Cover(std::fmax(cross, r - 0.33f), pixel));
    c = Over(c, SColour{0.95f, 0.97f, 1.0f, 1.0f}, Cover(std::fabs(r - 0.35f) - std::fmax(0.03f, pixel * 0.5f), pixel));
    return c;
}

CImage DrawIcon(std::uint32_t size)
{
    CImage image(size, size);
    const float pixel = 1.0f / static_cast<float>(size);
    for (std::uint32_t y = 0; y < size; ++y)
    {
        for (std::uint32_t x = 0; x < size; ++x)
        {
            image.At(x, y) = IconPixel((static_cast<float>(x) + 0.5f) * pixel, (static_cast<float>(y) + 0.5f) * pixel, pixel);
        }
    }
    return image;
}

} // namespace

bool WriteIcon(const std::string& dir)
{
    for (std::uint32_t size : {16u, 32u, 48u, 256u})
    {
        if (!DrawIcon(size).Save(dir + "/Tessavin" + std::to_string(size) + ".png", true))
        {
            return false;
        }
    }
    // Largest first: image loaders that read one image take the first of equal depth.
    return WriteIco(dir + "/Tessavin.ico", {DrawIcon(48), DrawIcon(32), DrawIcon(24), DrawIcon(16)});
}

} // namespace gen
