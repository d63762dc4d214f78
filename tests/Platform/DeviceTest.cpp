// The device read back pixel by pixel: D3D9's screen, texture, depth,
// winding and matrix conventions as the drawing code relies on them.
#include "Platform/CDevice.h"
#include "Platform/CFont.h"
#include "Platform/CShader.h"
#include "Platform/CWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>

namespace gen
{
namespace
{

constexpr std::uint32_t kSize = 64;

struct SScreenVertex
{
    float X, Y, Z, Rhw, U0, V0, U1, V1;
};

struct SPixel
{
    int R, G, B, A;
};

class DeviceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!InitVideo(true))
        {
            return;
        }
        sWindow = new CWindow();
        if (!sWindow->Create("device test", 0, 0, kSize + 8, kSize + 34))
        {
            return;
        }
        sWindow->SetClientSize(kSize, kSize);
        SPresentParameters params;
        params.BackBufferWidth = kSize;
        params.BackBufferHeight = kSize;
        sDevice = CDevice::Create(*sWindow, params);
    }

    static void TearDownTestSuite()
    {
        SafeRelease(sDevice);
        delete sWindow;
        sWindow = nullptr;
        QuitVideo();
    }

    void SetUp() override
    {
        if (!sDevice)
        {
            GTEST_SKIP() << "no OpenGL 3.3 device (run under xvfb-run)";
        }
        device = sDevice;
        SPresentParameters params;
        params.BackBufferWidth = kSize;
        params.BackBufferHeight = kSize;
        ASSERT_TRUE(device->Reset(params));
        device->Clear(kClearTarget | kClearZBuffer | kClearStencil, ColourARGB(255, 0, 0, 0), 1.0f, 0);
    }

    void TearDown() override
    {
        if (device)
        {
            device->SetPixelShader(nullptr);
            device->SetVertexShader(nullptr);
            for (std::uint32_t stage = 0; stage < kNumSamplerStages; ++stage)
            {
                device->SetTexture(stage, nullptr);
            }
        }
        SafeRelease(ps);
        SafeRelease(vs);
        SafeRelease(psTable);
        SafeRelease(vsTable);
    }

    // psTable / vsTable become the new shader's table.
    CPixelShader* MakePixelShader(const char* source)
    {
        SafeRelease(psTable);
        CShaderCode* code = CompileShaderFromSource(source, "test.psh", "main", "ps_3_0", &psTable, nullptr);
        EXPECT_NE(code, nullptr) << LastShaderLog();
        CPixelShader* shader = code ? device->CreatePixelShader(code) : nullptr;
        EXPECT_NE(shader, nullptr) << LastShaderLog();
        SafeRelease(code);
        return shader;
    }

    CVertexShader* MakeVertexShader(const char* source)
    {
        SafeRelease(vsTable);
        CShaderCode* code = CompileShaderFromSource(source, "test.vsh", "main", "vs_3_0", &vsTable, nullptr);
        EXPECT_NE(code, nullptr) << LastShaderLog();
        CVertexShader* shader = code ? device->CreateVertexShader(code) : nullptr;
        EXPECT_NE(shader, nullptr) << LastShaderLog();
        SafeRelease(code);
        return shader;
    }

    // A pre-transformed quad with the screen-quad half-pixel rule.
    bool DrawQuad(float left, float top, float right, float bottom, float z = 0.0f, float u0 = 0, float v0 = 0,
                  float u1 = 1, float v1 = 1)
    {
        const SScreenVertex quad[4] = {{left - 0.5f, top - 0.5f, z, 1, u0, v0, 0, 0},
                                       {right - 0.5f, top - 0.5f, z, 1, u1, v0, 1, 0},
                                       {left - 0.5f, bottom - 0.5f, z, 1, u0, v1, 0, 1},
                                       {right - 0.5f, bottom - 0.5f, z, 1, u1, v1, 1, 1}};
        device->SetFVF(kFVFXYZRHW | kFVFTex2);
        return device->DrawPrimitiveUP(kPrimTriangleStrip, 2, quad, sizeof(SScreenVertex));
    }

    void Read()
    {
        std::uint32_t w = 0, h = 0;
        ASSERT_TRUE(device->ReadRenderTarget(pixels, w, h));
        width = w;
        height = h;
    }

    SPixel At(std::uint32_t x, std::uint32_t y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
    }

    static CWindow* sWindow;
    static CDevice* sDevice;
    CDevice* device = nullptr;
    CPixelShader* ps = nullptr;
    CVertexShader* vs = nullptr;
    CConstantTable* psTable = nullptr;
    CConstantTable* vsTable = nullptr;
    std::vector<std::uint8_t> pixels;
    std::uint32_t width = 0, height = 0;
};

