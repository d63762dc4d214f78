// Fonts on Windows: Arial from the system font folder, or whatever font GDI
// matches to the family and weight (also what wine offers, which ships no Arial).
#include "Platform/FontLocator.h"

#include <windows.h>

namespace gen
{

std::vector<std::string> SystemFontFiles(const std::string& family, bool bold)
{
    char folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (family != "Arial" || length == 0 || length >= MAX_PATH)
    {
        return {};
    }
    return {std::string(folder, length) + (bold ? "\\Fonts\\arialbd.ttf" : "\\Fonts\\arial.ttf")};
}

std::vector<std::uint8_t> SystemFontData(const std::string& family, bool bold)
{
    std::vector<std::uint8_t> data;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-12, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             family.c_str());
    if (dc && font)
    {
        HGDIOBJ previous = SelectObject(dc, font);
        const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
        if (size != GDI_ERROR && size > 0)
        {
            data.resize(size);
            if (GetFontData(dc, 0, 0, data.data(), size) != size)
            {
                data.clear();
            }
        }
        SelectObject(dc, previous);
    }
    if (font)
    {
        DeleteObject(font);
    }
    if (dc)
    {
        DeleteDC(dc);
    }
    return data;
}

} // namespace gen
