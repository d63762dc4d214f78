#include "Image.h"

#include "Png.h"

#include <cmath>

namespace gen
{

SColour Mix(const SColour& a, const SColour& b, float t)
{
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t, a.A + (b.A - a.A) * t};
}

SColour Scale(const SColour& c, float s)
{
    return {c.R * s, c.G * s, c.B * s, c.A};
}

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

float SmoothStep(float edge0, float edge1, float x)
{
    const float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

CImage::CImage(std::uint32_t width, std::uint32_t height)
    : Columns(width), Rows(height), Pixels(static_cast<std::size_t>(width) * height)
{
}

bool CImage::Save(const std::string& path, bool alpha) const
{
    const std::uint32_t channels = alpha ? 4 : 3;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(Pixels.size() * channels);
    auto quantise = [](float v) { return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0f)); };
    for (const SColour& c : Pixels)
    {
        bytes.push_back(quantise(c.R));
        bytes.push_back(quantise(c.G));
        bytes.push_back(quantise(c.B));
        if (alpha)
        {
            bytes.push_back(quantise(c.A));
        }
    }
    return WritePng(path, Columns, Rows, channels, bytes);
}

float Hash(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed)
{
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 11) | (h >> 21);
    h ^= static_cast<std::uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return static_cast<float>(h >> 8) / 16777216.0f;
}

namespace
{

float Fade(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

std::int32_t Wrap(std::int32_t v, std::int32_t period)
{
    if (period <= 0)
    {
        return v;
    }
    const std::int32_t m = v % period;
    return m < 0 ? m + period : m;
}

} // namespace

float Noise2(float x, float y, std::int32_t period, std::uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const std::int32_t ix = static_cast<std::int32_t>(fx);
    const std::int32_t iy = static_cast<std::int32_t>(fy);
    const float tx = Fade(x - fx);
    const float ty = Fade(y - fy);
    const std::int32_t x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    const std::int32_t y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    const float a = Hash(x0, y0, 0, seed), b = Hash(x1, y0, 0, seed);
    const float c = Hash(x0, y1, 0, seed), d = Hash(x1, y1, 0, seed);
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float Noise3(float x, float y, float z, std::uint32_t seed)
{
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const std::int32_t ix = static_cast<std::int32_t>(fx);
    const std::int32_t iy = static_cast<std::int32_t>(fy);
    const std::int32_t iz = static_cast<std::int32_t>(fz);
    const float tx = Fade(x - fx), ty = Fade(y - fy), tz = Fade(z - fz);
    float layer[2];
    for (int k = 0; k < 2; ++k)
    {
        const float a = Hash(ix, iy, iz + k, seed), b = Hash(ix + 1, iy, iz + k, seed);
        const float c = Hash(ix, iy + 1, iz + k, seed), d = Hash(ix + 1, iy + 1, iz + k, seed);
        const float top = a + (b - a) * tx;
        const float bottom = c + (d - c) * tx;
        layer[k] = top + (bottom - top) * ty;
    }
    return layer[0] + (layer[1] - layer[0]) * tz;
}

float Fbm2(float x, float y, std::int32_t period, int octaves, std::uint32_t seed)
{
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    for (int o = 0; o < octaves; ++o)
    {
        sum += Noise2(x, y, period, seed + static_cast<std::uint32_t>(o)) * amplitude;
        total += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return sum / total;
}

float Fbm3(float x, float y, float z, int octaves, std::uint32_t seed)
{
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    for (int o = 0; o < octaves; ++o)
    {
        sum += Noise3(x, y, z, seed + static_cast<std::uint32_t>(o)) * amplitude;
        total += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        z *= 2.0f;
    }
    return sum / total;
}

CImage NormalMapFromHeight(const std::vector<float>& height, std::uint32_t width, std::uint32_t h, float strength)
{
    CImage out(width, h);
    auto at = [&](std::int64_t x, std::int64_t y) {
        const std::int64_t w = width, hh = h;
        x = ((x % w) + w) % w;
        y = ((y % hh) + hh) % hh;
        return height[static_cast<std::size_t>(y * w + x)];
    };
    for (std::uint32_t y = 0; y < h; ++y)
    {
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const float dx = (at(x + 1, y) - at(static_cast<std::int64_t>(x) - 1, y)) * 0.5f * strength;
            const float dy = (at(x, y + 1) - at(x, static_cast<std::int64_t>(y) - 1)) * 0.5f * strength;
            const float nx = -dx, ny = -dy, nz = 1.0f;
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            SColour& c = out.At(x, y);
            c.R = nx / len * 0.5f + 0.5f;
            c.G = ny / len * 0.5f + 0.5f;
            c.B = nz / len * 0.5f + 0.5f;
            c.A = height[static_cast<std::size_t>(y) * width + x];
        }
    }
    return out;
}

} // namespace gen