CWindow* DeviceTest::sWindow = nullptr;
CDevice* DeviceTest::sDevice = nullptr;

#define EXPECT_PIXEL(p, r, g, b)                                                                                       \
    do                                                                                                                 \
    {                                                                                                                  \
        const SPixel px_ = (p);                                                                                        \
        EXPECT_NEAR(px_.R, r, 1);                                                                                      \
        EXPECT_NEAR(px_.G, g, 1);                                                                                      \
        EXPECT_NEAR(px_.B, b, 1);                                                                                      \
    } while (0)

const char* const kSamplePixelShader = R"(
sampler2D Scene : register(s0);
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(Scene, uv);
}
)";

const char* const kColourPixelShader = R"(
float4 Colour;
float4 main() : COLOR0
{
    return Colour;
}
)";

TEST_F(DeviceTest, ClearFillsTheTargetWithTheColour)
{
    device->Clear(kClearTarget, ColourARGB(255, 10, 200, 30), 1.0f, 0);
    Read();
    ASSERT_EQ(width, kSize);
    ASSERT_EQ(height, kSize);
    for (std::uint32_t y = 0; y < kSize; y += 7)
    {
        for (std::uint32_t x = 0; x < kSize; x += 7)
        {
            EXPECT_PIXEL(At(x, y), 10, 200, 30);
        }
    }
}

TEST_F(DeviceTest, ScreenQuadMapsTexelsOntoPixelsExactly)
{
    // Every texel different; rows top first, as in an image file.
    std::vector<std::uint8_t> texels(kSize * kSize * 4);
    for (std::uint32_t y = 0; y < kSize; ++y)
    {
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            std::uint8_t* t = &texels[(y * kSize + x) * 4];
            t[0] = static_cast<std::uint8_t>(x * 4);
            t[1] = static_cast<std::uint8_t>(y * 4);
            t[2] = static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF);
            t[3] = 255;
        }
    }
    CTexture* texture = device->CreateTextureFromPixels(kSize, kSize, texels.data(), false);
    ASSERT_NE(texture, nullptr);
    ps = MakePixelShader(kSamplePixelShader);
    device->SetPixelShader(ps);
    device->SetTexture(0, texture);
    // Point and linear sampling agree only if texel centres fall on pixel centres.
    for (std::uint32_t filter : {kFilterPoint, kFilterLinear})
    {
        device->SetSamplerState(0, kSampMinFilter, filter);
        device->SetSamplerState(0, kSampMagFilter, filter);
        device->Clear(kClearTarget, 0, 1.0f, 0);
        ASSERT_TRUE(DrawQuad(0, 0, kSize, kSize));
        Read();
        int wrong = 0;
        for (std::uint32_t y = 0; y < kSize; ++y)
        {
            for (std::uint32_t x = 0; x < kSize; ++x)
            {
                const std::uint8_t* t = &texels[(y * kSize + x) * 4];
                const SPixel p = At(x, y);
                wrong += p.R != t[0] || p.G != t[1] || p.B != t[2];
            }
        }
        EXPECT_EQ(wrong, 0) << "filter " << filter;
    }
    texture->Release();
}

TEST_F(DeviceTest, QuadCoversItsPixelRectangleOnly)
{
    ps = MakePixelShader(kColourPixelShader);
    device->SetPixelShader(ps);
    const float red[4] = {1, 0, 0, 1};
    psTable->SetFloatArray("Colour", red, 4);
    ASSERT_TRUE(DrawQuad(10, 20, 30, 25));
    Read();
    EXPECT_PIXEL(At(10, 20), 255, 0, 0);
    EXPECT_PIXEL(At(29, 24), 255, 0, 0);
    EXPECT_PIXEL(At(9, 20), 0, 0, 0);
    EXPECT_PIXEL(At(30, 20), 0, 0, 0);
    EXPECT_PIXEL(At(10, 19), 0, 0, 0);
    EXPECT_PIXEL(At(10, 25), 0, 0, 0);
}

