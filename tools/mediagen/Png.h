#pragma once
// Minimal deterministic PNG writer (8-bit RGB or RGBA, zlib at a fixed level).

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

// Pixels are row-major, top row first, `channels` (3 or 4) bytes each.
// Returns false if the file cannot be written.
bool WritePng(const std::string& path, std::uint32_t width, std::uint32_t height, std::uint32_t channels,
              const std::vector<std::uint8_t>& pixels);

} // namespace gen
