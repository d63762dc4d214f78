#pragma once
// Inside the platform layer: the GL objects behind the device interface.
// Users include CDevice.h; the font and texture code include this.

#include "Platform/CDevice.h"
#include "Platform/CShader.h"

#include "GlProfile.h"

#include <map>
#include <set>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct SDL_Window;

namespace gen
{

class CDeviceGL;
class CTextureGL;

// Compiles and links GLSL; false with the log in LastShaderLog().
GLuint CompileGlslStage(GLenum type, const std::string& source, const std::string& name);
GLuint LinkGlslProgram(GLuint vertex, GLuint fragment, const std::string& name);

// GL attribute format of a declaration element type; false if unsupported.
bool ElementFormat(std::uint8_t type, GLint& size, GLenum& glType, GLboolean& normalised, std::uint32_t& bytes);

// Points a device slot at another object, moving the reference.
template <typename TStored, typename TGiven>
void Rebind(TStored*& slot, TGiven* object)
{
    TStored* next = static_cast<TStored*>(object);
    if (next)
    {
        next->AddRef();
    }
    if (slot)
    {
        slot->Release();
    }
    slot = next;
}

// An object made by the device. The device knows its children: when the
// device goes first, they are orphaned (their GL objects went with the
// context) and their destructors then touch nothing.
class CDeviceChild
{
public:
    explicit CDeviceChild(CDeviceGL* device);
    virtual ~CDeviceChild();
    CDeviceChild(const CDeviceChild&) = delete;
    CDeviceChild& operator=(const CDeviceChild&) = delete;
    CDeviceGL* GetDeviceGL() const { return OwnerDevice; }
    bool Alive() const { return OwnerDevice != nullptr; }
    void Orphan() { OwnerDevice = nullptr; }

private:
    CDeviceGL* OwnerDevice;
};

class CSurfaceGL : public CSurface, public CDeviceChild
{
public:
    // texture null: the back buffer (colour given by the device).
    CSurfaceGL(CDeviceGL* device, CTextureGL* texture);
    ~CSurfaceGL() override;
    std::uint32_t GetWidth() const override;
    std::uint32_t GetHeight() const override;
    GLuint GetColourTexture() const;
    bool HasAlpha() const;
    CTextureGL* GetTexture() const { return Texture; }

private:
    CTextureGL* Texture; // holds a reference; null for the back buffer
};

class CTextureGL : public CTexture, public CDeviceChild
{
public:
    CTextureGL(CDeviceGL* device, std::uint32_t width, std::uint32_t height, std::uint32_t levels, bool renderTarget,
               EFormat format);
    ~CTextureGL() override;
    std::uint32_t GetWidth() const override { return Width; }
    std::uint32_t GetHeight() const override { return Height; }
    std::uint32_t GetLevelCount() const override { return Levels; }
    CSurface* GetSurfaceLevel(std::uint32_t level) override;

    GLuint GetName() const { return Name; }
    bool IsRenderTarget() const { return RenderTarget; }
    bool HasAlpha() const { return Format != kFormatX8R8G8B8; }
    void SurfaceGone() { Surface = nullptr; }
    // Full-size pixels, rows top first, RGBA bytes; mipmaps made if the
    // texture has more than one level.
    void Upload(const std::uint8_t* rgba);
    // The same texture at another size, with a full mip chain.
    void Respecify(std::uint32_t width, std::uint32_t height, const std::uint8_t* rgba);
    // The data file it was made from ("" for others).
    const std::string& GetSourceFile() const { return SourceFile; }
    void SetSourceFile(const std::string& path) { SourceFile = path; }

private:
    void AllocateLevels();

    GLuint Name = 0;
    std::string SourceFile;
    std::uint32_t Width, Height, Levels;
    bool RenderTarget;
    EFormat Format;
    CSurfaceGL* Surface = nullptr; // not owned: it owns a reference on us
};

class CVertexBufferGL : public CVertexBuffer, public CDeviceChild
{
public:
    CVertexBufferGL(CDeviceGL* device, std::uint32_t length);
    ~CVertexBufferGL() override;
    std::uint32_t GetLength() const override { return static_cast<std::uint32_t>(Shadow.size()); }
    bool Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t flags) override;
    bool Unlock() override;
    GLuint GetName() const { return Name; }

private:
    GLuint Name = 0;
    std::vector<std::uint8_t> Shadow;
    bool Locked = false;
    std::uint32_t LockOffset = 0, LockSize = 0;
};