TEST_F(DeviceTest, VposIsThePixelPositionAndVfaceThePrimitiveFacing)
{
    ps = MakePixelShader(R"(
float4 main(float2 position : VPOS, float face : VFACE) : COLOR0
{
    return float4(position / 64.0f, face > 0.0f ? 1.0f : 0.0f, 1.0f);
}
)");
    device->SetPixelShader(ps);
    device->SetRenderState(kRSCullMode, kCullNone);
    ASSERT_TRUE(DrawQuad(0, 0, kSize, kSize));
    Read();
    EXPECT_PIXEL(At(0, 0), 0, 0, 255);
    EXPECT_PIXEL(At(10, 20), 40, 80, 255); // 10/64 and 20/64 of 255
    EXPECT_PIXEL(At(63, 32), 251, 128, 255);
    // The same quad wound the other way faces away.
    const SScreenVertex backwards[4] = {{-0.5f, -0.5f, 0, 1, 0, 0, 0, 0},
                                        {-0.5f, 63.5f, 0, 1, 0, 0, 0, 0},
                                        {63.5f, -0.5f, 0, 1, 0, 0, 0, 0},
                                        {63.5f, 63.5f, 0, 1, 0, 0, 0, 0}};
    ASSERT_TRUE(device->DrawPrimitiveUP(kPrimTriangleStrip, 2, backwards, sizeof(SScreenVertex)));
    Read();
    EXPECT_PIXEL(At(10, 20), 40, 80, 0);
}

TEST_F(DeviceTest, AlphaBlendingMixesBySourceAlpha)
{
    device->Clear(kClearTarget, ColourARGB(255, 0, 0, 255), 1.0f, 0);
    ps = MakePixelShader(kColourPixelShader);
    device->SetPixelShader(ps);
    const float colour[4] = {1, 0, 0, 0.25f};
    psTable->SetFloatArray("Colour", colour, 4);
    device->SetRenderState(kRSAlphaBlendEnable, 1);
    device->SetRenderState(kRSSrcBlend, kBlendSrcAlpha);
    device->SetRenderState(kRSDestBlend, kBlendInvSrcAlpha);
    ASSERT_TRUE(DrawQuad(0, 0, kSize / 2, kSize));
    device->SetRenderState(kRSAlphaBlendEnable, 0);
    ASSERT_TRUE(DrawQuad(kSize / 2, 0, kSize, kSize));
    Read();
    EXPECT_PIXEL(At(5, 5), 64, 0, 191);
    EXPECT_PIXEL(At(50, 5), 255, 0, 0);
}

TEST_F(DeviceTest, AlphaTestDiscardsFailingPixels)
{
    ps = MakePixelShader(kColourPixelShader);
    device->SetPixelShader(ps);
    const float colour[4] = {0, 1, 0, 0.25f}; // alpha byte 64
    psTable->SetFloatArray("Colour", colour, 4);
    device->SetRenderState(kRSAlphaTestEnable, 1);
    device->SetRenderState(kRSAlphaFunc, kCmpGreater);
    device->SetRenderState(kRSAlphaRef, 100);
    ASSERT_TRUE(DrawQuad(0, 0, kSize / 2, kSize));
    device->SetRenderState(kRSAlphaRef, 10);
    ASSERT_TRUE(DrawQuad(kSize / 2, 0, kSize, kSize));
    device->SetRenderState(kRSAlphaTestEnable, 0);
    Read();
    EXPECT_PIXEL(At(5, 5), 0, 0, 0);
    EXPECT_PIXEL(At(50, 5), 0, 255, 0);
}

TEST_F(DeviceTest, DepthTestKeepsTheNearerQuad)
{
    ps = MakePixelShader(kColourPixelShader);
    device->SetPixelShader(ps);
    const float red[4] = {1, 0, 0, 1}, green[4] = {0, 1, 0, 1}, blue[4] = {0, 0, 1, 1};
    auto drawWithDepth = [&](const float* colour, float z) {
        psTable->SetFloatArray("Colour", colour, 4);
        device->SetRenderState(kRSZEnable, 1);
        device->SetRenderState(kRSZWriteEnable, 1);
        return DrawQuad(0, 0, kSize, kSize, z);
    };
    ASSERT_TRUE(drawWithDepth(red, 0.25f));
    ASSERT_TRUE(drawWithDepth(green, 0.75f)); // behind: hidden
    Read();
    EXPECT_PIXEL(At(20, 20), 255, 0, 0);
    ASSERT_TRUE(drawWithDepth(blue, 0.1f)); // in front
    Read();
    EXPECT_PIXEL(At(20, 20), 0, 0, 255);
    device->SetRenderState(kRSZEnable, 0); // no test: drawn whatever its depth
    psTable->SetFloatArray("Colour", green, 4);
    ASSERT_TRUE(DrawQuad(0, 0, kSize, kSize, 0.9f));
    Read();
    EXPECT_PIXEL(At(20, 20), 0, 255, 0);
}

