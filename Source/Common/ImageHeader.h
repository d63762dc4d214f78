#pragma once
// The pixel size an image file claims in its header, read before anything is
// decoded, so that a file claiming a huge image is refused at once instead of
// costing minutes and gigabytes in the decoder. PNG, BMP and JPEG are told by
// their signatures; TGA has none and is taken by its file name.

#include <cstdint>
#include <istream>
#include <string>

namespace gen
{

enum EImageHeader
{
    kHeaderRead,    // Width and Height hold the claimed size
    kHeaderUnknown, // not a format read here: the decoder decides
    kHeaderBroken,  // a known format whose header is cut short or invalid
};

struct SImageSize
{
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
};

// Reads the header of the image in stream; tgaName says whether the file's
// name ends in ".tga".
EImageHeader ReadImageHeader(std::istream& stream, bool tgaName, SImageSize& size);

// The same for the file at path (native separators).
EImageHeader ReadImageFileHeader(const std::string& path, SImageSize& size);

// Empty when an image of size fits a texture of maxSide pixels a side and
// maxBytes decoded (four bytes a pixel); otherwise the reason in words.
std::string ImageSizeProblem(const SImageSize& size, std::uint32_t maxSide, std::uint64_t maxBytes);

} // namespace gen
