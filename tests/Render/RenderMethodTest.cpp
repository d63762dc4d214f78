// The render methods without a device: each method's shader pair compiled as
// the program compiles it agrees with the method (vertex inputs fed by its
// layout, pixel inputs written by its vertex shader, exactly its texture
// stages sampled, every constant set by its constants functions: a misspelt
// name would silently stay zero), and the values those functions send.
#include "Render/RenderMethods.h"

#include "Common/CFatalException.h"
#include "Camera/CCamera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace gen
{
namespace
{

const std::uint8_t kSentinel = 0xAB;

std::uint32_t ConstantSize(const SShaderConstant& c)
{
    return c.Rows > 1 ? 4 * c.VectorStride : c.Columns * 4;
}

// The method's two shaders, compiled with their tables; the tables are the
// method's own while the object lives, filled with the sentinel.
struct SMethodShaders
{
    explicit SMethodShaders(ERenderMethod method) : Method(method), Entry(GetRenderMethod(method))
    {
        Vertex = Compile(Entry.VertexShaderFile, "vs_3_0", Entry.VertexConstantTable);
        Pixel = Compile(Entry.PixelShaderFile, "ps_3_0", Entry.PixelConstantTable);
    }
    ~SMethodShaders()
    {
        SafeRelease(Vertex);
        SafeRelease(Pixel);
        SafeRelease(Entry.VertexConstantTable);
        SafeRelease(Entry.PixelConstantTable);
    }

    CShaderCode* Compile(const std::string& file, const char* profile, CConstantTable*& table)
    {
        std::string errors;
        CShaderCode* code = CompileShaderFromFile("Source\\Render\\" + file, "main", profile, &table, &errors);
        EXPECT_NE(code, nullptr) << file << "\n" << errors;
        if (table)
        {
            std::fill(table->GetStorage()->Bytes.begin(), table->GetStorage()->Bytes.end(), kSentinel);
        }
        return code;
    }

    void SetConstants(const CMatrix4x4& world, CCamera& camera)
    {
        Entry.VertexConstants(Method, &world, camera);
        Entry.PixelConstants(Method, &world, camera);
    }

    // Names of the constants of a table whose bytes all still hold the sentinel.
    static std::set<std::string> Unset(const CConstantTable* table)
    {
        std::set<std::string> names;
        for (const SShaderConstant& c : table->GetConstants())
        {
            const std::uint8_t* bytes = table->GetStorage()->Bytes.data() + c.Offset;
            if (std::count(bytes, bytes + ConstantSize(c), kSentinel) == std::ptrdiff_t(ConstantSize(c)))
            {
                names.insert(c.Name);
            }
        }
        return names;
    }

    std::vector<float> Floats(const char* name, std::uint32_t count, bool vertex = false) const
    {
        const CConstantTable* table = vertex ? Entry.VertexConstantTable : Entry.PixelConstantTable;
        const CConstantTable::THandle handle = table->GetConstantByName(name);
        EXPECT_NE(handle, CConstantTable::kInvalidHandle) << name;
        std::vector<float> values(count, 0.0f);
        if (handle != CConstantTable::kInvalidHandle)
        {
            std::memcpy(values.data(), table->GetStorage()->Bytes.data() + table->GetConstants()[handle].Offset,
                        count * sizeof(float));
        }
        return values;
    }

    ERenderMethod Method;
    SRenderMethod& Entry;
    CShaderCode* Vertex = nullptr;
    CShaderCode* Pixel = nullptr;
};

class RenderMethods : public ::testing::Test
{
protected:
    RenderMethods()
        : Camera(CVector3(1, 2, 3), CVector3(0.3f, 0.2f, 0.1f), 1.0f, 1000.0f, 1.0f, 1.5f),
          Light1(CVector3(-5, 6, 7), {0.1f, 0.2f, 0.3f, 0.4f}, 50.0f),
          Light2(CVector3(8, -9, 10), {0.5f, 0.6f, 0.7f, 0.8f}, 3.0f), Lights{&Light1, &Light2}
    {
        World.MakeAffineEuler(CVector3(4, 5, 6), CVector3(0.5f, 0.1f, 0.2f), kZXY, CVector3(2, 2, 2));
        SetLights(Lights);
        SetAmbientLight({0.25f, 0.35f, 0.45f, 1.0f});
        SetMaterial({0.9f, 0.8f, 0.7f, 0.6f}, {0.4f, 0.3f, 0.2f, 0.1f}, 12.0f);
    }
    ~RenderMethods() override { SetLights(nullptr); }

    CCamera Camera;
    CMatrix4x4 World;
    CLight Light1, Light2;
    CLight* Lights[2];
};

std::set<std::string> Semantics(const std::vector<SShaderVarying>& varyings)
{
    std::set<std::string> semantics;
    for (const SShaderVarying& v : varyings)
    {
        semantics.insert(v.Semantic);
    }
    return semantics;
}

std::set<std::string> Annotated(const CConstantTable* table)
{
    std::set<std::string> names;
    for (const SShaderConstant& c : table->GetConstants())
    {
        if (!c.Annotations.empty())
        {
            names.insert(c.Name);
        }
    }
    return names;
}

TEST_F(RenderMethods, EachShaderPairAgreesWithItsMethod)
{
    const char* const usages[] = {"POSITION", "?", "?", "NORMAL", "?", "TEXCOORD", "TANGENT"};
    for (std::uint32_t m = 0; m < kNumRenderMethods; ++m)
    {
        const ERenderMethod method = static_cast<ERenderMethod>(m);
        SMethodShaders shaders(method);
        const SRenderMethod& entry = shaders.Entry;
        SCOPED_TRACE(std::string(entry.VertexShaderFile) + " + " + entry.PixelShaderFile);
        ASSERT_TRUE(shaders.Vertex && shaders.Pixel);
        // The mesh builds its vertices by the fixed half; the device reads them by this layout.
        EXPECT_EQ(entry.VertexLayout, RenderMethodUsesTangents(method) ? kTangentVertexElements : kBasicVertexElements);
        EXPECT_EQ(entry.NumTextures, RenderMethodTextureCount(method));
        EXPECT_EQ(entry.PostProcess, IsPostProcessMethod(method));

        const SCompiledShader& vs = shaders.Vertex->GetCompiled();
        const SCompiledShader& ps = shaders.Pixel->GetCompiled();
        std::set<std::string> fed;
        for (const SVertexElement* e = entry.VertexLayout; e->Stream != 0xFF; ++e)
        {
            fed.insert(usages[e->Usage] + std::to_string(e->UsageIndex));
        }
        const std::set<std::string> inputs = Semantics(vs.Inputs), written = Semantics(vs.Outputs);
        EXPECT_TRUE(inputs.count("POSITION0"));
        EXPECT_TRUE(std::includes(fed.begin(), fed.end(), inputs.begin(), inputs.end())) << "an input has no element";
        for (const SShaderVarying& in : ps.Inputs)
        {
            EXPECT_TRUE(written.count(in.Semantic)) << in.Semantic << " is read but not written";
        }
        std::set<std::uint32_t> sampled, bound;
        for (const SShaderSampler& s : ps.Samplers)
        {
            sampled.insert(s.Stage);
        }
        for (std::uint32_t s = 0; s < entry.NumTextures + (entry.PostProcess ? 1u : 0u); ++s)
        {
            bound.insert(s);
        }
        EXPECT_TRUE(vs.Samplers.empty());
        EXPECT_EQ(sampled, bound) << "every bound texture is sampled, nothing else";

        shaders.SetConstants(World, Camera);
        // Only the annotated constants, a person's to tune, are left to their initialisers.
        for (const CConstantTable* table : {entry.VertexConstantTable, entry.PixelConstantTable})
        {
            EXPECT_EQ(SMethodShaders::Unset(table), Annotated(table)) << "never set";
        }
        // A function that sets constants reads its method's entry: a method outside the table is fatal.
        for (const auto& [fn, table] : {std::pair(entry.VertexConstants, entry.VertexConstantTable),
                                        std::pair(entry.PixelConstants, entry.PixelConstantTable)})
        {
            if (table->GetConstants().size() > Annotated(table).size())
            {
                EXPECT_THROW(fn(static_cast<ERenderMethod>(kNumRenderMethods), &World, Camera), CFatalException);
            }
        }
    }
}

TEST_F(RenderMethods, ConstantsComeFromTheCameraLightsAndMaterial)
{
    SMethodShaders vertexLit(kVertexLit);
    vertexLit.SetConstants(World, Camera);
    EXPECT_EQ(vertexLit.Floats("CameraPosition", 3, true), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(vertexLit.Floats("LightPosition", 3, true), (std::vector<float>{-5, 6, 7}));
    EXPECT_EQ(vertexLit.Floats("LightColour", 3, true), (std::vector<float>{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(vertexLit.Floats("LightBrightness", 1, true), (std::vector<float>{50}));
    EXPECT_EQ(vertexLit.Floats("AmbientLight", 3, true), (std::vector<float>{0.25f, 0.35f, 0.45f}));
    EXPECT_EQ(vertexLit.Floats("MaterialColour", 3, true), (std::vector<float>{0.9f, 0.8f, 0.7f}));
    EXPECT_EQ(vertexLit.Floats("SpecularStrength", 3, true), (std::vector<float>{0.4f, 0.3f, 0.2f}));
    EXPECT_EQ(vertexLit.Floats("SpecularPower", 1, true), (std::vector<float>{12}));

    // Matrices hold what SetMatrix makes of the camera's and the node's.
    SMethodShaders cutGlass(kCutGlass);
    cutGlass.SetConstants(World, Camera);
    CConstantTable* vertex = cutGlass.Entry.VertexConstantTable;
    CConstantTable* pixel = cutGlass.Entry.PixelConstantTable;
    const std::vector<std::uint8_t> sent = vertex->GetStorage()->Bytes, sentPixel = pixel->GetStorage()->Bytes;
    vertex->SetMatrix("WorldMatrix", World);
    vertex->SetMatrix("ViewProjMatrix", Camera.ViewProjMatrix);
    pixel->SetMatrix("ViewMatrix", Camera.ViewMatrix);
    EXPECT_EQ(vertex->GetStorage()->Bytes, sent);
    EXPECT_EQ(pixel->GetStorage()->Bytes, sentPixel);
    EXPECT_EQ(cutGlass.Floats("Light2Position", 3), (std::vector<float>{8, -9, 10}));
    EXPECT_EQ(cutGlass.Floats("Light2Colour", 3), (std::vector<float>{0.5f, 0.6f, 0.7f}));
    EXPECT_EQ(cutGlass.Floats("Light2Brightness", 1), (std::vector<float>{3}));

    SMethodShaders tint(kTintPoly), contrast(kPolyHighContrast);
    tint.SetConstants(World, Camera);
    contrast.SetConstants(World, Camera);
    EXPECT_EQ(tint.Floats("TintColour", 3), (std::vector<float>{1.0f, 0.0f, 0.7f}));
    EXPECT_EQ(contrast.Floats("ContrastLevel", 1), (std::vector<float>{1.5f}));
}

TEST_F(RenderMethods, LightsAreReadThroughTheArrayAtEachCall)
{
    Light2.Position = CVector3(100, 200, 300);
    SMethodShaders normalMap(kNormalMap);
    normalMap.SetConstants(World, Camera);
    EXPECT_EQ(normalMap.Floats("Light2Position", 3, true), (std::vector<float>{100, 200, 300}));

    // Without a light its constants stay unset; the rest still goes.
    Lights[1] = nullptr;
    {
        SMethodShaders oneLight(kPixelLit); // the method's tables are its own while it lives
        oneLight.SetConstants(World, Camera);
        EXPECT_EQ(SMethodShaders::Unset(oneLight.Entry.PixelConstantTable),
                  (std::set<std::string>{"Light2Brightness", "Light2Colour", "Light2Position"}));
    }
    SetLights(nullptr);
    SMethodShaders noLights(kPixelLit);
    noLights.SetConstants(World, Camera);
    EXPECT_EQ(SMethodShaders::Unset(noLights.Entry.PixelConstantTable).size(), 6u);
}

TEST(RenderMethodChoice, MaterialNamesPickMethodsByLeadingKeyword)
{
    struct SCase
    {
        const char* Material;
        const char* Texture;
        ERenderMethod Method;
    };
    const SCase cases[] = {
        {"VertexLitWall", "wall.png", kVertexLitTex}, {"VertexLitWall", "", kPlainColour},
        {"MyPlain", "a.png", kPixelLitTex}, // the keyword must lead
        {"Atmosphere", "", kAtmosphere},              {"AtmosphereThin", "", kAtmosphere},
        {"Atmosphere", "sky.png", kPixelLitTex},      {"Clouds", "c.png", kClouds},
        {"Cloud", "c.png", kPixelLitTex},             {"plainWood", "w.png", kPixelLitTex}, // case matters
        {"Plain", "w.png", kPlainTexture},            {"NormalMapBrick", "b.png", kNormalMap},
        {"ParallaxMapBrick", "b.png", kParallaxMap},  {"TintPolyGlass", "g.png", kTintPoly},
        {"CutGlass", "g.png", kCutGlass},             {"PolyHighContrast", "g.png", kPolyHighContrast},
        {"PolyGrayScale", "g.png", kPolyGrayScale},   {"EarthDay", "e.png", kEarth},
        {"NormalMap", "", kPlainColour},              {"", "", kPlainColour},
    };
    for (const SCase& c : cases)
    {
        EXPECT_EQ(RenderMethodFromMaterial(c.Material, c.Texture), c.Method) << c.Material << ", " << c.Texture;
    }
    EXPECT_THROW(GetRenderMethod(static_cast<ERenderMethod>(kNumRenderMethods)), CFatalException);
    EXPECT_THROW(GetRenderMethodInfo(static_cast<ERenderMethod>(kNumRenderMethods)), CFatalException);
    EXPECT_FALSE(PrepareRenderMethod(kPlainColour)); // nothing can be prepared without a device
}

} // namespace
} // namespace gen
