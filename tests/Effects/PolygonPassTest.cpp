// The scene-reading polygon shaders look up the scene texel under each pixel:
// with their colour step made neutral, a surface over a scene of random greys
// shows that scene unchanged, neither shifted nor averaged with its neighbours.
#include "../Render/MeshDeviceTestSupport.h"

#include <algorithm>
#include <random>

namespace gen
{
namespace
{

using PolygonPass = CDrawingTest;

struct SNeutralSurface
{
    ERenderMethod Method;
    const char* Constant; // set after the method's own constants; null: none
    float Value[3];
};

TEST_F(PolygonPass, ANeutralSurfaceShowsTheSceneBehindItExactly)
{
    std::mt19937 random(11);
    std::vector<std::uint8_t> scene(kWidth * kHeight * 4, 255);
    for (std::size_t i = 0; i < scene.size(); i += 4)
    {
        scene[i] = scene[i + 1] = scene[i + 2] = static_cast<std::uint8_t>(random());
    }
    CTexture* sceneTexture = Device->CreateTextureFromPixels(kWidth, kHeight, scene.data(), false);
    ASSERT_NE(sceneTexture, nullptr);

    // A 6 x 4 rectangle 10 units ahead, every texture coordinate mid-panel (no edge frame).
    struct SVertex
    {
        float Position[3], Normal[3], UV[2];
    };
    const SVertex quad[4] = {{{-3, 2, 10}, {0, 0, -1}, {0.5f, 0.5f}},
                             {{3, 2, 10}, {0, 0, -1}, {0.5f, 0.5f}},
                             {{-3, -2, 10}, {0, 0, -1}, {0.5f, 0.5f}},
                             {{3, -2, 10}, {0, 0, -1}, {0.5f, 0.5f}}};
    // Tint factor (0.25 + 0.75 t) * 1.2 is 1 at t = 7 / 9; contrast level 0 keeps the scene.
    const SNeutralSurface surfaces[] = {
        {kPolyGrayScale, nullptr, {}},
        {kTintPoly, "TintColour", {7.0f / 9.0f, 7.0f / 9.0f, 7.0f / 9.0f}},
        {kPolyHighContrast, "ContrastLevel", {0.0f}},
    };
    CCamera camera = MakeCamera();
    const CMatrix4x4 world = CMatrix4x4::kIdentity;
    for (const SNeutralSurface& surface : surfaces)
    {
        ASSERT_TRUE(PrepareRenderMethod(surface.Method)) << LastShaderLog();
        ClearTarget(0xff000000);
        UseRenderMethod(surface.Method, &world, camera);
        if (surface.Constant)
        {
            GetRenderMethod(surface.Method).PixelConstantTable->SetFloatArray(
                surface.Constant, surface.Value, surface.Method == kTintPoly ? 3 : 1);
        }
        Device->SetTexture(0, sceneTexture);
        Device->SetSamplerState(0, kSampMagFilter, kFilterLinear);
        Device->SetSamplerState(0, kSampMinFilter, kFilterLinear);
        Device->SetRenderState(kRSCullMode, kCullNone);
        ASSERT_TRUE(Device->DrawPrimitiveUP(kPrimTriangleStrip, 2, quad, sizeof(SVertex)));
        Device->SetTexture(0, nullptr);
        Read();

        // The rectangle covers about x 39..89, y 31..64; check well inside it.
        int worst = 0;
        for (int y = 34; y < 62; ++y)
        {
            for (int x = 42; x < 86; ++x)
            {
                const SPixel got = At(x, y);
                const int want = scene[(y * kWidth + x) * 4];
                worst = std::max({worst, std::abs(got.r - want), std::abs(got.g - want), std::abs(got.b - want)});
            }
        }
        EXPECT_LE(worst, 1) << "render method " << surface.Method;
    }
    SafeRelease(sceneTexture);
}

} // namespace
} // namespace gen
