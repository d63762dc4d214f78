// The device read back pixel by pixel: D3D9's screen, texture, depth,
// winding, blending and matrix conventions as the drawing code relies on them.
#include "Support/Drawing.h"

#include <cstring>
#include <functional>

namespace gen
{
namespace
{

constexpr std::uint32_t kSize = 64;
const SPixel kBlack = {0, 0, 0}, kRed = {255, 0, 0}, kGreen = {0, 255, 0};

struct SScreenVertex
{
    float X, Y, Z, Rhw, U0, V0, U1, V1;
};

struct SColouredVertex
{
    float X, Y, Z, R, G, B;
};

const char* const kSampleShader =
    "sampler2D Scene : register(s0);\n"
    "float4 main(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Scene, uv); }";
const char* const kColourShader = "float4 Colour;\nfloat4 main() : COLOR0 { return Colour; }";
const char* const kTransformShader = R"(
float4x4 WorldMatrix;
struct VS_OUTPUT { float4 Position : POSITION; float4 Colour : TEXCOORD0; };
VS_OUTPUT main(float3 pos : POSITION, float3 colour : TEXCOORD0)
{
    VS_OUTPUT o;
    o.Position = mul(float4(pos, 1.0f), WorldMatrix);
    o.Colour = float4(colour, 1.0f);
    return o;
}
)";
// Takes fewer components than the vertex shader writes, as D3D allows.
const char* const kVaryingShader = "float4 main(float3 colour : TEXCOORD0) : COLOR0 { return float4(colour, 1); }";

class DeviceTest : public CDrawingTest
{
public:
    DeviceTest() : CDrawingTest(kSize, kSize) {}

    void TearDown() override
    {
        for (auto it = Owned.rbegin(); it != Owned.rend(); ++it)
        {
            (*it)->Release();
        }
        CDrawingTest::TearDown();
    }

    // Keeps one reference until the end of the test.
    template <typename T>
    T* Own(T* object)
    {
        EXPECT_NE(object, nullptr) << LastShaderLog();
        if (object)
        {
            Owned.push_back(object);
        }
        return object;
    }

    // Compiles and sets a shader; its constant table becomes VertexTable or PixelTable.
    void UseShader(const char* source, bool vertex = false)
    {
        CConstantTable* table = nullptr;
        CShaderCode* code =
            Own(CompileShaderFromSource(source, "test", "main", vertex ? "vs_3_0" : "ps_3_0", &table, nullptr));
        (vertex ? VertexTable : PixelTable) = Own(table);
        if (!code)
        {
            return;
        }
        if (vertex)
        {
            Device->SetVertexShader(VertexShader = Own(Device->CreateVertexShader(code)));
        }
        else
        {
            Device->SetPixelShader(PixelShader = Own(Device->CreatePixelShader(code)));
        }
    }

    void UseColour(float r, float g, float b, float a = 1)
    {
        UseShader(kColourShader);
        const float colour[4] = {r, g, b, a};
        PixelTable->SetFloatArray("Colour", colour, 4);
    }

    // A pre-transformed quad with the screen-quad half-pixel rule.
    static bool Quad(float left, float top, float right, float bottom, float z = 0.0f)
    {
        const SScreenVertex quad[4] = {{left - 0.5f, top - 0.5f, z, 1, 0, 0, 0, 0},
                                       {right - 0.5f, top - 0.5f, z, 1, 1, 0, 1, 0},
                                       {left - 0.5f, bottom - 0.5f, z, 1, 0, 1, 0, 1},
                                       {right - 0.5f, bottom - 0.5f, z, 1, 1, 1, 1, 1}};
        Device->SetFVF(kFVFXYZRHW | kFVFTex2);
        return Device->DrawPrimitiveUP(kPrimTriangleStrip, 2, quad, sizeof(SScreenVertex));
    }

