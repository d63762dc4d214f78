// The mesh's device half and the render methods on a device, drawn and read
// back: which submeshes each pass draws, which texture stages polygon
// post-processing surfaces get, culling by the scaled bounding sphere, load
// failures, compiling on first use and the states each method leaves.
#include "Mesh/CMesh.h"
#include "Render/CMeshDeviceObjects.h"
#include "Render/RenderMethods.h"
#include "Camera/CCamera.h"
#include "Support/Checks.h"
#include "Support/Drawing.h"

#include <cmath>
#include <memory>
#include <random>
#include <tuple>

namespace gen
{
namespace
{

// Mesh and texture names as a material or template gives them: relative to the media folder.
const std::string kData = "../tests/Render/data/";
const SPixel kClear = {50, 50, 50};
// Ten units ahead, the left quad of PassQuads covers x 31..53 and the right
// one 75..97, both rows 37..59; the other quads cover the centre.
constexpr int kLeftX = 42, kCentreX = 64, kRightX = 86, kMidY = 48;

CTexture* gSceneTexture = nullptr;
CTexture* SceneTexture()
{
    return gSceneTexture;
}

// Samples stages 0, 1 and 2 at their centres: red from 0, green from 1, blue
// from 2, so a texture in the wrong stage shows in the wrong channel.
const char* const kStageProbe = R"(
sampler2D Stage0 : register(s0);
sampler2D Stage1 : register(s1);
sampler2D Stage2 : register(s2);
float4 main(float2 uv : TEXCOORD1) : COLOR0
{
    float2 centre = float2(0.5f, 0.5f) + uv * 0.0f;
    return float4(tex2D(Stage0, centre).r, tex2D(Stage1, centre).g, tex2D(Stage2, centre).b, 1.0f);
}
)";

class MeshDevice : public CDrawingTest
{
public:
    void SetUp() override
    {
        CDrawingTest::SetUp();
        PreviousSource = SetMeshSceneTextureSource(&SceneTexture);
        Camera.CalculateFrustumPlanes();
    }

    void TearDown() override
    {
        if (Original)
        {
            CPixelShader*& shader = GetRenderMethod(ProbedMethod).PixelShader;
            SafeRelease(shader);
            shader = Original;
        }
        Meshes.clear();
        SafeRelease(gSceneTexture);
        ReleaseRenderMethods();
        SetMeshSceneTextureSource(PreviousSource);
        CDrawingTest::TearDown();
    }

    CMesh& Load(const std::string& name, bool loads = true)
    {
        Meshes.emplace_back(new CMesh(CreateMeshDeviceObjects()));
        EXPECT_EQ(Meshes.back()->Load(kData + name), loads) << name;
        return *Meshes.back();
    }

    static void UseSceneColour(const SPixel& colour)
    {
        const std::uint8_t rgba[4] = {std::uint8_t(colour.R), std::uint8_t(colour.G), std::uint8_t(colour.B), 255};
        gSceneTexture = Device->CreateTextureFromPixels(1, 1, rgba, false);
    }

    // Replaces the method's pixel shader with a probe until TearDown.
    void UseProbe(ERenderMethod method, const char* source)
    {
        ASSERT_TRUE(PrepareRenderMethod(method));
        CShaderCode* code = CompileShaderFromSource(source, "Probe.psh", "main", "ps_3_0", nullptr, nullptr);
        ASSERT_NE(code, nullptr) << LastShaderLog();
        ProbedMethod = method;
        Original = GetRenderMethod(method).PixelShader;
        GetRenderMethod(method).PixelShader = Device->CreatePixelShader(code);
        code->Release();
    }

    // Clears, draws one pass of the mesh placed by world, reads back.
    void DrawPass(CMesh& mesh, const CMatrix4x4& world, bool postProcessPass)
    {
        Device->Clear(kClearTarget | kClearZBuffer, ColourARGB(255, kClear.R, kClear.G, kClear.B), 1.0f, 0);
        mesh.Render(std::vector<CMatrix4x4>(std::max(mesh.GetNumNodes(), 1u), world), Camera, postProcessPass);
        Read();
    }

    static CMatrix4x4 Placed(const CVector3& position, const CVector3& scale = kOne)
    {
        CMatrix4x4 m;
        m.MakeAffineEuler(position, kZero, kZXY, scale);
        return m;
    }

