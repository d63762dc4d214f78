#pragma once
// The text font: a TrueType face rasterised once into a glyph atlas and
// drawn as textured quads, with ID3DXFont::DrawText's meaning. Created by
// CDevice::CreateFont; a default-pool object (release before a Reset).

#include "Platform/CDevice.h"

#include <cstdint>
#include <string>

namespace gen
{

// DrawText format flags (DT_...).
enum EDrawTextFormat : std::uint32_t
{
    kDTLeft = 0x000,
    kDTCenter = 0x001,
    kDTRight = 0x002,
    kDTNoClip = 0x100,
};

class CFont : public CDeviceObject
{
public:
    // Draws text (up to its end; '\n' starts a new line one line height
    // lower) into rect on the current render target, in colour 0xAARRGGBB,
    // blended by the glyphs' coverage. kDTCenter centres each line between
    // rect.Left and rect.Right, kDTRight aligns it to rect.Right; without
    // kDTNoClip the text is clipped to rect. Device states are left as they
    // were. Returns the height of the text drawn in pixels.
    virtual std::int32_t DrawText(const std::string& text, const SRect& rect, std::uint32_t format,
                                  std::uint32_t colour) = 0;

    // Width in pixels of one line of text, and the line height.
    virtual std::int32_t MeasureLine(const std::string& line) const = 0;
    virtual std::int32_t GetLineHeight() const = 0;
};

} // namespace gen
