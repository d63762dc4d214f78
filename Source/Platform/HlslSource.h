#pragma once
// A shader file as glslang's preprocessor can take it: a byte-order mark
// dropped, CRLF and CR line ends made LF, and #include "x" / <x> replaced by
// the file, found beside the including file, then in the include folders.
// #line marks keep every message at its own file and line. An include that
// cannot be taken (missing, a cycle, too deep) becomes an #error at its
// line, so it fails the compile only where the preprocessor reaches it (not
// inside #if 0 or an include guard).

#include "Platform/EffectFile.h"
#include "Platform/HlslCompiler.h"

#include <string>
#include <vector>

namespace gen
{

constexpr int kMaxIncludeDepth = 32;

// Without the byte-order mark, every line ending in a single '\n'.
std::string NormaliseLineEnds(const std::string& text);

// text (the file path, as messages name it) with its includes expanded.
// files receives path and every file read, once each.
std::string ExpandIncludes(const std::string& text, const std::string& path,
                           const std::vector<std::string>& includeFolders, std::vector<std::string>& files);

// "#undef NAME" for each GL_ name that the text's preprocessor directives
// test but that it never defines: glslang predefines GLSL's extension
// macros even for HLSL, which would send code down GLSL-only paths.
std::string HideGlslMacros(const std::string& text);

// A file after the whole pre-pass: what glslang is given.
struct SPreparedHlsl
{
    std::string Text;     // includes expanded, effect syntax taken out
    std::string Preamble; // the -D macros, GLSL's macros hidden
    std::string Warnings; // the pre-pass's, in glslang's form
    std::string Errors;   // what the pre-pass refuses, in glslang's form
    std::vector<std::pair<std::string, int>> Registers; // constants placed by register(cN)
    SEffect Effect;
    std::vector<std::string> Files; // the file and every file it included
};

// What word becomes after the preprocessor has read text (with preamble
// before it): a pass's profile may be a macro, as XNA-era files choose
// "vs_3_0" or "vs_4_0_level_9_1" by one.
std::string PreprocessedWord(const std::string& text, const std::string& preamble, const std::string& word);

// NAME and VALUE of each macro given to the compiler.
using TMacros = std::vector<std::pair<std::string, std::string>>;

// Whether glslang's GLSL front end (as strict as a GL driver) takes glsl, the
// generated code of sourceName; if not, its first error goes to log as an
// error of sourceName.
bool GlslAccepted(const std::string& glsl, EShaderStage stage, const std::string& sourceName, std::string& log);

// DX9 habits that fxc takes and glslang's HLSL front end refuses or
// miscompiles, rewritten in place (no line moves; a macro redefined adds a
// #line mark): a macro redefined with another body (or another value than
// predefined gives it), a for loop's variable used after the loop, a
// matrix's mixed initialiser list, 1xN and Nx1 matrices, a vector cast to an
// array, several matrix elements in one swizzle (_m02_m12), tex1D on an
// untyped sampler, register(cN) on a global (taken out: an explicit offset
// is nothing GLSL ES can express; registers gets NAME, N). Where fxc would
// warn, a warning in glslang's form ("WARNING: FILE:LINE: ...") goes to
// warnings; a use that cannot be rewritten safely, or that would crash
// glslang (noise()), is an error in errors.
void RewriteHabits(std::string& text, const std::string& sourceName, const TMacros& predefined,
                   std::string& warnings, std::string& errors, std::vector<std::pair<std::string, int>>& registers);

SPreparedHlsl PrepareHlsl(const std::string& source, const std::string& sourceName, const SHlslOptions& options);

} // namespace gen
