#include "Platform/FontLocator.h"

#include <algorithm>

namespace gen
{

std::vector<std::string> RankFontFiles(const std::vector<SFontFace>& faces, bool bold)
{
    std::vector<std::string> files;
    auto add = [&files](const SFontFace& face) {
        if (std::find(files.begin(), files.end(), face.File) == files.end())
        {
            files.push_back(face.File);
        }
    };
    for (const bool wantBold : {bold, !bold})
    {
        for (const SFontFace& face : faces)
        {
            if (face.Scalable && !face.Italic && face.Index == 0 && face.Bold == wantBold)
            {
                add(face);
            }
        }
    }
    return files;
}

} // namespace gen
