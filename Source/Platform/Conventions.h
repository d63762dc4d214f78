#pragma once
// Direct3D 9 conventions over OpenGL: every difference is handled here or in
// code that uses the names defined here (the shader translator and the
// device), nowhere else.
//
// Y axis and memory rows. D3D's screen and textures have row 0 at the top
// (texture v = 0 is the first row of an image file). GL calls the first
// row of memory "bottom" (window y = 0, t = 0). We keep memory in D3D
// order everywhere: images are uploaded first row first, and everything is
// drawn upside down in GL's terms, i.e. the vertex shader's clip-space y is
// negated (VertexPositionEpilogue) so that D3D's top row lands in memory
// row 0 of the render target. The back buffer is therefore an offscreen
// colour texture like any render target, and Present copies it to the window
// flipped the right way up. Render-to-texture then sampling, and read-backs,
// need no flips at all.
//
// Winding. With y flipped, a triangle that D3D sees clockwise on screen is
// counter-clockwise in GL window coordinates. D3D's front faces are the
// clockwise ones, so glFrontFace(GL_CCW); D3DCULL_CCW (cull the visually
// counter-clockwise) is glCullFace(GL_BACK) and D3DCULL_CW is GL_FRONT.
//
// Depth. D3D clip-space z runs 0..w, GL's -w..w: the vertex shader ends with
// z = 2z - w (VertexPositionEpilogue); the depth buffer then holds D3D's
// 0..1 values (glDepthRange 0..1), so depth-tested pre-transformed quads at a
// D3D depth z compare correctly.
//
// Pixel centres. D3D9 puts pixel centres on whole screen coordinates, GL at
// +0.5. Geometry from vertex shaders is moved by half a pixel right and down
// (clip xy += (1/W, 1/H) * w after the flip, uniform tsv_PixelOffset), and
// pre-transformed XYZRHW vertices map screen x to GL window x + 0.5: a quad
// from -0.5 to W - 0.5 covers the target exactly with texel centres on pixel
// centres, as in D3D.
//
// Pixel shader VPOS is D3D9's pixel position, whole numbers at the centres:
// gl_FragCoord (centres at + 0.5, rows already top first) minus one half.
// VFACE is positive for front faces: gl_FrontFacing, which follows the
// winding rule above.
//
// Matrices. Our CMatrix4x4 is row-major with row vectors, as D3DX's, and
// HLSL's mul(v, M) treats M the same way. glslang turns HLSL float RxC into
// a SPIR-V matrix of R columns (transposing the meaning, M * v in GLSL) and
// HLSL's default column_major packing into SPIR-V RowMajor, so the buffer
// holds the HLSL matrix's columns, as D3D's constant registers would after
// SetMatrix. The constant table writes element (r, c) of our matrix where
// that layout puts HLSL element (r, c); HLSL row_major matrices are written
// row by row. Either way mul(v, M) in the shader gives v * M.
//
// Varyings and attributes. Vertex inputs are bound by semantic to fixed
// attribute locations (AttributeLocationForSemantic), fed from the vertex
// declaration element with the same usage and index. Varyings are named by
// semantic ("v_TEXCOORD0") and always cross between the stages as vec4, so
// the vertex and pixel shaders need not agree on their sizes, as in D3D.

#include <cstdint>
#include <string>

