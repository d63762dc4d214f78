#pragma once
// The media generator: everything under Media/ is written by these three steps.

#include <string>

namespace gen
{

bool WriteTextures(const std::string& dir);
bool WriteMeshes(const std::string& dir);
bool WriteLevel(const std::string& dir);

} // namespace gen
