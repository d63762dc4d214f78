#include "App/ImageProbe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gen
{

namespace
{

// The texels [first, end) that [from, to) of a side of size texels touches.
void Span(float from, float to, std::uint32_t size, std::uint32_t& first, std::uint32_t& count)
{
    const float side = static_cast<float>(size);
    const float begin = std::min(std::max(std::floor(std::min(from, to) * side), 0.0f), side);
    const float end = std::min(std::max(std::ceil(std::max(from, to) * side), begin), side);
    first = static_cast<std::uint32_t>(begin);
    count = static_cast<std::uint32_t>(end) - first;
    if (count == 0 && size > 0)
    {
        first = std::min(first, size - 1);
        count = 1;
    }
}

} // namespace

STexelRect TexelRectFromUV(float uLeft, float vTop, float uRight, float vBottom, std::uint32_t width,
                           std::uint32_t height)
{
    STexelRect rect;
    Span(uLeft, uRight, width, rect.X, rect.Width);
    Span(vTop, vBottom, height, rect.Y, rect.Height);
    return rect;
}

bool TexelUnderPointer(const STexelRect& rect, float left, float top, float zoom, float pointerX, float pointerY,
                       std::uint32_t& x, std::uint32_t& y)
{
    if (!(zoom > 0.0f))
    {
        return false;
    }
    const float column = std::floor((pointerX - left) / zoom);
    const float row = std::floor((pointerY - top) / zoom);
    if (!(column >= 0.0f && row >= 0.0f && column < static_cast<float>(rect.Width) &&
          row < static_cast<float>(rect.Height)))
    {
        return false;
    }
    x = rect.X + static_cast<std::uint32_t>(column);
    y = rect.Y + static_cast<std::uint32_t>(row);
    return true;
}

std::string TexelText(const std::uint8_t rgba[4])
{
    char text[96];
    std::snprintf(text, sizeof text, "R %u G %u B %u A %u\n%.4f %.4f %.4f %.4f", rgba[0], rgba[1], rgba[2], rgba[3],
                  rgba[0] / 255.0, rgba[1] / 255.0, rgba[2] / 255.0, rgba[3] / 255.0);
    return text;
}

} // namespace gen
