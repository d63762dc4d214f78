// The device's textures and depth buffer as the inspector shows them.
#include "Platform/UiRenderer.h"

#include "DeviceGL.h"
#include "GlProfile.h"

#include <algorithm>
#include <cstdint>

namespace gen
{

namespace
{

// Puts back the 2D texture bound on the active unit, which the device caches.
class CKeptTextureBinding
{
public:
    CKeptTextureBinding() { glGetIntegerv(GL_TEXTURE_BINDING_2D, &Previous); }
    ~CKeptTextureBinding() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(Previous)); }
    CKeptTextureBinding(const CKeptTextureBinding&) = delete;
    CKeptTextureBinding& operator=(const CKeptTextureBinding&) = delete;

private:
    GLint Previous = 0;
};

// ImGui's back end unbinds the device's sampler objects, so the texture's own
// filter applies; the device's draws always go through its samplers.
void NearestTexels(GLuint name)
{
    CKeptTextureBinding kept;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

void* AsTextureId(GLuint name)
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(name));
}

} // namespace

void* UiTexture(CTexture* texture)
{
    auto* gl = static_cast<CTextureGL*>(texture);
    if (!gl || !gl->Alive())
    {
        return nullptr;
    }
    NearestTexels(gl->GetName());
    return AsTextureId(gl->GetName());
}

bool ReadTexel(CTexture* texture, std::uint32_t x, std::uint32_t y, std::uint8_t rgba[4])
{
    auto* gl = static_cast<CTextureGL*>(texture);
    if (!gl || !gl->Alive() || x >= gl->GetWidth() || y >= gl->GetHeight())
    {
        return false;
    }
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    GLuint read = 0;
    glGenFramebuffers(1, &read);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl->GetName(), 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(static_cast<GLint>(x), static_cast<GLint>(y), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    glDeleteFramebuffers(1, &read);
    if (!gl->HasAlpha())
    {
        rgba[3] = 255;
    }
    return glGetError() == GL_NO_ERROR;
}

CDepthPicture::~CDepthPicture()
{
    Release();
}

const char* CDepthPicture::Unreadable()
{
    return kGlEs ? "OpenGL ES cannot read a depth buffer back" : "";
}

bool CDepthPicture::Update(std::uint32_t width, std::uint32_t height)
{
    if (kGlEs || width == 0 || height == 0)
    {
        return false;
    }
    Depths.assign(static_cast<std::size_t>(width) * height, 1.0f);
    GLint previous = 0, drawn = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawn);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(drawn));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_DEPTH_COMPONENT, GL_FLOAT,
                 Depths.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    if (glGetError() != GL_NO_ERROR)
    {
        Depths.clear();
        return false;
    }
    Width = width;
    Height = height;

    // Stretched over the depths drawn, which crowd near 1 with a far plane so far off.
    float nearest = 1.0f, farthest = 0.0f;
    for (float depth : Depths)
    {
        if (depth < 1.0f)
        {
            nearest = std::min(nearest, depth);
            farthest = std::max(farthest, depth);
        }
    }
    const float range = farthest > nearest ? farthest - nearest : 1.0f;
    // Grey as RGBA: WebGL has no texture swizzles to spread one channel.
    std::vector<std::uint8_t> grey(Depths.size() * 4, 255);
    for (std::size_t i = 0; i < Depths.size(); ++i)
    {
        const float depth = Depths[i];
        const std::uint8_t level =
            depth >= 1.0f ? 255
                          : static_cast<std::uint8_t>(std::min(std::max((depth - nearest) / range, 0.0f), 1.0f) * 254.0f);
        grey[i * 4] = grey[i * 4 + 1] = grey[i * 4 + 2] = level;
    }
    CKeptTextureBinding kept;
    if (!Name)
    {
        GLuint name = 0;
        glGenTextures(1, &name);
        Name = name;
    }
    glBindTexture(GL_TEXTURE_2D, Name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, grey.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return true;
}

void CDepthPicture::Release()
{
    if (Name)
    {
        GLuint name = Name;
        glDeleteTextures(1, &name);
        Name = 0;
    }
    Depths.clear();
    Width = Height = 0;
}

void* CDepthPicture::Texture() const
{
    return Name ? AsTextureId(Name) : nullptr;
}

float CDepthPicture::DepthAt(std::uint32_t x, std::uint32_t y) const
{
    return x < Width && y < Height ? Depths[static_cast<std::size_t>(y) * Width + x] : 1.0f;
}

} // namespace gen
