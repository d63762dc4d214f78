#pragma once
// The graphics device: Direct3D 9 operations with their Direct3D 9 meaning,
// carried out with OpenGL 3.3 core. Code that draws is written as it would be
// against a D3D9 device; this header is all it needs to know.
//
// How the D3D9 model maps (the details of the mapping live in one place,
// Conventions.h):
// - Objects (textures, surfaces, buffers, declarations, shaders, constant
//   tables, fonts) are reference counted. A Create... call or a Get... call
//   that hands out an object gives the caller one reference, returned with
//   Release() (SafeRelease clears the pointer too). Objects do not keep
//   their device alive: release them before the device; one released after
//   it has lost its GL object with the context and merely frees itself.
// - Screen space is D3D's: pixel (0, 0) is the top-left one, pixel centres
//   lie on whole coordinates, texture v = 0 is the top row, clip-space depth
//   runs 0..1, clockwise triangles face the viewer by default and matrices
//   are row-major with row vectors (HLSL mul(v, M)). Shaders are DX9-style
//   HLSL (CShader.h); the device converts the conventions, callers never do.
// - State set with SetRenderState, SetSamplerState, SetTexture, SetStreamSource,
//   SetIndices, SetVertexDeclaration/SetFVF and the shaders holds until set
//   again, across draws and render-target changes. Defaults are D3D's (cull
//   CCW, z on, z write on, z less-or-equal, no blending, point sampling, no
//   mipmaps, wrap). Reset, as in D3D, restores the defaults and unbinds
//   textures, buffers, declaration and shaders, and makes the back buffer the
//   render target again.
// - The back buffer is a surface like any other: GetRenderTarget(0) at start-up
//   returns it, SetRenderTarget(0, ...) switches back to it. SetRenderTarget
//   also resets the viewport to the whole target, as in D3D. The depth-stencil
//   buffer is the automatic one of the back-buffer size and stays in use under
//   every render target.
// - Pools: buffers and textures from files are "managed" and survive Reset.
//   Render-target textures, their surfaces, surfaces returned by
//   GetRenderTarget and fonts are "default pool": Reset fails while any of them
//   is still alive, so release them before and re-create them after.
// - Failures are results: a null object or false. Nothing here shows a dialog.

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

class CDevice;
class CWindow;
class CVertexShader;
class CPixelShader;
class CShaderCode;
class CFont;

// Render states in use (D3DRS_...). Values are the D3D ones.
enum ERenderState : std::uint32_t
{
    kRSZEnable = 7,          // bool (D3DZB_TRUE = 1)
    kRSZWriteEnable = 14,    // bool
    kRSAlphaTestEnable = 15, // bool
    kRSSrcBlend = 19,        // EBlend
    kRSDestBlend = 20,       // EBlend
    kRSCullMode = 22,        // ECullMode
    kRSZFunc = 23,           // ECompare
    kRSAlphaRef = 24,        // 0..255
    kRSAlphaFunc = 25,       // ECompare
    kRSAlphaBlendEnable = 27 // bool
};

enum ECullMode : std::uint32_t
{
    kCullNone = 1,
    kCullCW = 2,  // cull clockwise (visually, on screen) triangles
    kCullCCW = 3, // cull counter-clockwise ones: the default
};

enum EBlend : std::uint32_t
{
    kBlendZero = 1,
    kBlendOne = 2,
    kBlendSrcColour = 3,
    kBlendInvSrcColour = 4,
    kBlendSrcAlpha = 5,
    kBlendInvSrcAlpha = 6,
    kBlendDestAlpha = 7,
    kBlendInvDestAlpha = 8,
    kBlendDestColour = 9,
    kBlendInvDestColour = 10,
};

enum ECompare : std::uint32_t
{
    kCmpNever = 1,
    kCmpLess = 2,
    kCmpEqual = 3,
    kCmpLessEqual = 4,
    kCmpGreater = 5,
    kCmpNotEqual = 6,
    kCmpGreaterEqual = 7,
    kCmpAlways = 8,
};

