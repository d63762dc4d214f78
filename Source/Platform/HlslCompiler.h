#pragma once
// The HLSL compiler without a device: DX9-era HLSL and effect files, through
// our own pre-pass (HlslSource.h, EffectFile.h) and glslang's HLSL front end
// to SPIR-V, then SPIRV-Cross to GLSL 3.30 or GLSL ES 3.00, with the
// reflection the constant tables and the device need. Needs no display or
// GPU; tessavin-shader is this alone.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gen
{

enum EShaderStage
{
    kVertexStage,
    kPixelStage,
};

// Reflection of one uniform, in the layout of the constant buffer the
// compiled shader reads.
struct SShaderConstant
{
    std::string Name;
    std::uint32_t NameHash = 0;
    std::uint32_t Offset = 0;      // bytes from the start of the buffer
    int Register = -1;             // register(cN) as written, -1 when none (the buffer keeps declaration order)
    std::uint32_t Rows = 1;        // HLSL rows (1 for scalars and vectors)
    std::uint32_t Columns = 1;     // HLSL columns (vector size for vectors)
    std::uint32_t Elements = 1;    // array length (1 for non-arrays)
    std::uint32_t ArrayStride = 0; // bytes between array elements
    std::uint32_t VectorStride = 0; // bytes between the stored vectors of a matrix
    bool StoredTransposed = false; // the buffer holds the HLSL matrix's columns as its vectors
    bool IsInteger = false;        // int / bool, stored as 32-bit integers
    std::vector<float> Default;    // its initialiser's values in HLSL order, as DX9's constant table keeps them
    std::string Annotations;       // "<...>" as written after its name, "" if none
};

struct SShaderSampler
{
    std::string Name;      // the HLSL name
    std::string GlslName;  // the uniform it became
    std::uint32_t Stage = 0;
};

// A varying or vertex input, by HLSL semantic ("TEXCOORD0", "NORMAL0", ...).
struct SShaderVarying
{
    std::string Semantic;  // upper case, always with an index
    std::string GlslName;
    std::string GlslType;  // "vec2", "vec4", "float", ...
};

// What the compiler produces: GLSL 3.30 (or ES 3.00) source and what the device and the
// constant table need to know about it.
struct SCompiledShader
{
    EShaderStage Stage = kVertexStage;
    std::string Glsl;
    std::string BlockName; // uniform block holding the constants ("" if none)
    std::uint32_t BlockSize = 0;
    std::vector<SShaderConstant> Constants;
    std::vector<SShaderSampler> Samplers;
    std::vector<SShaderVarying> Inputs;
    std::vector<SShaderVarying> Outputs;
};

struct SHlslOptions
{
    bool Es = false; // GLSL ES 3.00 instead of GLSL 3.30
    // Searched for #include after the including file's own folder.
    std::vector<std::string> IncludeFolders;
    // NAME and VALUE of each -D NAME=VALUE ("1" when none was given).
    std::vector<std::pair<std::string, std::string>> Defines;
    // Literal values for the entry's uniform parameters, in order, as an
    // effect pass's "compile ps_2_0 PS(true)" gives them.
    std::vector<std::string> Arguments;
    // Whether the GLSL 3.30 and the GLSL ES 3.00 made of it are both read by
    // glslang's GLSL front end, so that code either GL would refuse is an
    // error here. The program leaves it to its own GL driver, whose refusal
    // is reported the same way: the check doubles the work of every compile,
    // which the page's start-up feels.
    bool CheckGlsl = true;
};

// Compiles HLSL source text read from sourceName (which names the file in
// messages and gives the folder its includes are looked for in first).
// profile is "vs_N_N" or "ps_N_N" (only the stage is taken from it). On
// failure returns false and appends the compiler's messages to errors (if
// given); warnings go to warnings (if given) either way.
bool CompileHlsl(const std::string& source, const std::string& sourceName, const std::string& entry,
                 const std::string& profile, const SHlslOptions& options, SCompiledShader& result,
                 std::string* errors, std::string* warnings = nullptr);

// One message of the compiler's text, placed where it can be.
struct SShaderMessage
{
    std::string File; // "" when the message names no file
    int Line = 0;     // 0 when unknown
    int Column = 0;   // 0 when unknown
    bool Warning = false;
    std::string Text;
};

// The errors and warnings in a compiler's text, in order; a text with no
// placed message gives its first line as an error of defaultFile.
std::vector<SShaderMessage> ShaderMessages(const std::string& defaultFile, const std::string& compilerText);

// One line for the first error in a compiler's text about sourceName:
// "NAME(LINE): MESSAGE" when the compiler placed it in the file, else
// "NAME: " and its first error line.
std::string FirstShaderError(const std::string& sourceName, const std::string& compilerText);

// The text of the last shader compilation or link that failed, for a debug
// log; never shown to the user.
const std::string& LastShaderLog();
// Replaces it (a failure met outside the compiler, such as a file that
// cannot be read).
void SetLastShaderLog(const std::string& text);

} // namespace gen