TEST_F(DeviceTest, RenderToTextureThenSampleIt)
{
    CTexture* target = device->CreateTexture(kSize / 2, kSize / 2, 1, kUsageRenderTarget, kFormatX8R8G8B8, kPoolDefault);
    ASSERT_NE(target, nullptr);
    CSurface* surface = target->GetSurfaceLevel(0);
    ASSERT_NE(surface, nullptr);
    CSurface* backBuffer = device->GetRenderTarget(0);
    ASSERT_NE(backBuffer, nullptr);
    EXPECT_EQ(backBuffer->GetWidth(), kSize);

    ASSERT_TRUE(device->SetRenderTarget(0, surface));
    device->Clear(kClearTarget, ColourARGB(0, 0, 255, 0), 1.0f, 0);
    ps = MakePixelShader(kColourPixelShader);
    device->SetPixelShader(ps);
    const float red[4] = {1, 0, 0, 1};
    psTable->SetFloatArray("Colour", red, 4);
    ASSERT_TRUE(DrawQuad(0, 0, kSize / 4, kSize / 8)); // top-left corner of the texture
    Read();
    EXPECT_EQ(width, kSize / 2);
    EXPECT_EQ(At(0, 0).A, 255); // X8: alpha reads as one

    ASSERT_TRUE(device->SetRenderTarget(0, backBuffer));
    CPixelShader* sample = MakePixelShader(kSamplePixelShader);
    device->SetPixelShader(sample);
    device->SetTexture(0, target);
    device->SetSamplerState(0, kSampMinFilter, kFilterPoint);
    device->SetSamplerState(0, kSampMagFilter, kFilterPoint);
    ASSERT_TRUE(DrawQuad(0, 0, kSize, kSize));
    Read();
    EXPECT_EQ(width, kSize);
    EXPECT_PIXEL(At(1, 1), 255, 0, 0);
    EXPECT_PIXEL(At(kSize / 2 - 1, kSize / 4 - 1), 255, 0, 0);
    EXPECT_PIXEL(At(kSize / 2 + 1, 1), 0, 255, 0);
    EXPECT_PIXEL(At(1, kSize / 4 + 1), 0, 255, 0);
    EXPECT_PIXEL(At(kSize - 1, kSize - 1), 0, 255, 0);

    device->SetTexture(0, nullptr);
    device->SetPixelShader(nullptr);
    sample->Release();
    backBuffer->Release();
    surface->Release();
    target->Release();
}

const char* const kTransformShader = R"(
float4x4 WorldMatrix;
struct VS_OUTPUT
{
    float4 Position : POSITION;
    float4 Colour : TEXCOORD0;
};
VS_OUTPUT main(float3 pos : POSITION, float3 colour : TEXCOORD0)
{
    VS_OUTPUT o;
    o.Position = mul(float4(pos, 1.0f), WorldMatrix);
    o.Colour = float4(colour, 1.0f);
    return o;
}
)";

// Takes fewer components than the vertex shader writes, as D3D allows.
const char* const kVaryingPixelShader = R"(
float4 main(float3 colour : TEXCOORD0) : COLOR0
{
    return float4(colour, 1.0f);
}
)";

struct SColouredVertex
{
    float X, Y, Z, R, G, B;
};

const SVertexElement kColouredLayout[] = {{0, 0, kDeclFloat3, 0, kUsagePosition, 0},
                                          {0, 12, kDeclFloat3, 0, kUsageTexCoord, 0},
                                          kDeclEnd};

