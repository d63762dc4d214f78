// Where the overlay font comes from: the ranking of the system's faces, and
// what this system answers for bold Arial.
#include "Platform/FontLocator.h"

#include <SDL_ttf.h>
#include <gtest/gtest.h>

namespace gen
{
namespace
{

TEST(FontLookup, RanksUprightScalableFacesOfTheWeightFirst)
{
    const SFontFace regular{"Sans.ttf", 0, false, false, true}, bold{"Sans-Bold.ttf", 0, true, false, true},
        otherBold{"Other-Bold.otf", 0, true, false, true}, boldItalic{"Sans-BoldItalic.ttf", 0, true, true, true},
        bitmap{"Fixed-Bold.pcf", 0, true, false, false}, secondInSet{"Set.ttc", 1, true, false, true},
        firstInSet{"Set.ttc", 0, false, false, true};
    const struct
    {
        const char* Name;
        std::vector<SFontFace> Faces;
        bool Bold;
        std::vector<std::string> Expected;
    } cases[] = {
        {"bold first, the system's order kept", {regular, bold, otherBold}, true, {"Sans-Bold.ttf", "Other-Bold.otf", "Sans.ttf"}},
        {"regular first when regular is asked for", {bold, regular}, false, {"Sans.ttf", "Sans-Bold.ttf"}},
        {"no italic, bitmap or later collection faces", {boldItalic, bitmap, secondInSet, firstInSet}, true, {"Set.ttc"}},
        {"a file listed twice is tried once", {bold, bold}, true, {"Sans-Bold.ttf"}},
        {"nothing usable", {boldItalic}, true, {}},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(RankFontFiles(c.Faces, c.Bold), c.Expected) << c.Name;
    }
}

// Arial Bold on Windows, Liberation Sans Bold (Arial's metrics) on our Linux
// machines and under wine.
TEST(FontLookup, TheSystemHasABoldArialOrItsNearestMatch)
{
    ASSERT_EQ(TTF_Init(), 0);
    TTF_Font* font = nullptr;
    for (const std::string& file : SystemFontFiles("Arial", true))
    {
        if ((font = TTF_OpenFont(file.c_str(), 12)) != nullptr)
        {
            break;
        }
    }
    const std::vector<std::uint8_t> data = font ? std::vector<std::uint8_t>() : SystemFontData("Arial", true);
    if (!font && !data.empty())
    {
        font = TTF_OpenFontRW(SDL_RWFromConstMem(data.data(), static_cast<int>(data.size())), 1, 12);
    }
    ASSERT_NE(font, nullptr);
    EXPECT_STREQ(TTF_FontFaceStyleName(font), "Bold") << TTF_FontFaceFamilyName(font);
    TTF_CloseFont(font);
    TTF_Quit();
}

} // namespace
} // namespace gen
