#pragma once
// The program's device (App/Device.h) on a hidden window, for tests that draw
// and read pixels back. Without an OpenGL 3.3 device (no display: run under
// xvfb-run) the tests are skipped.

#include "Device/Device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <set>
#include <vector>

namespace gen
{

struct SPixel
{
    int R, G, B;
    bool operator==(const SPixel& o) const { return R == o.R && G == o.G && B == o.B; }
    bool operator!=(const SPixel& o) const { return !(*this == o); }
};

inline std::ostream& operator<<(std::ostream& out, const SPixel& p)
{
    return out << "(" << p.R << ", " << p.G << ", " << p.B << ")";
}

inline bool Near(const SPixel& a, const SPixel& b, int tolerance = 2)
{
    return std::abs(a.R - b.R) <= tolerance && std::abs(a.G - b.G) <= tolerance && std::abs(a.B - b.B) <= tolerance;
}

// Public: table-driven cases draw through it.
class CDrawingTest : public ::testing::Test
{
public:
    explicit CDrawingTest(std::uint32_t width = 128, std::uint32_t height = 96) : Width(width), Height(height) {}

    void SetUp() override
    {
        ASSERT_TRUE(InitVideo(true));
        ASSERT_TRUE(Window.Create("drawing test", 0, 0, static_cast<std::int32_t>(Width) + 8,
                                  static_cast<std::int32_t>(Height) + 34));
        Window.SetClientSize(static_cast<std::int32_t>(Width), static_cast<std::int32_t>(Height));
        if (!D3DSetup(Window))
        {
            GTEST_SKIP() << "no OpenGL 3.3 device (run under xvfb-run)";
        }
        ASSERT_EQ(ViewportWidth, Width);
        ASSERT_EQ(ViewportHeight, Height);
    }

    void TearDown() override
    {
        D3DShutdown();
        // Video stays up: unloading the GL driver hides its allocations from
        // the leak checker's suppressions.
        Window.Destroy();
    }

    // Reads the current render target, or the back buffer.
    void Read(bool backBuffer = false)
    {
        ASSERT_TRUE(backBuffer ? Device->ReadBackBuffer(Pixels, ReadWidth, ReadHeight)
                               : Device->ReadRenderTarget(Pixels, ReadWidth, ReadHeight));
    }

    SPixel At(std::uint32_t x, std::uint32_t y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * ReadWidth + x) * 4;
        return {Pixels[i], Pixels[i + 1], Pixels[i + 2]};
    }

    // The distinct colours (0xRRGGBB) of a rectangle of what was read.
    std::set<std::uint32_t> Colours(std::uint32_t left, std::uint32_t top, std::uint32_t right,
                                    std::uint32_t bottom) const
    {
        std::set<std::uint32_t> colours;
        for (std::uint32_t y = top; y < bottom; ++y)
        {
            for (std::uint32_t x = left; x < right; ++x)
            {
                const SPixel p = At(x, y);
                colours.insert(static_cast<std::uint32_t>(p.R << 16 | p.G << 8 | p.B));
            }
        }
        return colours;
    }

    // The bounding box and number of the pixels read that match.
    struct SFound
    {
        int Left, Top, Right, Bottom, Count;
    };
    SFound Find(const std::function<bool(const SPixel&)>& match) const
    {
        SFound found = {static_cast<int>(ReadWidth), static_cast<int>(ReadHeight), -1, -1, 0};
        for (int y = 0; y < static_cast<int>(ReadHeight); ++y)
        {
            for (int x = 0; x < static_cast<int>(ReadWidth); ++x)
            {
                if (match(At(x, y)))
                {
                    found = {std::min(found.Left, x), std::min(found.Top, y), std::max(found.Right, x),
                             std::max(found.Bottom, y), found.Count + 1};
                }
            }
        }
        return found;
    }

    const std::uint32_t Width, Height;
    CWindow Window;
    std::vector<std::uint8_t> Pixels;
    std::uint32_t ReadWidth = 0, ReadHeight = 0;
};

} // namespace gen