// Sampler states (D3DSAMP_...).
enum ESamplerState : std::uint32_t
{
    kSampAddressU = 1,  // ETextureAddress
    kSampAddressV = 2,  // ETextureAddress
    kSampMagFilter = 5, // ETextureFilter
    kSampMinFilter = 6, // ETextureFilter
    kSampMipFilter = 7, // ETextureFilter (kFilterNone: top level only)
};

enum ETextureFilter : std::uint32_t
{
    kFilterNone = 0,
    kFilterPoint = 1,
    kFilterLinear = 2,
};

enum ETextureAddress : std::uint32_t
{
    kAddressWrap = 1,
    kAddressMirror = 2,
    kAddressClamp = 3,
};

constexpr unsigned kNumSamplerStages = 8;

// Clear flags (D3DCLEAR_...).
enum EClearFlags : std::uint32_t
{
    kClearTarget = 1,
    kClearZBuffer = 2,
    kClearStencil = 4,
};

enum EPrimitiveType : std::uint32_t
{
    kPrimTriangleList = 4,
    kPrimTriangleStrip = 5,
    kPrimTriangleFan = 6,
};

// Pixel formats.
enum EFormat : std::uint32_t
{
    kFormatA8R8G8B8 = 21,
    kFormatX8R8G8B8 = 22, // alpha reads as 1
    kFormatIndex16 = 101,
    kFormatIndex32 = 102,
};

// Flexible vertex format bits, for pre-transformed vertices only.
enum EFVF : std::uint32_t
{
    kFVFXYZRHW = 0x004, // screen pixels x, y, depth z 0..1, reciprocal w
    kFVFTex1 = 0x100,
    kFVFTex2 = 0x200,   // two (u, v) sets
};

// Vertex declaration elements, with D3DVERTEXELEMENT9's layout and values.
enum EDeclType : std::uint8_t
{
    kDeclFloat1 = 0,
    kDeclFloat2 = 1,
    kDeclFloat3 = 2,
    kDeclFloat4 = 3,
    kDeclColour = 4, // D3DCOLOR, 4 bytes B, G, R, A read as 0..1 (r, g, b, a)
    kDeclUByte4 = 5,
    kDeclUnused = 17,
};

enum EDeclUsage : std::uint8_t
{
    kUsagePosition = 0,
    kUsageBlendWeight = 1,
    kUsageBlendIndices = 2,
    kUsageNormal = 3,
    kUsageTexCoord = 5,
    kUsageTangent = 6,
    kUsageBinormal = 7,
    kUsageColour = 10,
};

struct SVertexElement
{
    std::uint16_t Stream;
    std::uint16_t Offset;
    std::uint8_t Type;   // EDeclType
    std::uint8_t Method; // always 0 (default)
    std::uint8_t Usage;  // EDeclUsage
    std::uint8_t UsageIndex;
};

// The end marker of an element list (D3DDECL_END).
constexpr SVertexElement kDeclEnd = {0xFF, 0, kDeclUnused, 0, 0, 0};

// Buffer and texture creation choices.
enum EPool : std::uint32_t
{
    kPoolDefault = 0,
    kPoolManaged = 1,
};

enum EUsage : std::uint32_t
{
    kUsageNone = 0,
    kUsageRenderTarget = 0x1,
    kUsageWriteOnly = 0x8,
};

// D3DCOLOR: 0xAARRGGBB.
constexpr std::uint32_t ColourARGB(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

struct SRect
{
    std::int32_t Left, Top, Right, Bottom;
};

// Base of every device object: the reference count.
class CDeviceObject
{
public:
    CDeviceObject(const CDeviceObject&) = delete;
    CDeviceObject& operator=(const CDeviceObject&) = delete;

    unsigned AddRef() { return ++RefCount; }
    unsigned Release(); // deletes the object at zero; returns the new count
    unsigned GetRefCount() const { return RefCount; }

protected:
    CDeviceObject() = default;
    virtual ~CDeviceObject() = default;

private:
    unsigned RefCount = 1;
};

// Releases p if present and clears it.
template <typename T>
void SafeRelease(T*& p)
{
    if (p)
    {
        p->Release();
        p = nullptr;
    }
}

// A colour surface that can be drawn into: the back buffer or level 0 of a
// render-target texture.
class CSurface : public CDeviceObject
{
public:
    virtual std::uint32_t GetWidth() const = 0;
    virtual std::uint32_t GetHeight() const = 0;
};

class CTexture : public CDeviceObject
{
public:
    virtual std::uint32_t GetWidth() const = 0;
    virtual std::uint32_t GetHeight() const = 0;
    virtual std::uint32_t GetLevelCount() const = 0;

    // Level 0 of a render-target texture (one reference); null for others.
    virtual CSurface* GetSurfaceLevel(std::uint32_t level) = 0;
};

class CVertexBuffer : public CDeviceObject
{
public:
    virtual std::uint32_t GetLength() const = 0;
    // offset and size 0 lock the whole buffer. data receives a writable
    // pointer until Unlock, which sends the bytes to the device.
    virtual bool Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t flags = 0) = 0;
    virtual bool Unlock() = 0;
};

