#include "Render/RenderMethods.h"

#include "Device/Device.h"
#include "Common/CFatalException.h"
#include "Camera/CCamera.h"

#include <cstring>
#include <iterator>

namespace gen
{

const SVertexElement kBasicVertexElements[] = {
    {0, 0, kDeclFloat3, 0, kUsagePosition, 0},
    {0, 12, kDeclFloat3, 0, kUsageNormal, 0},
    {0, 24, kDeclFloat2, 0, kUsageTexCoord, 0},
    kDeclEnd,
};

const SVertexElement kTangentVertexElements[] = {
    {0, 0, kDeclFloat3, 0, kUsagePosition, 0},
    {0, 12, kDeclFloat3, 0, kUsageNormal, 0},
    {0, 24, kDeclFloat3, 0, kUsageTangent, 0},
    {0, 36, kDeclFloat2, 0, kUsageTexCoord, 0},
    kDeclEnd,
};

CLight::CLight(const CVector3& position, const float (&colour)[4], float brightness)
    : Position(position), Brightness(brightness)
{
    std::memcpy(Colour, colour, sizeof(Colour));
}

namespace
{
const char* const kFile = "Source/Render/RenderMethods";

SShadingValues& Shading()
{
    static SShadingValues values = {{1, 1, 1, 1}, {1, 1, 1, 1}, 0.0f, {0, 0, 0, 0}, nullptr};
    return values;
}

// The constants functions of each method, in ERenderMethod order; the rest
// of an entry comes from the fixed half.
struct SConstantsFunctions
{
    ShaderConstantsFn Vertex;
    ShaderConstantsFn Pixel;
};

const SConstantsFunctions kConstantsFunctions[] = {
    {&VSConstsXForm, &PSConstsPlainColour},    // kPlainColour
    {&VSConstsXForm, &PSConstsDefault},        // kPlainTexture
    {&VSConstsVertexLit, &PSConstsDefault},    // kVertexLit
    {&VSConstsVertexLit, &PSConstsDefault},    // kVertexLitTex
    {&VSConstsXForm, &PSConstsPixelLit},       // kPixelLit
    {&VSConstsXForm, &PSConstsPixelLit},       // kPixelLitTex
    {&VSConstsNormalMap, &PSConstsNormalMap},  // kNormalMap
    {&VSConstsNormalMap, &PSConstsNormalMap},  // kParallaxMap
    {&VSConstsVertexLit, &PSConstsDefault},    // kEarth
    {&VSConstsVertexLit, &PSConstsClouds},     // kClouds
    {&VSConstsVertexLit, &PSConstsAtmosphere}, // kAtmosphere
    {&VSConstsXForm, &PSConstsTintPoly},       // kTintPoly
    {&VSConstsNormalMap, &PSConstsCutGlass},   // kCutGlass
    {&VSConstsXForm, &PSConstsHighContrast},   // kPolyHighContrast
    {&VSConstsXForm, &PSConstsDefault},        // kPolyGrayScale
};
static_assert(std::size(kConstantsFunctions) == kNumRenderMethods, "one row per render method");

const SVertexElement* LayoutElements(EVertexLayout layout)
{
    switch (layout)
    {
    case kBasicLayout:
        return kBasicVertexElements;
    case kTangentLayout:
        return kTangentVertexElements;
    }
    throw CFatalException("Invalid vertex layout", kFile, __LINE__);
}

struct SRenderMethodTable
{
    SRenderMethod Entries[kNumRenderMethods];

