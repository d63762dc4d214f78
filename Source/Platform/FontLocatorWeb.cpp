// Fonts in the browser: the page has no system fonts, so the data file
// carries Liberation Sans (Arial's metrics) in both weights.
#include "Platform/FontLocator.h"

namespace gen
{

std::vector<std::string> SystemFontFiles(const std::string&, bool bold)
{
    const std::vector<SFontFace> packed = {{"/fonts/LiberationSans-Bold.ttf", 0, true},
                                           {"/fonts/LiberationSans-Regular.ttf", 0, false}};
    return RankFontFiles(packed, bold);
}

std::vector<std::uint8_t> SystemFontData(const std::string&, bool)
{
    return {};
}

} // namespace gen
