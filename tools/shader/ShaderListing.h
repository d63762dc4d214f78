#pragma once
// What tessavin-shader prints: messages in the form editors parse, and the
// constant table.

#include "Platform/HlslCompiler.h"

#include <string>

namespace gen
{

// "FILE(LINE,COL): error: message" (or warning) for each message of the
// compiler's text; a message the compiler did not place goes on line 1.
std::string FormatShaderMessages(const std::string& file, const std::string& compilerText, bool warnings);

// One line per constant and sampler: name, register, type, default,
// annotations.
std::string ListConstants(const SCompiledShader& shader);

} // namespace gen
