// The device's objects and their binding: surfaces, textures, render targets,
// vertex and index buffers, vertex declarations.

#include "Platform/DeviceGL.h"

#include "Common/DataFolder.h"
#include "Common/FileProblem.h"
#include "Common/ImageHeader.h"
#include "Common/NameCase.h"
#include "Platform/Conventions.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace gen
{

namespace
{

// Levels from width x height down to 1 x 1.
std::uint32_t FullMipChain(std::uint32_t width, std::uint32_t height)
{
    std::uint32_t full = 1;
    for (std::uint32_t size = std::max(width, height); size > 1; size /= 2)
    {
        ++full;
    }
    return full;
}

} // namespace

CDeviceChild::CDeviceChild(CDeviceGL* device) : OwnerDevice(device)
{
    OwnerDevice->AddChild(this);
}

CDeviceChild::~CDeviceChild()
{
    if (OwnerDevice)
    {
        OwnerDevice->RemoveChild(this);
    }
}

CSurfaceGL::CSurfaceGL(CDeviceGL* device, CTextureGL* texture) : CDeviceChild(device), Texture(texture)
{
    if (Texture)
    {
        Texture->AddRef();
    }
}

CSurfaceGL::~CSurfaceGL()
{
    if (Texture)
    {
        Texture->SurfaceGone();
        Texture->Release();
    }
}

std::uint32_t CSurfaceGL::GetWidth() const
{
    return Texture ? Texture->GetWidth() : (Alive() ? GetDeviceGL()->GetBackBufferWidth() : 0);
}

std::uint32_t CSurfaceGL::GetHeight() const
{
    return Texture ? Texture->GetHeight() : (Alive() ? GetDeviceGL()->GetBackBufferHeight() : 0);
}

GLuint CSurfaceGL::GetColourTexture() const
{
    return Texture ? Texture->GetName() : (Alive() ? GetDeviceGL()->GetBackBufferColour() : 0);
}

bool CSurfaceGL::HasAlpha() const
{
    return Texture ? Texture->HasAlpha() : false;
}

CTextureGL::CTextureGL(CDeviceGL* device, std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                       bool renderTarget, EFormat format)
    : CDeviceChild(device), Width(width), Height(height), Levels(levels), RenderTarget(renderTarget),
      Format(format)
{
    glGenTextures(1, &Name);
    AllocateLevels();
    if (RenderTarget)
    {
        GetDeviceGL()->DefaultPoolCreated();
    }
}

void CTextureGL::AllocateLevels()
{
    glBindTexture(GL_TEXTURE_2D, Name);
    GLsizei w = static_cast<GLsizei>(Width);
    GLsizei h = static_cast<GLsizei>(Height);
    for (std::uint32_t level = 0; level < Levels; ++level)
    {
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(Levels - 1));
    if (Format == kFormatX8R8G8B8)
    {
        GlTextureAlphaOne();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void CTextureGL::Respecify(std::uint32_t width, std::uint32_t height, const std::uint8_t* rgba)
{
    Width = width;
    Height = height;
    Levels = FullMipChain(width, height);
    AllocateLevels();
    Upload(rgba);
}

CTextureGL::~CTextureGL()
{
    if (!Alive())
    {
        return;
    }
    glDeleteTextures(1, &Name);
    if (RenderTarget)
    {
        GetDeviceGL()->DefaultPoolDestroyed();
    }
}

CSurface* CTextureGL::GetSurfaceLevel(std::uint32_t level)
{
    if (!RenderTarget || level != 0)
    {
        return nullptr;
    }
    if (Surface)
    {
        Surface->AddRef();
    }
    else
    {
        Surface = new CSurfaceGL(GetDeviceGL(), this);
    }
    return Surface;
}

void CTextureGL::Upload(const std::uint8_t* rgba)
{
    glBindTexture(GL_TEXTURE_2D, Name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(Width), static_cast<GLsizei>(Height), GL_RGBA,
                    GL_UNSIGNED_BYTE, rgba);
    if (Levels > 1)
    {
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

CVertexBufferGL::CVertexBufferGL(CDeviceGL* device, std::uint32_t length) : CDeviceChild(device), Shadow(length, 0)
{
    glGenBuffers(1, &Name);
    glBindBuffer(GL_ARRAY_BUFFER, Name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(length), nullptr, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

CVertexBufferGL::~CVertexBufferGL()
{
    if (Alive())
    {
        glDeleteBuffers(1, &Name);
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
    return LockRange(Shadow, Locked, LockOffset, LockSize, offset, size, data);
}

bool CVertexBufferGL::Unlock()
{
    if (!Locked || !Alive())
    {
        return false;
    }
    Locked = false;
    glBindVertexArray(GetDeviceGL()->GetVertexArray());
    glBindBuffer(GL_ARRAY_BUFFER, Name);
    glBufferSubData(GL_ARRAY_BUFFER, LockOffset, LockSize, Shadow.data() + LockOffset);
    return true;
}

CIndexBufferGL::CIndexBufferGL(CDeviceGL* device, std::uint32_t length, EFormat format)
    : CDeviceChild(device), Format(format), Shadow(length, 0)
{
    glGenBuffers(1, &Name);
    BindForUpload();
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(length), nullptr, GL_STATIC_DRAW);
}

// Index data goes in through the element binding of the device's own vertex
// array, which every indexed draw sets again: WebGL lets a buffer that was
// ever bound elsewhere never serve as indices.
void CIndexBufferGL::BindForUpload()
{
    glBindVertexArray(GetDeviceGL()->GetVertexArray());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, Name);
}

CIndexBufferGL::~CIndexBufferGL()
{
    if (Alive())
    {
        glDeleteBuffers(1, &Name);
    }
}

bool CIndexBufferGL::Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t)
{
    return LockRange(Shadow, Locked, LockOffset, LockSize, offset, size, data);
}

bool CIndexBufferGL::Unlock()
{
    if (!Locked || !Alive())
    {
        return false;
    }
    Locked = false;
    BindForUpload();
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, LockOffset, LockSize, Shadow.data() + LockOffset);
    const std::uint32_t indexSize = Format == kFormatIndex16 ? 2 : 4;
    LargestIndex = MaxIndex(0, static_cast<std::uint32_t>(Shadow.size()) / indexSize);
    return true;
}

std::uint32_t CIndexBufferGL::MaxIndex(std::uint32_t first, std::uint32_t count) const
{
    std::uint32_t highest = 0;
    if (Format == kFormatIndex16)
    {
        for (std::uint32_t i = 0; i < count; ++i)
        {
            std::uint16_t v;
            std::memcpy(&v, Shadow.data() + (first + i) * 2, 2);
            highest = std::max<std::uint32_t>(highest, v);
        }
    }
    else
    {
        for (std::uint32_t i = 0; i < count; ++i)
        {
            std::uint32_t v;
            std::memcpy(&v, Shadow.data() + (first + i) * 4, 4);
            highest = std::max(highest, v);
        }
    }
    return highest;
}

void CDeviceGL::SetTexture(std::uint32_t stage, CTexture* texture)
{
    if (stage < kNumSamplerStages)
    {
        Rebind(Textures[stage], texture);
    }
}

CSurface* CDeviceGL::GetRenderTarget(std::uint32_t index)
{
    if (index != 0 || !CurrentTarget)
    {
        return nullptr;
    }
    CurrentTarget->AddRef();
    return CurrentTarget;
}

bool CDeviceGL::SetRenderTarget(std::uint32_t index, CSurface* surface)
{
    if (index != 0 || !surface)
    {
        return false;
    }
    Rebind(CurrentTarget, surface);
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
    const std::uint32_t full = FullMipChain(width, height);
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

namespace
{

// Decoded images larger than this are refused whatever the device allows.
constexpr std::uint64_t kMaxDecodedImageBytes = std::uint64_t(256) << 20;

// Empty when the image at path may be decoded: its header, where we can read
// one, claims a size the device can take.
std::string ImageHeaderProblem(const std::string& path)
{
    SImageSize size;
    switch (ReadImageFileHeader(path, size))
    {
    case kHeaderUnknown:
        return "";
    case kHeaderBroken:
        return "its header is cut short or invalid";
    case kHeaderRead:
        break;
    }
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    return ImageSizeProblem(size, static_cast<std::uint32_t>(std::max(maxSide, 1)), kMaxDecodedImageBytes);
}

// The image at a data path as RGBA rows, top first; false, with the problem
// reported, where it cannot be read or is too large.
bool DecodeImageFile(const std::string& path, std::uint32_t& width, std::uint32_t& height,
                     std::vector<std::uint8_t>& pixels)
{
    const std::string nativePath = DataPath(path);
    const std::string refused = ImageHeaderProblem(nativePath);
    if (!refused.empty())
    {
        ReportFileProblem(nativePath, refused);
        return false;
    }
    SDL_Surface* loaded = IMG_Load(nativePath.c_str());
    if (!loaded)
    {
        ReportFileProblem(nativePath, FileProblemOr(nativePath, IMG_GetError()));
        return false;
    }
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (!converted)
    {
        return false;
    }
    const bool locked = SDL_LockSurface(converted) == 0;
    if (locked)
    {
        width = static_cast<std::uint32_t>(converted->w);
        height = static_cast<std::uint32_t>(converted->h);
        pixels.resize(static_cast<std::size_t>(width) * height * 4);
        const std::uint8_t* source = static_cast<const std::uint8_t*>(converted->pixels);
        for (std::uint32_t row = 0; row < height; ++row)
        {
            std::memcpy(pixels.data() + static_cast<std::size_t>(row) * width * 4,
                        source + static_cast<std::size_t>(row) * static_cast<std::size_t>(converted->pitch),
                        static_cast<std::size_t>(width) * 4);
        }
        SDL_UnlockSurface(converted);
    }
    SDL_FreeSurface(converted);
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    return locked && width > 0 && height > 0 && width <= static_cast<std::uint32_t>(maxSide) &&
           height <= static_cast<std::uint32_t>(maxSide);
}

// The last part of a path written with either separator.
std::string FileNameOf(const std::string& path)
{
    return path.substr(path.find_last_of("/\\") + 1);
}

} // namespace

CTexture* CDeviceGL::CreateTextureFromFile(const std::string& path)
{
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    if (!DecodeImageFile(path, width, height, pixels))
    {
        return nullptr;
    }
    CTexture* texture = CreateTextureFromPixels(width, height, pixels.data(), true);
    if (texture)
    {
        static_cast<CTextureGL*>(texture)->SetSourceFile(path);
    }
    return texture;
}

int CDeviceGL::ReplaceTextureFiles(const std::string& fileName, const std::string& imagePath)
{
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    if (!DecodeImageFile(imagePath, width, height, pixels))
    {
        return 0;
    }
    int replaced = 0;
    for (CDeviceChild* child : Children)
    {
        CTextureGL* texture = dynamic_cast<CTextureGL*>(child);
        if (texture && !texture->GetSourceFile().empty() && EqualIgnoringCase(FileNameOf(texture->GetSourceFile()), FileNameOf(fileName)))
        {
            texture->Respecify(width, height, pixels.data());
            ++replaced;
        }
    }
    return replaced;
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
    Rebind(Stream, buffer);
    StreamOffset = offset;
    StreamStride = stride;
    return true;
}

bool CDeviceGL::SetIndices(CIndexBuffer* buffer)
{
    Rebind(Indices, buffer);
    return true;
}

bool ElementFormat(std::uint8_t type, GLint& size, GLenum& glType, GLboolean& normalised, std::uint32_t& bytes)
{
    switch (type)
    {
    case kDeclFloat1: size = 1; glType = GL_FLOAT; normalised = GL_FALSE; bytes = 4; return true;
    case kDeclFloat2: size = 2; glType = GL_FLOAT; normalised = GL_FALSE; bytes = 8; return true;
    case kDeclFloat3: size = 3; glType = GL_FLOAT; normalised = GL_FALSE; bytes = 12; return true;
    case kDeclFloat4: size = 4; glType = GL_FLOAT; normalised = GL_FALSE; bytes = 16; return true;
    case kDeclColour:
        size = kGlBgraAttributeSize;
        glType = GL_UNSIGNED_BYTE;
        normalised = GL_TRUE;
        bytes = 4;
        return size != 0;
    case kDeclUByte4: size = 4; glType = GL_UNSIGNED_BYTE; normalised = GL_FALSE; bytes = 4; return true;
    default: return false;
    }
}


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
    Rebind(Declaration, declaration);
    FVF = 0;
}

void CDeviceGL::SetFVF(std::uint32_t fvf)
{
    FVF = fvf;
}

} // namespace gen
