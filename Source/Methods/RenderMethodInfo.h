#pragma once
// The fixed half of the render-method table: which shaders, texture count
// and vertex layout each of the fifteen methods uses, and the choice of a
// method from a material's name and texture. No device objects or constants
// functions live here (RenderMethods.h has them), so the importer and tools
// can use it without a GPU.

#include <cstdint>
#include <string>

namespace gen
{

// The value is the index into the table.
enum ERenderMethod : std::uint32_t
{
    kPlainColour = 0,
    kPlainTexture = 1,
    kVertexLit = 2,
    kVertexLitTex = 3,
    kPixelLit = 4,
    kPixelLitTex = 5,
    kNormalMap = 6,
    kParallaxMap = 7,
    kEarth = 8,
    kClouds = 9,
    kAtmosphere = 10,
    kTintPoly = 11,
    kCutGlass = 12,
    kPolyHighContrast = 13,
    kPolyGrayScale = 14,
};

constexpr std::uint32_t kNumRenderMethods = 15;

// The two vertex layouts: basic is position, normal, uv (32 bytes);
// tangent is position, normal, tangent, uv (44 bytes).
enum EVertexLayout : std::uint32_t
{
    kBasicLayout = 0,
    kTangentLayout = 1,
};

// How far from its own pixel a polygon post-processing method's pixel shader
// may look up the scene, as a fraction of the screen's width and height: the
// cut glass refracts by up to 0.06; the others read the pixel behind them. 0
// for the other methods.
float RenderMethodSceneReach(ERenderMethod method);

// Bytes per vertex of a layout.
std::uint32_t VertexLayoutSize(EVertexLayout layout);

struct SRenderMethodInfo
{
    const char* VertexShaderFile; // file name only; the folder is added by the loader
    const char* PixelShaderFile;
    std::uint32_t NumTextures;
    EVertexLayout VertexLayout;
    bool UsesTangents;
    bool PostProcess; // samples the rendered scene: drawn in the pass after it
};

// The table entry of a method. A value outside 0..14 is a caller error and
// throws a CFatalException.
const SRenderMethodInfo& GetRenderMethodInfo(ERenderMethod method);

// The method for a material: keywords at the start of the material name
// decide for textured materials; untextured ones are plain colour unless
// named "Atmosphere...".
ERenderMethod RenderMethodFromMaterial(const std::string& materialName, const std::string& textureFile);

// The method's name as people read it ("PixelLitTex"); "" out of range.
const char* RenderMethodName(ERenderMethod method);

std::uint32_t RenderMethodTextureCount(ERenderMethod method);
bool RenderMethodUsesTangents(ERenderMethod method);
bool IsPostProcessMethod(ERenderMethod method);

} // namespace gen
