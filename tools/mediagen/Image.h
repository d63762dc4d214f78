#pragma once
// Floating-point images and deterministic noise for the procedural textures.

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

struct SColour
{
    float R = 0.0f, G = 0.0f, B = 0.0f, A = 1.0f;
};

SColour Mix(const SColour& a, const SColour& b, float t);
SColour Scale(const SColour& c, float s);
float Clamp01(float v);
float SmoothStep(float edge0, float edge1, float x);

class CImage
{
public:
    CImage(std::uint32_t width, std::uint32_t height);

    std::uint32_t Width() const { return Columns; }
    std::uint32_t Height() const { return Rows; }
    SColour& At(std::uint32_t x, std::uint32_t y) { return Pixels[y * Columns + x]; }
    const SColour& At(std::uint32_t x, std::uint32_t y) const { return Pixels[y * Columns + x]; }

    // 8-bit quantisation with rounding; `alpha` selects RGBA over RGB.
    bool Save(const std::string& path, bool alpha) const;

private:
    std::uint32_t Columns;
    std::uint32_t Rows;
    std::vector<SColour> Pixels;
};

// Integer hash to [0, 1): the basis of every random choice, so output never
// depends on the C library's generator.
float Hash(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed);

// Smooth value noise in [0, 1). The 2D form repeats every `period` cells.
float Noise2(float x, float y, std::int32_t period, std::uint32_t seed);
float Noise3(float x, float y, float z, std::uint32_t seed);

// Sums of octaves (each of double frequency, half amplitude), normalised to [0, 1).
float Fbm2(float x, float y, std::int32_t period, int octaves, std::uint32_t seed);
float Fbm3(float x, float y, float z, int octaves, std::uint32_t seed);

// Tangent-space normal map from a tiling height field (heights 0 to 1, row-major):
// x follows increasing u (right), y increasing v (down), z out of the surface;
// the height is kept in alpha for parallax mapping.
CImage NormalMapFromHeight(const std::vector<float>& height, std::uint32_t width, std::uint32_t h,
                           float strength);

} // namespace gen
