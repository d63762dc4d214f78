#pragma once
// DX9 effect-file syntax, taken out of the source before glslang sees it
// (which knows none of it) and kept as records: texture objects, sampler
// states (the "= sampler_state { ... }" and XNA "sampler s : register(s0)
// { ... }" forms become plain samplers), string variables, annotations
// "<...>", global initialisers (the constants' defaults, as DX9's constant
// table keeps them) and technique / pass blocks, whose compile statements
// name the entries. What is removed becomes blanks, so every other line and
// column stays where it was.

#include <string>
#include <vector>

namespace gen
{

struct SEffectState
{
    std::string Name;  // as written ("AddressU", "ZEnable", ...)
    std::string Value; // its value's text ("Clamp", "false", "<Tex>", ...)
};

// "VertexShader = compile vs_2_0 VS(1, true)": function, profile, arguments.
struct SEffectEntry
{
    std::string Function; // "" when the pass sets no such shader
    std::string Profile;
    std::vector<std::string> Arguments;
};

struct SEffectPass
{
    std::string Name;
    std::string Annotations;
    SEffectEntry Vertex;
    SEffectEntry Pixel;
    std::vector<SEffectState> States; // every other assignment in the pass
};

struct SEffectTechnique
{
    std::string Name;
    std::string Annotations;
    std::vector<SEffectPass> Passes;
};

struct SEffectSampler
{
    std::string Name;
    std::string Texture; // the texture object its Texture state names
    std::vector<SEffectState> States;
};

struct SEffectGlobal
{
    std::string Name;
    std::string Annotations;      // "<...>" as written, "" if none
    std::vector<float> Default;   // from its initialiser; empty when none or not literal
};

struct SEffectString
{
    std::string Name;
    std::string Value;
    std::string Annotations;
};

struct SEffect
{
    std::vector<SEffectTechnique> Techniques;
    std::vector<SEffectSampler> Samplers;
    std::vector<SEffectGlobal> Globals;
    std::vector<SEffectString> Strings;
    std::vector<std::string> Textures;
};

// Takes the effect syntax out of text into effect.
void RewriteEffect(std::string& text, SEffect& effect);

// Appends to text an entry named wrapper that takes function's varying
// parameters and calls it with arguments for its uniform ones, in order, so
// that a pass's "compile ps_2_0 PS(true)" compiles with b = true as fxc
// does. False, with the reason in error, when function has no such body.
bool AddEntryWrapper(std::string& text, const std::string& function, const std::vector<std::string>& arguments,
                     const std::string& wrapper, std::string& error);

} // namespace gen