class CIndexBufferGL : public CIndexBuffer, public CDeviceChild
{
public:
    CIndexBufferGL(CDeviceGL* device, std::uint32_t length, EFormat format);
    ~CIndexBufferGL() override;
    std::uint32_t GetLength() const override { return static_cast<std::uint32_t>(Shadow.size()); }
    EFormat GetFormat() const override { return Format; }
    bool Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t flags) override;
    bool Unlock() override;
    GLuint GetName() const { return Name; }
    // Largest index in [first, first + count), for range checks, and in the
    // whole buffer (kept up to date by Unlock, so most draws need no scan).
    std::uint32_t MaxIndex(std::uint32_t first, std::uint32_t count) const;
    std::uint32_t MaxIndexOverall() const { return LargestIndex; }

private:
    void BindForUpload();

    GLuint Name = 0;
    EFormat Format;
    std::vector<std::uint8_t> Shadow;
    std::uint32_t LargestIndex = 0;
    bool Locked = false;
    std::uint32_t LockOffset = 0, LockSize = 0;
};

class CVertexDeclarationGL : public CVertexDeclaration, public CDeviceChild
{
public:
    CVertexDeclarationGL(CDeviceGL* device, std::vector<SVertexElement> elements)
        : CDeviceChild(device), Elements(std::move(elements))
    {
    }
    const std::vector<SVertexElement>& GetElements() const override { return Elements; }

private:
    std::vector<SVertexElement> Elements;
};

// A compiled GL stage with its constant storage and uniform buffer.
struct SShaderStageGL
{
    GLuint Shader = 0;
    GLuint Buffer = 0;
    std::uint64_t UploadedVersion = 0;
    SCompiledShader Compiled;
    std::shared_ptr<SConstantStorage> Storage;
};

class CVertexShaderGL : public CVertexShader, public CDeviceChild
{
public:
    CVertexShaderGL(CDeviceGL* device, SShaderStageGL stage) : CDeviceChild(device), Stage(std::move(stage)) {}
    ~CVertexShaderGL() override;
    SShaderStageGL Stage;
};

class CPixelShaderGL : public CPixelShader, public CDeviceChild
{
public:
    CPixelShaderGL(CDeviceGL* device, SShaderStageGL stage) : CDeviceChild(device), Stage(std::move(stage)) {}
    ~CPixelShaderGL() override;
    SShaderStageGL Stage;
    GLuint PretransformedVertexShader = 0; // made on first pre-transformed draw
};

struct SProgramGL
{
    GLuint Program = 0;
    bool Failed = false;
    GLint PixelOffset = -1;
    GLint TargetSize = -1;
    GLint AlphaFunc = -1;
    GLint AlphaRef = -1;
    std::vector<std::uint32_t> Stages; // texture stages the program samples
};

struct SRenderStates
{
    std::uint32_t ZEnable = 1;
    std::uint32_t ZWriteEnable = 1;
    std::uint32_t AlphaTestEnable = 0;
    std::uint32_t SrcBlend = kBlendOne;
    std::uint32_t DestBlend = kBlendZero;
    std::uint32_t CullMode = kCullCCW;
    std::uint32_t ZFunc = kCmpLessEqual;
    std::uint32_t AlphaRef = 0;
    std::uint32_t AlphaFunc = kCmpAlways;
    std::uint32_t AlphaBlendEnable = 0;
};

struct SSamplerStates
{
    std::uint32_t AddressU = kAddressWrap;
    std::uint32_t AddressV = kAddressWrap;
    std::uint32_t MagFilter = kFilterPoint;
    std::uint32_t MinFilter = kFilterPoint;
    std::uint32_t MipFilter = kFilterNone;
};

class CDeviceGL : public CDevice
{
public:
    CDeviceGL(CWindow& window, SDL_Window* sdlWindow, void* context);
    ~CDeviceGL() override;
    bool Initialise(const SPresentParameters& params);

