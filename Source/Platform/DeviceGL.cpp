// The device over OpenGL 3.3 core: creation, reset, presentation and read-back.
// Conventions.h explains how D3D9's screen, depth, winding and matrix
// conventions are carried over.

#include "Platform/DeviceGL.h"

#include "Common/Problems.h"
#include "Platform/CWindow.h"
#include "Platform/Conventions.h"
#include "Platform/FramePacing.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

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

CDevice* CDevice::Create(CWindow& window, const SPresentParameters& params)
{
    SDL_Window* sdlWindow = window.GetSdlWindow();
    if (!sdlWindow)
    {
        ReportProblem("device", "no window to draw into: " + std::string(SDL_GetError()));
        return nullptr;
    }
    if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0)
    {
        ReportProblem("device", "the window has no client area to draw into");
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(sdlWindow);
    if (!context)
    {
        ReportProblem("device", "no OpenGL context: " + std::string(SDL_GetError()));
        return nullptr;
    }
    SDL_GL_MakeCurrent(sdlWindow, context);
    int major = 0, minor = 0;
    if (!GlVersionSupported(major, minor))
    {
        ReportProblem("device", "OpenGL " + std::to_string(kGlContextMajor) + "." + std::to_string(kGlContextMinor) +
                                    " is needed, found " + std::to_string(major) + "." + std::to_string(minor));
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
    : Window(window), SdlWindow(sdlWindow), Context(context)
{
}

bool CDeviceGL::Initialise(const SPresentParameters& params)
{
    glGenVertexArrays(1, &VertexArray);
    glBindVertexArray(VertexArray);
    glGenBuffers(1, &StreamBuffer);
    glGenFramebuffers(1, &Framebuffer);
    glGenSamplers(kNumSamplerStages, Samplers);
    for (GLuint unit = 0; unit < kNumSamplerStages; ++unit)
    {
        glBindSampler(unit, Samplers[unit]);
    }
    glFrontFace(GL_CCW); // see Conventions.h
    GlDepthRange(0.0f, 1.0f);
    if (!params.Windowed && !Window.SetFullScreen(true))
    {
        return false;
    }
    Windowed = params.Windowed;
    if (!CreateBackBuffer(params.BackBufferWidth, params.BackBufferHeight))
    {
        return false;
    }
    BackSurface = new CSurfaceGL(this, nullptr);
    SetDefaultStates();
    CurrentTarget = BackSurface;
    BackSurface->AddRef();
    BindFramebuffer();
    return glGetError() == GL_NO_ERROR;
}

CDeviceGL::~CDeviceGL()
{
    UnbindAll();
    SafeRelease(CurrentTarget);
    SafeRelease(BackSurface);
    // Objects still held elsewhere lose their GL objects with the context.
    for (CDeviceChild* child : Children)
    {
        child->Orphan();
    }
    Children.clear();
    for (auto& entry : Programs)
    {
        if (entry.second.Program)
        {
            glDeleteProgram(entry.second.Program);
        }
    }
    DestroyBackBuffer();
    glDeleteFramebuffers(1, &Framebuffer);
    glDeleteBuffers(1, &StreamBuffer);
    glDeleteVertexArrays(1, &VertexArray);
    glDeleteSamplers(kNumSamplerStages, Samplers);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(Context));
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
    glGenTextures(1, &BackColour);
    glBindTexture(GL_TEXTURE_2D, BackColour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    GlTextureAlphaOne();
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenRenderbuffers(1, &DepthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, DepthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    BackWidth = width;
    BackHeight = height;
    return true;
}

void CDeviceGL::DestroyBackBuffer()
{
    if (BackColour)
    {
        glDeleteTextures(1, &BackColour);
        BackColour = 0;
    }
    if (DepthStencil)
    {
        glDeleteRenderbuffers(1, &DepthStencil);
        DepthStencil = 0;
    }
}

void CDeviceGL::SetDefaultStates()
{
    States = SRenderStates();
    for (std::uint32_t stage = 0; stage < kNumSamplerStages; ++stage)
    {
        SamplerStates[stage] = SSamplerStates();
        UpdateSampler(stage);
    }
}

void CDeviceGL::UnbindAll()
{
    for (CTextureGL*& texture : Textures)
    {
        SafeRelease(texture);
    }
    SafeRelease(Stream);
    SafeRelease(Indices);
    SafeRelease(Declaration);
    SafeRelease(VertexShader);
    SafeRelease(PixelShader);
    FVF = 0;
}

unsigned CDeviceGL::GetDefaultPoolCount() const
{
    // Surfaces of the back buffer held outside the device count too.
    unsigned held = BackSurface ? BackSurface->GetRefCount() - 1 : 0;
    if (CurrentTarget == BackSurface && held > 0)
    {
        --held;
    }
    return DefaultPoolObjects + held;
}

bool CDeviceGL::Reset(const SPresentParameters& params)
{
    if (InScene || params.BackBufferWidth == 0 || params.BackBufferHeight == 0)
    {
        return false;
    }
    // Reset drops the device's own references, as D3D does, then insists
    // that the caller has released every default-pool object.
    UnbindAll();
    if (CurrentTarget != BackSurface)
    {
        CSurfaceGL* previous = CurrentTarget;
        CurrentTarget = BackSurface;
        BackSurface->AddRef();
        previous->Release();
    }
    if (GetDefaultPoolCount() != 0)
    {
        std::fprintf(stderr, "Device reset refused: %u default-pool objects are still alive\n",
                     GetDefaultPoolCount());
        return false;
    }
    if (params.Windowed != Windowed)
    {
        if (!Window.SetFullScreen(!params.Windowed))
        {
            return false;
        }
        Windowed = params.Windowed;
    }
    if (params.BackBufferWidth != BackWidth || params.BackBufferHeight != BackHeight)
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
    if (InScene)
    {
        return false;
    }
    InScene = true;
    return true;
}

void CDeviceGL::EndScene()
{
    InScene = false;
}

bool CDeviceGL::Present()
{
    std::int32_t drawableWidth = 0;
    std::int32_t drawableHeight = 0;
    Window.GetDrawableSize(drawableWidth, drawableHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, Framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, BackColour, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const bool sameSize = drawableWidth == static_cast<int>(BackWidth) && drawableHeight == static_cast<int>(BackHeight);
    // Memory row 0 is the top of the image: flip it onto the window.
    glBlitFramebuffer(0, 0, static_cast<GLint>(BackWidth), static_cast<GLint>(BackHeight), 0, drawableHeight,
                      drawableWidth, 0, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(SdlWindow);
    WaitForDisplayFrame();
    BindFramebuffer();
    return true;
}

std::uint32_t CDeviceGL::GetTargetWidth() const
{
    return CurrentTarget ? CurrentTarget->GetWidth() : BackWidth;
}

std::uint32_t CDeviceGL::GetTargetHeight() const
{
    return CurrentTarget ? CurrentTarget->GetHeight() : BackHeight;
}

void CDeviceGL::BindFramebuffer()
{
    glBindFramebuffer(GL_FRAMEBUFFER, Framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, CurrentTarget->GetColourTexture(), 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, DepthStencil);
    glViewport(0, 0, static_cast<GLsizei>(GetTargetWidth()), static_cast<GLsizei>(GetTargetHeight()));
}

void CDeviceGL::ApplyRenderTargetMasks()
{
    // X8 targets keep alpha at 1: it is cleared to 1 and never written.
    const GLboolean alpha = CurrentTarget->HasAlpha() ? GL_TRUE : GL_FALSE;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, alpha);
}

void CDeviceGL::Clear(std::uint32_t flags, std::uint32_t colour, float z, std::uint32_t stencil)
{
    GLbitfield mask = 0;
    glDisable(GL_SCISSOR_TEST);
    if (flags & kClearTarget)
    {
        const float a = CurrentTarget->HasAlpha() ? static_cast<float>((colour >> 24) & 0xFF) / 255.0f : 1.0f;
        glClearColor(static_cast<float>((colour >> 16) & 0xFF) / 255.0f, static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(colour & 0xFF) / 255.0f, a);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & kClearZBuffer)
    {
        glDepthMask(GL_TRUE);
        GlClearDepth(std::min(std::max(z, 0.0f), 1.0f));
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

bool CDeviceGL::ReadRenderTarget(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height)
{
    width = GetTargetWidth();
    height = GetTargetHeight();
    rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, Framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
    if (!CurrentTarget->HasAlpha())
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
    CSurfaceGL* previous = CurrentTarget;
    CurrentTarget = BackSurface;
    BindFramebuffer();
    const bool ok = ReadRenderTarget(rgba, width, height);
    CurrentTarget = previous;
    BindFramebuffer();
    return ok;
}

bool CDeviceGL::CopyRenderTarget(CTexture* texture)
{
    auto* target = static_cast<CTextureGL*>(texture);
    const std::uint32_t width = GetTargetWidth(), height = GetTargetHeight();
    if (!target || !target->IsRenderTarget() || target->GetWidth() != width || target->GetHeight() != height)
    {
        return false;
    }
    GLuint copy = 0;
    glGenFramebuffers(1, &copy);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copy);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target->GetName(), 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, Framebuffer);
    glBlitFramebuffer(0, 0, static_cast<GLint>(width), static_cast<GLint>(height), 0, 0, static_cast<GLint>(width),
                      static_cast<GLint>(height), GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glDeleteFramebuffers(1, &copy);
    BindFramebuffer();
    return glGetError() == GL_NO_ERROR;
}

} // namespace gen
