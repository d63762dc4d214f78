// The procedural textures. Every image is a pure function of its pixel position,
// so regeneration gives identical files.

#include "Image.h"
#include "MediaGen.h"

#include <cmath>
#include <functional>

namespace gen
{
namespace
{

constexpr float kPi = 3.14159265f;

using TPixelFn = std::function<SColour(std::uint32_t x, std::uint32_t y)>;

CImage Paint(std::uint32_t w, std::uint32_t h, const TPixelFn& fn)
{
    CImage image(w, h);
    for (std::uint32_t y = 0; y < h; ++y)
    {
        for (std::uint32_t x = 0; x < w; ++x)
        {
            image.At(x, y) = fn(x, y);
        }
    }
    return image;
}

std::vector<float> Heights(std::uint32_t w, std::uint32_t h, const std::function<float(std::uint32_t, std::uint32_t)>& fn)
{
    std::vector<float> out(static_cast<std::size_t>(w) * h);
    for (std::uint32_t y = 0; y < h; ++y)
    {
        for (std::uint32_t x = 0; x < w; ++x)
        {
            out[static_cast<std::size_t>(y) * w + x] = Clamp01(fn(x, y));
        }
    }
    return out;
}

// Direction on the unit sphere for an equirectangular texel (u east, v down from the
// north pole), matching how the sphere meshes lay out their texture coordinates.
void SphereDirection(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h, float& dx, float& dy, float& dz)
{
    const float phi = (static_cast<float>(x) + 0.5f) / static_cast<float>(w) * 2.0f * kPi;
    const float theta = (static_cast<float>(y) + 0.5f) / static_cast<float>(h) * kPi;
    dx = std::sin(phi) * std::sin(theta);
    dy = std::cos(theta);
    dz = -std::cos(phi) * std::sin(theta);
}

// Running-bond bricks: brick-relative coordinates and per-brick identity.
struct SBrickCell
{
    float Edge;   // distance to the nearest mortar line in pixels
    std::int32_t Id;
};

SBrickCell Brick(std::uint32_t x, std::uint32_t y, std::uint32_t brickW, std::uint32_t brickH, std::uint32_t w)
{
    const std::uint32_t row = y / brickH;
    const std::uint32_t shifted = (x + (row % 2) * (brickW / 2)) % w;
    const std::uint32_t col = shifted / brickW;
    const float bx = static_cast<float>(shifted % brickW) + 0.5f;
    const float by = static_cast<float>(y % brickH) + 0.5f;
    const float edge = std::fmin(std::fmin(bx, static_cast<float>(brickW) - bx), std::fmin(by, static_cast<float>(brickH) - by));
    return {edge, static_cast<std::int32_t>(row * 97 + col)};
}

float Grid(std::uint32_t x, std::uint32_t y, std::uint32_t cell)
{
    const float bx = static_cast<float>(x % cell) + 0.5f;
    const float by = static_cast<float>(y % cell) + 0.5f;
    const float c = static_cast<float>(cell);
    return std::fmin(std::fmin(bx, c - bx), std::fmin(by, c - by));
}

bool Save(const CImage& image, const std::string& dir, const std::string& name, bool alpha)
{
    return image.Save(dir + "/" + name, alpha);
}

} // namespace

bool WriteTextures(const std::string& dir)
{
    bool ok = true;

    // Space backdrop: deep blue to black, a faint band of nebula, sparse stars.
    {
        const std::uint32_t w = 1024, h = 512;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       float dx, dy, dz;
                       SphereDirection(x, y, w, h, dx, dy, dz);
                       SColour c{0.015f, 0.02f, 0.05f, 1.0f};
                       const float band = std::exp(-std::pow((dy - 0.35f * dx) * 3.0f, 2.0f));
                       const float cloud = Fbm3(dx * 3.0f, dy * 3.0f, dz * 3.0f, 4, 11);
                       const float neb = band * SmoothStep(0.45f, 0.8f, cloud);
                       c = Mix(c, SColour{0.25f, 0.1f, 0.3f, 1.0f}, neb * 0.6f);
                       c = Mix(c, SColour{0.1f, 0.2f, 0.35f, 1.0f}, band * SmoothStep(0.55f, 0.9f, Fbm3(dz * 5.0f, dx * 5.0f, dy * 5.0f, 3, 12)) * 0.5f);
                       // Quantise the smooth part so the image stays small.
                       c.R = std::floor(c.R * 96.0f) / 96.0f;
                       c.G = std::floor(c.G * 96.0f) / 96.0f;
                       c.B = std::floor(c.B * 96.0f) / 96.0f;
                       const float star = Hash(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 1, 13);
                       if (star > 0.9975f)
                       {
                           const float b = 0.5f + (star - 0.9975f) * 200.0f;
                           const float tint = Hash(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 2, 13);
                           c = SColour{b * (0.8f + 0.2f * tint), b * 0.9f, b * (1.0f - 0.2f * tint), 1.0f};
                       }
                       return c;
                   }),
                   dir, "Sky.png", false);
    }

    // Deck plating for the ground: large panels with seams, bolts and wear.
    {
        const std::uint32_t w = 512, h = 512;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const std::int32_t px = static_cast<std::int32_t>(x / 128), py = static_cast<std::int32_t>(y / 128);
                       const float shade = 0.36f + 0.08f * Hash(px, py, 0, 21);
                       const float wear = Fbm2(static_cast<float>(x) / 32.0f, static_cast<float>(y) / 32.0f, 16, 4, 22);
                       float v = shade * (0.85f + 0.3f * wear);
                       const float seam = Grid(x, y, 128);
                       v *= 0.45f + 0.55f * SmoothStep(1.0f, 3.0f, seam);
                       const float bx = static_cast<float>(x % 64) - 32.0f, by = static_cast<float>(y % 64) - 32.0f;
                       const float corner = std::sqrt(std::pow(std::fabs(bx) - 26.0f, 2.0f) + std::pow(std::fabs(by) - 26.0f, 2.0f));
                       if (corner < 2.5f)
                       {
                           v = 0.55f;
                       }
                       v = std::floor(v * 64.0f) / 64.0f;
                       return SColour{v * 0.95f, v, v * 1.05f, 1.0f};
                   }),
                   dir, "Ground.png", false);
    }

    // Bricks for the walls, with the normal map (mortar low, brick faces high).
    {
        const std::uint32_t w = 256, h = 256, bw = 64, bh = 32;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const SBrickCell cell = Brick(x, y, bw, bh, w);
                       const float grain = Fbm2(static_cast<float>(x) / 16.0f, static_cast<float>(y) / 16.0f, 16, 3, 31);
                       if (cell.Edge < 2.5f)
                       {
                           const float m = 0.5f + 0.1f * grain;
                           return SColour{m, m * 0.97f, m * 0.9f, 1.0f};
                       }
                       const float tone = Hash(cell.Id, 0, 0, 32);
                       SColour c = Mix(SColour{0.55f, 0.22f, 0.14f, 1.0f}, SColour{0.68f, 0.36f, 0.22f, 1.0f}, tone);
                       return Scale(c, 0.8f + 0.35f * grain);
                   }),
                   dir, "Bricks.png", false);
        const auto height = Heights(w, h, [&](std::uint32_t x, std::uint32_t y) {
            const SBrickCell cell = Brick(x, y, bw, bh, w);
            const float grain = Fbm2(static_cast<float>(x) / 16.0f, static_cast<float>(y) / 16.0f, 16, 3, 31);
            return SmoothStep(1.5f, 5.0f, cell.Edge) * (0.85f + 0.15f * grain);
        });
        ok &= Save(NormalMapFromHeight(height, w, h, 6.0f), dir, "Bricks1.png", true);
    }

    // Dressed stone blocks for the pillars.
    {
        const std::uint32_t w = 256, h = 256;
        auto stoneHeight = [&](std::uint32_t x, std::uint32_t y) {
            const float seam = Grid(x, y, 128);
            const float rough = Fbm2(static_cast<float>(x) / 32.0f, static_cast<float>(y) / 32.0f, 8, 5, 41);
            return SmoothStep(1.0f, 9.0f, seam) * (0.7f + 0.3f * rough);
        };
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const float rough = Fbm2(static_cast<float>(x) / 32.0f, static_cast<float>(y) / 32.0f, 8, 5, 41);
                       const float tone = Hash(static_cast<std::int32_t>(x / 128), static_cast<std::int32_t>(y / 128), 0, 42);
                       const float v = (0.5f + 0.12f * tone) * (0.75f + 0.4f * rough) * (0.6f + 0.4f * SmoothStep(0.0f, 4.0f, Grid(x, y, 128)));
                       return SColour{v * 1.02f, v, v * 0.92f, 1.0f};
                   }),
                   dir, "Stone.png", false);
        ok &= Save(NormalMapFromHeight(Heights(w, h, stoneHeight), w, h, 8.0f), dir, "Stone1.png", true);
    }

    // Square tiles with deep grooves: the parallax-mapped surfaces.
    {
        const std::uint32_t w = 256, h = 256;
        auto tileHeight = [&](std::uint32_t x, std::uint32_t y) {
            const float seam = Grid(x, y, 64);
            const float dome = Fbm2(static_cast<float>(x) / 64.0f, static_cast<float>(y) / 64.0f, 4, 3, 51);
            return SmoothStep(2.0f, 12.0f, seam) * (0.8f + 0.2f * dome);
        };
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const std::int32_t tx = static_cast<std::int32_t>(x / 64), ty = static_cast<std::int32_t>(y / 64);
                       const bool dark = ((tx + ty) % 2) != 0;
                       const float vein = Fbm2(static_cast<float>(x) / 16.0f, static_cast<float>(y) / 16.0f, 16, 4, 52);
                       SColour c = dark ? SColour{0.25f, 0.3f, 0.42f, 1.0f} : SColour{0.75f, 0.72f, 0.66f, 1.0f};
                       c = Scale(c, 0.8f + 0.35f * vein);
                       if (Grid(x, y, 64) < 3.0f)
                       {
                           c = SColour{0.12f, 0.11f, 0.1f, 1.0f};
                       }
                       return c;
                   }),
                   dir, "Tiles.png", false);
        ok &= Save(NormalMapFromHeight(Heights(w, h, tileHeight), w, h, 5.0f), dir, "Tiles1.png", true);
    }

    // Wooden crate: planks inside a frame.
    {
        const std::uint32_t w = 256, h = 256;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const float fx = static_cast<float>(x), fy = static_cast<float>(y);
                       const float border = std::fmin(std::fmin(fx, 255.0f - fx), std::fmin(fy, 255.0f - fy));
                       const bool frame = border < 24.0f || std::fabs(fx - fy) < 16.0f;
                       const float grain = Fbm2(fx / 64.0f, fy / 4.0f, 4, 4, 61);
                       const float plank = Hash(static_cast<std::int32_t>(y / 43), 0, 0, 62);
                       float v = frame ? 0.6f + 0.2f * grain : (0.45f + 0.15f * plank) * (0.8f + 0.4f * grain);
                       if (!frame && (y % 43) < 2)
                       {
                           v *= 0.4f;
                       }
                       return SColour{v, v * 0.72f, v * 0.42f, 1.0f};
                   }),
                   dir, "Crate.png", false);
    }

    // Cubey: bright panels with a dark rim and a ring emblem, readable while it tumbles.
    {
        const std::uint32_t w = 256, h = 256;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const float fx = static_cast<float>(x) - 127.5f, fy = static_cast<float>(y) - 127.5f;
                       const float border = 127.5f - std::fmax(std::fabs(fx), std::fabs(fy));
                       const float r = std::sqrt(fx * fx + fy * fy);
                       SColour c{1.0f, 0.55f, 0.1f, 1.0f};
                       if (border < 14.0f)
                       {
                           c = SColour{0.15f, 0.12f, 0.1f, 1.0f};
                       }
                       else if (r > 52.0f && r < 72.0f)
                       {
                           c = SColour{1.0f, 0.92f, 0.3f, 1.0f};
                       }
                       else if (r < 24.0f)
                       {
                           c = SColour{0.9f, 0.15f, 0.1f, 1.0f};
                       }
                       return c;
                   }),
                   dir, "Cubey.png", false);
    }

    // Earth: continents from 3D noise (no seam), ice caps, water mask in alpha;
    // the night map has city lights on land.
    {
        const std::uint32_t w = 512, h = 256;
        auto land = [&](float dx, float dy, float dz) { return Fbm3(dx * 1.7f + 5.0f, dy * 1.7f, dz * 1.7f, 6, 71); };
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       float dx, dy, dz;
                       SphereDirection(x, y, w, h, dx, dy, dz);
                       const float l = land(dx, dy, dz);
                       const float lat = std::fabs(dy);
                       SColour c;
                       if (l < 0.5f)
                       {
                           const float depth = SmoothStep(0.3f, 0.5f, l);
                           c = Mix(SColour{0.02f, 0.07f, 0.25f, 1.0f}, SColour{0.05f, 0.25f, 0.45f, 1.0f}, depth);
                           c.A = 1.0f;
                       }
                       else
                       {
                           const float dry = Fbm3(dx * 6.0f, dy * 6.0f, dz * 6.0f, 3, 72);
                           c = Mix(SColour{0.12f, 0.32f, 0.08f, 0.0f}, SColour{0.6f, 0.5f, 0.3f, 0.0f}, SmoothStep(0.45f, 0.7f, dry + (1.0f - lat) * 0.15f));
                           c = Mix(c, SColour{0.35f, 0.3f, 0.25f, 0.0f}, SmoothStep(0.6f, 0.72f, l));
                           c.A = 0.0f;
                       }
                       const float ice = SmoothStep(0.93f, 0.97f, lat + 0.04f * Fbm3(dx * 8.0f, dy * 8.0f, dz * 8.0f, 2, 73));
                       c = Mix(c, SColour{0.92f, 0.95f, 1.0f, 0.0f}, ice);
                       return c;
                   }),
                   dir, "Earth.png", true);
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       float dx, dy, dz;
                       SphereDirection(x, y, w, h, dx, dy, dz);
                       const float l = land(dx, dy, dz);
                       if (l < 0.51f || std::fabs(dy) > 0.85f)
                       {
                           return SColour{0.0f, 0.0f, 0.0f, 1.0f};
                       }
                       const float towns = Fbm3(dx * 14.0f, dy * 14.0f, dz * 14.0f, 3, 74);
                       const float spark = Hash(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0, 75);
                       const float v = SmoothStep(0.55f, 0.75f, towns) * (0.4f + 0.6f * spark);
                       return SColour{v, v * 0.8f, v * 0.45f, 1.0f};
                   }),
                   dir, "Earth1.png", false);
    }

    // Cloud cover: white, density in alpha.
    {
        const std::uint32_t w = 512, h = 256;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       float dx, dy, dz;
                       SphereDirection(x, y, w, h, dx, dy, dz);
                       const float n = Fbm3(dx * 2.5f, dy * 6.0f, dz * 2.5f, 6, 81);
                       const float a = SmoothStep(0.45f, 0.7f, n);
                       return SColour{1.0f, 1.0f, 1.0f, std::floor(a * 0.85f * 64.0f) / 64.0f};
                   }),
                   dir, "Clouds.png", true);
    }

    // Moon: grey with craters.
    {
        const std::uint32_t w = 256, h = 128;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       float dx, dy, dz;
                       SphereDirection(x, y, w, h, dx, dy, dz);
                       float v = 0.45f + 0.3f * Fbm3(dx * 4.0f, dy * 4.0f, dz * 4.0f, 5, 91);
                       const float craters = Fbm3(dx * 9.0f, dy * 9.0f, dz * 9.0f, 2, 92);
                       v *= 0.75f + 0.35f * SmoothStep(0.55f, 0.6f, craters) - 0.2f * SmoothStep(0.6f, 0.7f, craters);
                       return SColour{v, v * 0.98f, v * 0.95f, 1.0f};
                   }),
                   dir, "Moon.png", false);
    }

    // Gas giant: latitude bands stirred by noise.
    {
        const std::uint32_t w = 512, h = 256;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       float dx, dy, dz;
                       SphereDirection(x, y, w, h, dx, dy, dz);
                       const float stir = Fbm3(dx * 3.0f, dy * 3.0f, dz * 3.0f, 4, 101);
                       const float band = 0.5f + 0.5f * std::sin(dy * 18.0f + stir * 4.0f);
                       SColour c = Mix(SColour{0.75f, 0.6f, 0.42f, 1.0f}, SColour{0.55f, 0.32f, 0.2f, 1.0f}, band);
                       c = Mix(c, SColour{0.9f, 0.85f, 0.75f, 1.0f}, SmoothStep(0.7f, 0.9f, 0.5f + 0.5f * std::sin(dy * 7.0f + 1.0f)) * 0.5f);
                       c.R = std::floor(c.R * 80.0f) / 80.0f;
                       c.G = std::floor(c.G * 80.0f) / 80.0f;
                       c.B = std::floor(c.B * 80.0f) / 80.0f;
                       return c;
                   }),
                   dir, "GasGiant.png", false);
    }

    // Cut glass: pale tint with the facets' edges picked out, and the facet normal map
    // (square pyramids, four planes each, which refract the scene in four directions).
    {
        const std::uint32_t w = 256, h = 256, cell = 64;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const float fx = static_cast<float>(x % cell) + 0.5f - 32.0f;
                       const float fy = static_cast<float>(y % cell) + 0.5f - 32.0f;
                       const float ridge = std::fabs(std::fabs(fx) - std::fabs(fy));
                       const float edge = std::fmin(Grid(x, y, cell), ridge);
                       const float v = 0.85f + 0.15f * SmoothStep(0.0f, 3.0f, edge);
                       return SColour{v * 0.85f, v * 0.95f, v, 1.0f};
                   }),
                   dir, "Glass.png", false);
        const auto height = Heights(w, h, [&](std::uint32_t x, std::uint32_t y) {
            const float fx = static_cast<float>(x % cell) + 0.5f - 32.0f;
            const float fy = static_cast<float>(y % cell) + 0.5f - 32.0f;
            return 1.0f - std::fmax(std::fabs(fx), std::fabs(fy)) / 32.0f;
        });
        ok &= Save(NormalMapFromHeight(height, w, h, 24.0f), dir, "Glass1.png", true);
    }

    // Post-processing images: plain noise, a burn gradient, and a distortion map.
    {
        const std::uint32_t w = 256, h = 256;
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const float v = Fbm2(static_cast<float>(x) / 8.0f, static_cast<float>(y) / 8.0f, 32, 4, 111);
                       return SColour{v, v, v, 1.0f};
                   }),
                   dir, "Noise.png", false);
        ok &= Save(Paint(w, h, [&](std::uint32_t x, std::uint32_t y) {
                       const float n = Fbm2(static_cast<float>(x) / 32.0f, static_cast<float>(y) / 32.0f, 8, 5, 121);
                       const float t = Clamp01(n * 1.6f - 0.3f);
                       SColour c = Mix(SColour{0.05f, 0.0f, 0.0f, 1.0f}, SColour{0.8f, 0.15f, 0.0f, 1.0f}, SmoothStep(0.0f, 0.5f, t));
                       return Mix(c, SColour{1.0f, 0.9f, 0.4f, 1.0f}, SmoothStep(0.5f, 1.0f, t));
                   }),
                   dir, "Burn.png", false);
        const auto height = Heights(w, h, [&](std::uint32_t x, std::uint32_t y) {
            return Fbm2(static_cast<float>(x) / 32.0f, static_cast<float>(y) / 32.0f, 8, 3, 131);
        });
        CImage distort = NormalMapFromHeight(height, w, h, 20.0f);
        ok &= Save(distort, dir, "Distort.png", false);
    }

    return ok;
}

} // namespace gen
