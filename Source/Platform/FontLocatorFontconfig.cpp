// Fonts through fontconfig: its ranking of the installed faces against the
// family and weight (its metric aliases answer Arial with Liberation Sans
// where that is installed, else with the nearest sans-serif).
#include "Platform/FontLocator.h"

#include <fontconfig/fontconfig.h>

namespace gen
{
namespace
{

SFontFace FaceOf(FcPattern* pattern)
{
    SFontFace face;
    FcChar8* file = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcBool scalable = FcFalse;
    if (FcPatternGetString(pattern, FC_FILE, 0, &file) == FcResultMatch)
    {
        face.File = reinterpret_cast<const char*>(file);
    }
    FcPatternGetInteger(pattern, FC_INDEX, 0, &face.Index);
    FcPatternGetInteger(pattern, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(pattern, FC_SLANT, 0, &slant);
    FcPatternGetBool(pattern, FC_SCALABLE, 0, &scalable);
    face.Bold = weight >= FC_WEIGHT_BOLD;
    face.Italic = slant != FC_SLANT_ROMAN;
    face.Scalable = scalable == FcTrue;
    return face;
}

} // namespace

std::vector<std::string> SystemFontFiles(const std::string& family, bool bold)
{
    std::vector<SFontFace> faces;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
    {
        return {};
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcFontSet* sorted = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result))
    {
        for (int i = 0; i < sorted->nfont; ++i)
        {
            SFontFace face = FaceOf(sorted->fonts[i]);
            if (!face.File.empty())
            {
                faces.push_back(face);
            }
        }
        FcFontSetDestroy(sorted);
    }
    FcPatternDestroy(pattern);
    return RankFontFiles(faces, bold);
}

std::vector<std::uint8_t> SystemFontData(const std::string&, bool)
{
    return {};
}

} // namespace gen
