#pragma once
// A control for a shader constant that a person tunes: from its DX9-style
// annotations where they exist (<string UIName="..."; float UIMin=...;
// float UIMax=...; float UIStep=...; string UIWidget="color";>), else from
// its type, starting from its initialiser.

#include "Platform/HlslCompiler.h"

#include <string>
#include <vector>

namespace gen
{

enum EControlKind
{
    kControlSlider, // between UIMin and UIMax
    kControlDrag,   // unbounded, by UIStep per pixel dragged
    kControlColour, // UIWidget="color" on a float3 or float4
};

struct SConstantControl
{
    std::string Name;  // the constant's
    std::string Label; // UIName, else the name
    EControlKind Kind = kControlDrag;
    unsigned Components = 1; // 1 to 4
    bool Integer = false;
    float Min = 0.0f, Max = 0.0f, Step = 0.0f;
    std::vector<float> Default; // Components values
};

// False where no control fits: matrices and arrays.
bool MakeConstantControl(const SShaderConstant& constant, SConstantControl& control);

} // namespace gen
