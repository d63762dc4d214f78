#pragma once
// The device half of the render-method table: each method's shader objects,
// constant tables and vertex declaration (compiled on first use and kept to
// the end), the selection of a method before a draw, the functions that feed
// each method's shaders their constants, and the few global lighting and
// material values those constants are read from. The fixed half (file
// names, texture counts, layouts) is RenderMethodInfo.h.

#include "Math/CMatrix4x4.h"
#include "Platform/CDevice.h"
#include "Platform/CShader.h"
#include "Methods/RenderMethodInfo.h"

#include <cstdint>

namespace gen
{

class CCamera;

// Feeds one shader of a method its constants. world is the matrix of the
// node being drawn; of the camera only its position, ViewMatrix and
// ViewProjMatrix are read.
using ShaderConstantsFn = void (*)(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);

// A point light. Only the first three colour components reach the shaders.
class CLight
{
public:
    CLight(const CVector3& position, const float (&colour)[4], float brightness);

    CVector3 Position;
    float Colour[4];
    float Brightness;
};

// One entry of the table. The first eight fields are fixed when the table
// is first used; the device objects are null until PrepareRenderMethod and
// owned by the table.  Drawn tells whether UseRenderMethod has run since
// then, so which constants its functions set is known.
struct SRenderMethod
{
    const char* VertexShaderFile;
    ShaderConstantsFn VertexConstants;
    const char* PixelShaderFile;
    ShaderConstantsFn PixelConstants;
    std::uint32_t NumTextures;
    const SVertexElement* VertexLayout; // ends with kDeclEnd
    bool UsesTangents;
    bool PostProcess;

    CVertexShader* VertexShader;
    CConstantTable* VertexConstantTable;
    CPixelShader* PixelShader;
    CConstantTable* PixelConstantTable;
    CVertexDeclaration* VertexDeclaration;
    bool Drawn = false;
};

// The entry of a method. A value outside 0..14 is a caller error
// (CFatalException).
SRenderMethod& GetRenderMethod(ERenderMethod method);

// The two vertex layouts: position, normal, uv (32 bytes); position, normal,
// tangent, uv (44 bytes).
extern const SVertexElement kBasicVertexElements[];
extern const SVertexElement kTangentVertexElements[];

// Compiles the method's shaders and creates its declaration, each only if
// still missing, so a method is compiled once however often it is prepared
// and a failed step is retried next time. False when a shader file is
// missing or does not compile, or the device refuses an object (also when
// there is no device).
bool PrepareRenderMethod(ERenderMethod method);

// Makes the method current (declaration, shaders) and sets its constants.
// Parts that were never prepared are left as they are.
void UseRenderMethod(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);

// Releases the device objects of every entry; the table can be prepared
// again afterwards.
void ReleaseRenderMethods();

// Global shading values read by the constants functions.
void SetMaterial(const float (&diffuse)[4], const float (&specular)[4], float specularPower);
void SetAmbientLight(const float (&colour)[4]);
// Keeps the pointer (not a copy) to an array of two lights: light 1 then
// light 2. Until it is set, or while an entry is null, the light constants
// are simply not set.
void SetLights(CLight** lights);

// The values as they stand (for tests and tools).
struct SShadingValues
{
    float MaterialColour[4];
    float SpecularStrength[4];
    float SpecularPower;
    float AmbientLight[4];
    CLight** Lights;
};
const SShadingValues& GetShadingValues();

// The constants functions of the table. Those that read their method's entry
// treat a method outside the table as GetRenderMethod does.
void VSConstsXForm(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void VSConstsVertexLit(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void VSConstsNormalMap(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsDefault(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsPlainColour(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsPixelLit(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsNormalMap(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsClouds(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsAtmosphere(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsTintPoly(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsCutGlass(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);
void PSConstsHighContrast(ERenderMethod method, const CMatrix4x4* world, CCamera& camera);

// Fixed values of the polygon post-processing methods.
constexpr float kPolyTintColour[3] = {1.0f, 0.0f, 0.7f};
constexpr float kPolyContrastLevel = 1.5f;

} // namespace gen