class CIndexBuffer : public CDeviceObject
{
public:
    virtual std::uint32_t GetLength() const = 0;
    virtual EFormat GetFormat() const = 0;
    virtual bool Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t flags = 0) = 0;
    virtual bool Unlock() = 0;
};

class CVertexDeclaration : public CDeviceObject
{
public:
    // The elements, without the end marker.
    virtual const std::vector<SVertexElement>& GetElements() const = 0;
};

// A point in the device's command stream whose time can be read once the
// device has passed it (D3DQUERYTYPE_TIMESTAMP), for measuring. Survives Reset.
class CTimestampQuery : public CDeviceObject
{
public:
    // Marks the point after everything issued so far.
    virtual void Issue() = 0;
    // Nanoseconds on the device's clock. Waits for the device when wait is
    // set; otherwise false while the point has not been passed yet.
    virtual bool GetTime(std::uint64_t& nanoseconds, bool wait) = 0;
};

// Presentation parameters: the back-buffer size and the display mode.
// Full screen is the desktop's full-screen mode on display 0.
struct SPresentParameters
{
    std::uint32_t BackBufferWidth = 0;
    std::uint32_t BackBufferHeight = 0;
    bool Windowed = true;
};

class CDevice : public CDeviceObject
{
public:
    // A device for the window, whose GL context it creates. Null on failure.
    static CDevice* Create(CWindow& window, const SPresentParameters& params);

    // New back-buffer size and display mode. Fails while default-pool objects
    // are alive (see the header comment) or when the mode cannot be set.
    virtual bool Reset(const SPresentParameters& params) = 0;

    virtual bool BeginScene() = 0; // false when a scene is already begun
    virtual void EndScene() = 0;
    // Shows the back buffer (no vsync). The back buffer keeps its contents.
    virtual bool Present() = 0;

    // Clears the whole current render target and/or the depth-stencil buffer,
    // regardless of the write-enable states. colour is 0xAARRGGBB.
    virtual void Clear(std::uint32_t flags, std::uint32_t colour, float z, std::uint32_t stencil) = 0;

    virtual void SetRenderState(ERenderState state, std::uint32_t value) = 0;
    virtual std::uint32_t GetRenderState(ERenderState state) const = 0;
    virtual void SetSamplerState(std::uint32_t stage, ESamplerState state, std::uint32_t value) = 0;
    virtual std::uint32_t GetSamplerState(std::uint32_t stage, ESamplerState state) const = 0;
    // The device keeps a reference while the texture is set.
    virtual void SetTexture(std::uint32_t stage, CTexture* texture) = 0;

    // Render targets: only index 0 exists. GetRenderTarget hands out a reference.
    virtual CSurface* GetRenderTarget(std::uint32_t index) = 0;
    virtual bool SetRenderTarget(std::uint32_t index, CSurface* surface) = 0;

