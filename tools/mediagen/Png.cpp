#include "Png.h"

#include "Common/ReadFile.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>

namespace gen
{
namespace
{

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data)
{
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutU32(out, static_cast<std::uint32_t>(crc32(0L, body.data(), static_cast<uInt>(body.size()))));
}

int Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
    {
        return a;
    }
    return pb <= pc ? b : c;
}

} // namespace

bool WritePng(const std::string& path, std::uint32_t width, std::uint32_t height, std::uint32_t channels,
              const std::vector<std::uint8_t>& pixels)
{
    const std::size_t stride = static_cast<std::size_t>(width) * channels;
    if ((channels != 3 && channels != 4) || pixels.size() != stride * height)
    {
        return false;
    }

    // Each row gets whichever of the five standard filters gives the smallest sum of
    // absolute residuals: a cheap heuristic that keeps smooth images small.
    std::vector<std::uint8_t> filtered;
    filtered.reserve((stride + 1) * height);
    std::vector<std::uint8_t> candidate(stride);
    std::vector<std::uint8_t> best(stride);
    for (std::uint32_t y = 0; y < height; ++y)
    {
        const std::uint8_t* row = &pixels[y * stride];
        const std::uint8_t* up = y > 0 ? &pixels[(y - 1) * stride] : nullptr;
        long bestScore = -1;
        std::uint8_t bestType = 0;
        for (std::uint8_t type = 0; type < 5; ++type)
        {
            long score = 0;
            for (std::size_t i = 0; i < stride; ++i)
            {
                const int a = i >= channels ? row[i - channels] : 0;
                const int b = up ? up[i] : 0;
                const int c = (up && i >= channels) ? up[i - channels] : 0;
                int predictor = 0;
                switch (type)
                {
                case 1: predictor = a; break;
                case 2: predictor = b; break;
                case 3: predictor = (a + b) / 2; break;
                case 4: predictor = Paeth(a, b, c); break;
                default: break;
                }
                const std::uint8_t value = static_cast<std::uint8_t>(row[i] - predictor);
                candidate[i] = value;
                score += value < 128 ? value : 256 - value;
            }
            if (bestScore < 0 || score < bestScore)
            {
                bestScore = score;
                bestType = type;
                best.swap(candidate);
            }
        }
        filtered.push_back(bestType);
        filtered.insert(filtered.end(), best.begin(), best.end());
    }

    uLongf packedSize = compressBound(static_cast<uLong>(filtered.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, filtered.data(), static_cast<uLong>(filtered.size()), 9) != Z_OK)
    {
        return false;
    }
    packed.resize(packedSize);

    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutU32(header, width);
    PutU32(header, height);
    header.push_back(8);                             // bit depth
    header.push_back(channels == 4 ? 6 : 2);         // colour type: RGBA or RGB
    header.push_back(0);                             // deflate
    header.push_back(0);                             // adaptive filtering
    header.push_back(0);                             // no interlace
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});

    return WriteWholeFile(path, std::string(file.begin(), file.end()));
}

} // namespace gen