    bool Reset(const SPresentParameters& params) override;
    bool BeginScene() override;
    void EndScene() override;
    bool Present() override;
    void Clear(std::uint32_t flags, std::uint32_t colour, float z, std::uint32_t stencil) override;
    void SetRenderState(ERenderState state, std::uint32_t value) override;
    std::uint32_t GetRenderState(ERenderState state) const override;
    void SetSamplerState(std::uint32_t stage, ESamplerState state, std::uint32_t value) override;
    std::uint32_t GetSamplerState(std::uint32_t stage, ESamplerState state) const override;
    void SetTexture(std::uint32_t stage, CTexture* texture) override;
    CSurface* GetRenderTarget(std::uint32_t index) override;
    bool SetRenderTarget(std::uint32_t index, CSurface* surface) override;
    CTexture* CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                            EFormat format, EPool pool) override;
    CTexture* CreateTextureFromFile(const std::string& path) override;
    int ReplaceTextureFiles(const std::string& fileName, const std::string& imagePath) override;
    CTexture* CreateTextureFromPixels(std::uint32_t width, std::uint32_t height, const std::uint8_t* rgba,
                                      bool mipmaps) override;
    CVertexBuffer* CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                                      EPool pool) override;
    CIndexBuffer* CreateIndexBuffer(std::uint32_t length, std::uint32_t usage, EFormat format, EPool pool) override;
    bool SetStreamSource(std::uint32_t stream, CVertexBuffer* buffer, std::uint32_t offset,
                         std::uint32_t stride) override;
    bool SetIndices(CIndexBuffer* buffer) override;
    CVertexDeclaration* CreateVertexDeclaration(const SVertexElement* elements) override;
    void SetVertexDeclaration(CVertexDeclaration* declaration) override;
    void SetFVF(std::uint32_t fvf) override;
    CVertexShader* CreateVertexShader(CShaderCode* code) override;
    CPixelShader* CreatePixelShader(CShaderCode* code) override;
    void SetVertexShader(CVertexShader* shader) override;
    void SetPixelShader(CPixelShader* shader) override;
    bool UpdateVertexShader(CVertexShader* shader, CShaderCode* code) override;
    bool UpdatePixelShader(CPixelShader* shader, CShaderCode* code) override;
    bool DrawIndexedPrimitive(EPrimitiveType type, std::int32_t baseVertex, std::uint32_t minIndex,
                              std::uint32_t numVertices, std::uint32_t startIndex,
                              std::uint32_t primitiveCount) override;
    bool DrawPrimitive(EPrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) override;
    bool DrawPrimitiveUP(EPrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                         std::uint32_t stride) override;
    CFont* CreateFont(std::int32_t height, std::uint32_t weight, const std::string& face) override;
    CTimestampQuery* CreateTimestampQuery() override;
    std::uint32_t GetBackBufferWidth() const override { return BackWidth; }
    std::uint32_t GetBackBufferHeight() const override { return BackHeight; }
    bool ReadRenderTarget(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height) override;
    bool ReadBackBuffer(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height) override;
    bool CopyRenderTarget(CTexture* texture) override;
    unsigned GetDefaultPoolCount() const override;

    // For the objects of the layer.
    GLuint GetBackBufferColour() const { return BackColour; }
    void DefaultPoolCreated() { ++DefaultPoolObjects; }
    void DefaultPoolDestroyed() { --DefaultPoolObjects; }
    void AddChild(CDeviceChild* child) { Children.insert(child); }
    void RemoveChild(CDeviceChild* child) { Children.erase(child); }
    void ForgetVertexShader(CVertexShaderGL* shader);
    void ForgetPixelShader(CPixelShaderGL* shader);
    // Size of the current render target.
    std::uint32_t GetTargetWidth() const;
    std::uint32_t GetTargetHeight() const;
    // The GL state changed behind the device's back (font drawing): the next
    // draw sets everything again.
    GLuint GetStreamBuffer() const { return StreamBuffer; }
    GLuint GetVertexArray() const { return VertexArray; }
    void RestoreSampler(GLuint unit);
    void ApplyRenderTargetMasks();

private:
    bool CreateBackBuffer(std::uint32_t width, std::uint32_t height);
    void DestroyBackBuffer();
    void SetDefaultStates();
    void UnbindAll();
    void BindFramebuffer();
    void UpdateSampler(std::uint32_t stage);
    SProgramGL* GetProgram(CVertexShaderGL* vs, CPixelShaderGL* ps);
    bool PrepareDraw(bool pretransformed, std::int32_t baseVertex, std::uintptr_t streamBase);
    void ApplyRenderStates(const SProgramGL& program);
    void UploadConstants(SShaderStageGL& stage, GLuint binding);
    GLuint MakePretransformedVertexShader(CPixelShaderGL* ps);

    CWindow& Window;
    SDL_Window* SdlWindow;
    void* Context;
    bool Windowed = true;
    bool InScene = false;

    std::uint32_t BackWidth = 0, BackHeight = 0;
    GLuint BackColour = 0;
    GLuint DepthStencil = 0;
    GLuint Framebuffer = 0;
    GLuint VertexArray = 0;
    GLuint StreamBuffer = 0;
    GLuint Samplers[kNumSamplerStages] = {};
    CSurfaceGL* BackSurface = nullptr; // the device's own reference
    CSurfaceGL* CurrentTarget = nullptr;
    unsigned DefaultPoolObjects = 0;

    SRenderStates States;
    SSamplerStates SamplerStates[kNumSamplerStages];
    CTextureGL* Textures[kNumSamplerStages] = {};
    CVertexBufferGL* Stream = nullptr;
    std::uint32_t StreamOffset = 0, StreamStride = 0;
    CIndexBufferGL* Indices = nullptr;
    CVertexDeclarationGL* Declaration = nullptr;
    std::uint32_t FVF = 0;
    CVertexShaderGL* VertexShader = nullptr;
    CPixelShaderGL* PixelShader = nullptr;
    unsigned EnabledAttributes = 0;

    std::map<std::pair<const void*, const void*>, SProgramGL> Programs;
    std::set<CDeviceChild*> Children;
};

} // namespace gen