class DeviceGeometryTest : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped())
        {
            return;
        }
        vs = MakeVertexShader(kTransformShader);
        ps = MakePixelShader(kVaryingPixelShader);
        declaration = device->CreateVertexDeclaration(kColouredLayout);
        ASSERT_NE(declaration, nullptr);
        device->SetVertexShader(vs);
        device->SetPixelShader(ps);
        device->SetVertexDeclaration(declaration);
    }

    void TearDown() override
    {
        if (device)
        {
            device->SetVertexDeclaration(nullptr);
            device->SetStreamSource(0, nullptr, 0, 0);
            device->SetIndices(nullptr);
        }
        SafeRelease(buffer);
        SafeRelease(indices);
        SafeRelease(declaration);
        DeviceTest::TearDown();
    }

    // A square in clip space from (x0, y0) to (x1, y1), one colour, drawn
    // from managed buffers.
    void MakeSquare(float x0, float y0, float x1, float y1, float r, float g, float b)
    {
        const SColouredVertex v[4] = {
            {x0, y1, 0.5f, r, g, b}, {x1, y1, 0.5f, r, g, b}, {x0, y0, 0.5f, r, g, b}, {x1, y0, 0.5f, r, g, b}};
        // Clockwise on screen (y up in clip space): top-left, top-right, bottom-left.
        const std::uint16_t i[6] = {0, 1, 2, 2, 1, 3};
        buffer = device->CreateVertexBuffer(sizeof v, kUsageWriteOnly, 0, kPoolManaged);
        indices = device->CreateIndexBuffer(sizeof i, kUsageWriteOnly, kFormatIndex16, kPoolManaged);
        ASSERT_NE(buffer, nullptr);
        ASSERT_NE(indices, nullptr);
        void* data = nullptr;
        ASSERT_TRUE(buffer->Lock(0, 0, &data));
        std::memcpy(data, v, sizeof v);
        ASSERT_TRUE(buffer->Unlock());
        ASSERT_TRUE(indices->Lock(0, 0, &data));
        std::memcpy(data, i, sizeof i);
        ASSERT_TRUE(indices->Unlock());
    }

    bool DrawSquare()
    {
        device->SetVertexShader(vs);
        device->SetPixelShader(ps);
        device->SetVertexDeclaration(declaration);
        device->SetStreamSource(0, buffer, 0, sizeof(SColouredVertex));
        device->SetIndices(indices);
        return device->DrawIndexedPrimitive(kPrimTriangleList, 0, 0, 4, 0, 2);
    }

    CVertexDeclaration* declaration = nullptr;
    CVertexBuffer* buffer = nullptr;
    CIndexBuffer* indices = nullptr;
};

TEST_F(DeviceGeometryTest, MatricesActInMulVectorMatrixOrder)
{
    MakeSquare(-0.25f, -0.25f, 0.25f, 0.25f, 1, 1, 0);
    // Row 3 is the translation: +0.5 in clip x (right), +0.5 in y (up).
    CMatrix4x4 world = CMatrix4x4::kIdentity;
    world(3, 0) = 0.5f;
    world(3, 1) = 0.5f;
    ASSERT_TRUE(vsTable->SetMatrix("WorldMatrix", world));
    EXPECT_FALSE(vsTable->SetMatrix("ViewProjMatrix", world)); // not declared: ignored
    ASSERT_TRUE(DrawSquare());
    Read();
    // Clip x 0.25..0.75 is pixels 40..56; clip y 0.25..0.75 is rows 8..24 from the top.
    EXPECT_PIXEL(At(48, 16), 255, 255, 0);
    EXPECT_PIXEL(At(41, 9), 255, 255, 0);
    EXPECT_PIXEL(At(32, 32), 0, 0, 0);
    EXPECT_PIXEL(At(48, 48), 0, 0, 0);
    EXPECT_PIXEL(At(16, 16), 0, 0, 0);
}

TEST_F(DeviceGeometryTest, RowMajorAndSmallerMatricesKeepTheSameMeaning)
{
    // row_major storage, and a float3x3 taken from the top-left of ours.
    SafeRelease(vs);
    vs = MakeVertexShader(R"(
row_major float4x4 Move;
float3x3 Turn;
struct VS_OUTPUT { float4 Position : POSITION; float4 Colour : TEXCOORD0; };
VS_OUTPUT main(float3 pos : POSITION, float3 colour : TEXCOORD0)
{
    VS_OUTPUT o;
    o.Position = mul(float4(mul(pos, Turn), 1.0f), Move);
    o.Colour = float4(colour, 1.0f);
    return o;
}
)");
    MakeSquare(0.25f, -0.125f, 0.75f, 0.125f, 0, 1, 0); // right of the centre
    CMatrix4x4 move = CMatrix4x4::kIdentity;
    move(3, 1) = 0.5f; // up
    CMatrix4x4 turn = CMatrix4x4::kIdentity;
    // Quarter turn: x -> y (row 0 is where the x axis goes, as in CMatrix4x4).
    turn(0, 0) = 0;
    turn(0, 1) = 1;
    turn(1, 0) = -1;
    turn(1, 1) = 0;
    ASSERT_TRUE(vsTable->SetMatrix("Move", move));
    ASSERT_TRUE(vsTable->SetMatrix("Turn", turn));
    ASSERT_TRUE(DrawSquare());
    Read();
    // Turned to clip x -0.125..0.125, y 0.25..0.75, then moved up by 0.5: y 0.75..1.25.
    EXPECT_PIXEL(At(32, 2), 0, 255, 0);
    EXPECT_PIXEL(At(32, 12), 0, 0, 0);
    EXPECT_PIXEL(At(48, 32), 0, 0, 0);
}

