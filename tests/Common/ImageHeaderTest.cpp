// Image sizes read from headers alone, and the refusal of sizes no texture
// can take: a file claiming a huge image must not reach the decoder.
#include "Common/ImageHeader.h"
#include "Common/ReadFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

namespace gen
{
namespace
{

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
    {
        s += static_cast<char>(b);
    }
    return s;
}

const std::string kPngStart = Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'});

TEST(ImageHeader, SizesComeFromEachFormatsHeader)
{
    const struct
    {
        const char* Name;
        std::string Data;
        bool TgaName;
        EImageHeader Result;
        std::uint32_t Width, Height;
    } cases[] = {
        {"png", kPngStart + Bytes({0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30, 8, 6}), false, kHeaderRead, 30000, 30000},
        {"png cut in IHDR", kPngStart + Bytes({0, 0}), false, kHeaderBroken, 0, 0},
        {"png without IHDR", kPngStart.substr(0, 12) + "IDAT" + std::string(8, '\0'), false, kHeaderBroken, 0, 0},
        {"bmp", "BM" + std::string(12, '\0') + Bytes({40, 0, 0, 0, 0x20, 0, 0, 0, 0x10, 0, 0, 0}), false,
         kHeaderRead, 32, 16},
        {"bmp top-down", "BM" + std::string(12, '\0') + Bytes({40, 0, 0, 0, 8, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF}),
         false, kHeaderRead, 8, 16},
        {"bmp os/2", "BM" + std::string(12, '\0') + Bytes({12, 0, 0, 0, 3, 0, 5, 0, 1, 0, 24, 0}), false,
         kHeaderRead, 3, 5},
        {"bmp cut", "BM" + std::string(6, '\0'), false, kHeaderBroken, 0, 0},
        // APP0 segment, a fill byte, then a progressive frame: height 480, width 640.
        {"jpeg", Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xFF, 0xC2, 0, 11, 8, 0x01, 0xE0, 0x02, 0x80}),
         false, kHeaderRead, 640, 480},
        {"jpeg without frame", Bytes({0xFF, 0xD8, 0xFF, 0xDA, 0, 2}), false, kHeaderBroken, 0, 0},
        {"jpeg cut", Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 40, 1, 2}), false, kHeaderBroken, 0, 0},
        // The 18-byte header claiming 65535 by 65535 true-colour pixels.
        {"tga", Bytes({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 32, 8}), true, kHeaderRead, 65535,
         65535},
        {"tga rle grey", Bytes({0, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 8, 0}), true, kHeaderRead, 4, 2},
        {"tga bad type", Bytes({0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 8, 0}), true, kHeaderBroken, 0, 0},
        {"tga cut", Bytes({0, 0, 2, 0}), true, kHeaderBroken, 0, 0},
        {"tga bytes, other name", Bytes({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 2, 0, 8, 0}), false,
         kHeaderUnknown, 0, 0},
        {"gif", "GIF89a" + Bytes({1, 0, 1, 0}), false, kHeaderUnknown, 0, 0},
        {"empty", "", false, kHeaderUnknown, 0, 0},
    };
    // The same bytes as a file, in a folder whose name the legacy Windows
    // code page cannot spell.
    const std::filesystem::path folder = std::filesystem::u8path(testing::TempDir()) / std::filesystem::u8path("Zoë");
    std::filesystem::create_directories(folder);
    for (const auto& c : cases)
    {
        std::istringstream stream(c.Data);
        SImageSize size;
        EXPECT_EQ(ReadImageHeader(stream, c.TgaName, size), c.Result) << c.Name;
        const std::string path = (folder / (c.TgaName ? "image.tga" : "image.img")).u8string();
        ASSERT_TRUE(WriteWholeFile(path, c.Data)) << path;
        SImageSize fromFile;
        EXPECT_EQ(ReadImageFileHeader(path, fromFile), c.Result) << c.Name;
        if (c.Result == kHeaderRead)
        {
            EXPECT_EQ(size.Width, c.Width) << c.Name;
            EXPECT_EQ(size.Height, c.Height) << c.Name;
            EXPECT_EQ(fromFile.Width, c.Width) << c.Name;
            EXPECT_EQ(fromFile.Height, c.Height) << c.Name;
        }
    }
    std::filesystem::remove_all(folder);
}

TEST(ImageHeader, SizesBeyondTheLargestTextureOrTheByteLimitAreRefused)
{
    const std::uint64_t kLimit = std::uint64_t(256) << 20;
    const struct
    {
        std::uint32_t Width, Height, MaxSide;
        const char* Problem; // empty: accepted
    } cases[] = {
        {512, 512, 8192, ""},
        {8192, 8192, 8192, ""}, // exactly 256 MiB
        {8193, 16, 8192, "its header claims 8193x16 pixels, more than the largest texture (8192 a side)"},
        {16, 65535, 16384, "its header claims 16x65535 pixels, more than the largest texture (16384 a side)"},
        {16384, 8193, 16384, "its header claims 16384x8193 pixels, more than 256 MiB decoded"},
        {0, 5, 8192, "its header claims 0x5 pixels, an empty image"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(ImageSizeProblem({c.Width, c.Height}, c.MaxSide, kLimit), c.Problem) << c.Width << "x" << c.Height;
    }
}

} // namespace
} // namespace gen