namespace gen
{

constexpr const char* kVertexConstantBlock = "VSConstants";
constexpr const char* kPixelConstantBlock = "PSConstants";
constexpr unsigned kVertexConstantBinding = 0;
constexpr unsigned kPixelConstantBinding = 1;
constexpr const char* kSamplerPrefix = "s_";
constexpr const char* kAttributePrefix = "a_";
constexpr const char* kVaryingPrefix = "v_";
constexpr const char* kPixelOffsetUniform = "tsv_PixelOffset";
constexpr const char* kPixelPositionExpression = "(gl_FragCoord - vec4(0.5, 0.5, 0.0, 0.0))";
constexpr const char* kFacingExpression = "vec4(gl_FrontFacing ? 1.0 : -1.0)";

// FNV-1a of a constant's name, for cheap look-ups.
inline std::uint32_t HashConstantName(const char* name)
{
    std::uint32_t hash = 2166136261u;
    for (const char* p = name; *p; ++p)
    {
        hash ^= static_cast<unsigned char>(*p);
        hash *= 16777619u;
    }
    return hash;
}

constexpr int kMaxAttributes = 16;

// Attribute location of a vertex input semantic (normalised: upper case with
// its index), -1 if unsupported.
inline int AttributeLocationForSemantic(const std::string& semantic)
{
    auto indexed = [&](const char* base, int first, int count) -> int {
        const std::string b = base;
        if (semantic.compare(0, b.size(), b) != 0 || semantic.size() == b.size())
        {
            return -1;
        }
        for (std::size_t i = b.size(); i < semantic.size(); ++i)
        {
            if (semantic[i] < '0' || semantic[i] > '9')
            {
                return -1;
            }
        }
        const int index = std::stoi(semantic.substr(b.size()));
        return index < count ? first + index : -1;
    };
    int location = -1;
    if ((location = indexed("POSITION", 0, 1)) >= 0) return location;
    if ((location = indexed("NORMAL", 1, 1)) >= 0) return location;
    if ((location = indexed("TEXCOORD", 2, 8)) >= 0) return location;
    if ((location = indexed("TANGENT", 10, 1)) >= 0) return location;
    if ((location = indexed("BINORMAL", 11, 1)) >= 0) return location;
    if ((location = indexed("COLOR", 12, 2)) >= 0) return location;
    if ((location = indexed("BLENDWEIGHT", 14, 1)) >= 0) return location;
    if ((location = indexed("BLENDINDICES", 15, 1)) >= 0) return location;
    return -1;
}

// Declaration usage (EDeclUsage value) and index to the same location.
inline int AttributeLocationForUsage(std::uint8_t usage, std::uint8_t index)
{
    switch (usage)
    {
    case 0: return index == 0 ? 0 : -1;                 // position
    case 1: return index == 0 ? 14 : -1;                // blend weight
    case 2: return index == 0 ? 15 : -1;                // blend indices
    case 3: return index == 0 ? 1 : -1;                 // normal
    case 5: return index < 8 ? 2 + index : -1;          // texture coordinate
    case 6: return index == 0 ? 10 : -1;                // tangent
    case 7: return index == 0 ? 11 : -1;                // binormal
    case 10: return index < 2 ? 12 + index : -1;        // colour
    default: return -1;
    }
}

// A narrower value read from its vec4 varying, and widened into one.
inline std::string WidenedSwizzle(const std::string& wide, const std::string& type)
{
    if (type == "float") return wide + ".x";
    if (type == "vec2") return wide + ".xy";
    if (type == "vec3") return wide + ".xyz";
    return wide;
}

inline std::string WidenToVec4(const std::string& name, const std::string& type)
{
    if (type == "float") return "vec4(" + name + ", 0.0, 0.0, 1.0)";
    if (type == "vec2") return "vec4(" + name + ", 0.0, 1.0)";
    if (type == "vec3") return "vec4(" + name + ", 1.0)";
    return name;
}

// Added to every vertex shader: the half-pixel move (after the y flip).
inline std::string VertexUniformDeclarations()
{
    return std::string("uniform vec2 ") + kPixelOffsetUniform + ";\n";
}

// The end of every vertex shader: D3D clip space to GL's (depth, y flip,
// half-pixel move), on whatever the shader wrote as its position.
inline std::string VertexPositionEpilogue()
{
    return std::string("    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n"
                       "    gl_Position.y = -gl_Position.y;\n"
                       "    gl_Position.xy += ") +
           kPixelOffsetUniform + " * gl_Position.w;\n";
}

// Added to every pixel shader: the alpha test, which GL's core profile
// leaves to the shader. tsv_AlphaFunc holds an ECompare value (8: always),
// the comparison is D3D's, on alpha as a byte against the reference byte.
inline std::string PixelUniformDeclarations()
{
    return "uniform int tsv_AlphaFunc;\nuniform float tsv_AlphaRef;\n";
}

inline std::string PixelAlphaTestEpilogue(const std::string& output)
{
    const std::string a = "floor(clamp(" + output + ".a, 0.0, 1.0) * 255.0 + 0.5)";
    return "    if (tsv_AlphaFunc != 8)\n    {\n        float tsv_a = " + a +
           ";\n"
           "        bool tsv_pass = (tsv_AlphaFunc == 2 && tsv_a < tsv_AlphaRef) || (tsv_AlphaFunc == 3 && tsv_a == tsv_AlphaRef) ||\n"
           "            (tsv_AlphaFunc == 4 && tsv_a <= tsv_AlphaRef) || (tsv_AlphaFunc == 5 && tsv_a > tsv_AlphaRef) ||\n"
           "            (tsv_AlphaFunc == 6 && tsv_a != tsv_AlphaRef) || (tsv_AlphaFunc == 7 && tsv_a >= tsv_AlphaRef);\n"
           "        if (!tsv_pass)\n        {\n            discard;\n        }\n    }\n";
}

// The value of tsv_PixelOffset for a render target of width x height.
inline void PixelOffsetFor(std::uint32_t width, std::uint32_t height, float& x, float& y)
{
    x = width ? 1.0f / static_cast<float>(width) : 0.0f;
    y = height ? 1.0f / static_cast<float>(height) : 0.0f;
}

// A pre-transformed vertex at D3D screen pixel (x, y) to GL clip space on a
// target of width x height (memory row 0 at the top, see above).
inline void ScreenToClip(float x, float y, std::uint32_t width, std::uint32_t height, float& clipX, float& clipY)
{
    clipX = (x + 0.5f) * 2.0f / static_cast<float>(width) - 1.0f;
    clipY = (y + 0.5f) * 2.0f / static_cast<float>(height) - 1.0f;
}

} // namespace gen
