#pragma once
// The shaders loaded from the shader folder, kept compiled while the device
// lives. A device reset hands the same shader objects out again instead of
// compiling every file anew, and a shader file saved while the program runs
// is compiled again and swapped into the objects already handed out, so
// every material and filter using it draws with the new version from the
// next frame. A file that does not compile keeps its last good version and
// is reported as a problem (Common/Problems.h) until it compiles again.

#include "Platform/CShader.h"

#include <string>
#include <vector>

namespace gen
{

// A shader object of the file kShaderFolder + fileName with its own constant
// table (one reference each for the caller). The file is read each time but
// compiled only when its text is new: an object whose every other holder
// released it is handed out again (a reset), and a changed text is swapped
// into the objects already out, as an edit would be. False, with both null,
// when the file cannot be read or has no good version (reported as a
// problem).
bool LoadLibraryVertexShader(const std::string& fileName, CVertexShader*& shader, CConstantTable*& table);
bool LoadLibraryPixelShader(const std::string& fileName, CPixelShader*& shader, CConstantTable*& table);

// How a pixel shader file outside the shader folder is compiled, chosen
// from its text on every compile (an edit may move the entry): the entry,
// the literal values of its uniform parameters, or why the file has none.
struct SShaderEntry
{
    std::string Entry = "main";
    std::vector<std::string> Arguments;
    std::string Error; // not empty: the file cannot be compiled, and this says why
};
using TShaderEntryChooser = SShaderEntry (*)(const std::string& path, const std::string& text);

// As LoadLibraryPixelShader for a file at path (already resolved), compiled
// with the entry choose gives. The file is watched like the others.
bool LoadPixelShaderFile(const std::string& path, TShaderEntryChooser choose, CPixelShader*& shader,
                         CConstantTable*& table);

// Counts the looks WatchShaderFiles has taken, so that whoever keeps a
// folder of shaders looks at it on the same beat (and at once after
// CheckShaderFilesNow).
int ShaderFileLooks();

// Called once per frame with the frame's time: at most once a second of it,
// looks at the loaded files' modification times and sizes and compiles the
// changed ones again.
void WatchShaderFiles(float frameTime);

// The next WatchShaderFiles looks at every file's text, whatever the time
// and the modification times say (a file replaced by a script).
void CheckShaderFilesNow();

// Releases the library's references and forgets every file; before the
// device goes.
void ReleaseShaderLibrary();

} // namespace gen
