#pragma once
// Where a text font comes from: the system's face of a family and weight
// (the overlay asks for bold Arial), or the nearest one it has.

#include <cstdint>
#include <string>
#include <vector>

namespace gen
{

struct SFontFace
{
    std::string File;
    int Index = 0; // face within a collection file
    bool Bold = false;
    bool Italic = false;
    bool Scalable = true;
};

// The files worth trying, from faces in the system's order of preference:
// upright scalable faces of the wanted weight first, then the other upright
// scalable ones; each file once, and only a file's first face (the one a
// font opens).
std::vector<std::string> RankFontFiles(const std::vector<SFontFace>& faces, bool bold);

// The font files to try, best first.
std::vector<std::string> SystemFontFiles(const std::string& family, bool bold);

// When none of those opens: the data of the font the system matches to the
// family and weight, or nothing.
std::vector<std::uint8_t> SystemFontData(const std::string& family, bool bold);

} // namespace gen