TEST_F(DeviceGeometryTest, CullModesFollowScreenWinding)
{
    MakeSquare(-1, -1, 1, 1, 0, 1, 1);
    ASSERT_TRUE(vsTable->SetMatrix("WorldMatrix", CMatrix4x4::kIdentity));
    device->SetRenderState(kRSCullMode, kCullCCW); // default: clockwise faces are front faces
    ASSERT_TRUE(DrawSquare());
    Read();
    EXPECT_PIXEL(At(32, 32), 0, 255, 255);

    device->Clear(kClearTarget, 0, 1.0f, 0);
    device->SetRenderState(kRSCullMode, kCullCW);
    ASSERT_TRUE(DrawSquare());
    Read();
    EXPECT_PIXEL(At(32, 32), 0, 0, 0);

    device->SetRenderState(kRSCullMode, kCullNone);
    ASSERT_TRUE(DrawSquare());
    Read();
    EXPECT_PIXEL(At(32, 32), 0, 255, 255);
}

TEST_F(DeviceGeometryTest, ClipDepthZeroToOneIsTheDepthBufferRange)
{
    // The square lies at clip z 0.5: a screen quad at depth 0.4 hides it, one at 0.6 does not.
    MakeSquare(-1, -1, 1, 1, 1, 0, 0);
    ASSERT_TRUE(vsTable->SetMatrix("WorldMatrix", CMatrix4x4::kIdentity));
    ASSERT_TRUE(DrawSquare());
    CPixelShader* colour = MakePixelShader(kColourPixelShader);
    device->SetPixelShader(colour);
    const float green[4] = {0, 1, 0, 1};
    psTable->SetFloatArray("Colour", green, 4);
    device->SetRenderState(kRSZWriteEnable, 0);
    ASSERT_TRUE(DrawQuad(0, 0, kSize / 2, kSize, 0.4f));
    ASSERT_TRUE(DrawQuad(kSize / 2, 0, kSize, kSize, 0.6f));
    device->SetRenderState(kRSZWriteEnable, 1);
    Read();
    EXPECT_PIXEL(At(10, 10), 0, 255, 0);
    EXPECT_PIXEL(At(50, 10), 255, 0, 0);
    device->SetPixelShader(nullptr);
    colour->Release();
}

TEST_F(DeviceGeometryTest, ResetKeepsManagedBuffersAndNeedsDefaultPoolReleased)
{
    MakeSquare(-1, -1, 1, 1, 1, 0, 1);
    ASSERT_TRUE(vsTable->SetMatrix("WorldMatrix", CMatrix4x4::kIdentity));
    SPresentParameters smaller;
    smaller.BackBufferWidth = 48;
    smaller.BackBufferHeight = 40;

    // A live render target or font blocks the reset, as in D3D.
    CTexture* target = device->CreateTexture(16, 16, 1, kUsageRenderTarget, kFormatX8R8G8B8, kPoolDefault);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(device->GetDefaultPoolCount(), 1u);
    EXPECT_FALSE(device->Reset(smaller));
    target->Release();
    CSurface* backBuffer = device->GetRenderTarget(0);
    EXPECT_FALSE(device->Reset(smaller));
    backBuffer->Release();
    CFont* font = device->CreateFont(12, 700, "Arial");
    ASSERT_NE(font, nullptr);
    EXPECT_FALSE(device->Reset(smaller));
    font->Release();
    EXPECT_EQ(device->GetDefaultPoolCount(), 0u);

    ASSERT_TRUE(device->Reset(smaller));
    EXPECT_EQ(device->GetBackBufferWidth(), 48u);
    EXPECT_EQ(device->GetBackBufferHeight(), 40u);
    // Reset restored the default states and dropped the bindings; the
    // buffers, declaration and shaders are still there to bind again.
    EXPECT_EQ(device->GetRenderState(kRSCullMode), static_cast<std::uint32_t>(kCullCCW));
    device->Clear(kClearTarget | kClearZBuffer, 0, 1.0f, 0); // a new depth buffer starts undefined
    ASSERT_TRUE(DrawSquare());
    Read();
    EXPECT_EQ(width, 48u);
    EXPECT_EQ(height, 40u);
    EXPECT_PIXEL(At(0, 0), 255, 0, 255);
    EXPECT_PIXEL(At(47, 39), 255, 0, 255);
}

