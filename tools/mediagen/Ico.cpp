#include "Ico.h"

#include "Common/ReadFile.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace gen
{
namespace
{

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

std::uint8_t Quantise(float v)
{
    return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0f));
}

// BITMAPINFOHEADER (height doubled: colour rows, then mask rows), the colour
// rows bottom-up in BGRA, then the 1-bit mask (set = transparent), each mask
// row padded to 32 bits.
std::vector<std::uint8_t> Bitmap(const CImage& image)
{
    const std::uint32_t w = image.Width(), h = image.Height();
    const std::uint32_t maskRow = (w + 31) / 32 * 4;
    std::vector<std::uint8_t> out;
    Put32(out, 40);
    Put32(out, w);
    Put32(out, h * 2);
    Put16(out, 1);  // planes
    Put16(out, 32); // bits per pixel
    Put32(out, 0);  // uncompressed
    Put32(out, w * h * 4 + maskRow * h);
    for (int i = 0; i < 4; ++i)
    {
        Put32(out, 0); // resolution and palette: unused
    }
    for (std::uint32_t row = h; row-- > 0;)
    {
        for (std::uint32_t x = 0; x < w; ++x)
        {
            const SColour& c = image.At(x, row);
            out.insert(out.end(), {Quantise(c.B), Quantise(c.G), Quantise(c.R), Quantise(c.A)});
        }
    }
    for (std::uint32_t row = h; row-- > 0;)
    {
        std::vector<std::uint8_t> mask(maskRow, 0);
        for (std::uint32_t x = 0; x < w; ++x)
        {
            if (Quantise(image.At(x, row).A) == 0)
            {
                mask[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
            }
        }
        out.insert(out.end(), mask.begin(), mask.end());
    }
    return out;
}

} // namespace

bool WriteIco(const std::string& path, const std::vector<CImage>& images)
{
    std::vector<std::uint8_t> header, body;
    Put16(header, 0);
    Put16(header, 1); // icon
    Put16(header, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const CImage& image : images)
    {
        const std::vector<std::uint8_t> bitmap = Bitmap(image);
        header.push_back(static_cast<std::uint8_t>(image.Width() & 0xFFu)); // 256 is written as 0
        header.push_back(static_cast<std::uint8_t>(image.Height() & 0xFFu));
        header.push_back(0); // no palette
        header.push_back(0);
        Put16(header, 1);
        Put16(header, 32);
        Put32(header, static_cast<std::uint32_t>(bitmap.size()));
        Put32(header, offset);
        offset += static_cast<std::uint32_t>(bitmap.size());
        body.insert(body.end(), bitmap.begin(), bitmap.end());
    }
    std::string bytes(header.begin(), header.end());
    bytes.append(body.begin(), body.end());
    return WriteWholeFile(path, bytes);
}

} // namespace gen
