#pragma once
// Files dropped on the window (and the capture tool's --drop): an .x mesh is
// placed in front of the camera (Scene/Scene.h's AddSceneMesh, its textures
// from beside it, then Media), a shader file (.fx, .hlsl, .psh) becomes a
// filter of this run (copied into the run's Filters folder, App/SharedLink.h),
// an image (.png, .jpg, .bmp, .tga) replaces the textures of its name (and is
// copied into the run's Media, for later loads), anything else is named as a
// problem.

#include <string>

namespace gen
{

// path: UTF-8, as the window gives it. False, the reason on the problem
// line, when the file is of no known kind or does not load.
bool OpenDroppedFile(const std::string& path);

} // namespace gen
