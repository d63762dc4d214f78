// The mesh's device half, drawn and read back: which submeshes each pass
// draws, which texture stages polygon post-processing surfaces get, culling
// by the scaled bounding sphere, and load failures.
#include "MeshDeviceTestSupport.h"

#include "Render/CMesh.h"
#include "Render/CMeshDeviceObjects.h"

namespace gen
{
namespace
{

const std::uint32_t kClearColour = ColourARGB(255, 50, 50, 50);
const SPixel kClear = {50, 50, 50};

CTexture* gSceneTexture = nullptr;
CTexture* TestSceneTexture()
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

// Passes stage 0 through unchanged.
const char* const kStageZeroProbe = R"(
sampler2D Stage0 : register(s0);
float4 main(float2 uv : TEXCOORD1) : COLOR0
{
    return float4(tex2D(Stage0, float2(0.5f, 0.5f) + uv * 0.0f).rgb, 1.0f);
}
)";

class MeshDevice : public CDrawingTest
{
protected:
    void SetUp() override
    {
        CDrawingTest::SetUp();
        if (HasFatalFailure() || IsSkipped())
        {
            return;
        }
        PreviousSource = SetMeshSceneTextureSource(&TestSceneTexture);
        Camera = new CCamera(MakeCamera());
    }

    void TearDown() override
    {
        RestoreProbe();
        Meshes.clear();
        delete Camera;
        SafeRelease(gSceneTexture);
        SetMeshSceneTextureSource(PreviousSource);
        CDrawingTest::TearDown();
    }

    CMesh& Load(const std::string& name, bool expectLoaded = true)
    {
        Meshes.emplace_back(new CMesh(CreateMeshDeviceObjects()));
        EXPECT_EQ(Meshes.back()->Load(kTestDataFolder + name), expectLoaded) << name;
        return *Meshes.back();
    }

    void SetSceneTexture(std::uint8_t r, std::uint8_t g, std::uint8_t b)
    {
        SafeRelease(gSceneTexture);
        std::vector<std::uint8_t> rgba;
        for (int i = 0; i < 16; ++i)
        {
            rgba.insert(rgba.end(), {r, g, b, 255});
        }
        gSceneTexture = Device->CreateTextureFromPixels(4, 4, rgba.data(), false);
        ASSERT_NE(gSceneTexture, nullptr);
    }

    // Replaces the method's pixel shader with a probe until TearDown.
    void UseProbe(ERenderMethod method, const char* source)
    {
        std::string errors;
        CShaderCode* code = CompileShaderFromSource(source, "Probe.psh", "main", "ps_3_0", nullptr, &errors);
        ASSERT_NE(code, nullptr) << errors;
        CPixelShader* probe = Device->CreatePixelShader(code);
        SafeRelease(code);
        ASSERT_NE(probe, nullptr) << LastShaderLog();
        SRenderMethod& entry = GetRenderMethod(method);
        ProbedMethod = method;
        Original = entry.PixelShader;
        entry.PixelShader = probe;
    }

    void RestoreProbe()
    {
        if (Original)
        {
            SRenderMethod& entry = GetRenderMethod(ProbedMethod);
            SafeRelease(entry.PixelShader);
            entry.PixelShader = Original;
            Original = nullptr;
        }
    }

    // Clears, draws one pass of the mesh placed by world, reads back.
    void DrawPass(CMesh& mesh, const CMatrix4x4& world, bool postProcessPass)
    {
        ClearTarget(kClearColour);
        mesh.Render(std::vector<CMatrix4x4>(mesh.GetNumNodes(), world), *Camera, postProcessPass);
        Read();
    }

    static CMatrix4x4 Placed(const CVector3& position, const CVector3& scale = CVector3(1, 1, 1))
    {
        CMatrix4x4 m;
        m.MakeAffineEuler(position, CVector3(0, 0, 0), kZXY, scale);
        return m;
    }

    CCamera* Camera = nullptr;
    std::vector<std::unique_ptr<CMesh>> Meshes;
    TSceneTextureSource PreviousSource = nullptr;
    ERenderMethod ProbedMethod = kPlainColour;
    CPixelShader* Original = nullptr;
};

// Ten units ahead, the left quad of PassQuads covers x 31..53 and the right
// one 75..97, both rows 37..59.
constexpr int kLeftX = 42, kRightX = 86, kMidY = 48;

TEST_F(MeshDevice, EachPassDrawsOnlyItsOwnMaterials)
{
    SetSceneTexture(255, 255, 255);
    CMesh& mesh = Load("PassQuads.x");
    ASSERT_TRUE(mesh.IsLoaded());
    const auto* device = dynamic_cast<const CMeshDeviceObjects*>(mesh.GetDevice());
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->GetNumBuffers(), 2u);
    EXPECT_EQ(device->GetBuffers(1).NumIndices, 6u);
    EXPECT_EQ(device->GetBuffers(1).VertexSize, 32u);
    ASSERT_EQ(device->GetNumMaterials(), 2u);
    EXPECT_EQ(device->GetMaterial(1).RenderMethod, kTintPoly);

