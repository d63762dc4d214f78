#pragma once
// The GL the device draws through in the browser: OpenGL ES 3.0 (WebGL2),
// shaders in GLSL ES 3.00 at high precision, as the desktop computes them.

#include <GLES3/gl3.h>

namespace gen
{

constexpr bool kGlEs = true;
constexpr int kGlContextMajor = 3;
constexpr int kGlContextMinor = 0;
constexpr unsigned kGlslVersion = 300;
constexpr const char* kGlslHeader = "#version 300 es\nprecision highp float;\nprecision highp int;\n";
// ES has no BGRA vertex format: D3DCOLOR elements are refused rather than
// drawn with red and blue swapped.
constexpr GLint kGlBgraAttributeSize = 0;

// The browser gives a WebGL2 context or none.
inline bool GlVersionSupported(int& major, int& minor)
{
    major = kGlContextMajor;
    minor = kGlContextMinor;
    return true;
}

// WebGL has no texture swizzles; X8 targets read alpha as 1 all the same, as
// their alpha is cleared to 1 and never written.
inline void GlTextureAlphaOne()
{
}

inline void GlClearDepth(float depth)
{
    glClearDepthf(depth);
}

inline void GlDepthRange(float nearZ, float farZ)
{
    glDepthRangef(nearZ, farZ);
}

} // namespace gen
