// The device over OpenGL 3.3 core. Conventions.h explains how D3D9's
// screen, depth, winding and matrix conventions are carried over.

#include "Platform/DeviceGL.h"

#include "Common/Path.h"
#include "Platform/CWindow.h"
#include "Platform/Conventions.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#include <link.h>

// Leak checking runs at exit, after the GL driver has been unloaded with
// its context: its own bookkeeping then looks like leaks from unknown code.
// Sanitizer builds keep every library loaded so that stays reachable, and
// ignore the session bus library's one-off allocations.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

namespace
{

void PinLoadedLibraries()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name && info->dlpi_name[0])
            {
                dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            }
            return 0;
        },
        nullptr);
}

} // namespace
#endif

namespace gen
{

// ---------------------------------------------------------------------------
// GLSL helpers

GLuint CompileGlslStage(GLenum type, const std::string& source, const std::string& name)
{
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE)
    {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetShaderInfoLog(shader, length, nullptr, &log[0]);
        SetLastShaderLog(name + " (GLSL):\n" + log + "\n" + source);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint LinkGlslProgram(GLuint vertex, GLuint fragment, const std::string& name)
{
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDetachShader(program, vertex);
    glDetachShader(program, fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE)
    {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetProgramInfoLog(program, length, nullptr, &log[0]);
        SetLastShaderLog(name + " (link):\n" + log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

// ---------------------------------------------------------------------------
// Objects

CDeviceChild::CDeviceChild(CDeviceGL* device) : mDevice(device)
{
    mDevice->AddChild(this);
}

CDeviceChild::~CDeviceChild()
{
    if (mDevice)
    {
        mDevice->RemoveChild(this);
    }
}

CSurfaceGL::CSurfaceGL(CDeviceGL* device, CTextureGL* texture) : CDeviceChild(device), mTexture(texture)
{
    if (mTexture)
    {
        mTexture->AddRef();
    }
}

CSurfaceGL::~CSurfaceGL()
{
    if (mTexture)
    {
        mTexture->SurfaceGone();
        mTexture->Release();
    }
}

std::uint32_t CSurfaceGL::GetWidth() const
{
    return mTexture ? mTexture->GetWidth() : (Alive() ? GetDeviceGL()->GetBackBufferWidth() : 0);
}

std::uint32_t CSurfaceGL::GetHeight() const
{
    return mTexture ? mTexture->GetHeight() : (Alive() ? GetDeviceGL()->GetBackBufferHeight() : 0);
}

GLuint CSurfaceGL::GetColourTexture() const
{
    return mTexture ? mTexture->GetName() : (Alive() ? GetDeviceGL()->GetBackBufferColour() : 0);
}

bool CSurfaceGL::HasAlpha() const
{
    return mTexture ? mTexture->HasAlpha() : false;
}

CTextureGL::CTextureGL(CDeviceGL* device, std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                       bool renderTarget, EFormat format)
    : CDeviceChild(device), mWidth(width), mHeight(height), mLevels(levels), mRenderTarget(renderTarget),
      mFormat(format)
{
    glGenTextures(1, &mName);
    glBindTexture(GL_TEXTURE_2D, mName);
    GLsizei w = static_cast<GLsizei>(width);
    GLsizei h = static_cast<GLsizei>(height);
    for (std::uint32_t level = 0; level < levels; ++level)
    {
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    if (format == kFormatX8R8G8B8)
    {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    if (mRenderTarget)
    {
        GetDeviceGL()->DefaultPoolCreated();
    }
}

CTextureGL::~CTextureGL()
{
    if (!Alive())
    {
        return;
    }
    glDeleteTextures(1, &mName);
    if (mRenderTarget)
    {
        GetDeviceGL()->DefaultPoolDestroyed();
    }
}

CSurface* CTextureGL::GetSurfaceLevel(std::uint32_t level)
{
    if (!mRenderTarget || level != 0)
    {
        return nullptr;
    }
    if (mSurface)
    {
        mSurface->AddRef();
    }
    else
    {
        mSurface = new CSurfaceGL(GetDeviceGL(), this);
    }
    return mSurface;
}

void CTextureGL::Upload(const std::uint8_t* rgba)
{
    glBindTexture(GL_TEXTURE_2D, mName);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(mWidth), static_cast<GLsizei>(mHeight), GL_RGBA,
                    GL_UNSIGNED_BYTE, rgba);
    if (mLevels > 1)
    {
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

CVertexBufferGL::CVertexBufferGL(CDeviceGL* device, std::uint32_t length) : CDeviceChild(device), mShadow(length, 0)
{
    glGenBuffers(1, &mName);
    glBindBuffer(GL_ARRAY_BUFFER, mName);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(length), nullptr, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

CVertexBufferGL::~CVertexBufferGL()
{
    if (Alive())
    {
        glDeleteBuffers(1, &mName);
    }
}

namespace
{

bool LockRange(std::vector<std::uint8_t>& shadow, bool& locked, std::uint32_t& lockOffset, std::uint32_t& lockSize,
               std::uint32_t offset, std::uint32_t size, void** data)
{
    if (!data || locked)
    {
        return false;
    }
    const std::uint32_t length = static_cast<std::uint32_t>(shadow.size());
    if (offset == 0 && size == 0)
    {
        size = length;
    }
    if (offset > length || size > length - offset)
    {
        *data = nullptr;
        return false;
    }
    locked = true;
    lockOffset = offset;
    lockSize = size;
    *data = shadow.data() + offset;
    return true;
}

} // namespace

bool CVertexBufferGL::Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t)
{
    return LockRange(mShadow, mLocked, mLockOffset, mLockSize, offset, size, data);
}

bool CVertexBufferGL::Unlock()
{
    if (!mLocked || !Alive())
    {
        return false;
    }
    mLocked = false;
    glBindVertexArray(GetDeviceGL()->GetVertexArray());
    glBindBuffer(GL_ARRAY_BUFFER, mName);
    glBufferSubData(GL_ARRAY_BUFFER, mLockOffset, mLockSize, mShadow.data() + mLockOffset);
    return true;
}

CIndexBufferGL::CIndexBufferGL(CDeviceGL* device, std::uint32_t length, EFormat format)
    : CDeviceChild(device), mFormat(format), mShadow(length, 0)
{
    glGenBuffers(1, &mName);
    glBindBuffer(GL_COPY_WRITE_BUFFER, mName);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(length), nullptr, GL_STATIC_DRAW);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
}

CIndexBufferGL::~CIndexBufferGL()
{
    if (Alive())
    {
        glDeleteBuffers(1, &mName);
    }
}

bool CIndexBufferGL::Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t)
{
    return LockRange(mShadow, mLocked, mLockOffset, mLockSize, offset, size, data);
}

bool CIndexBufferGL::Unlock()
{
    if (!mLocked || !Alive())
    {
        return false;
    }
    mLocked = false;
    glBindBuffer(GL_COPY_WRITE_BUFFER, mName);
    glBufferSubData(GL_COPY_WRITE_BUFFER, mLockOffset, mLockSize, mShadow.data() + mLockOffset);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    const std::uint32_t indexSize = mFormat == kFormatIndex16 ? 2 : 4;
    mMaxIndex = MaxIndex(0, static_cast<std::uint32_t>(mShadow.size()) / indexSize);
    return true;
}

std::uint32_t CIndexBufferGL::MaxIndex(std::uint32_t first, std::uint32_t count) const
{
    std::uint32_t highest = 0;
    if (mFormat == kFormatIndex16)
    {
        for (std::uint32_t i = 0; i < count; ++i)
        {
            std::uint16_t v;
            std::memcpy(&v, mShadow.data() + (first + i) * 2, 2);
            highest = std::max<std::uint32_t>(highest, v);
        }
    }
    else
    {
        for (std::uint32_t i = 0; i < count; ++i)
        {
            std::uint32_t v;
            std::memcpy(&v, mShadow.data() + (first + i) * 4, 4);
            highest = std::max(highest, v);
        }
    }
    return highest;
}

namespace
{

void DeleteStage(SShaderStageGL& stage)
{
    if (stage.Shader)
    {
        glDeleteShader(stage.Shader);
    }
    if (stage.Buffer)
    {
        glDeleteBuffers(1, &stage.Buffer);
    }
}

} // namespace

CVertexShaderGL::~CVertexShaderGL()
{
    if (!Alive())
    {
        return;
    }
    GetDeviceGL()->ForgetVertexShader(this);
    DeleteStage(Stage);
}

CPixelShaderGL::~CPixelShaderGL()
{
    if (!Alive())
    {
        return;
    }
    GetDeviceGL()->ForgetPixelShader(this);
    DeleteStage(Stage);
    if (PretransformedVertexShader)
    {
        glDeleteShader(PretransformedVertexShader);
    }
}

// ---------------------------------------------------------------------------
// Device

CDevice* CDevice::Create(CWindow& window, const SPresentParameters& params)
{
    SDL_Window* sdlWindow = window.GetSdlWindow();
    if (!sdlWindow || params.BackBufferWidth == 0 || params.BackBufferHeight == 0)
    {
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(sdlWindow);
    if (!context)
    {
        std::fprintf(stderr, "OpenGL context: %s\n", SDL_GetError());
        return nullptr;
    }
    SDL_GL_MakeCurrent(sdlWindow, context);
    if (epoxy_gl_version() < 33)
    {
        std::fprintf(stderr, "OpenGL 3.3 is needed, found %d.%d\n", epoxy_gl_version() / 10, epoxy_gl_version() % 10);
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    SDL_GL_SetSwapInterval(0); // immediate presentation
#if defined(__SANITIZE_ADDRESS__)
    PinLoadedLibraries();
#endif
    CDeviceGL* device = new CDeviceGL(window, sdlWindow, context);
    if (!device->Initialise(params))
    {
        device->Release();
        return nullptr;
    }
    return device;
}

CDeviceGL::CDeviceGL(CWindow& window, SDL_Window* sdlWindow, void* context)
    : mWindow(window), mSdlWindow(sdlWindow), mContext(context)
{
}

bool CDeviceGL::Initialise(const SPresentParameters& params)
{
    glGenVertexArrays(1, &mVertexArray);
    glBindVertexArray(mVertexArray);
    glGenBuffers(1, &mStreamBuffer);
    glGenFramebuffers(1, &mFramebuffer);
    glGenSamplers(kNumSamplerStages, mSamplers);
    for (GLuint unit = 0; unit < kNumSamplerStages; ++unit)
    {
        glBindSampler(unit, mSamplers[unit]);
    }
    glFrontFace(GL_CCW); // see Conventions.h
    glDepthRange(0.0, 1.0);
    if (!params.Windowed && !mWindow.SetFullScreen(true))
    {
        return false;
    }
    mWindowed = params.Windowed;
    if (!CreateBackBuffer(params.BackBufferWidth, params.BackBufferHeight))
    {
        return false;
    }
    mBackSurface = new CSurfaceGL(this, nullptr);
    SetDefaultStates();
    mCurrentTarget = mBackSurface;
    mBackSurface->AddRef();
    BindFramebuffer();
    return glGetError() == GL_NO_ERROR;
}

CDeviceGL::~CDeviceGL()
{
    UnbindAll();
    SafeRelease(mCurrentTarget);
    SafeRelease(mBackSurface);
    // Objects still held elsewhere lose their GL objects with the context.
    for (CDeviceChild* child : mChildren)
    {
        child->Orphan();
    }
    mChildren.clear();
    for (auto& entry : mPrograms)
    {
        if (entry.second.Program)
        {
            glDeleteProgram(entry.second.Program);
        }
    }
    DestroyBackBuffer();
    glDeleteFramebuffers(1, &mFramebuffer);
    glDeleteBuffers(1, &mStreamBuffer);
    glDeleteVertexArrays(1, &mVertexArray);
    glDeleteSamplers(kNumSamplerStages, mSamplers);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(mContext));
}

bool CDeviceGL::CreateBackBuffer(std::uint32_t width, std::uint32_t height)
{
    if (width == 0 || height == 0)
    {
        return false;
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width > static_cast<std::uint32_t>(maxSize) || height > static_cast<std::uint32_t>(maxSize))
    {
        return false;
    }
    glGenTextures(1, &mBackColour);
    glBindTexture(GL_TEXTURE_2D, mBackColour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenRenderbuffers(1, &mDepthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, mDepthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    mBackWidth = width;
    mBackHeight = height;
    return true;
}

void CDeviceGL::DestroyBackBuffer()
{
    if (mBackColour)
    {
        glDeleteTextures(1, &mBackColour);
        mBackColour = 0;
    }
    if (mDepthStencil)
    {
        glDeleteRenderbuffers(1, &mDepthStencil);
        mDepthStencil = 0;
    }
}

void CDeviceGL::SetDefaultStates()
{
    mStates = SRenderStates();
    for (std::uint32_t stage = 0; stage < kNumSamplerStages; ++stage)
    {
        mSamplerStates[stage] = SSamplerStates();
        UpdateSampler(stage);
    }
}

void CDeviceGL::UnbindAll()
{
    for (CTextureGL*& texture : mTextures)
    {
        SafeRelease(texture);
    }
    SafeRelease(mStream);
    SafeRelease(mIndices);
    SafeRelease(mDeclaration);
    SafeRelease(mVertexShader);
    SafeRelease(mPixelShader);
    mFVF = 0;
}

unsigned CDeviceGL::GetDefaultPoolCount() const
{
    // Surfaces of the back buffer held outside the device count too.
    unsigned held = mBackSurface ? mBackSurface->GetRefCount() - 1 : 0;
    if (mCurrentTarget == mBackSurface && held > 0)
    {
        --held;
    }
    return mDefaultPoolObjects + held;
}

bool CDeviceGL::Reset(const SPresentParameters& params)
{
    if (mInScene || params.BackBufferWidth == 0 || params.BackBufferHeight == 0)
    {
        return false;
    }
    // Reset drops the device's own references, as D3D does, then insists
    // that the caller has released every default-pool object.
    UnbindAll();
    if (mCurrentTarget != mBackSurface)
    {
        CSurfaceGL* previous = mCurrentTarget;
        mCurrentTarget = mBackSurface;
        mBackSurface->AddRef();
        previous->Release();
    }
    if (GetDefaultPoolCount() != 0)
    {
        std::fprintf(stderr, "Device reset refused: %u default-pool objects are still alive\n",
                     GetDefaultPoolCount());
        return false;
    }
    if (params.Windowed != mWindowed)
    {
        if (!mWindow.SetFullScreen(!params.Windowed))
        {
            return false;
        }
        mWindowed = params.Windowed;
    }
    if (params.BackBufferWidth != mBackWidth || params.BackBufferHeight != mBackHeight)
    {
        DestroyBackBuffer();
        if (!CreateBackBuffer(params.BackBufferWidth, params.BackBufferHeight))
        {
            return false;
        }
    }
    SetDefaultStates();
    BindFramebuffer();
    return true;
}

bool CDeviceGL::BeginScene()
{
    if (mInScene)
    {
        return false;
    }
    mInScene = true;
    return true;
}

void CDeviceGL::EndScene()
{
    mInScene = false;
}

bool CDeviceGL::Present()
{
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(mSdlWindow, &drawableWidth, &drawableHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mFramebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mBackColour, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const bool sameSize = drawableWidth == static_cast<int>(mBackWidth) && drawableHeight == static_cast<int>(mBackHeight);
    // Memory row 0 is the top of the image: flip it onto the window.
    glBlitFramebuffer(0, 0, static_cast<GLint>(mBackWidth), static_cast<GLint>(mBackHeight), 0, drawableHeight,
                      drawableWidth, 0, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(mSdlWindow);
    BindFramebuffer();
    return true;
}

std::uint32_t CDeviceGL::GetTargetWidth() const
{
    return mCurrentTarget ? mCurrentTarget->GetWidth() : mBackWidth;
}

std::uint32_t CDeviceGL::GetTargetHeight() const
{
    return mCurrentTarget ? mCurrentTarget->GetHeight() : mBackHeight;
}

void CDeviceGL::BindFramebuffer()
{
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mCurrentTarget->GetColourTexture(), 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, mDepthStencil);
    glViewport(0, 0, static_cast<GLsizei>(GetTargetWidth()), static_cast<GLsizei>(GetTargetHeight()));
}

void CDeviceGL::ApplyRenderTargetMasks()
{
    // X8 targets keep alpha at 1: it is cleared to 1 and never written.
    const GLboolean alpha = mCurrentTarget->HasAlpha() ? GL_TRUE : GL_FALSE;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, alpha);
}

void CDeviceGL::Clear(std::uint32_t flags, std::uint32_t colour, float z, std::uint32_t stencil)
{
    GLbitfield mask = 0;
    glDisable(GL_SCISSOR_TEST);
    if (flags & kClearTarget)
    {
        const float a = mCurrentTarget->HasAlpha() ? static_cast<float>((colour >> 24) & 0xFF) / 255.0f : 1.0f;
        glClearColor(static_cast<float>((colour >> 16) & 0xFF) / 255.0f, static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(colour & 0xFF) / 255.0f, a);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & kClearZBuffer)
    {
        glDepthMask(GL_TRUE);
        glClearDepth(static_cast<double>(std::min(std::max(z, 0.0f), 1.0f)));
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & kClearStencil)
    {
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(stencil & 0xFF));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (mask)
    {
        glClear(mask);
    }
}

void CDeviceGL::SetRenderState(ERenderState state, std::uint32_t value)
{
    switch (state)
    {
    case kRSZEnable: mStates.ZEnable = value; break;
    case kRSZWriteEnable: mStates.ZWriteEnable = value; break;
    case kRSAlphaTestEnable: mStates.AlphaTestEnable = value; break;
    case kRSSrcBlend: mStates.SrcBlend = value; break;
    case kRSDestBlend: mStates.DestBlend = value; break;
    case kRSCullMode: mStates.CullMode = value; break;
    case kRSZFunc: mStates.ZFunc = value; break;
    case kRSAlphaRef: mStates.AlphaRef = value; break;
    case kRSAlphaFunc: mStates.AlphaFunc = value; break;
    case kRSAlphaBlendEnable: mStates.AlphaBlendEnable = value; break;
    }
}

std::uint32_t CDeviceGL::GetRenderState(ERenderState state) const
{
    switch (state)
    {
    case kRSZEnable: return mStates.ZEnable;
    case kRSZWriteEnable: return mStates.ZWriteEnable;
    case kRSAlphaTestEnable: return mStates.AlphaTestEnable;
    case kRSSrcBlend: return mStates.SrcBlend;
    case kRSDestBlend: return mStates.DestBlend;
    case kRSCullMode: return mStates.CullMode;
    case kRSZFunc: return mStates.ZFunc;
    case kRSAlphaRef: return mStates.AlphaRef;
    case kRSAlphaFunc: return mStates.AlphaFunc;
    case kRSAlphaBlendEnable: return mStates.AlphaBlendEnable;
    }
    return 0;
}

namespace
{

GLint WrapMode(std::uint32_t address)
{
    switch (address)
    {
    case kAddressMirror: return GL_MIRRORED_REPEAT;
    case kAddressClamp: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

GLint MinFilterMode(std::uint32_t minFilter, std::uint32_t mipFilter)
{
    const bool linear = minFilter == kFilterLinear;
    switch (mipFilter)
    {
    case kFilterPoint: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case kFilterLinear: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default: return linear ? GL_LINEAR : GL_NEAREST;
    }
}

GLenum BlendFactor(std::uint32_t blend)
{
    switch (blend)
    {
    case kBlendZero: return GL_ZERO;
    case kBlendOne: return GL_ONE;
    case kBlendSrcColour: return GL_SRC_COLOR;
    case kBlendInvSrcColour: return GL_ONE_MINUS_SRC_COLOR;
    case kBlendSrcAlpha: return GL_SRC_ALPHA;
    case kBlendInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case kBlendDestAlpha: return GL_DST_ALPHA;
    case kBlendInvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case kBlendDestColour: return GL_DST_COLOR;
    case kBlendInvDestColour: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
    }
}

GLenum CompareFunc(std::uint32_t compare)
{
    switch (compare)
    {
    case kCmpNever: return GL_NEVER;
    case kCmpLess: return GL_LESS;
    case kCmpEqual: return GL_EQUAL;
    case kCmpLessEqual: return GL_LEQUAL;
    case kCmpGreater: return GL_GREATER;
    case kCmpNotEqual: return GL_NOTEQUAL;
    case kCmpGreaterEqual: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

} // namespace

void CDeviceGL::UpdateSampler(std::uint32_t stage)
{
    const SSamplerStates& s = mSamplerStates[stage];
    const GLuint sampler = mSamplers[stage];
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, WrapMode(s.AddressU));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, WrapMode(s.AddressV));
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, s.MagFilter == kFilterLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, MinFilterMode(s.MinFilter, s.MipFilter));
}

void CDeviceGL::RestoreSampler(GLuint unit)
{
    glBindSampler(unit, mSamplers[unit]);
}

void CDeviceGL::SetSamplerState(std::uint32_t stage, ESamplerState state, std::uint32_t value)
{
    if (stage >= kNumSamplerStages)
    {
        return;
    }
    SSamplerStates& s = mSamplerStates[stage];
    switch (state)
    {
    case kSampAddressU: s.AddressU = value; break;
    case kSampAddressV: s.AddressV = value; break;
    case kSampMagFilter: s.MagFilter = value; break;
    case kSampMinFilter: s.MinFilter = value; break;
    case kSampMipFilter: s.MipFilter = value; break;
    default: return;
    }
    UpdateSampler(stage);
}

std::uint32_t CDeviceGL::GetSamplerState(std::uint32_t stage, ESamplerState state) const
{
    if (stage >= kNumSamplerStages)
    {
        return 0;
    }
    const SSamplerStates& s = mSamplerStates[stage];
    switch (state)
    {
    case kSampAddressU: return s.AddressU;
    case kSampAddressV: return s.AddressV;
    case kSampMagFilter: return s.MagFilter;
    case kSampMinFilter: return s.MinFilter;
    case kSampMipFilter: return s.MipFilter;
    }
    return 0;
}

namespace
{

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

} // namespace

void CDeviceGL::SetTexture(std::uint32_t stage, CTexture* texture)
{
    if (stage < kNumSamplerStages)
    {
        Rebind(mTextures[stage], texture);
    }
}

CSurface* CDeviceGL::GetRenderTarget(std::uint32_t index)
{
    if (index != 0 || !mCurrentTarget)
    {
        return nullptr;
    }
    mCurrentTarget->AddRef();
    return mCurrentTarget;
}

bool CDeviceGL::SetRenderTarget(std::uint32_t index, CSurface* surface)
{
    if (index != 0 || !surface)
    {
        return false;
    }
    Rebind(mCurrentTarget, surface);
    BindFramebuffer();
    return true;
}

CTexture* CDeviceGL::CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                   std::uint32_t usage, EFormat format, EPool pool)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width == 0 || height == 0 || width > static_cast<std::uint32_t>(maxSize) ||
        height > static_cast<std::uint32_t>(maxSize) || (format != kFormatA8R8G8B8 && format != kFormatX8R8G8B8))
    {
        return nullptr;
    }
    const bool renderTarget = (usage & kUsageRenderTarget) != 0;
    if (renderTarget && pool != kPoolDefault)
    {
        return nullptr; // as in D3D, render targets live in the default pool
    }
    std::uint32_t full = 1;
    for (std::uint32_t size = std::max(width, height); size > 1; size /= 2)
    {
        ++full;
    }
    levels = renderTarget ? 1 : (levels == 0 ? full : std::min(levels, full));
    return new CTextureGL(this, width, height, levels, renderTarget, format);
}

CTexture* CDeviceGL::CreateTextureFromPixels(std::uint32_t width, std::uint32_t height, const std::uint8_t* rgba,
                                             bool mipmaps)
{
    if (!rgba)
    {
        return nullptr;
    }
    CTexture* texture = CreateTexture(width, height, mipmaps ? 0 : 1, kUsageNone, kFormatA8R8G8B8, kPoolManaged);
    if (texture)
    {
        static_cast<CTextureGL*>(texture)->Upload(rgba);
    }
    return texture;
}

CTexture* CDeviceGL::CreateTextureFromFile(const std::string& path)
{
    SDL_Surface* loaded = IMG_Load(NativePath(path).c_str());
    if (!loaded)
    {
        return nullptr;
    }
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (!converted)
    {
        return nullptr;
    }
    CTexture* texture = nullptr;
    if (SDL_LockSurface(converted) == 0)
    {
        const std::uint32_t width = static_cast<std::uint32_t>(converted->w);
        const std::uint32_t height = static_cast<std::uint32_t>(converted->h);
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
        const std::uint8_t* source = static_cast<const std::uint8_t*>(converted->pixels);
        for (std::uint32_t row = 0; row < height; ++row)
        {
            std::memcpy(pixels.data() + static_cast<std::size_t>(row) * width * 4,
                        source + static_cast<std::size_t>(row) * static_cast<std::size_t>(converted->pitch),
                        static_cast<std::size_t>(width) * 4);
        }
        SDL_UnlockSurface(converted);
        texture = CreateTextureFromPixels(width, height, pixels.data(), true);
    }
    SDL_FreeSurface(converted);
    return texture;
}

CVertexBuffer* CDeviceGL::CreateVertexBuffer(std::uint32_t length, std::uint32_t, std::uint32_t, EPool)
{
    if (length == 0)
    {
        return nullptr;
    }
    return new CVertexBufferGL(this, length);
}

CIndexBuffer* CDeviceGL::CreateIndexBuffer(std::uint32_t length, std::uint32_t, EFormat format, EPool)
{
    if (length == 0 || (format != kFormatIndex16 && format != kFormatIndex32))
    {
        return nullptr;
    }
    return new CIndexBufferGL(this, length, format);
}

bool CDeviceGL::SetStreamSource(std::uint32_t stream, CVertexBuffer* buffer, std::uint32_t offset,
                                std::uint32_t stride)
{
    if (stream != 0)
    {
        return false;
    }
    Rebind(mStream, buffer);
    mStreamOffset = offset;
    mStreamStride = stride;
    return true;
}

bool CDeviceGL::SetIndices(CIndexBuffer* buffer)
{
    Rebind(mIndices, buffer);
    return true;
}

namespace
{

bool ElementFormat(std::uint8_t type, GLint& size, GLenum& glType, GLboolean& normalised, std::uint32_t& bytes)
{
    switch (type)
    {
    case kDeclFloat1: size = 1; glType = GL_FLOAT; normalised = GL_FALSE; bytes = 4; return true;
    case kDeclFloat2: size = 2; glType = GL_FLOAT; normalised = GL_FALSE; bytes = 8; return true;
    case kDeclFloat3: size = 3; glType = GL_FLOAT; normalised = GL_FALSE; bytes = 12; return true;
    case kDeclFloat4: size = 4; glType = GL_FLOAT; normalised = GL_FALSE; bytes = 16; return true;
    case kDeclColour: size = GL_BGRA; glType = GL_UNSIGNED_BYTE; normalised = GL_TRUE; bytes = 4; return true;
    case kDeclUByte4: size = 4; glType = GL_UNSIGNED_BYTE; normalised = GL_FALSE; bytes = 4; return true;
    default: return false;
    }
}

} // namespace

CVertexDeclaration* CDeviceGL::CreateVertexDeclaration(const SVertexElement* elements)
{
    if (!elements)
    {
        return nullptr;
    }
    std::vector<SVertexElement> list;
    for (const SVertexElement* e = elements; e->Stream != 0xFF; ++e)
    {
        GLint size;
        GLenum type;
        GLboolean normalised;
        std::uint32_t bytes;
        if (e->Stream != 0 || !ElementFormat(e->Type, size, type, normalised, bytes) ||
            AttributeLocationForUsage(e->Usage, e->UsageIndex) < 0 || list.size() >= kMaxAttributes)
        {
            return nullptr;
        }
        list.push_back(*e);
    }
    return new CVertexDeclarationGL(this, std::move(list));
}

void CDeviceGL::SetVertexDeclaration(CVertexDeclaration* declaration)
{
    Rebind(mDeclaration, declaration);
    mFVF = 0;
}

void CDeviceGL::SetFVF(std::uint32_t fvf)
{
    mFVF = fvf;
}

namespace
{

bool MakeStage(CShaderCode* code, EShaderStage expected, SShaderStageGL& stage)
{
    if (!code || code->GetCompiled().Stage != expected)
    {
        return false;
    }
    stage.Compiled = code->GetCompiled();
    stage.Storage = code->GetStorage();
    stage.Shader = CompileGlslStage(expected == kVertexStage ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER,
                                    stage.Compiled.Glsl, "shader");
    if (!stage.Shader)
    {
        return false;
    }
    if (stage.Compiled.BlockSize > 0)
    {
        glGenBuffers(1, &stage.Buffer);
        glBindBuffer(GL_UNIFORM_BUFFER, stage.Buffer);
        glBufferData(GL_UNIFORM_BUFFER, stage.Compiled.BlockSize, nullptr, GL_DYNAMIC_DRAW);
        glBindBuffer(GL_UNIFORM_BUFFER, 0);
    }
    return true;
}

} // namespace

CVertexShader* CDeviceGL::CreateVertexShader(CShaderCode* code)
{
    SShaderStageGL stage;
    if (!MakeStage(code, kVertexStage, stage))
    {
        DeleteStage(stage);
        return nullptr;
    }
    return new CVertexShaderGL(this, std::move(stage));
}

CPixelShader* CDeviceGL::CreatePixelShader(CShaderCode* code)
{
    SShaderStageGL stage;
    if (!MakeStage(code, kPixelStage, stage))
    {
        DeleteStage(stage);
        return nullptr;
    }
    return new CPixelShaderGL(this, std::move(stage));
}

void CDeviceGL::SetVertexShader(CVertexShader* shader)
{
    Rebind(mVertexShader, shader);
}

void CDeviceGL::SetPixelShader(CPixelShader* shader)
{
    Rebind(mPixelShader, shader);
}

void CDeviceGL::ForgetVertexShader(CVertexShaderGL* shader)
{
    for (auto it = mPrograms.begin(); it != mPrograms.end();)
    {
        if (it->first.first == shader)
        {
            if (it->second.Program)
            {
                glDeleteProgram(it->second.Program);
            }
            it = mPrograms.erase(it);
        }
        else
        {
            ++it;
        }
    }
}

void CDeviceGL::ForgetPixelShader(CPixelShaderGL* shader)
{
    for (auto it = mPrograms.begin(); it != mPrograms.end();)
    {
        if (it->first.second == shader)
        {
            if (it->second.Program)
            {
                glDeleteProgram(it->second.Program);
            }
            it = mPrograms.erase(it);
        }
        else
        {
            ++it;
        }
    }
}

GLuint CDeviceGL::MakePretransformedVertexShader(CPixelShaderGL* ps)
{
    // Screen-pixel vertices (x, y, z, 1/w) and two texture sets, feeding
    // whatever the pixel shader reads (TEXCOORD0/1 from the sets, COLOR0
    // white as D3D's default diffuse, the rest zero).
    std::string source = "#version 330\n"
                         "layout(location = 0) in vec4 a_POSITIONT;\n"
                         "layout(location = 2) in vec4 a_TEXCOORD0;\n"
                         "layout(location = 3) in vec4 a_TEXCOORD1;\n"
                         "uniform vec2 tsv_TargetSize;\n";
    std::string body;
    for (const SShaderVarying& input : ps->Stage.Compiled.Inputs)
    {
        const bool wide = input.GlslType == "vec4";
        source += "out " + input.GlslType + " " + input.GlslName + ";\n";
        std::string value;
        if (input.Semantic == "TEXCOORD0")
        {
            value = "vec4(a_TEXCOORD0.xy, 0.0, 1.0)";
        }
        else if (input.Semantic == "TEXCOORD1")
        {
            value = "vec4(a_TEXCOORD1.xy, 0.0, 1.0)";
        }
        else if (input.Semantic == "COLOR0")
        {
            value = "vec4(1.0)";
        }
        else
        {
            value = "vec4(0.0, 0.0, 0.0, 1.0)";
        }
        if (wide)
        {
            body += "    " + input.GlslName + " = " + value + ";\n";
        }
        else
        {
            body += "    " + input.GlslName + " = " + input.GlslType + "(0);\n";
        }
    }
    source += "void main()\n{\n"
              "    float w = 1.0 / a_POSITIONT.w;\n"
              "    vec2 ndc = (a_POSITIONT.xy + 0.5) * 2.0 / tsv_TargetSize - 1.0;\n"
              "    gl_Position = vec4(ndc * w, (a_POSITIONT.z * 2.0 - 1.0) * w, w);\n" +
              body + "}\n";
    return CompileGlslStage(GL_VERTEX_SHADER, source, "pre-transformed vertices");
}

SProgramGL* CDeviceGL::GetProgram(CVertexShaderGL* vs, CPixelShaderGL* ps)
{
    const auto key = std::make_pair(static_cast<const void*>(vs), static_cast<const void*>(ps));
    auto found = mPrograms.find(key);
    if (found != mPrograms.end())
    {
        return found->second.Failed ? nullptr : &found->second;
    }
    SProgramGL& program = mPrograms[key];
    GLuint vertex = 0;
    if (vs)
    {
        vertex = vs->Stage.Shader;
    }
    else
    {
        if (!ps->PretransformedVertexShader)
        {
            ps->PretransformedVertexShader = MakePretransformedVertexShader(ps);
        }
        vertex = ps->PretransformedVertexShader;
    }
    if (!vertex || !(program.Program = LinkGlslProgram(vertex, ps->Stage.Shader, "program")))
    {
        program.Failed = true;
        std::fprintf(stderr, "%s\n", LastShaderLog().c_str());
        return nullptr;
    }
    const GLuint name = program.Program;
    glUseProgram(name);
    const GLuint vsBlock = glGetUniformBlockIndex(name, kVertexConstantBlock);
    if (vsBlock != GL_INVALID_INDEX)
    {
        glUniformBlockBinding(name, vsBlock, kVertexConstantBinding);
    }
    const GLuint psBlock = glGetUniformBlockIndex(name, kPixelConstantBlock);
    if (psBlock != GL_INVALID_INDEX)
    {
        glUniformBlockBinding(name, psBlock, kPixelConstantBinding);
    }
    auto bindSamplers = [&](const SCompiledShader& compiled) {
        for (const SShaderSampler& sampler : compiled.Samplers)
        {
            const GLint location = glGetUniformLocation(name, sampler.GlslName.c_str());
            if (location >= 0 && sampler.Stage < kNumSamplerStages)
            {
                glUniform1i(location, static_cast<GLint>(sampler.Stage));
                program.Stages.push_back(sampler.Stage);
            }
        }
    };
    if (vs)
    {
        bindSamplers(vs->Stage.Compiled);
    }
    bindSamplers(ps->Stage.Compiled);
    program.PixelOffset = glGetUniformLocation(name, kPixelOffsetUniform);
    program.TargetSize = glGetUniformLocation(name, "tsv_TargetSize");
    program.AlphaFunc = glGetUniformLocation(name, "tsv_AlphaFunc");
    program.AlphaRef = glGetUniformLocation(name, "tsv_AlphaRef");
    return &program;
}

void CDeviceGL::UploadConstants(SShaderStageGL& stage, GLuint binding)
{
    if (!stage.Buffer)
    {
        return;
    }
    glBindBufferBase(GL_UNIFORM_BUFFER, binding, stage.Buffer);
    if (stage.UploadedVersion != stage.Storage->Version)
    {
        glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(stage.Storage->Bytes.size()),
                        stage.Storage->Bytes.data());
        stage.UploadedVersion = stage.Storage->Version;
    }
}

void CDeviceGL::ApplyRenderStates(const SProgramGL& program)
{
    switch (mStates.CullMode)
    {
    case kCullNone: glDisable(GL_CULL_FACE); break;
    case kCullCW: glEnable(GL_CULL_FACE); glCullFace(GL_FRONT); break;
    default: glEnable(GL_CULL_FACE); glCullFace(GL_BACK); break;
    }
    if (mStates.ZEnable)
    {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunc(mStates.ZFunc));
    }
    else
    {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(mStates.ZWriteEnable ? GL_TRUE : GL_FALSE);
    if (mStates.AlphaBlendEnable)
    {
        glEnable(GL_BLEND);
        glBlendFunc(BlendFactor(mStates.SrcBlend), BlendFactor(mStates.DestBlend));
    }
    else
    {
        glDisable(GL_BLEND);
    }
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    ApplyRenderTargetMasks();
    if (program.AlphaFunc >= 0)
    {
        glUniform1i(program.AlphaFunc,
                    mStates.AlphaTestEnable ? static_cast<GLint>(mStates.AlphaFunc) : static_cast<GLint>(kCmpAlways));
        glUniform1f(program.AlphaRef, static_cast<float>(mStates.AlphaRef & 0xFF));
    }
    if (program.PixelOffset >= 0)
    {
        float x, y;
        PixelOffsetFor(GetTargetWidth(), GetTargetHeight(), x, y);
        glUniform2f(program.PixelOffset, x, y);
    }
    if (program.TargetSize >= 0)
    {
        glUniform2f(program.TargetSize, static_cast<float>(GetTargetWidth()), static_cast<float>(GetTargetHeight()));
    }
    for (std::uint32_t stage : program.Stages)
    {
        glActiveTexture(GL_TEXTURE0 + stage);
        glBindTexture(GL_TEXTURE_2D, mTextures[stage] ? mTextures[stage]->GetName() : 0);
    }
    glActiveTexture(GL_TEXTURE0);
}

bool CDeviceGL::PrepareDraw(bool pretransformed, std::int32_t baseVertex, std::uintptr_t streamBase)
{
    if (!mPixelShader || (!pretransformed && (!mVertexShader || !mDeclaration)))
    {
        return false;
    }
    SProgramGL* program = GetProgram(pretransformed ? nullptr : mVertexShader, mPixelShader);
    if (!program)
    {
        return false;
    }
    glUseProgram(program->Program);
    if (!pretransformed)
    {
        UploadConstants(mVertexShader->Stage, kVertexConstantBinding);
    }
    UploadConstants(mPixelShader->Stage, kPixelConstantBinding);
    ApplyRenderStates(*program);
    glBindVertexArray(mVertexArray);

    // Attributes: from the declaration, or the fixed pre-transformed layout.
    unsigned enabled = 0;
    auto attribute = [&](int location, GLint size, GLenum type, GLboolean normalised, GLsizei stride,
                         std::uintptr_t offset) {
        glEnableVertexAttribArray(static_cast<GLuint>(location));
        glVertexAttribPointer(static_cast<GLuint>(location), size, type, normalised, stride,
                              reinterpret_cast<const void*>(offset));
        enabled |= 1u << location;
    };
    if (pretransformed)
    {
        const GLsizei stride = static_cast<GLsizei>(mStreamStride);
        attribute(0, 4, GL_FLOAT, GL_FALSE, stride, streamBase);
        const unsigned sets = (mFVF >> 8) & 0xF;
        for (unsigned set = 0; set < sets && set < 2; ++set)
        {
            attribute(2 + static_cast<int>(set), 2, GL_FLOAT, GL_FALSE, stride, streamBase + 16 + set * 8);
        }
    }
    else
    {
        if (!mStream)
        {
            return false;
        }
        glBindBuffer(GL_ARRAY_BUFFER, mStream->GetName());
        const std::uintptr_t base = mStreamOffset + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(baseVertex) *
                                                                                  static_cast<std::intptr_t>(mStreamStride));
        for (const SVertexElement& e : mDeclaration->GetElements())
        {
            // Declarations are checked when created, so this always succeeds.
            GLint size = 0;
            GLenum type = GL_FLOAT;
            GLboolean normalised = GL_FALSE;
            std::uint32_t bytes = 0;
            ElementFormat(e.Type, size, type, normalised, bytes);
            attribute(AttributeLocationForUsage(e.Usage, e.UsageIndex), size, type, normalised,
                      static_cast<GLsizei>(mStreamStride), base + e.Offset);
        }
    }
    const unsigned stale = mEnabledAttributes & ~enabled;
    for (int location = 0; location < kMaxAttributes; ++location)
    {
        if (stale & (1u << location))
        {
            glDisableVertexAttribArray(static_cast<GLuint>(location));
        }
    }
    mEnabledAttributes = enabled;
    return true;
}

namespace
{

GLenum PrimitiveMode(EPrimitiveType type)
{
    switch (type)
    {
    case kPrimTriangleStrip: return GL_TRIANGLE_STRIP;
    case kPrimTriangleFan: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

std::uint32_t VertexCount(EPrimitiveType type, std::uint32_t primitives)
{
    if (primitives == 0)
    {
        return 0;
    }
    return type == kPrimTriangleList ? primitives * 3 : primitives + 2;
}

} // namespace

bool CDeviceGL::DrawIndexedPrimitive(EPrimitiveType type, std::int32_t baseVertex, std::uint32_t,
                                     std::uint32_t, std::uint32_t startIndex, std::uint32_t primitiveCount)
{
    const std::uint32_t count = VertexCount(type, primitiveCount);
    if (!mIndices || !mStream || count == 0)
    {
        return false;
    }
    const std::uint32_t indexSize = mIndices->GetFormat() == kFormatIndex16 ? 2 : 4;
    if (startIndex > mIndices->GetLength() / indexSize || count > mIndices->GetLength() / indexSize - startIndex)
    {
        return false; // past the end of the index buffer
    }
    // Indices must stay inside the vertex buffer; GL would read past it.
    if (mStreamStride == 0 || baseVertex < 0)
    {
        return false;
    }
    const std::uint64_t vertices = (mStream->GetLength() - std::min(mStream->GetLength(), mStreamOffset)) / mStreamStride;
    if (static_cast<std::uint64_t>(baseVertex) + mIndices->MaxIndexOverall() >= vertices &&
        static_cast<std::uint64_t>(baseVertex) + mIndices->MaxIndex(startIndex, count) >= vertices)
    {
        return false;
    }
    if (!PrepareDraw(false, 0, 0))
    {
        return false;
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mIndices->GetName());
    glDrawElementsBaseVertex(PrimitiveMode(type), static_cast<GLsizei>(count),
                             indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                             reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * indexSize),
                             baseVertex);
    return true;
}

bool CDeviceGL::DrawPrimitive(EPrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount)
{
    const std::uint32_t count = VertexCount(type, primitiveCount);
    if (!mStream || count == 0 || mStreamStride == 0)
    {
        return false;
    }
    const std::uint64_t vertices = (mStream->GetLength() - std::min(mStream->GetLength(), mStreamOffset)) / mStreamStride;
    if (static_cast<std::uint64_t>(startVertex) + count > vertices || !PrepareDraw(false, 0, 0))
    {
        return false;
    }
    glDrawArrays(PrimitiveMode(type), static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
    return true;
}

bool CDeviceGL::DrawPrimitiveUP(EPrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                                std::uint32_t stride)
{
    const std::uint32_t count = VertexCount(type, primitiveCount);
    if (!vertices || count == 0 || stride == 0)
    {
        return false;
    }
    const bool pretransformed = (mFVF & kFVFXYZRHW) != 0;
    if (pretransformed && stride < 16 + 8 * ((mFVF >> 8) & 0xF))
    {
        return false;
    }
    // The vertices go through the device's stream buffer, which stands in
    // for stream 0 during this draw.
    glBindVertexArray(mVertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, mStreamBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * stride, vertices, GL_STREAM_DRAW);
    CVertexBufferGL* savedStream = mStream;
    const std::uint32_t savedOffset = mStreamOffset;
    const std::uint32_t savedStride = mStreamStride;
    mStreamStride = stride;
    bool ok = false;
    if (pretransformed)
    {
        ok = PrepareDraw(true, 0, 0);
    }
    else if (mPixelShader && mVertexShader && mDeclaration)
    {
        // Same as a declaration draw but from the stream buffer.
        SProgramGL* program = GetProgram(mVertexShader, mPixelShader);
        if (program)
        {
            glUseProgram(program->Program);
            UploadConstants(mVertexShader->Stage, kVertexConstantBinding);
            UploadConstants(mPixelShader->Stage, kPixelConstantBinding);
            ApplyRenderStates(*program);
            glBindBuffer(GL_ARRAY_BUFFER, mStreamBuffer);
            unsigned enabled = 0;
            for (const SVertexElement& e : mDeclaration->GetElements())
            {
                GLint size = 0;
                GLenum glType = GL_FLOAT;
                GLboolean normalised = GL_FALSE;
                std::uint32_t bytes = 0;
                ElementFormat(e.Type, size, glType, normalised, bytes);
                const int location = AttributeLocationForUsage(e.Usage, e.UsageIndex);
                glEnableVertexAttribArray(static_cast<GLuint>(location));
                glVertexAttribPointer(static_cast<GLuint>(location), size, glType, normalised,
                                      static_cast<GLsizei>(stride),
                                      reinterpret_cast<const void*>(static_cast<std::uintptr_t>(e.Offset)));
                enabled |= 1u << location;
            }
            for (int location = 0; location < kMaxAttributes; ++location)
            {
                if ((mEnabledAttributes & ~enabled) & (1u << location))
                {
                    glDisableVertexAttribArray(static_cast<GLuint>(location));
                }
            }
            mEnabledAttributes = enabled;
            ok = true;
        }
    }
    if (ok)
    {
        glBindBuffer(GL_ARRAY_BUFFER, mStreamBuffer);
        glDrawArrays(PrimitiveMode(type), 0, static_cast<GLsizei>(count));
    }
    mStream = savedStream;
    mStreamOffset = savedOffset;
    mStreamStride = savedStride;
    return ok;
}

bool CDeviceGL::ReadRenderTarget(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height)
{
    width = GetTargetWidth();
    height = GetTargetHeight();
    rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
    if (!mCurrentTarget->HasAlpha())
    {
        for (std::size_t i = 3; i < rgba.size(); i += 4)
        {
            rgba[i] = 255;
        }
    }
    return glGetError() == GL_NO_ERROR;
}

bool CDeviceGL::ReadBackBuffer(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height)
{
    CSurfaceGL* previous = mCurrentTarget;
    mCurrentTarget = mBackSurface;
    BindFramebuffer();
    const bool ok = ReadRenderTarget(rgba, width, height);
    mCurrentTarget = previous;
    BindFramebuffer();
    return ok;
}

} // namespace gen