    // At the origin looking along +Z, 60 degrees across.
    CCamera Camera{kZero, kZero, 1.0f, 1000.0f, 1.0471976f, 128.0f / 96.0f};
    std::vector<std::unique_ptr<CMesh>> Meshes;
    TSceneTextureSource PreviousSource = nullptr;
    ERenderMethod ProbedMethod = kPlainColour;
    CPixelShader* Original = nullptr;
};

struct SPassCase
{
    const char* Name;
    const char* Mesh;
    bool PostProcessPass;
    SPixel Scene;                // the scene texture's colour
    ERenderMethod ProbedMethod;  // whose pixel shader samples stages 0..2 instead
    std::vector<std::pair<int, SPixel>> Expected; // x in row kMidY, colour
};

const SPassCase kPassCases[] = {
    {"OrdinaryPassDrawsOrdinaryMaterialsOnly",
     "PassQuads.x", false, {255, 255, 255}, kPlainTexture,
     {{kLeftX, {255, 0, 0}}, {kCentreX, kClear}, {kRightX, kClear}}},
    {"PolygonPassDrawsItsMaterialsOnlyWithTheSceneInStageZero",
     "PassQuads.x", true, {30, 140, 220}, kTintPoly,
     {{kLeftX, kClear}, {kCentreX, kClear}, {kRightX, {30, 0, 0}}}},
    {"AllPostProcessingMaterialsDrawNothingInTheOrdinaryPass",
     "CutGlassQuad.x", false, {255, 255, 255}, kPlainTexture, {{kCentreX, kClear}}},
    // StageA.png is (200, 0, 0), StageA1.png (0, 150, 0).
    {"CutGlassHasItsTexturesInStagesZeroAndOneAndTheSceneInTwo",
     "CutGlassQuad.x", true, {0, 0, 100}, kCutGlass, {{kCentreX, {200, 150, 100}}}},
    {"TexturedMaterialsSampleTheirOwnTexture",
     "TexturedQuad.x", false, {255, 255, 255}, kPlainTexture, {{kCentreX, {0, 0, 255}}}},
};

class MeshPasses : public MeshDevice, public ::testing::WithParamInterface<SPassCase>
{
};

TEST_P(MeshPasses, DrawAndReadBack)
{
    const SPassCase& c = GetParam();
    UseSceneColour(c.Scene);
    if (c.ProbedMethod != kPlainTexture)
    {
        UseProbe(c.ProbedMethod, kStageProbe);
    }
    DrawPass(Load(c.Mesh), Placed(CVector3(0, 0, 10)), c.PostProcessPass);
    for (const auto& [x, colour] : c.Expected)
    {
        EXPECT_TRUE(Near(At(x, kMidY), colour)) << "x " << x << ": " << At(x, kMidY) << " not " << colour;
    }
}

INSTANTIATE_TEST_SUITE_P(Mesh, MeshPasses, ::testing::ValuesIn(kPassCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MeshDevice, CullingUsesTheBoundingRadiusTimesTheLargestScale)
{
    CMesh& mesh = Load("PlainQuad.x");
    const float radius = mesh.GetBoundingRadius();
    EXPECT_NEAR(radius, std::sqrt(2.0f), 1e-6f);
    const CVector3 centre(0, 0, 10);
    DrawPass(mesh, Placed(centre), false);
    EXPECT_EQ(At(kCentreX, kMidY), (SPixel{0, 255, 0}));

    // A plane twice the bounding radius from the centre culls the unscaled
    // mesh but not one scaled by 3 along X only.
    Camera.FrustumNormals[2] = CVector3(-1, 0, 0);
    Camera.FrustumPoints[2] = centre + CVector3(2.0f * radius, 0, 0);
    DrawPass(mesh, Placed(centre), false);
    EXPECT_EQ(At(kCentreX, kMidY), kClear);
    DrawPass(mesh, Placed(centre, CVector3(3, 1, 1)), false);
    EXPECT_EQ(At(kCentreX, kMidY), (SPixel{0, 255, 0}));
    DrawPass(mesh, Placed(centre, CVector3(1, 1, 1.5f)), false);
    EXPECT_EQ(At(kCentreX, kMidY), kClear);
}

TEST_F(MeshDevice, FailedLoadsAreReportedOnlyForTexturesAndDrawNothing)
{
    CMessageLog messages;
    CMesh& missing = Load("MissingTexture.x", false);
    CMesh& framesOnly = Load("../../data/mesh/FramesOnly.x", false);
    EXPECT_EQ(messages.Messages, (std::vector<std::string>{
                                     "CMesh Error: Error loading texture Media\\../tests/Render/data/DoesNotExist.png"}));
    EXPECT_EQ(missing.GetNumSubMeshes(), 0u);
    EXPECT_EQ(missing.GetNumMaterials(), 0u);
    const auto* device = dynamic_cast<const CMeshDeviceObjects*>(missing.GetDevice());
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetNumBuffers(), 0u);
    EXPECT_EQ(device->GetNumMaterials(), 0u);
    for (CMesh* mesh : {&missing, &framesOnly})
    {
        for (bool postProcessPass : {false, true})
        {
            DrawPass(*mesh, Placed(CVector3(0, 0, 10)), postProcessPass);
            EXPECT_EQ(Colours(0, 0, Width, Height), (std::set<std::uint32_t>{0x323232}));
        }
    }
}

TEST_F(MeshDevice, LoadingReleasesWhatItReplacesOrCouldNotFinish)
{
    CMesh& mesh = Load("TexturedQuad.x");
    const auto* device = dynamic_cast<const CMeshDeviceObjects*>(mesh.GetDevice());
    CTexture* texture = device->GetMaterial(0).Textures[0];
    CVertexBuffer* buffer = device->GetBuffers(0).VertexBuffer;
    texture->AddRef();
    buffer->AddRef();
    ASSERT_TRUE(mesh.Load(kData + "PassQuads.x"));
    EXPECT_EQ(texture->GetRefCount(), 1u); // only ours is left
    EXPECT_EQ(buffer->GetRefCount(), 1u);
    EXPECT_EQ(device->GetNumMaterials(), 2u);
    texture->Release();
    buffer->Release();

    // The second texture of a CutGlass material is derived from the first;
    // with only the first present the load fails after creating it (the
    // sanitizer build checks that it is released).
    CMessageLog messages;
    Load("HalfCutGlassQuad.x", false);
    EXPECT_EQ(messages.Messages,
              (std::vector<std::string>{"CMesh Error: Error loading texture Media\\../tests/Render/data/Second1.png"}));
}

// The scene-reading polygon shaders look up the scene texel under each pixel:
// with their colour step made neutral, a surface over a scene of random greys
// shows that scene unchanged, neither shifted nor averaged with its neighbours.
TEST_F(MeshDevice, ANeutralPolygonSurfaceShowsTheSceneBehindItExactly)
{
    std::mt19937 random(11);
    std::vector<std::uint8_t> scene(Width * Height * 4, 255);
    for (std::size_t i = 0; i < scene.size(); i += 4)
    {
        scene[i] = scene[i + 1] = scene[i + 2] = static_cast<std::uint8_t>(random());
    }
    gSceneTexture = Device->CreateTextureFromPixels(Width, Height, scene.data(), false);
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
    const float tint[3] = {7.0f / 9.0f, 7.0f / 9.0f, 7.0f / 9.0f}, level = 0.0f;
    const std::tuple<ERenderMethod, const char*, const float*> surfaces[] = {
        {kPolyGrayScale, nullptr, nullptr}, {kTintPoly, "TintColour", tint}, {kPolyHighContrast, "ContrastLevel", &level}};
    const CMatrix4x4 world = CMatrix4x4::kIdentity;
    for (const auto& [method, constant, value] : surfaces)
    {
        ASSERT_TRUE(PrepareRenderMethod(method)) << LastShaderLog();
        Device->Clear(kClearTarget | kClearZBuffer, ColourARGB(255, 0, 0, 0), 1.0f, 0);
        UseRenderMethod(method, &world, Camera);
        if (constant)
        {
            GetRenderMethod(method).PixelConstantTable->SetFloatArray(constant, value, method == kTintPoly ? 3 : 1);
        }
        Device->SetTexture(0, gSceneTexture);
        Device->SetRenderState(kRSCullMode, kCullNone);
        ASSERT_TRUE(Device->DrawPrimitiveUP(kPrimTriangleStrip, 2, quad, sizeof(SVertex)));
        Device->SetTexture(0, nullptr);
        Read();
        // The rectangle covers about x 39..89, y 31..64; check well inside it.
        int worst = 0;
        for (std::uint32_t y = 34; y < 62; ++y)
        {
            for (std::uint32_t x = 42; x < 86; ++x)
            {
                const SPixel got = At(x, y);
                const int want = scene[(y * Width + x) * 4];
                worst = std::max({worst, std::abs(got.R - want), std::abs(got.G - want), std::abs(got.B - want)});
            }
        }
        EXPECT_LE(worst, 1) << "render method " << method;
    }
}

TEST_F(MeshDevice, RenderMethodsCompileOnceAndRetryWhatFailed)
{
    for (std::uint32_t i = 0; i < kNumRenderMethods; ++i)
    {
        const ERenderMethod method = static_cast<ERenderMethod>(i);
        ASSERT_TRUE(PrepareRenderMethod(method)) << i << ": " << LastShaderLog();
        const SRenderMethod first = GetRenderMethod(method);
        ASSERT_TRUE(first.VertexShader && first.PixelShader && first.VertexConstantTable && first.PixelConstantTable);
        EXPECT_EQ(first.VertexDeclaration->GetElements().size(), first.UsesTangents ? 4u : 3u);
        // A second preparation finds everything present and keeps it.
        EXPECT_TRUE(PrepareRenderMethod(method));
        const SRenderMethod& again = GetRenderMethod(method);
        EXPECT_TRUE(again.VertexShader == first.VertexShader && again.PixelShader == first.PixelShader &&
                    again.VertexDeclaration == first.VertexDeclaration)
            << i;
        EXPECT_EQ(first.VertexShader->GetRefCount(), 2u); // the method's and the shader library's
    }
    // Methods sharing a shader file each own their own compiled copy.
    EXPECT_NE(GetRenderMethod(kNormalMap).VertexShader, GetRenderMethod(kParallaxMap).VertexShader);
    ReleaseRenderMethods();
    EXPECT_EQ(GetRenderMethod(kNormalMap).VertexShader, nullptr);
    EXPECT_EQ(GetRenderMethod(kNormalMap).PixelConstantTable, nullptr);

    // A missing pixel shader keeps the vertex shader, which the retry reuses.
    SRenderMethod& entry = GetRenderMethod(kPixelLit);
    const char* const pixelFile = entry.PixelShaderFile;
    entry.PixelShaderFile = "DoesNotExist.psh";
    EXPECT_FALSE(PrepareRenderMethod(kPixelLit));
    entry.PixelShaderFile = pixelFile;
    const CVertexShader* vertexShader = entry.VertexShader;
    EXPECT_TRUE(vertexShader && !entry.PixelShader && !entry.VertexDeclaration);
    EXPECT_TRUE(PrepareRenderMethod(kPixelLit));
    EXPECT_EQ(entry.VertexShader, vertexShader);
}

TEST_F(MeshDevice, EachMethodSetsItsStatesOverWhatTheLastOneLeft)
{
    struct SCase
    {
        ERenderMethod Method;
        std::uint32_t Cull, Blend, Depth;
    };
    const SCase cases[] = {{kClouds, kCullCCW, 1, 0},
                           {kPlainColour, kCullCCW, 0, 1},
                           {kAtmosphere, kCullCW, 1, 0},
                           {kPixelLitTex, kCullCCW, 0, 1}};
    const CMatrix4x4 world = CMatrix4x4::kIdentity;
    for (const SCase& c : cases)
    {
        ASSERT_TRUE(PrepareRenderMethod(c.Method));
        Device->SetRenderState(kRSAlphaTestEnable, 1);
        UseRenderMethod(c.Method, &world, Camera);
        EXPECT_EQ(Device->GetRenderState(kRSCullMode), c.Cull) << c.Method;
        EXPECT_EQ(Device->GetRenderState(kRSAlphaBlendEnable), c.Blend) << c.Method;
        EXPECT_EQ(Device->GetRenderState(kRSZEnable), c.Depth) << c.Method;
        EXPECT_EQ(Device->GetRenderState(kRSAlphaTestEnable), 0u) << c.Method;
        if (c.Blend)
        {
            EXPECT_EQ(Device->GetRenderState(kRSSrcBlend), kBlendSrcAlpha);
            EXPECT_EQ(Device->GetRenderState(kRSDestBlend), kBlendInvSrcAlpha);
        }
    }
}

} // namespace
} // namespace gen