    const CMatrix4x4 world = Placed(CVector3(0, 0, 10));
    DrawPass(mesh, world, false);
    EXPECT_EQ(At(kLeftX, kMidY), (SPixel{255, 0, 0}));
    EXPECT_EQ(At(kRightX, kMidY), kClear);
    EXPECT_EQ(At(64, kMidY), kClear);

    DrawPass(mesh, world, true);
    EXPECT_EQ(At(kLeftX, kMidY), kClear);
    EXPECT_NE(At(kRightX, kMidY), kClear);
    EXPECT_EQ(At(64, kMidY), kClear);
}

TEST_F(MeshDevice, AMeshOfOnlyPostProcessingMaterialsDrawsNothingInTheOrdinaryPass)
{
    SetSceneTexture(255, 255, 255);
    CMesh& mesh = Load("CutGlassQuad.x");
    DrawPass(mesh, Placed(CVector3(0, 0, 10)), false);
    EXPECT_EQ(At(64, kMidY), kClear);
    DrawPass(mesh, Placed(CVector3(0, 0, 10)), true);
    EXPECT_NE(At(64, kMidY), kClear);
}

TEST_F(MeshDevice, CutGlassHasItsTexturesInStagesZeroAndOneAndTheSceneInTwo)
{
    SetSceneTexture(0, 0, 100);
    CMesh& mesh = Load("CutGlassQuad.x");
    ASSERT_TRUE(mesh.IsLoaded());
    const auto* device = dynamic_cast<const CMeshDeviceObjects*>(mesh.GetDevice());
    ASSERT_EQ(device->GetMaterial(0).RenderMethod, kCutGlass);
    ASSERT_EQ(device->GetMaterial(0).NumTextures, 2u);
    EXPECT_EQ(device->GetBuffers(0).VertexSize, 44u);

    UseProbe(kCutGlass, kStageProbe);
    DrawPass(mesh, Placed(CVector3(0, 0, 10)), true);
    // StageA.png is (200, 0, 0), StageA1.png (0, 150, 0).
    EXPECT_TRUE(Near(At(64, kMidY), SPixel{200, 150, 100})) << At(64, kMidY);
}

TEST_F(MeshDevice, TintPolyHasTheSceneInStageZero)
{
    SetSceneTexture(30, 140, 220);
    CMesh& mesh = Load("PassQuads.x");
    UseProbe(kTintPoly, kStageZeroProbe);
    DrawPass(mesh, Placed(CVector3(0, 0, 10)), true);
    EXPECT_TRUE(Near(At(kRightX, kMidY), SPixel{30, 140, 220})) << At(kRightX, kMidY);
}

TEST_F(MeshDevice, TexturedMaterialsSampleTheirOwnTexture)
{
    CMesh& mesh = Load("TexturedQuad.x");
    DrawPass(mesh, Placed(CVector3(0, 0, 10)), false);
    EXPECT_TRUE(Near(At(64, kMidY), SPixel{0, 0, 255})) << At(64, kMidY);
}

TEST_F(MeshDevice, CullingUsesTheBoundingRadiusTimesTheLargestScale)
{
    CMesh& mesh = Load("PlainQuad.x");
    const float radius = mesh.GetBoundingRadius();
    EXPECT_NEAR(radius, std::sqrt(2.0f), 1e-6f);

    // Visible as it stands.
    const CVector3 centre(0, 0, 10);
    DrawPass(mesh, Placed(centre), false);
    EXPECT_EQ(At(64, kMidY), (SPixel{0, 255, 0}));

    // A plane twice the bounding radius from the centre culls the unscaled
    // mesh but not one scaled by 3 along X only.
    const CVector3 normal(-1, 0, 0);
    Camera->FrustumNormals[2] = normal;
    Camera->FrustumPoints[2] = centre - normal * (2.0f * radius);
    DrawPass(mesh, Placed(centre), false);
    EXPECT_EQ(At(64, kMidY), kClear);
    DrawPass(mesh, Placed(centre, CVector3(3, 1, 1)), false);
    EXPECT_EQ(At(64, kMidY), (SPixel{0, 255, 0}));
    DrawPass(mesh, Placed(centre, CVector3(1, 1, 1.5f)), false);
    EXPECT_EQ(At(64, kMidY), kClear);
}