    SRenderMethodTable()
    {
        for (std::uint32_t i = 0; i < kNumRenderMethods; ++i)
        {
            const SRenderMethodInfo& info = GetRenderMethodInfo(static_cast<ERenderMethod>(i));
            Entries[i] = {info.VertexShaderFile,
                          kConstantsFunctions[i].Vertex,
                          info.PixelShaderFile,
                          kConstantsFunctions[i].Pixel,
                          info.NumTextures,
                          LayoutElements(info.VertexLayout),
                          info.UsesTangents,
                          info.PostProcess,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr};
        }
    }
};

SRenderMethodTable& Table()
{
    static SRenderMethodTable table;
    return table;
}

CLight* Light(int index)
{
    CLight** lights = Shading().Lights;
    return lights ? lights[index] : nullptr;
}

// Constant setters: a table that is missing or lacks the name sets nothing.
void SetMatrix(CConstantTable* table, const char* name, const CMatrix4x4& m)
{
    if (table)
    {
        table->SetMatrix(name, m);
    }
}

void SetFloat3(CConstantTable* table, const char* name, const float* values)
{
    if (table)
    {
        table->SetFloatArray(name, values, 3);
    }
}

void SetVector3(CConstantTable* table, const char* name, const CVector3& v)
{
    const float values[3] = {v.x, v.y, v.z};
    SetFloat3(table, name, values);
}

void SetFloat(CConstantTable* table, const char* name, float value)
{
    if (table)
    {
        table->SetFloat(name, value);
    }
}

void SetRenderState(ERenderState state, std::uint32_t value)
{
    if (Device)
    {
        Device->SetRenderState(state, value);
    }
}

void SetDefaultRenderStates()
{
    SetRenderState(kRSCullMode, kCullCCW);
    SetRenderState(kRSAlphaBlendEnable, 0);
    SetRenderState(kRSAlphaTestEnable, 0);
    SetRenderState(kRSZEnable, 1);
}

void SetBlendOverStates()
{
    SetRenderState(kRSAlphaBlendEnable, 1);
    SetRenderState(kRSSrcBlend, kBlendSrcAlpha);
    SetRenderState(kRSDestBlend, kBlendInvSrcAlpha);
}

void SetLightPosition(CConstantTable* table, const char* name, int light)
{
    if (const CLight* l = Light(light))
    {
        SetVector3(table, name, l->Position);
    }
}

void SetLightColour(CConstantTable* table, const char* name, int light)
{
    if (const CLight* l = Light(light))
    {
        SetFloat3(table, name, l->Colour);
    }
}

void SetLightBrightness(CConstantTable* table, const char* name, int light)
{
    if (const CLight* l = Light(light))
    {
        SetFloat(table, name, l->Brightness);
    }
}

// Position, colour and brightness of both lights.
void SetBothLights(CConstantTable* table)
{
    SetLightPosition(table, "Light1Position", 0);
    SetLightColour(table, "Light1Colour", 0);
    SetLightBrightness(table, "Light1Brightness", 0);
    SetLightPosition(table, "Light2Position", 1);
    SetLightColour(table, "Light2Colour", 1);
    SetLightBrightness(table, "Light2Brightness", 1);
}

void SetMaterialConstants(CConstantTable* table)
{
    SetFloat3(table, "MaterialColour", Shading().MaterialColour);
    SetFloat3(table, "SpecularStrength", Shading().SpecularStrength);
    SetFloat(table, "SpecularPower", Shading().SpecularPower);
}

void SetTransforms(CConstantTable* table, const CMatrix4x4* world, const CCamera& camera)
{
    SetMatrix(table, "ViewProjMatrix", camera.ViewProjMatrix);
    if (world)
    {
        SetMatrix(table, "WorldMatrix", *world);
    }
}

} // namespace

SRenderMethod& GetRenderMethod(ERenderMethod method)
{
    return Guarded(kFile, "gen::GetRenderMethod", [&]() -> SRenderMethod& {
        if (method >= kNumRenderMethods)
        {
            throw CFatalException("Invalid render method", kFile, __LINE__);
        }
        return Table().Entries[method];
    });
}

const SShadingValues& GetShadingValues()
{
    return Shading();
}

bool PrepareRenderMethod(ERenderMethod method)
{
    SRenderMethod& entry = GetRenderMethod(method);
    if (!entry.VertexShader &&
        !LoadVertexShader(entry.VertexShaderFile, entry.VertexShader, entry.VertexConstantTable))
    {
        return false;
    }
    if (!entry.PixelShader && !LoadPixelShader(entry.PixelShaderFile, entry.PixelShader, entry.PixelConstantTable))
    {
        return false;
    }
    if (!entry.VertexDeclaration)
    {
        if (!Device)
        {
            return false;
        }
        entry.VertexDeclaration = Device->CreateVertexDeclaration(entry.VertexLayout);
        if (!entry.VertexDeclaration)
        {
            return false;
        }
    }
    return true;
}

void UseRenderMethod(ERenderMethod method, const CMatrix4x4* world, CCamera& camera)
{
    SRenderMethod& entry = GetRenderMethod(method);
    if (Device)
    {
        Device->SetVertexDeclaration(entry.VertexDeclaration);
        Device->SetVertexShader(entry.VertexShader);
        Device->SetPixelShader(entry.PixelShader);
    }
    entry.VertexConstants(method, world, camera);
    entry.PixelConstants(method, world, camera);
    entry.Drawn = entry.VertexConstantTable && entry.PixelConstantTable;
}

void ReleaseRenderMethods()
{
    for (SRenderMethod& entry : Table().Entries)
    {
        SafeRelease(entry.VertexDeclaration);
        SafeRelease(entry.PixelConstantTable);
        SafeRelease(entry.PixelShader);
        SafeRelease(entry.VertexConstantTable);
        SafeRelease(entry.VertexShader);
        entry.Drawn = false;
    }
}

void SetMaterial(const float (&diffuse)[4], const float (&specular)[4], float specularPower)
{
    std::memcpy(Shading().MaterialColour, diffuse, sizeof(diffuse));
    std::memcpy(Shading().SpecularStrength, specular, sizeof(specular));
    Shading().SpecularPower = specularPower;
}

void SetAmbientLight(const float (&colour)[4])
{
    std::memcpy(Shading().AmbientLight, colour, sizeof(colour));
}

void SetLights(CLight** lights)
{
    Shading().Lights = lights;
}

// ---------------------------------------------------------------------------
// Vertex-shader constants

void VSConstsXForm(ERenderMethod method, const CMatrix4x4* world, CCamera& camera)
{
    CConstantTable* table = GetRenderMethod(method).VertexConstantTable;
    SetTransforms(table, world, camera);
}

void VSConstsVertexLit(ERenderMethod method, const CMatrix4x4* world, CCamera& camera)
{
    CConstantTable* table = GetRenderMethod(method).VertexConstantTable;
    SetTransforms(table, world, camera);
    SetVector3(table, "CameraPosition", camera.GetPosition());
    SetFloat3(table, "AmbientLight", Shading().AmbientLight);
    SetLightPosition(table, "LightPosition", 0);
    SetLightColour(table, "LightColour", 0);
    SetLightBrightness(table, "LightBrightness", 0);
    SetMaterialConstants(table);
}

void VSConstsNormalMap(ERenderMethod method, const CMatrix4x4* world, CCamera& camera)
{
    CConstantTable* table = GetRenderMethod(method).VertexConstantTable;
    SetTransforms(table, world, camera);
    SetLightPosition(table, "Light1Position", 0);
    SetLightPosition(table, "Light2Position", 1);
    SetVector3(table, "CameraPosition", camera.GetPosition());
}

// ---------------------------------------------------------------------------
// Pixel-shader constants. Each starts from the default states, so what one
// method changes lasts only until the next method is used.

void PSConstsDefault(ERenderMethod, const CMatrix4x4*, CCamera&)
{
    SetDefaultRenderStates();
}

void PSConstsPlainColour(ERenderMethod method, const CMatrix4x4*, CCamera&)
{
    SetDefaultRenderStates();
    SetFloat3(GetRenderMethod(method).PixelConstantTable, "MaterialColour", Shading().MaterialColour);
}

void PSConstsPixelLit(ERenderMethod method, const CMatrix4x4*, CCamera& camera)
{
    SetDefaultRenderStates();
    CConstantTable* table = GetRenderMethod(method).PixelConstantTable;
    SetVector3(table, "CameraPosition", camera.GetPosition());
    SetFloat3(table, "AmbientLight", Shading().AmbientLight);
    SetBothLights(table);
    SetMaterialConstants(table);
}

void PSConstsNormalMap(ERenderMethod method, const CMatrix4x4* world, CCamera& camera)
{
    SetDefaultRenderStates();
    CConstantTable* table = GetRenderMethod(method).PixelConstantTable;
    if (world)
    {
        SetMatrix(table, "WorldMatrix", *world);
    }
    SetVector3(table, "CameraPosition", camera.GetPosition());
    SetFloat3(table, "AmbientLight", Shading().AmbientLight);
    SetLightColour(table, "Light1Colour", 0);
    SetLightBrightness(table, "Light1Brightness", 0);
    SetLightColour(table, "Light2Colour", 1);
    SetLightBrightness(table, "Light2Brightness", 1);
    SetMaterialConstants(table);
}

void PSConstsClouds(ERenderMethod, const CMatrix4x4*, CCamera&)
{
    SetDefaultRenderStates();
    SetBlendOverStates();
    SetRenderState(kRSZEnable, 0);
}

void PSConstsAtmosphere(ERenderMethod, const CMatrix4x4*, CCamera&)
{
    SetDefaultRenderStates();
    SetRenderState(kRSCullMode, kCullCW);
    SetBlendOverStates();
    SetRenderState(kRSZEnable, 0);
}

void PSConstsTintPoly(ERenderMethod method, const CMatrix4x4*, CCamera&)
{
    SetDefaultRenderStates();
    SetFloat3(GetRenderMethod(method).PixelConstantTable, "TintColour", kPolyTintColour);
}

void PSConstsCutGlass(ERenderMethod method, const CMatrix4x4* world, CCamera& camera)
{
    SetDefaultRenderStates();
    CConstantTable* table = GetRenderMethod(method).PixelConstantTable;
    if (world)
    {
        SetMatrix(table, "WorldMatrix", *world);
    }
    SetMatrix(table, "ViewMatrix", camera.ViewMatrix);
    SetVector3(table, "CameraPosition", camera.GetPosition());
    SetFloat3(table, "AmbientLight", Shading().AmbientLight);
    SetBothLights(table);
    SetMaterialConstants(table);
}

void PSConstsHighContrast(ERenderMethod method, const CMatrix4x4*, CCamera&)
{
    SetDefaultRenderStates();
    SetFloat(GetRenderMethod(method).PixelConstantTable, "ContrastLevel", kPolyContrastLevel);
}

} // namespace gen
