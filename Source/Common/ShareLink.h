#pragma once
// What a shared link carries: the shader files a person edited or added, by
// their data names, with their text. The page writes it into its address's
// fragment (after '#') as JSON compressed by lz-string (Common/LzString.h);
// the program and the capture tool read the same address with --link.
//
//   {"v":1,"files":[{"path":"Source/Render/PP_Tint.psh","text":"..."}],
//    "values":[{"file":"PP_Tint.psh","name":"Gain","values":[3.5]}]}
//
// "values" are the inspector's tuned constants (one to four numbers each),
// taken for the run as tessavin-capture's --set takes them.
// "v" is the format's version: a reader refuses a newer one rather than
// drawing something else, and skips members it does not know.

#include <cstddef>
#include <string>
#include <vector>

namespace gen
{

// Longer addresses are cut or refused by browsers and chat programs.
constexpr std::size_t kLinkLimit = 64u * 1024u;
constexpr int kLinkVersion = 1;

struct SLinkFile
{
    std::string Path; // a data name: "Source/Render/X.psh" or "Filters/X.fx"
    std::string Text;
};

struct SLinkValue
{
    std::string File; // the shader file's name: "PP_Tint.psh"
    std::string Name;
    std::vector<float> Values;
};

struct SLink
{
    std::vector<SLinkFile> Files;
    std::vector<SLinkValue> Values;
};

// True for the names a link may write: a shader (.fx, .hlsl, .psh, .vsh)
// directly in Source/Render or Filters, '/' or '\' between.
bool IsLinkFileName(const std::string& path);

// The payload's JSON, and the fragment (without '#') that carries it.
std::string LinkJson(const SLink& link);
std::string LinkFragment(const SLink& link);

// The link in address: a whole address ("https://host/index.html#...") or
// its fragment alone. False, with error saying why, for an address over
// kLinkLimit, a fragment that does not decompress, malformed or newer JSON,
// a file name outside IsLinkFileName, or a value without a file, a name or
// one to four finite numbers.
bool ReadLink(const std::string& address, SLink& link, std::string& error);

} // namespace gen