TEST_F(DeviceGeometryTest, DrawsOutsideTheBuffersAreRefused)
{
    MakeSquare(-1, -1, 1, 1, 1, 1, 1);
    device->SetStreamSource(0, buffer, 0, sizeof(SColouredVertex));
    device->SetIndices(indices);
    EXPECT_FALSE(device->DrawIndexedPrimitive(kPrimTriangleList, 0, 0, 4, 0, 3)); // 9 indices of 6
    EXPECT_FALSE(device->DrawIndexedPrimitive(kPrimTriangleList, 1, 0, 4, 0, 2)); // index 3 + 1 past 4 vertices
    EXPECT_FALSE(device->DrawIndexedPrimitive(kPrimTriangleList, 0, 0, 4, 6, 1));
    EXPECT_FALSE(device->DrawPrimitive(kPrimTriangleList, 2, 1));
    std::uint16_t* data = nullptr;
    ASSERT_TRUE(indices->Lock(0, 0, reinterpret_cast<void**>(&data)));
    data[4] = 400; // an index past the vertex buffer
    ASSERT_TRUE(indices->Unlock());
    EXPECT_FALSE(DrawSquare());
    void* none = nullptr;
    EXPECT_FALSE(buffer->Lock(8, 1000, &none));
    EXPECT_EQ(none, nullptr);
}

TEST_F(DeviceTest, VertexDeclarationsRejectWhatCannotBeFed)
{
    const SVertexElement secondStream[] = {{1, 0, kDeclFloat3, 0, kUsagePosition, 0}, kDeclEnd};
    EXPECT_EQ(device->CreateVertexDeclaration(secondStream), nullptr);
    const SVertexElement badType[] = {{0, 0, 40, 0, kUsagePosition, 0}, kDeclEnd};
    EXPECT_EQ(device->CreateVertexDeclaration(badType), nullptr);
    const SVertexElement tangent[] = {{0, 0, kDeclFloat3, 0, kUsagePosition, 0},
                                      {0, 12, kDeclFloat3, 0, kUsageNormal, 0},
                                      {0, 24, kDeclFloat3, 0, kUsageTangent, 0},
                                      {0, 36, kDeclFloat2, 0, kUsageTexCoord, 0},
                                      kDeclEnd};
    CVertexDeclaration* declaration = device->CreateVertexDeclaration(tangent);
    ASSERT_NE(declaration, nullptr);
    EXPECT_EQ(declaration->GetElements().size(), 4u);
    declaration->Release();
}

TEST_F(DeviceTest, FontDrawsTextInItsColourAndCentresLines)
{
    CFont* font = device->CreateFont(12, 700, "Arial");
    ASSERT_NE(font, nullptr);
    EXPECT_GE(font->GetLineHeight(), 10);
    EXPECT_LE(font->GetLineHeight(), 12);
    EXPECT_EQ(font->DrawText("Hi\nHi", SRect{2, 3, 0, 0}, kDTNoClip, ColourARGB(255, 255, 255, 0)),
              2 * font->GetLineHeight());
    Read();
    int minX = kSize, maxX = -1, minY = kSize, maxY = -1;
    for (std::uint32_t y = 0; y < kSize; ++y)
    {
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            const SPixel p = At(x, y);
            if (p.R > 128)
            {
                EXPECT_EQ(p.B, 0);
                minX = std::min<int>(minX, static_cast<int>(x));
                maxX = std::max<int>(maxX, static_cast<int>(x));
                minY = std::min<int>(minY, static_cast<int>(y));
                maxY = std::max<int>(maxY, static_cast<int>(y));
            }
        }
    }
    EXPECT_GE(minX, 2);
    EXPECT_LE(minX, 4);
    EXPECT_GE(minY, 3);
    EXPECT_GT(maxY, 3 + font->GetLineHeight()); // the second line is below the first
    EXPECT_LT(maxY, 3 + 2 * font->GetLineHeight());

    // Centred in a band of 200 pixels around x = 32.
    device->Clear(kClearTarget, 0, 1.0f, 0);
    font->DrawText("HH", SRect{32 - 100, 20, 32 + 100, 0}, kDTCenter | kDTNoClip, ColourARGB(255, 255, 255, 255));
    Read();
    minX = kSize;
    maxX = -1;
    for (std::uint32_t y = 0; y < kSize; ++y)
    {
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            if (At(x, y).R > 128)
            {
                minX = std::min<int>(minX, static_cast<int>(x));
                maxX = std::max<int>(maxX, static_cast<int>(x));
            }
        }
    }
    ASSERT_GE(maxX, 0);
    EXPECT_NEAR((minX + maxX) / 2.0, 32.0, 2.0);
    font->Release();
}

