#include "Common/ImageHeader.h"

#include "Common/FileInput.h"
#include "Common/Utf8System.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <istream>

namespace gen
{

namespace
{

std::uint32_t BigEndian(const unsigned char* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
    {
        value = (value << 8) | p[i];
    }
    return value;
}

std::uint32_t LittleEndian(const unsigned char* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
    {
        value = (value << 8) | p[i];
    }
    return value;
}

bool ReadBytes(std::istream& stream, unsigned char* into, std::size_t count)
{
    stream.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(stream.gcount()) == count;
}

EImageHeader Claimed(std::uint32_t width, std::uint32_t height, SImageSize& size)
{
    size.Width = width;
    size.Height = height;
    return kHeaderRead;
}

// Signature, then the IHDR chunk: length, "IHDR", width, height.
EImageHeader ReadPng(std::istream& stream, SImageSize& size)
{
    unsigned char ihdr[16];
    if (!ReadBytes(stream, ihdr, sizeof ihdr) || std::memcmp(ihdr + 4, "IHDR", 4) != 0)
    {
        return kHeaderBroken;
    }
    return Claimed(BigEndian(ihdr + 8, 4), BigEndian(ihdr + 12, 4), size);
}

// After "BM" and 12 bytes of file header: the info header's size, then the
// size as 16-bit (the old OS/2 header) or signed 32-bit values; a negative
// height means rows stored top-down.
EImageHeader ReadBmp(std::istream& stream, SImageSize& size)
{
    unsigned char info[24];
    if (!ReadBytes(stream, info, sizeof info))
    {
        return kHeaderBroken;
    }
    const unsigned char* header = info + 12;
    if (LittleEndian(header, 4) == 12)
    {
        return Claimed(LittleEndian(header + 4, 2), LittleEndian(header + 6, 2), size);
    }
    const std::int32_t width = static_cast<std::int32_t>(LittleEndian(header + 4, 4));
    const std::int32_t height = static_cast<std::int32_t>(LittleEndian(header + 8, 4));
    if (width < 0 || height == INT32_MIN)
    {
        return kHeaderBroken;
    }
    return Claimed(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height < 0 ? -height : height),
                   size);
}

bool IsStartOfFrame(unsigned char marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Segments after the SOI marker until the first start-of-frame, whose body
// holds the precision, then height and width.
EImageHeader ReadJpeg(std::istream& stream, SImageSize& size)
{
    for (;;)
    {
        int byte = stream.get();
        if (byte != 0xFF)
        {
            return kHeaderBroken;
        }
        while (byte == 0xFF) // fill bytes before the marker
        {
            byte = stream.get();
        }
        if (byte == EOF || byte == 0xD9 || byte == 0xDA)
        {
            return kHeaderBroken; // image data or its end before any frame
        }
        const unsigned char marker = static_cast<unsigned char>(byte);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
        {
            continue; // markers without a length
        }
        unsigned char length[2];
        if (!ReadBytes(stream, length, 2) || BigEndian(length, 2) < 2)
        {
            return kHeaderBroken;
        }
        if (IsStartOfFrame(marker))
        {
            unsigned char frame[5];
            if (!ReadBytes(stream, frame, sizeof frame))
            {
                return kHeaderBroken;
            }
            return Claimed(BigEndian(frame + 3, 2), BigEndian(frame + 1, 2), size);
        }
        stream.seekg(static_cast<std::streamoff>(BigEndian(length, 2) - 2), std::ios::cur);
    }
}

// The 18-byte header: colour map type 0 or 1, a known image type, then the
// size as 16-bit values at offsets 12 and 14.
EImageHeader ReadTga(std::istream& stream, SImageSize& size)
{
    unsigned char header[18];
    if (!ReadBytes(stream, header, sizeof header) || header[1] > 1)
    {
        return kHeaderBroken;
    }
    const unsigned type = header[2] & ~8u; // 8: run-length encoded
    if (type < 1 || type > 3)
    {
        return kHeaderBroken;
    }
    return Claimed(LittleEndian(header + 12, 2), LittleEndian(header + 14, 2), size);
}

bool HasTgaName(const std::string& path)
{
    if (path.size() < 4)
    {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".tga";
}

} // namespace

EImageHeader ReadImageHeader(std::istream& stream, bool tgaName, SImageSize& size)
{
    static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    unsigned char start[8] = {};
    stream.read(reinterpret_cast<char*>(start), sizeof start);
    const std::size_t got = static_cast<std::size_t>(stream.gcount());
    stream.clear();
    if (got >= 8 && std::memcmp(start, kPngSignature, 8) == 0)
    {
        return ReadPng(stream, size);
    }
    if (got >= 2 && start[0] == 'B' && start[1] == 'M')
    {
        stream.seekg(2);
        return ReadBmp(stream, size);
    }
    if (got >= 3 && start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF)
    {
        stream.seekg(2);
        return ReadJpeg(stream, size);
    }
    if (tgaName)
    {
        stream.seekg(0);
        return ReadTga(stream, size);
    }
    return kHeaderUnknown;
}

EImageHeader ReadImageFileHeader(const std::string& path, SImageSize& size)
{
    const TFile file(OpenFile(path, "rb"));
    if (!file)
    {
        return kHeaderUnknown; // the decoder names what is wrong with the file
    }
    CFileInput input(file.get());
    std::istream stream(&input);
    return ReadImageHeader(stream, HasTgaName(path), size);
}

std::string ImageSizeProblem(const SImageSize& size, std::uint32_t maxSide, std::uint64_t maxBytes)
{
    const std::string claim =
        "its header claims " + std::to_string(size.Width) + "x" + std::to_string(size.Height) + " pixels";
    if (size.Width == 0 || size.Height == 0)
    {
        return claim + ", an empty image";
    }
    if (size.Width > maxSide || size.Height > maxSide)
    {
        return claim + ", more than the largest texture (" + std::to_string(maxSide) + " a side)";
    }
    if (std::uint64_t(size.Width) * size.Height * 4 > maxBytes)
    {
        return claim + ", more than " + std::to_string(maxBytes >> 20) + " MiB decoded";
    }
    return "";
}

} // namespace gen
