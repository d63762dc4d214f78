#include "Methods/RenderMethodInfo.h"

#include "Common/CFatalException.h"

#include <cstring>
#include <iterator>

namespace gen
{

namespace
{
const char* const kFile = "Source/Render/RenderMethodInfo";

const SRenderMethodInfo kRenderMethods[] = {
    {"XFormOnly.vsh", "PlainColour.psh", 0, kBasicLayout, false, false},
    {"XFormTex.vsh", "TextureOnly.psh", 1, kBasicLayout, false, false},
    {"VertexLit1.vsh", "DiffuseColour.psh", 0, kBasicLayout, false, false},
    {"VertexLit1Tex.vsh", "DiffuseColourTex.psh", 1, kBasicLayout, false, false},
    {"PixelLit.vsh", "PixelLit2.psh", 0, kBasicLayout, false, false},
    {"PixelLitTex.vsh", "PixelLit2Tex.psh", 1, kBasicLayout, false, false},
    {"NormalMap.vsh", "NormalMap.psh", 2, kTangentLayout, true, false},
    {"NormalMap.vsh", "ParallaxMap.psh", 2, kTangentLayout, true, false},
    {"DayNightPlanet.vsh", "DayNightPlanet.psh", 2, kBasicLayout, false, false},
    {"Clouds.vsh", "Clouds.psh", 1, kBasicLayout, false, false},
    {"Atmosphere.vsh", "DiffuseColourAlpha.psh", 0, kBasicLayout, false, false},
    {"PP_XFormOnly.vsh", "PP_TintPoly.psh", 0, kBasicLayout, false, true},
    {"PP_NormalMap.vsh", "PP_CutGlassPoly.psh", 2, kTangentLayout, true, true},
    {"PP_XFormOnly.vsh", "PP_PolyHighContrast.psh", 0, kBasicLayout, false, true},
    {"PP_XFormOnly.vsh", "PP_PolyGrayScale.psh", 0, kBasicLayout, false, true},
};
static_assert(std::size(kRenderMethods) == kNumRenderMethods, "one row per render method");

const char* const kMethodNames[] = {
    "PlainColour", "PlainTexture", "VertexLit",  "VertexLitTex", "PixelLit",         "PixelLitTex",   "NormalMap",
    "ParallaxMap", "Earth",        "Clouds",     "Atmosphere",   "TintPoly",         "CutGlass",      "PolyHighContrast",
    "PolyGrayScale",
};
static_assert(std::size(kMethodNames) == kNumRenderMethods, "one name per render method");

// Keywords for textured materials, tried in this order.
struct SKeyword
{
    const char* Prefix;
    ERenderMethod Method;
};

const SKeyword kTexturedKeywords[] = {
    {"Plain", kPlainTexture},       {"VertexLit", kVertexLitTex},
    {"NormalMap", kNormalMap},      {"ParallaxMap", kParallaxMap},
    {"TintPoly", kTintPoly},        {"CutGlass", kCutGlass},
    {"PolyHighContrast", kPolyHighContrast}, {"PolyGrayScale", kPolyGrayScale},
    {"Earth", kEarth},              {"Clouds", kClouds},
};

bool BeginsWith(const std::string& name, const char* prefix)
{
    return name.compare(0, std::strlen(prefix), prefix) == 0;
}
} // namespace

std::uint32_t VertexLayoutSize(EVertexLayout layout)
{
    return layout == kTangentLayout ? 44u : 32u;
}

const SRenderMethodInfo& GetRenderMethodInfo(ERenderMethod method)
{
    return Guarded(kFile, "gen::GetRenderMethodInfo", [&]() -> const SRenderMethodInfo& {
        if (static_cast<std::uint32_t>(method) >= kNumRenderMethods)
        {
            throw CFatalException("Invalid render method", kFile, __LINE__);
        }
        return kRenderMethods[method];
    });
}

const char* RenderMethodName(ERenderMethod method)
{
    return static_cast<std::uint32_t>(method) < kNumRenderMethods ? kMethodNames[method] : "";
}

ERenderMethod RenderMethodFromMaterial(const std::string& materialName, const std::string& textureFile)
{
    if (textureFile.empty())
    {
        return BeginsWith(materialName, "Atmosphere") ? kAtmosphere : kPlainColour;
    }
    for (const SKeyword& keyword : kTexturedKeywords)
    {
        if (BeginsWith(materialName, keyword.Prefix))
        {
            return keyword.Method;
        }
    }
    return kPixelLitTex;
}

std::uint32_t RenderMethodTextureCount(ERenderMethod method)
{
    return GetRenderMethodInfo(method).NumTextures;
}

bool RenderMethodUsesTangents(ERenderMethod method)
{
    return GetRenderMethodInfo(method).UsesTangents;
}

float RenderMethodSceneReach(ERenderMethod method)
{
    return method == kCutGlass ? 0.06f : 0.0f; // PP_CutGlassPoly.psh's refraction
}

bool IsPostProcessMethod(ERenderMethod method)
{
    return GetRenderMethodInfo(method).PostProcess;
}

} // namespace gen