    // Binds the shaders and managed buffers holding a square from (x0, y0) to
    // (x1, y1) in clip space at depth 0.5, clockwise on screen, in one colour.
    void BindSquare(float x0, float y0, float x1, float y1, float r, float g, float b)
    {
        UseShader(kTransformShader, true);
        UseShader(kVaryingShader);
        static const SVertexElement kLayout[] = {
            {0, 0, kDeclFloat3, 0, kUsagePosition, 0}, {0, 12, kDeclFloat3, 0, kUsageTexCoord, 0}, kDeclEnd};
        const SColouredVertex v[4] = {
            {x0, y1, 0.5f, r, g, b}, {x1, y1, 0.5f, r, g, b}, {x0, y0, 0.5f, r, g, b}, {x1, y0, 0.5f, r, g, b}};
        const std::uint16_t i[6] = {0, 1, 2, 2, 1, 3};
        Vertices = Own(Device->CreateVertexBuffer(sizeof v, kUsageWriteOnly, 0, kPoolManaged));
        Indices = Own(Device->CreateIndexBuffer(sizeof i, kUsageWriteOnly, kFormatIndex16, kPoolManaged));
        void* data = nullptr;
        ASSERT_TRUE(Vertices && Vertices->Lock(0, 0, &data));
        std::memcpy(data, v, sizeof v);
        ASSERT_TRUE(Vertices->Unlock() && Indices && Indices->Lock(0, 0, &data));
        std::memcpy(data, i, sizeof i);
        ASSERT_TRUE(Indices->Unlock());
        Declaration = Own(Device->CreateVertexDeclaration(kLayout));
        Rebind();
    }

    void Rebind()
    {
        Device->SetVertexShader(VertexShader);
        Device->SetPixelShader(PixelShader);
        Device->SetVertexDeclaration(Declaration);
        Device->SetStreamSource(0, Vertices, 0, sizeof(SColouredVertex));
        Device->SetIndices(Indices);
    }

    static bool DrawSquare() { return Device->DrawIndexedPrimitive(kPrimTriangleList, 0, 0, 4, 0, 2); }

    // The square drawn with kTransformShader moved by (x, y) in clip space.
    void DrawSquareAt(float x, float y)
    {
        CMatrix4x4 world = CMatrix4x4::kIdentity;
        world.SetPosition({x, y, 0});
        ASSERT_TRUE(VertexTable->SetMatrix("WorldMatrix", world));
        ASSERT_TRUE(DrawSquare());
    }

