#pragma once
// The media generator: everything under Media/ is written by these steps.

#include <string>

namespace gen
{

bool WriteTextures(const std::string& dir);
bool WriteMeshes(const std::string& dir);
bool WriteLevel(const std::string& dir);
bool WriteIcon(const std::string& dir); // the program's icon: Tessavin.ico and Tessavin{16,32,48,256}.png

} // namespace gen
