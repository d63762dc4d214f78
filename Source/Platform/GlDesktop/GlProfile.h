#pragma once
// The GL the device draws through on the desktop: OpenGL 3.3 core, its entry
// points through libepoxy, shaders in GLSL 3.30.

#include <epoxy/gl.h>

namespace gen
{

constexpr bool kGlEs = false;
constexpr int kGlContextMajor = 3;
constexpr int kGlContextMinor = 3;
// GLSL the translator writes and the hand-written shaders start with.
constexpr unsigned kGlslVersion = 330;
constexpr const char* kGlslHeader = "#version 330\n";
// The attribute size that reads D3DCOLOR vertex elements (bytes B, G, R, A)
// as they are.
constexpr GLint kGlBgraAttributeSize = GL_BGRA;

inline bool GlVersionSupported(int& major, int& minor)
{
    major = epoxy_gl_version() / 10;
    minor = epoxy_gl_version() % 10;
    return epoxy_gl_version() >= 33;
}

// The bound 2D texture reads alpha as 1 (X8 formats).
inline void GlTextureAlphaOne()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
}

inline void GlClearDepth(float depth)
{
    glClearDepth(static_cast<double>(depth));
}

inline void GlDepthRange(float nearZ, float farZ)
{
    glDepthRange(static_cast<double>(nearZ), static_cast<double>(farZ));
}

} // namespace gen