    // Textures. levels 0 means a full mip chain. Render-target textures
    // (usage kUsageRenderTarget, pool kPoolDefault) have one level.
    virtual CTexture* CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                    std::uint32_t usage, EFormat format, EPool pool) = 0;
    // A managed texture with a full mip chain from an image file (PNG, JPEG,
    // TGA, BMP, ...). path may use '\' separators. Null if it cannot be read.
    virtual CTexture* CreateTextureFromFile(const std::string& path) = 0;
    // Every texture made from a file of this name (in any folder, in any
    // case) takes the image at imagePath instead (a file dropped on the
    // window). How many did; 0 also where the image cannot be read.
    virtual int ReplaceTextureFiles(const std::string& fileName, const std::string& imagePath) = 0;
    // A managed texture from 32-bit pixels, rows top first, bytes R, G, B, A.
    virtual CTexture* CreateTextureFromPixels(std::uint32_t width, std::uint32_t height, const std::uint8_t* rgba,
                                              bool mipmaps) = 0;

    // Buffers (length in bytes).
    virtual CVertexBuffer* CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                                              EPool pool) = 0;
    virtual CIndexBuffer* CreateIndexBuffer(std::uint32_t length, std::uint32_t usage, EFormat format,
                                            EPool pool) = 0;
    virtual bool SetStreamSource(std::uint32_t stream, CVertexBuffer* buffer, std::uint32_t offset,
                                 std::uint32_t stride) = 0;
    virtual bool SetIndices(CIndexBuffer* buffer) = 0;

    // elements ends with kDeclEnd. Null for unsupported types or streams other than 0.
    virtual CVertexDeclaration* CreateVertexDeclaration(const SVertexElement* elements) = 0;
    virtual void SetVertexDeclaration(CVertexDeclaration* declaration) = 0;
    // Selects pre-transformed vertices for DrawPrimitiveUP (kFVFXYZRHW with
    // kFVFTex1/kFVFTex2); 0 goes back to the declaration.
    virtual void SetFVF(std::uint32_t fvf) = 0;

    // Shader objects from compiled code (CShader.h); they survive Reset.
    virtual CVertexShader* CreateVertexShader(CShaderCode* code) = 0;
    virtual CPixelShader* CreatePixelShader(CShaderCode* code) = 0;
    virtual void SetVertexShader(CVertexShader* shader) = 0;
    virtual void SetPixelShader(CPixelShader* shader) = 0;
    // Gives an existing shader object new code (a shader file edited while
    // the program runs): every holder of the object draws with it from the
    // next draw on. False, with the object unchanged, when the code does not
    // compile for the device or is of the other stage.
    virtual bool UpdateVertexShader(CVertexShader* shader, CShaderCode* code) = 0;
    virtual bool UpdatePixelShader(CPixelShader* shader, CShaderCode* code) = 0;

    // Draws from the stream source and indices with the current declaration
    // and shaders. Returns false when nothing could be drawn.
    virtual bool DrawIndexedPrimitive(EPrimitiveType type, std::int32_t baseVertex, std::uint32_t minIndex,
                                      std::uint32_t numVertices, std::uint32_t startIndex,
                                      std::uint32_t primitiveCount) = 0;
    virtual bool DrawPrimitive(EPrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) = 0;
    // Draws vertices from memory. With an XYZRHW FVF set, the vertices are in
    // screen pixels and skip the vertex shader; the pixel shader receives the
    // texture sets as TEXCOORD0 and TEXCOORD1.
    virtual bool DrawPrimitiveUP(EPrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                                 std::uint32_t stride) = 0;

    // The overlay font: bold sans of the given pixel height (D3DXCreateFont's
    // height; weight >= 700 asks for bold). Default pool. Null on failure.
    virtual CFont* CreateFont(std::int32_t height, std::uint32_t weight, const std::string& face) = 0;

    // Null when the device keeps no time.
    virtual CTimestampQuery* CreateTimestampQuery() = 0;

    // Size of the back buffer.
    virtual std::uint32_t GetBackBufferWidth() const = 0;
    virtual std::uint32_t GetBackBufferHeight() const = 0;

    // Reads the current render target, rows top first, 4 bytes R, G, B, A
    // per pixel. For tests and the capture tool; stalls the pipeline.
    virtual bool ReadRenderTarget(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height) = 0;
    // Reads the back buffer in the same way whatever the current target is.
    virtual bool ReadBackBuffer(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height) = 0;
    // Copies the current render target into a render-target texture of the
    // same size, rows as they are. False when the sizes differ.
    virtual bool CopyRenderTarget(CTexture* texture) = 0;

    // Number of live default-pool objects (a Reset needs zero).
    virtual unsigned GetDefaultPoolCount() const = 0;
};

} // namespace gen
