// The fixed render-method table and the choice of a method per material.

#include "Common/CFatalException.h"
#include "Render/RenderMethodInfo.h"

#include <gtest/gtest.h>

#include <cstring>

namespace gen
{
namespace
{

TEST(RenderMethodInfo, MaterialNamesPickMethodsByLeadingKeyword)
{
    EXPECT_EQ(RenderMethodFromMaterial("VertexLitWall", "wall.png"), kVertexLitTex);
    EXPECT_EQ(RenderMethodFromMaterial("VertexLitWall", ""), kPlainColour);
    EXPECT_EQ(RenderMethodFromMaterial("MyPlain", "a.png"), kPixelLitTex); // keyword must lead
    EXPECT_EQ(RenderMethodFromMaterial("Atmosphere", ""), kAtmosphere);
    EXPECT_EQ(RenderMethodFromMaterial("AtmosphereThin", ""), kAtmosphere);
    EXPECT_EQ(RenderMethodFromMaterial("Atmosphere", "sky.png"), kPixelLitTex);
    EXPECT_EQ(RenderMethodFromMaterial("Clouds", "c.png"), kClouds);
    EXPECT_EQ(RenderMethodFromMaterial("Cloud", "c.png"), kPixelLitTex);
    EXPECT_EQ(RenderMethodFromMaterial("plainWood", "w.png"), kPixelLitTex); // case matters
    EXPECT_EQ(RenderMethodFromMaterial("Plain", "w.png"), kPlainTexture);
    EXPECT_EQ(RenderMethodFromMaterial("NormalMapBrick", "b.png"), kNormalMap);
    EXPECT_EQ(RenderMethodFromMaterial("ParallaxMapBrick", "b.png"), kParallaxMap);
    EXPECT_EQ(RenderMethodFromMaterial("TintPolyGlass", "g.png"), kTintPoly);
    EXPECT_EQ(RenderMethodFromMaterial("CutGlass", "g.png"), kCutGlass);
    EXPECT_EQ(RenderMethodFromMaterial("PolyHighContrast", "g.png"), kPolyHighContrast);
    EXPECT_EQ(RenderMethodFromMaterial("PolyGrayScale", "g.png"), kPolyGrayScale);
    EXPECT_EQ(RenderMethodFromMaterial("EarthDay", "e.png"), kEarth);
    EXPECT_EQ(RenderMethodFromMaterial("NormalMap", ""), kPlainColour);
    EXPECT_EQ(RenderMethodFromMaterial("", ""), kPlainColour);
}

TEST(RenderMethodInfo, TableRowsAgreeWithTheirLayouts)
{
    unsigned postProcess = 0;
    for (std::uint32_t i = 0; i < kNumRenderMethods; ++i)
    {
        const auto method = static_cast<ERenderMethod>(i);
        const SRenderMethodInfo& info = GetRenderMethodInfo(method);
        EXPECT_EQ(info.UsesTangents, info.VertexLayout == kTangentLayout) << i;
        EXPECT_EQ(RenderMethodUsesTangents(method), info.UsesTangents);
        EXPECT_EQ(RenderMethodTextureCount(method), info.NumTextures);
        EXPECT_LE(info.NumTextures, 2u);
        EXPECT_EQ(IsPostProcessMethod(method), info.PostProcess);
        postProcess += info.PostProcess ? 1 : 0;
        EXPECT_NE(std::strstr(info.VertexShaderFile, ".vsh"), nullptr);
        EXPECT_NE(std::strstr(info.PixelShaderFile, ".psh"), nullptr);
    }
    EXPECT_EQ(postProcess, 4u);
    EXPECT_EQ(VertexLayoutSize(kBasicLayout), 32u);
    EXPECT_EQ(VertexLayoutSize(kTangentLayout), 44u);
    EXPECT_STREQ(GetRenderMethodInfo(kParallaxMap).VertexShaderFile, "NormalMap.vsh");
    EXPECT_STREQ(GetRenderMethodInfo(kCutGlass).PixelShaderFile, "PP_CutGlassPoly.psh");
    EXPECT_EQ(RenderMethodTextureCount(kEarth), 2u);
    EXPECT_EQ(RenderMethodTextureCount(kClouds), 1u);
    EXPECT_TRUE(IsPostProcessMethod(kTintPoly));
    EXPECT_FALSE(IsPostProcessMethod(kAtmosphere));
    EXPECT_THROW(GetRenderMethodInfo(static_cast<ERenderMethod>(15)), CFatalException);
}

} // namespace
} // namespace gen
