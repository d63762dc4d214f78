// The render methods' constants functions, without a device: which
// constants each one sets, into which table, and with which values.
#include "Render/RenderMethods.h"

#include "Common/CFatalException.h"
#include "Scene/CCamera.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace gen
{
namespace
{

// Declares every constant any method is given, and uses them all so that
// none is dropped by the compiler.
const char* const kProbeSource = R"(
float4x4 WorldMatrix;
float4x4 ViewProjMatrix;
float4x4 ViewMatrix;
float3 CameraPosition;
float3 AmbientLight;
float3 LightPosition;
float3 LightColour;
float LightBrightness;
float3 Light1Position;
float3 Light1Colour;
float Light1Brightness;
float3 Light2Position;
float3 Light2Colour;
float Light2Brightness;
float3 MaterialColour;
float3 SpecularStrength;
float SpecularPower;
float3 TintColour;
float ContrastLevel;

float4 main(float4 p : TEXCOORD0) : COLOR0
{
    float3 s = mul(p, WorldMatrix).xyz + mul(p, ViewProjMatrix).xyz + mul(p, ViewMatrix).xyz;
    s += CameraPosition + AmbientLight + LightPosition + LightColour * LightBrightness;
    s += Light1Position + Light1Colour * Light1Brightness + Light2Position + Light2Colour * Light2Brightness;
    s += MaterialColour + SpecularStrength * SpecularPower + TintColour * ContrastLevel;
    return float4(s, 1.0f);
}
)";

const std::uint8_t kSentinel = 0xAB;

CConstantTable* MakeProbeTable()
{
    CConstantTable* table = nullptr;
    std::string errors;
    CShaderCode* code = CompileShaderFromSource(kProbeSource, "Probe.psh", "main", "ps_3_0", &table, &errors);
    EXPECT_NE(code, nullptr) << errors;
    SafeRelease(code);
    if (table)
    {
        EXPECT_EQ(table->GetConstants().size(), 19u);
        std::vector<std::uint8_t>& bytes = table->GetStorage()->Bytes;
        std::fill(bytes.begin(), bytes.end(), kSentinel);
    }
    return table;
}

std::uint32_t ConstantSize(const SShaderConstant& c)
{
    return c.Rows > 1 ? 4 * c.VectorStride : c.Columns * 4;
}

// Names of the constants whose bytes no longer hold the sentinel.
std::set<std::string> WrittenConstants(const CConstantTable& table)
{
    std::set<std::string> written;
    const std::vector<std::uint8_t>& bytes = table.GetStorage()->Bytes;
    for (const SShaderConstant& c : table.GetConstants())
    {
        for (std::uint32_t i = 0; i < ConstantSize(c); ++i)
        {
            if (bytes[c.Offset + i] != kSentinel)
            {
                written.insert(c.Name);
                break;
            }
        }
    }
    return written;
}

std::vector<float> Floats(const CConstantTable& table, const char* name, std::uint32_t count)
{
    const CConstantTable::THandle handle = table.GetConstantByName(name);
    EXPECT_NE(handle, CConstantTable::kInvalidHandle) << name;
    std::vector<float> values(count, 0.0f);
    if (handle != CConstantTable::kInvalidHandle)
    {
        const SShaderConstant& c = table.GetConstants()[static_cast<std::size_t>(handle)];
        std::memcpy(values.data(), table.GetStorage()->Bytes.data() + c.Offset, count * sizeof(float));
    }
    return values;
}

// The bytes a matrix constant holds once set.
std::vector<std::uint8_t> MatrixBytes(const CConstantTable& table, const char* name)
{
    const SShaderConstant& c = table.GetConstants()[static_cast<std::size_t>(table.GetConstantByName(name))];
    const std::uint8_t* begin = table.GetStorage()->Bytes.data() + c.Offset;
    return std::vector<std::uint8_t>(begin, begin + ConstantSize(c));
}

class RenderMethodConstants : public ::testing::Test
{
protected:
    RenderMethodConstants()
        : Camera(CVector3(1, 2, 3), CVector3(0.3f, 0.2f, 0.1f), 1.0f, 1000.0f, 1.0f, 1.5f),
          Light1(CVector3(-5, 6, 7), {0.1f, 0.2f, 0.3f, 0.4f}, 50.0f),
          Light2(CVector3(8, -9, 10), {0.5f, 0.6f, 0.7f, 0.8f}, 3.0f), Lights{&Light1, &Light2}
    {
        World.MakeAffineEuler(CVector3(4, 5, 6), CVector3(0.5f, 0.1f, 0.2f), kZXY, CVector3(2, 2, 2));
        SetLights(Lights);
        SetAmbientLight({0.25f, 0.35f, 0.45f, 1.0f});
        SetMaterial({0.9f, 0.8f, 0.7f, 0.6f}, {0.4f, 0.3f, 0.2f, 0.1f}, 12.0f);
    }

    ~RenderMethodConstants() override
    {
        SRenderMethod& entry = GetRenderMethod(kPlainColour);
        entry.VertexConstantTable = nullptr;
        entry.PixelConstantTable = nullptr;
        SafeRelease(Probe);
        SetLights(nullptr);
    }

    // Runs fn with the probe as the vertex (or pixel) table of the method it
    // is given and nothing in the other slot; returns what it wrote.
    std::set<std::string> Run(ShaderConstantsFn fn, bool vertex)
    {
        SafeRelease(Probe);
        Probe = MakeProbeTable();
        SRenderMethod& entry = GetRenderMethod(kPlainColour);
        entry.VertexConstantTable = vertex ? Probe : nullptr;
        entry.PixelConstantTable = vertex ? nullptr : Probe;
        fn(kPlainColour, &World, Camera);
        return Probe ? WrittenConstants(*Probe) : std::set<std::string>{};
    }

    CCamera Camera;
    CMatrix4x4 World;
    CLight Light1;
    CLight Light2;
    CLight* Lights[2];
    CConstantTable* Probe = nullptr;
};

TEST_F(RenderMethodConstants, EachFunctionSetsExactlyItsConstants)
{
    struct SCase
    {
        const char* Name;
        ShaderConstantsFn Fn;
        bool Vertex;
        std::set<std::string> Expected;
    };
    const std::set<std::string> pixelLit = {
        "CameraPosition", "AmbientLight",   "Light1Position",   "Light1Colour",     "Light1Brightness",
        "Light2Position", "Light2Colour",   "Light2Brightness", "MaterialColour",   "SpecularStrength",
        "SpecularPower"};
    std::set<std::string> cutGlass = pixelLit;
    cutGlass.insert({"WorldMatrix", "ViewMatrix"});
    const SCase cases[] = {
        {"VSConstsXForm", &VSConstsXForm, true, {"ViewProjMatrix", "WorldMatrix"}},
        {"VSConstsVertexLit",
         &VSConstsVertexLit,
         true,
         {"ViewProjMatrix", "WorldMatrix", "CameraPosition", "AmbientLight", "LightPosition", "LightColour",
          "LightBrightness", "MaterialColour", "SpecularStrength", "SpecularPower"}},
        {"VSConstsNormalMap",
         &VSConstsNormalMap,
         true,
         {"ViewProjMatrix", "WorldMatrix", "Light1Position", "Light2Position", "CameraPosition"}},
        {"PSConstsDefault", &PSConstsDefault, false, {}},
        {"PSConstsPlainColour", &PSConstsPlainColour, false, {"MaterialColour"}},
        {"PSConstsPixelLit", &PSConstsPixelLit, false, pixelLit},
        {"PSConstsNormalMap",
         &PSConstsNormalMap,
         false,
         {"WorldMatrix", "CameraPosition", "AmbientLight", "Light1Colour", "Light1Brightness", "Light2Colour",
          "Light2Brightness", "MaterialColour", "SpecularStrength", "SpecularPower"}},
        {"PSConstsClouds", &PSConstsClouds, false, {}},
        {"PSConstsAtmosphere", &PSConstsAtmosphere, false, {}},
        {"PSConstsTintPoly", &PSConstsTintPoly, false, {"TintColour"}},
        {"PSConstsCutGlass", &PSConstsCutGlass, false, cutGlass},
        {"PSConstsHighContrast", &PSConstsHighContrast, false, {"ContrastLevel"}},
    };
    for (const SCase& c : cases)
    {
        EXPECT_EQ(Run(c.Fn, c.Vertex), c.Expected) << c.Name;
        // Nothing reaches the other shader's table.
        EXPECT_TRUE(Run(c.Fn, !c.Vertex).empty()) << c.Name;
        // Reading the entry of a method outside the table is fatal, as in GetRenderMethod.
        if (!c.Expected.empty())
        {
            EXPECT_THROW(c.Fn(static_cast<ERenderMethod>(kNumRenderMethods), &World, Camera), CFatalException)
                << c.Name;
        }
    }
}

TEST_F(RenderMethodConstants, TheTableFollowsTheFixedHalf)
{
    for (std::uint32_t i = 0; i < kNumRenderMethods; ++i)
    {
        const ERenderMethod method = static_cast<ERenderMethod>(i);
        const SRenderMethod& entry = GetRenderMethod(method);
        EXPECT_STREQ(entry.VertexShaderFile, GetRenderMethodInfo(method).VertexShaderFile);
        EXPECT_STREQ(entry.PixelShaderFile, GetRenderMethodInfo(method).PixelShaderFile);
        EXPECT_EQ(entry.VertexLayout, entry.UsesTangents ? kTangentVertexElements : kBasicVertexElements) << i;
        EXPECT_EQ(entry.NumTextures, RenderMethodTextureCount(method));
        EXPECT_EQ(entry.PostProcess, IsPostProcessMethod(method));
    }
    EXPECT_EQ(GetRenderMethod(kCutGlass).PixelConstants, &PSConstsCutGlass);
    EXPECT_EQ(GetRenderMethod(kParallaxMap).VertexConstants, &VSConstsNormalMap);
    EXPECT_EQ(kTangentVertexElements[2].Usage, kUsageTangent);
    EXPECT_EQ(kTangentVertexElements[3].Offset, 36);
    EXPECT_THROW(GetRenderMethod(static_cast<ERenderMethod>(kNumRenderMethods)), CFatalException);
}

TEST_F(RenderMethodConstants, ValuesComeFromTheCameraLightsAndMaterial)
{
    Run(&VSConstsVertexLit, true);
    ASSERT_NE(Probe, nullptr);
    EXPECT_EQ(Floats(*Probe, "CameraPosition", 3), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(Floats(*Probe, "LightPosition", 3), (std::vector<float>{-5, 6, 7}));
    EXPECT_EQ(Floats(*Probe, "LightColour", 3), (std::vector<float>{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(Floats(*Probe, "LightBrightness", 1), (std::vector<float>{50}));
    EXPECT_EQ(Floats(*Probe, "AmbientLight", 3), (std::vector<float>{0.25f, 0.35f, 0.45f}));
    EXPECT_EQ(Floats(*Probe, "MaterialColour", 3), (std::vector<float>{0.9f, 0.8f, 0.7f}));
    EXPECT_EQ(Floats(*Probe, "SpecularStrength", 3), (std::vector<float>{0.4f, 0.3f, 0.2f}));
    EXPECT_EQ(Floats(*Probe, "SpecularPower", 1), (std::vector<float>{12}));

    // Matrices hold what SetMatrix makes of the camera's and the node's.
    CConstantTable* expected = MakeProbeTable();
    ASSERT_NE(expected, nullptr);
    expected->SetMatrix("WorldMatrix", World);
    expected->SetMatrix("ViewProjMatrix", Camera.ViewProjMatrix);
    expected->SetMatrix("ViewMatrix", Camera.ViewMatrix);
    EXPECT_EQ(MatrixBytes(*Probe, "WorldMatrix"), MatrixBytes(*expected, "WorldMatrix"));
    EXPECT_EQ(MatrixBytes(*Probe, "ViewProjMatrix"), MatrixBytes(*expected, "ViewProjMatrix"));

    Run(&PSConstsCutGlass, false);
    EXPECT_EQ(MatrixBytes(*Probe, "ViewMatrix"), MatrixBytes(*expected, "ViewMatrix"));
    EXPECT_EQ(Floats(*Probe, "Light1Position", 3), (std::vector<float>{-5, 6, 7}));
    EXPECT_EQ(Floats(*Probe, "Light2Position", 3), (std::vector<float>{8, -9, 10}));
    EXPECT_EQ(Floats(*Probe, "Light2Colour", 3), (std::vector<float>{0.5f, 0.6f, 0.7f}));
    EXPECT_EQ(Floats(*Probe, "Light2Brightness", 1), (std::vector<float>{3}));
    SafeRelease(expected);

    Run(&PSConstsTintPoly, false);
    EXPECT_EQ(Floats(*Probe, "TintColour", 3), (std::vector<float>{1.0f, 0.0f, 0.7f}));
    Run(&PSConstsHighContrast, false);
    EXPECT_EQ(Floats(*Probe, "ContrastLevel", 1), (std::vector<float>{1.5f}));
}

TEST_F(RenderMethodConstants, LightsAreReadThroughTheArrayAtEachCall)
{
    Light2.Position = CVector3(100, 200, 300);
    Run(&VSConstsNormalMap, true);
    EXPECT_EQ(Floats(*Probe, "Light2Position", 3), (std::vector<float>{100, 200, 300}));

    // Without lights the light constants stay unset; the rest still goes.
    SetLights(nullptr);
    const std::set<std::string> written = Run(&PSConstsPixelLit, false);
    EXPECT_EQ(written, (std::set<std::string>{"CameraPosition", "AmbientLight", "MaterialColour", "SpecularStrength",
                                              "SpecularPower"}));
    Lights[1] = nullptr;
    SetLights(Lights);
    EXPECT_EQ(Run(&VSConstsNormalMap, true).count("Light2Position"), 0u);
    EXPECT_EQ(Run(&VSConstsNormalMap, true).count("Light1Position"), 1u);
}

TEST(RenderMethodShading, SetMaterialCopiesAndLightsKeepTheirValues)
{
    const float colour[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    const float specular[4] = {0.5f, 0.6f, 0.7f, 0.8f};
    SetMaterial(colour, specular, 7.0f);
    EXPECT_EQ(GetShadingValues().MaterialColour[3], 0.4f);
    EXPECT_EQ(GetShadingValues().SpecularStrength[0], 0.5f);
    EXPECT_EQ(GetShadingValues().SpecularPower, 7.0f);

    CLight light(CVector3(1, 2, 3), {0.0f, 0.2f, 1.0f, 0.0f}, 100.0f);
    EXPECT_EQ(light.Position, CVector3(1, 2, 3));
    EXPECT_EQ(light.Colour[2], 1.0f);
    EXPECT_EQ(light.Brightness, 100.0f);
}

TEST(RenderMethodShading, NothingCanBePreparedWithoutADevice)
{
    EXPECT_FALSE(PrepareRenderMethod(kPlainColour));
    EXPECT_EQ(GetRenderMethod(kPlainColour).VertexShader, nullptr);
    EXPECT_THROW(PrepareRenderMethod(static_cast<ERenderMethod>(99)), CFatalException);
}

} // namespace
} // namespace gen
