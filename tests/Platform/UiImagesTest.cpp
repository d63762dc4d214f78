// What the inspector's images read through the device: a texel where the
// texture's rows say it is, and a copy of the render target as it is.
#include "Platform/UiRenderer.h"
#include "Support/Drawing.h"

namespace gen
{
namespace
{

class UiImagesTest : public CDrawingTest
{
public:
    UiImagesTest() : CDrawingTest(32, 24) {}
};

TEST_F(UiImagesTest, ATexelIsReadFromTheTopLeftAndACopyTakesTheTargetAsItIs)
{
    // Two rows of two, top row red and green, bottom row blue and white.
    const std::uint8_t pixels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128};
    CTexture* image = Device->CreateTextureFromPixels(2, 2, pixels, false);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(UiTexture(image), nullptr);
    for (std::uint32_t i = 0; i < 4; ++i)
    {
        std::uint8_t rgba[4] = {};
        ASSERT_TRUE(ReadTexel(image, i % 2, i / 2, rgba)) << i;
        EXPECT_EQ(std::vector<std::uint8_t>(rgba, rgba + 4), std::vector<std::uint8_t>(pixels + i * 4, pixels + i * 4 + 4))
            << i;
    }
    std::uint8_t rgba[4] = {};
    EXPECT_FALSE(ReadTexel(image, 2, 0, rgba));
    SafeRelease(image);

    Device->Clear(kClearTarget, 0xFF2040C0u, 1.0f, 0); // the back buffer
    CTexture* copy = Device->CreateTexture(Width, Height, 1, kUsageRenderTarget, kFormatX8R8G8B8, kPoolDefault);
    CTexture* small = Device->CreateTexture(8, 8, 1, kUsageRenderTarget, kFormatX8R8G8B8, kPoolDefault);
    ASSERT_TRUE(copy && small);
    EXPECT_TRUE(Device->CopyRenderTarget(copy));
    EXPECT_FALSE(Device->CopyRenderTarget(small));
    ASSERT_TRUE(ReadTexel(copy, Width - 1, Height - 1, rgba));
    EXPECT_EQ(std::vector<std::uint8_t>(rgba, rgba + 4), (std::vector<std::uint8_t>{0x20, 0x40, 0xC0, 255}));
    SafeRelease(small);
    SafeRelease(copy);
}

} // namespace
} // namespace gen