    std::vector<CDeviceObject*> Owned;
    CConstantTable* VertexTable = nullptr;
    CConstantTable* PixelTable = nullptr;
    CVertexShader* VertexShader = nullptr;
    CPixelShader* PixelShader = nullptr;
    CVertexDeclaration* Declaration = nullptr;
    CVertexBuffer* Vertices = nullptr;
    CIndexBuffer* Indices = nullptr;
};

struct SProbe
{
    std::uint32_t X, Y;
    SPixel Colour;
};

// Each case draws onto a black target; the probes are read back afterwards.
struct SDrawCase
{
    const char* Name;
    std::function<void(DeviceTest&)> Draw;
    std::vector<SProbe> Probes;
};

const SDrawCase kDrawCases[] = {
    {"QuadCoversItsPixelRectangleOnly",
     [](DeviceTest& t) {
         t.UseColour(1, 0, 0);
         ASSERT_TRUE(t.Quad(10, 20, 30, 25));
     },
     {{10, 20, kRed}, {29, 24, kRed}, {9, 20, kBlack}, {30, 20, kBlack}, {10, 19, kBlack}, {10, 25, kBlack}}},
    {"AlphaBlendingMixesBySourceAlpha",
     [](DeviceTest& t) {
         Device->Clear(kClearTarget, ColourARGB(255, 0, 0, 255), 1.0f, 0);
         t.UseColour(1, 0, 0, 0.25f);
         Device->SetRenderState(kRSAlphaBlendEnable, 1);
         Device->SetRenderState(kRSSrcBlend, kBlendSrcAlpha);
         Device->SetRenderState(kRSDestBlend, kBlendInvSrcAlpha);
         ASSERT_TRUE(t.Quad(0, 0, 32, kSize));
         Device->SetRenderState(kRSAlphaBlendEnable, 0);
         ASSERT_TRUE(t.Quad(32, 0, kSize, kSize));
     },
     {{5, 5, {64, 0, 191}}, {50, 5, kRed}}},
    {"DepthTestKeepsTheNearerSurface",
     [](DeviceTest& t) {
         Device->SetRenderState(kRSZEnable, 1);
         Device->SetRenderState(kRSZWriteEnable, 1);
         t.UseColour(1, 0, 0);
         ASSERT_TRUE(t.Quad(0, 0, kSize, kSize, 0.25f));
         t.UseColour(0, 1, 0);
         ASSERT_TRUE(t.Quad(0, 0, kSize, kSize, 0.75f)); // behind: hidden
         t.UseColour(0, 0, 1);
         ASSERT_TRUE(t.Quad(21, 0, 42, kSize, 0.1f)); // in front
         Device->SetRenderState(kRSZEnable, 0);       // no test: drawn whatever its depth
         t.UseColour(0, 1, 0);
         ASSERT_TRUE(t.Quad(42, 0, kSize, kSize, 0.9f));
     },
     {{10, 10, kRed}, {30, 10, {0, 0, 255}}, {50, 10, kGreen}}},
    {"MatricesActInMulVectorMatrixOrder",
     [](DeviceTest& t) {
         t.BindSquare(-0.25f, -0.25f, 0.25f, 0.25f, 1, 1, 0);
         EXPECT_FALSE(t.VertexTable->SetMatrix("ViewProjMatrix", CMatrix4x4::kIdentity)); // not declared
         t.DrawSquareAt(0.5f, 0.5f); // row 3 moves right and up
     },
     // Clip x 0.25..0.75 is pixels 40..56; clip y 0.25..0.75 is rows 8..24 from the top.
     {{48, 16, {255, 255, 0}}, {41, 9, {255, 255, 0}}, {32, 32, kBlack}, {48, 48, kBlack}, {16, 16, kBlack}}},
    {"CullModesFollowScreenWinding",
     [](DeviceTest& t) {
         t.BindSquare(-0.25f, -0.25f, 0.25f, 0.25f, 0, 1, 1);
         Device->SetRenderState(kRSCullMode, kCullCCW); // the default: clockwise faces the viewer
         t.DrawSquareAt(-0.6f, 0);
         Device->SetRenderState(kRSCullMode, kCullCW);
         t.DrawSquareAt(0, 0);
         Device->SetRenderState(kRSCullMode, kCullNone);
         t.DrawSquareAt(0.6f, 0);
     },
     {{12, 32, {0, 255, 255}}, {32, 32, kBlack}, {51, 32, {0, 255, 255}}}},
    {"ClipDepthZeroToOneIsTheDepthBufferRange",
     [](DeviceTest& t) {
         t.BindSquare(-1, -1, 1, 1, 1, 0, 0); // at clip depth 0.5
         t.DrawSquareAt(0, 0);
         t.UseColour(0, 1, 0);
         Device->SetRenderState(kRSZWriteEnable, 0);
         ASSERT_TRUE(t.Quad(0, 0, 32, kSize, 0.4f));
         ASSERT_TRUE(t.Quad(32, 0, kSize, kSize, 0.6f));
     },
     {{10, 10, kGreen}, {50, 10, kRed}}},
};

class DeviceDraws : public DeviceTest, public ::testing::WithParamInterface<SDrawCase>
{
};

TEST_P(DeviceDraws, AndReadsBack)
{
    GetParam().Draw(*this);
    Read();
    ASSERT_EQ(ReadWidth, kSize);
    for (const SProbe& probe : GetParam().Probes)
    {
        EXPECT_TRUE(Near(At(probe.X, probe.Y), probe.Colour, 1))
            << "(" << probe.X << ", " << probe.Y << "): " << At(probe.X, probe.Y) << " not " << probe.Colour;
    }
}

INSTANTIATE_TEST_SUITE_P(Device, DeviceDraws, ::testing::ValuesIn(kDrawCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DeviceTest, ResetNeedsDefaultPoolObjectsReleasedAndKeepsManagedOnes)
{
    BindSquare(-1, -1, 1, 1, 1, 0, 1);
    ASSERT_TRUE(VertexTable->SetMatrix("WorldMatrix", CMatrix4x4::kIdentity));
    CTexture* image = Own(Device->CreateTextureFromFile("Media\\Noise.png")); // managed, with mipmaps
    ASSERT_NE(image, nullptr);
    EXPECT_GT(image->GetLevelCount(), 1u);
    EXPECT_EQ(image->GetSurfaceLevel(0), nullptr); // not a render target
    SPresentParameters smaller;
    smaller.BackBufferWidth = 48;
    smaller.BackBufferHeight = 40;

    // A live font, render target or back-buffer surface blocks the reset, as in D3D.
    EXPECT_FALSE(Device->Reset(smaller));
    SafeRelease(Font);
    CTexture* target = Device->CreateTexture(16, 16, 1, kUsageRenderTarget, kFormatX8R8G8B8, kPoolDefault);
    EXPECT_EQ(Device->GetDefaultPoolCount(), 1u);
    EXPECT_FALSE(Device->Reset(smaller));
    SafeRelease(target);
    CSurface* backBuffer = Device->GetRenderTarget(0);
    EXPECT_FALSE(Device->Reset(smaller));
    SafeRelease(backBuffer);
    EXPECT_EQ(Device->GetDefaultPoolCount(), 0u);

    Device->SetRenderState(kRSCullMode, kCullNone);
    ASSERT_TRUE(Device->Reset(smaller));
    EXPECT_EQ(Device->GetBackBufferWidth(), 48u);
    EXPECT_EQ(Device->GetBackBufferHeight(), 40u);
    // The states are back at their defaults and the bindings gone; buffers,
    // declaration and shaders are still there to bind again.
    EXPECT_EQ(Device->GetRenderState(kRSCullMode), static_cast<std::uint32_t>(kCullCCW));
    EXPECT_FALSE(DrawSquare());
    Rebind();
    Device->Clear(kClearTarget | kClearZBuffer, 0, 1.0f, 0); // a new depth buffer starts undefined
    ASSERT_TRUE(DrawSquare());
    Read();
    ASSERT_EQ(ReadWidth, 48u);
    ASSERT_EQ(ReadHeight, 40u);
    EXPECT_EQ(At(0, 0), (SPixel{255, 0, 255}));
    EXPECT_EQ(At(47, 39), (SPixel{255, 0, 255}));
}

TEST_F(DeviceTest, RefusesWhatItCannotFeed)
{
    const SVertexElement secondStream[] = {{1, 0, kDeclFloat3, 0, kUsagePosition, 0}, kDeclEnd};
    const SVertexElement badType[] = {{0, 0, 40, 0, kUsagePosition, 0}, kDeclEnd};
    EXPECT_EQ(Device->CreateVertexDeclaration(secondStream), nullptr);
    EXPECT_EQ(Device->CreateVertexDeclaration(badType), nullptr);

    BindSquare(-1, -1, 1, 1, 1, 1, 1);
    EXPECT_FALSE(Device->DrawIndexedPrimitive(kPrimTriangleList, 0, 0, 4, 0, 3)); // 9 indices of 6
    EXPECT_FALSE(Device->DrawIndexedPrimitive(kPrimTriangleList, 1, 0, 4, 0, 2)); // index 3 + 1 past 4 vertices
    EXPECT_FALSE(Device->DrawIndexedPrimitive(kPrimTriangleList, 0, 0, 4, 6, 1));
    EXPECT_FALSE(Device->DrawPrimitive(kPrimTriangleList, 2, 1));
    void* none = nullptr;
    EXPECT_FALSE(Vertices->Lock(8, 1000, &none));
    EXPECT_EQ(none, nullptr);
    std::uint16_t* data = nullptr;
    ASSERT_TRUE(Indices->Lock(0, 0, reinterpret_cast<void**>(&data)));
    data[4] = 400; // an index past the vertex buffer
    ASSERT_TRUE(Indices->Unlock());
    EXPECT_FALSE(DrawSquare());
}

// Code the GL driver refuses is named by the driver's own first complaint,
// which the shader library shows after the HLSL file's name.
TEST_F(DeviceTest, AShaderTheDriverRefusesIsNamedByItsComplaint)
{
    SCompiledShader compiled;
    compiled.Stage = kPixelStage;
    compiled.Glsl = "#version 330\nout vec4 colour;\nvoid main() { colour = no_such_thing; }\n";
    CShaderCode* code = new CShaderCode(compiled, nullptr);
    EXPECT_EQ(Device->CreatePixelShader(code), nullptr);
    code->Release();
    const std::string log = LastShaderLog();
    const std::string first = log.substr(0, log.find('\n'));
    const std::string head = "shader (GLSL): the GL driver refuses the generated code: ";
    ASSERT_EQ(first.rfind(head, 0), 0u) << log;
    EXPECT_GT(first.size(), head.size()) << log;
}

TEST_F(DeviceTest, FontDrawsInItsColourWhateverStatesTheLastDrawLeftAndCentresLines)
{
    // A textured, blended, depth-tested, front-culled draw leaves its states behind.
    std::vector<std::uint8_t> grey(16 * 16 * 4, 60);
    Device->SetTexture(0, Own(Device->CreateTextureFromPixels(16, 16, grey.data(), true)));
    UseShader(kSampleShader);
    Device->SetRenderState(kRSAlphaBlendEnable, 1);
    Device->SetRenderState(kRSSrcBlend, kBlendSrcAlpha);
    Device->SetRenderState(kRSDestBlend, kBlendInvSrcAlpha);
    Device->SetRenderState(kRSCullMode, kCullCW);
    Device->SetSamplerState(0, kSampAddressU, kAddressClamp);
    ASSERT_TRUE(Quad(0, 0, kSize, kSize, 0.5f));

    const std::int32_t line = Font->GetLineHeight();
    EXPECT_TRUE(line >= 10 && line <= 12) << line;
    EXPECT_EQ(Font->DrawText("Hi\nHi", SRect{2, 3, 0, 0}, kDTNoClip, ColourARGB(255, 255, 255, 0)), 2 * line);
    Read();
    const SFound bright = Find([](const SPixel& p) { return p.R > 128; });
    EXPECT_EQ(Find([](const SPixel& p) { return p.R > 128 && p.B < 40; }).Count, bright.Count); // yellow
    EXPECT_GT(bright.Count, 20);
    EXPECT_TRUE(bright.Left >= 2 && bright.Left <= 4) << bright.Left;
    EXPECT_GE(bright.Top, 3);
    // The second line is below the first.
    EXPECT_TRUE(bright.Bottom > 3 + line && bright.Bottom < 3 + 2 * line) << bright.Bottom;

    // Centred in a band of 200 pixels around x = 32.
    Device->Clear(kClearTarget, 0, 1.0f, 0);
    Font->DrawText("HH", SRect{32 - 100, 20, 32 + 100, 0}, kDTCenter | kDTNoClip, ColourARGB(255, 255, 255, 255));
    Read();
    const SFound centred = Find([](const SPixel& p) { return p.R > 128; });
    EXPECT_NEAR((centred.Left + centred.Right) / 2.0, 32.0, 2.0);
}

} // namespace
} // namespace gen
