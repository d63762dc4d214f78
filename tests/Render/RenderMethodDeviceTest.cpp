// Render methods on a device: compiling on first use only, retrying what
// failed, and the render states each method leaves behind.
#include "MeshDeviceTestSupport.h"

namespace gen
{
namespace
{

using RenderMethodDevice = CDrawingTest;

TEST_F(RenderMethodDevice, EveryMethodPreparesAndCompilesOnce)
{
    for (std::uint32_t i = 0; i < kNumRenderMethods; ++i)
    {
        const ERenderMethod method = static_cast<ERenderMethod>(i);
        ASSERT_TRUE(PrepareRenderMethod(method)) << i << ": " << LastShaderLog();
        SRenderMethod& entry = GetRenderMethod(method);
        ASSERT_NE(entry.VertexShader, nullptr);
        ASSERT_NE(entry.PixelShader, nullptr);
        ASSERT_NE(entry.VertexConstantTable, nullptr);
        ASSERT_NE(entry.PixelConstantTable, nullptr);
        ASSERT_NE(entry.VertexDeclaration, nullptr);
        EXPECT_EQ(entry.VertexDeclaration->GetElements().size(), entry.UsesTangents ? 4u : 3u);

        // A second preparation finds everything present and keeps it.
        const CVertexShader* vertexShader = entry.VertexShader;
        const CPixelShader* pixelShader = entry.PixelShader;
        const CVertexDeclaration* declaration = entry.VertexDeclaration;
        EXPECT_TRUE(PrepareRenderMethod(method));
        EXPECT_EQ(entry.VertexShader, vertexShader);
        EXPECT_EQ(entry.PixelShader, pixelShader);
        EXPECT_EQ(entry.VertexDeclaration, declaration);
        EXPECT_EQ(entry.VertexShader->GetRefCount(), 1u);
    }

    // Methods sharing a shader file each own their own compiled copy.
    EXPECT_NE(GetRenderMethod(kNormalMap).VertexShader, GetRenderMethod(kParallaxMap).VertexShader);
    EXPECT_NE(GetRenderMethod(kTintPoly).VertexShader, GetRenderMethod(kPolyGrayScale).VertexShader);

    ReleaseRenderMethods();
    for (std::uint32_t i = 0; i < kNumRenderMethods; ++i)
    {
        const SRenderMethod& entry = GetRenderMethod(static_cast<ERenderMethod>(i));
        EXPECT_EQ(entry.VertexShader, nullptr);
        EXPECT_EQ(entry.PixelConstantTable, nullptr);
        EXPECT_EQ(entry.VertexDeclaration, nullptr);
    }
}

TEST_F(RenderMethodDevice, AFailedPreparationKeepsWhatSucceededAndRetriesTheRest)
{
    SRenderMethod& entry = GetRenderMethod(kPixelLit);
    const char* const pixelFile = entry.PixelShaderFile;
    entry.PixelShaderFile = "DoesNotExist.psh";
    EXPECT_FALSE(PrepareRenderMethod(kPixelLit));
    entry.PixelShaderFile = pixelFile;
    ASSERT_NE(entry.VertexShader, nullptr);
    EXPECT_EQ(entry.PixelShader, nullptr);
    EXPECT_EQ(entry.VertexDeclaration, nullptr);

    const CVertexShader* vertexShader = entry.VertexShader;
    EXPECT_TRUE(PrepareRenderMethod(kPixelLit));
    EXPECT_EQ(entry.VertexShader, vertexShader);
    EXPECT_NE(entry.PixelShader, nullptr);
    EXPECT_NE(entry.VertexDeclaration, nullptr);

    const char* const vertexFile = GetRenderMethod(kVertexLit).VertexShaderFile;
    GetRenderMethod(kVertexLit).VertexShaderFile = "DoesNotExist.vsh";
    EXPECT_FALSE(PrepareRenderMethod(kVertexLit));
    GetRenderMethod(kVertexLit).VertexShaderFile = vertexFile;
    EXPECT_EQ(GetRenderMethod(kVertexLit).PixelShader, nullptr); // not reached
}

TEST_F(RenderMethodDevice, BlendingMethodsLastOnlyUntilTheNextMethod)
{
    for (ERenderMethod method : {kClouds, kAtmosphere, kPlainColour, kPixelLitTex})
    {
        ASSERT_TRUE(PrepareRenderMethod(method));
    }
    CCamera camera = MakeCamera();
    const CMatrix4x4 world = CMatrix4x4::kIdentity;

    UseRenderMethod(kClouds, &world, camera);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaBlendEnable), 1u);
    EXPECT_EQ(Device->GetRenderState(kRSSrcBlend), kBlendSrcAlpha);
    EXPECT_EQ(Device->GetRenderState(kRSDestBlend), kBlendInvSrcAlpha);
    EXPECT_EQ(Device->GetRenderState(kRSZEnable), 0u);
    EXPECT_EQ(Device->GetRenderState(kRSCullMode), kCullCCW);

    UseRenderMethod(kPlainColour, &world, camera);
    EXPECT_EQ(Device->GetRenderState(kRSCullMode), kCullCCW);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaBlendEnable), 0u);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaTestEnable), 0u);
    EXPECT_EQ(Device->GetRenderState(kRSZEnable), 1u);

    UseRenderMethod(kAtmosphere, &world, camera);
    EXPECT_EQ(Device->GetRenderState(kRSCullMode), kCullCW);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaBlendEnable), 1u);
    EXPECT_EQ(Device->GetRenderState(kRSZEnable), 0u);

    Device->SetRenderState(kRSAlphaTestEnable, 1);
    UseRenderMethod(kPixelLitTex, &world, camera);
    EXPECT_EQ(Device->GetRenderState(kRSCullMode), kCullCCW);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaBlendEnable), 0u);
    EXPECT_EQ(Device->GetRenderState(kRSAlphaTestEnable), 0u);
    EXPECT_EQ(Device->GetRenderState(kRSZEnable), 1u);
}

} // namespace
} // namespace gen
