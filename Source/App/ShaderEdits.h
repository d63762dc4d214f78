#pragma once
// The shaders a person edits in the page beside the picture: the built-in
// ones (Source/Render) and the filters (Filters), by data name as a shared
// link names them ("Source/Render/PP_Tint.psh", "Filters/Sepia.psh"). An edit
// is written where the program reads the file, so the shader library swaps
// it in as it would a file saved on the desktop; in the page the data folder
// is the page's own in-memory copy. New files go into the run's Filters
// (App/SharedLink.h).

#include "Platform/HlslCompiler.h"

#include <string>
#include <vector>

namespace gen
{

// Every shader of Source/Render and of the filter folders, sorted.
std::vector<std::string> EditableShaders();

// The file the program reads for name; "" when there is none.
std::string EditableShaderPath(const std::string& name);

// The text the program reads for name; false when there is no such file.
bool ReadEditableShader(const std::string& name, std::string& text);

// The text name had before its first edit in this run (a shared link's
// files count as edits); false for a file the data never had.
bool ShippedShaderText(const std::string& name, std::string& text);

// Writes text as name (a new one into the run's Filters) and has the shader
// library look at its files on the next frame instead of within a second.
// False for a name a shared link could not carry, or a file not written.
bool WriteEditableShader(const std::string& name, const std::string& text);

// The shaders whose text differs from what the data shipped, and the added
// ones: what a shared link of this run carries.
std::vector<std::string> EditedShaders();

// The compiler's messages about name while its last compile failed (empty
// once it compiles); a message placed in another file has line 0.
std::vector<SShaderMessage> EditableShaderMessages(const std::string& name);

} // namespace gen
