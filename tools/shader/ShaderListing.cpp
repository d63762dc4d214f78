// tessavin-shader's output forms.

#include "ShaderListing.h"

#include <cstdio>

namespace gen
{

std::string FormatShaderMessages(const std::string& file, const std::string& compilerText, bool warnings)
{
    std::string out;
    for (const SShaderMessage& message : ShaderMessages(file, compilerText))
    {
        if (message.Warning != warnings)
        {
            continue;
        }
        out += message.File + "(" + std::to_string(message.Line > 0 ? message.Line : 1) + "," +
               std::to_string(message.Column > 0 ? message.Column : 1) + "): " + (warnings ? "warning: " : "error: ") +
               message.Text + "\n";
    }
    return out;
}

namespace
{

// The HLSL type of a constant as its shape gives it ("float4x4", "int2", "float[3]").
std::string TypeName(const SShaderConstant& constant)
{
    std::string type = constant.IsInteger ? "int" : "float";
    if (constant.Rows > 1)
    {
        type += std::to_string(constant.Rows) + "x" + std::to_string(constant.Columns);
    }
    else if (constant.Columns > 1)
    {
        type += std::to_string(constant.Columns);
    }
    if (constant.Elements > 1)
    {
        type += "[" + std::to_string(constant.Elements) + "]";
    }
    return type;
}

std::string Values(const std::vector<float>& values)
{
    std::string out;
    for (const float value : values)
    {
        char number[32];
        std::snprintf(number, sizeof number, "%g", static_cast<double>(value));
        out += (out.empty() ? "" : ", ") + std::string(number);
    }
    return out.empty() ? "-" : out;
}

std::string Line(const std::string& name, const std::string& where, const std::string& type,
                 const std::string& value, const std::string& annotations)
{
    char line[512];
    std::snprintf(line, sizeof line, "%-24s %-5s %-12s %s", name.c_str(), where.c_str(), type.c_str(), value.c_str());
    std::string out = line;
    if (!annotations.empty())
    {
        out += "  " + annotations;
    }
    return out + "\n";
}

} // namespace

std::string ListConstants(const SCompiledShader& shader)
{
    std::string out;
    for (const SShaderConstant& constant : shader.Constants)
    {
        // The DX9 register: as written, else one per 16 bytes of the block.
        const int slot = constant.Register >= 0 ? constant.Register : static_cast<int>(constant.Offset / 16);
        out += Line(constant.Name, "c" + std::to_string(slot), TypeName(constant),
                    Values(constant.Default), constant.Annotations);
    }
    for (const SShaderSampler& sampler : shader.Samplers)
    {
        out += Line(sampler.Name, "s" + std::to_string(sampler.Stage), "sampler", "-", "");
    }
    return out;
}

} // namespace gen