TEST_F(DeviceTest, FontDrawsWhateverStatesTheLastDrawLeft)
{
    CFont* font = device->CreateFont(12, 700, "Arial");
    ASSERT_NE(font, nullptr);
    ps = MakePixelShader(kSamplePixelShader);
    std::vector<std::uint8_t> grey(16 * 16 * 4, 60);
    CTexture* texture = device->CreateTextureFromPixels(16, 16, grey.data(), true);
    device->SetPixelShader(ps);
    device->SetTexture(0, texture);
    device->SetRenderState(kRSAlphaBlendEnable, 1);
    device->SetRenderState(kRSSrcBlend, kBlendSrcAlpha);
    device->SetRenderState(kRSDestBlend, kBlendInvSrcAlpha);
    device->SetRenderState(kRSZEnable, 1);
    device->SetRenderState(kRSCullMode, kCullCW);
    device->SetSamplerState(0, kSampAddressU, kAddressClamp);
    ASSERT_TRUE(DrawQuad(0, 0, kSize, kSize, 0.5f));
    device->SetTexture(0, nullptr);
    device->SetRenderState(kRSAlphaBlendEnable, 0);
    font->DrawText("HH", SRect{0, 0, 0, 0}, kDTNoClip, ColourARGB(255, 255, 255, 255));
    Read();
    int bright = 0;
    for (std::uint32_t y = 0; y < 14; ++y)
    {
        for (std::uint32_t x = 0; x < 20; ++x)
        {
            bright += At(x, y).R > 200;
        }
    }
    EXPECT_GT(bright, 10);
    texture->Release();
    font->Release();
}

TEST_F(DeviceTest, TexturesLoadFromImageFilesWithMipmaps)
{
    DIR* dir = opendir("Media");
    if (!dir)
    {
        GTEST_SKIP() << "no Media folder";
    }
    std::string png;
    while (dirent* entry = readdir(dir))
    {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
        {
            png = name;
            break;
        }
    }
    closedir(dir);
    if (png.empty())
    {
        GTEST_SKIP() << "no PNG in Media";
    }
    CTexture* texture = device->CreateTextureFromFile("Media\\" + png);
    ASSERT_NE(texture, nullptr) << png;
    EXPECT_GT(texture->GetLevelCount(), 1u);
    EXPECT_EQ(texture->GetSurfaceLevel(0), nullptr); // not a render target
    texture->Release();
    EXPECT_EQ(device->CreateTextureFromFile("Media\\NoSuchImage.png"), nullptr);
}

TEST_F(DeviceTest, EveryShaderOfTheProgramCompilesForTheDevice)
{
    DIR* dir = opendir("Source/Render");
    ASSERT_NE(dir, nullptr);
    while (dirent* entry = readdir(dir))
    {
        const std::string name = entry->d_name;
        const bool vertex = name.size() > 4 && name.compare(name.size() - 4, 4, ".vsh") == 0;
        const bool pixel = name.size() > 4 && name.compare(name.size() - 4, 4, ".psh") == 0;
        if (!vertex && !pixel)
        {
            continue;
        }
        CShaderCode* code =
            CompileShaderFromFile("Source\\Render\\" + name, "main", vertex ? "vs_3_0" : "ps_3_0", nullptr, nullptr);
        ASSERT_NE(code, nullptr) << name;
        if (vertex)
        {
            CVertexShader* shader = device->CreateVertexShader(code);
            EXPECT_NE(shader, nullptr) << name << "\n" << LastShaderLog();
            SafeRelease(shader);
        }
        else
        {
            CPixelShader* shader = device->CreatePixelShader(code);
            EXPECT_NE(shader, nullptr) << name << "\n" << LastShaderLog();
            SafeRelease(shader);
        }
        code->Release();
    }
    closedir(dir);
}

} // namespace
} // namespace gen