TEST_F(MeshDevice, AMissingTextureIsReportedAndLeavesTheMeshEmpty)
{
    CMessageLog messages;
    CMesh& mesh = Load("MissingTexture.x", false);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0], "CMesh Error: Error loading texture Media\\../tests/Render/data/DoesNotExist.png");
    EXPECT_FALSE(mesh.IsLoaded());
    EXPECT_EQ(mesh.GetNumSubMeshes(), 0u);
    EXPECT_EQ(mesh.GetNumMaterials(), 0u);
    const auto* device = dynamic_cast<const CMeshDeviceObjects*>(mesh.GetDevice());
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetNumBuffers(), 0u);
    EXPECT_EQ(device->GetNumMaterials(), 0u);

    DrawPass(mesh, Placed(CVector3(0, 0, 10)), false);
    EXPECT_EQ(At(64, kMidY), kClear);
}

TEST_F(MeshDevice, AMeshWithoutSubMeshesDrawsNothing)
{
    CMessageLog messages;
    Meshes.emplace_back(new CMesh(CreateMeshDeviceObjects()));
    CMesh& mesh = *Meshes.back();
    EXPECT_FALSE(mesh.Load("../tests/data/mesh/FramesOnly.x"));
    EXPECT_TRUE(messages.Messages.empty());
    ClearTarget(kClearColour);
    mesh.Render(std::vector<CMatrix4x4>(8, Placed(CVector3(0, 0, 10))), *Camera, false);
    mesh.Render(std::vector<CMatrix4x4>(8, Placed(CVector3(0, 0, 10))), *Camera, true);
    Read();
    EXPECT_EQ(At(64, kMidY), kClear);
}

TEST_F(MeshDevice, LoadingAgainReleasesTheFirstContent)
{
    CMesh& mesh = Load("TexturedQuad.x");
    auto* device = dynamic_cast<const CMeshDeviceObjects*>(mesh.GetDevice());
    ASSERT_EQ(device->GetNumMaterials(), 1u);
    CTexture* texture = device->GetMaterial(0).Textures[0];
    CVertexBuffer* buffer = device->GetBuffers(0).VertexBuffer;
    ASSERT_NE(texture, nullptr);
    texture->AddRef();
    buffer->AddRef();

    ASSERT_TRUE(mesh.Load(kTestDataFolder + std::string("PassQuads.x")));
    EXPECT_EQ(texture->GetRefCount(), 1u); // only ours is left
    EXPECT_EQ(buffer->GetRefCount(), 1u);
    EXPECT_EQ(device->GetNumBuffers(), 2u);
    EXPECT_EQ(device->GetNumMaterials(), 2u);
    texture->Release();
    buffer->Release();
}

TEST_F(MeshDevice, TexturesLoadedBeforeAFailingOneAreReleased)
{
    // The second texture of a CutGlass material is derived from the first;
    // with only the first present the load fails after creating it.
    CMessageLog messages;
    CMesh& mesh = Load("HalfCutGlassQuad.x", false);
    ASSERT_EQ(messages.Messages.size(), 1u);
    EXPECT_EQ(messages.Messages[0], "CMesh Error: Error loading texture Media\\../tests/Render/data/Second1.png");
    const auto* meshDevice = dynamic_cast<const CMeshDeviceObjects*>(mesh.GetDevice());
    EXPECT_EQ(meshDevice->GetNumMaterials(), 0u);

    // The material that failed keeps its first texture until Destroy, which
    // releases it with everything else.
    CMeshDeviceObjects device;
    SMaterialDesc desc;
    desc.RenderMethod = kCutGlass;
    desc.NumTextures = 2;
    desc.TextureFiles[0] = kTestDataFolder + std::string("Second.png");
    desc.TextureFiles[1] = kTestDataFolder + std::string("Second1.png");
    EXPECT_FALSE(device.LoadMaterial(desc));
    ASSERT_EQ(device.GetNumMaterials(), 1u);
    CTexture* first = device.GetMaterial(0).Textures[0];
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(device.GetMaterial(0).Textures[1], nullptr);
    first->AddRef();
    device.Destroy();
    EXPECT_EQ(device.GetNumMaterials(), 0u);
    EXPECT_EQ(first->GetRefCount(), 1u);
    first->Release();
}

} // namespace
} // namespace gen
