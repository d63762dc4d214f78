#pragma once
// The inspector's look at an image: which texel lies under the pointer and
// how its value reads. No device or ImGui needed.

#include <cstdint>
#include <string>

namespace gen
{

// A rectangle of a texture's texels.
struct STexelRect
{
    std::uint32_t X = 0, Y = 0, Width = 0, Height = 0;
};

// The texels a UV rectangle covers of a width x height texture, clamped to
// it: every texel it touches, at least one where the texture has any.
STexelRect TexelRectFromUV(float uLeft, float vTop, float uRight, float vBottom, std::uint32_t width,
                           std::uint32_t height);

// The texel of rect under the pointer when rect is shown with its top-left at
// (left, top), zoom screen pixels a texel; false off the image.
bool TexelUnderPointer(const STexelRect& rect, float left, float top, float zoom, float pointerX, float pointerY,
                       std::uint32_t& x, std::uint32_t& y);

// "R 12 G 34 B 56 A 255" and, on a second line, the same as floats from 0 to 1.
std::string TexelText(const std::uint8_t rgba[4]);

} // namespace gen
