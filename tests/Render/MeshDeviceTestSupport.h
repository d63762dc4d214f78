#pragma once
// A small device for drawing tests: a hidden window with its device made the
// program's device, pixel read-back, a camera looking along +Z from the
// origin, and a recorder of user messages.

#include "App/Device.h"
#include "Common/Message.h"
#include "Render/RenderMethods.h"
#include "Scene/CCamera.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace gen
{

// Mesh and texture names as a material or template gives them: relative to
// the media folder.
inline const char* const kTestDataFolder = "../tests/Render/data/";

struct SPixel
{
    int r, g, b;
};

inline bool operator==(const SPixel& a, const SPixel& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

inline bool operator!=(const SPixel& a, const SPixel& b)
{
    return !(a == b);
}

inline std::ostream& operator<<(std::ostream& out, const SPixel& p)
{
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

inline bool Near(const SPixel& a, const SPixel& b, int tolerance = 2)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

class CDrawingTest : public ::testing::Test
{
protected:
    static constexpr std::uint32_t kWidth = 128;
    static constexpr std::uint32_t kHeight = 96;

    void SetUp() override
    {
        ASSERT_TRUE(InitVideo(true));
        ASSERT_TRUE(Window.Create("drawing test", 0, 0, kWidth + 8, kHeight + 34));
        SPresentParameters params;
        params.BackBufferWidth = kWidth;
        params.BackBufferHeight = kHeight;
        Device = CDevice::Create(Window, params);
        if (!Device)
        {
            GTEST_SKIP() << "no OpenGL 3.3 device (run under xvfb-run)";
        }
        ViewportWidth = Device->GetBackBufferWidth();
        ViewportHeight = Device->GetBackBufferHeight();
        ASSERT_EQ(ViewportWidth, kWidth);
        ASSERT_EQ(ViewportHeight, kHeight);
        FreshDeviceSteps();
    }

    void TearDown() override
    {
        ReleaseRenderMethods();
        SetLights(nullptr);
        SafeRelease(Device);
        ViewportWidth = ViewportHeight = 0;
        // Video stays up: unloading the GL driver hides its allocations
        // from the leak checker's suppressions.
        Window.Destroy();
    }

    // A camera at the origin looking along +Z, 60 degrees across.
    static CCamera MakeCamera()
    {
        CCamera camera(CVector3(0, 0, 0), CVector3(0, 0, 0), 1.0f, 1000.0f, 1.0471976f,
                       static_cast<float>(kWidth) / static_cast<float>(kHeight));
        camera.CalculateFrustumPlanes();
        return camera;
    }

    static void ClearTarget(std::uint32_t colour)
    {
        Device->Clear(kClearTarget | kClearZBuffer | kClearStencil, colour, 1.0f, 0);
    }

    // Reads the current render target.
    void Read()
    {
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(Device->ReadRenderTarget(Pixels, width, height));
        ASSERT_EQ(width, kWidth);
        ASSERT_EQ(height, kHeight);
    }

    SPixel At(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 4;
        return {Pixels[i], Pixels[i + 1], Pixels[i + 2]};
    }

    CWindow Window;
    std::vector<std::uint8_t> Pixels;
};

// Records every user message shown while it lives.
class CMessageLog
{
public:
    CMessageLog()
        : Previous(SetMessageHandler([this](const std::string& text, const std::string& caption) {
              Messages.push_back(caption + ": " + text);
          }))
    {
    }
    ~CMessageLog() { SetMessageHandler(Previous); }

    std::vector<std::string> Messages;

private:
    TMessageHandler Previous;
};

} // namespace gen
