// %APPDATA% (the roaming profile's application data), read as UTF-16 so a
// user name outside the code page survives.
#include "Platform/UserFolder.h"

#include <windows.h>

#include <cstdlib>

namespace gen
{

std::string UserDataFolder()
{
    const wchar_t* data = _wgetenv(L"APPDATA");
    if (!data || data[0] == L'\0')
    {
        return "";
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, data, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
    {
        return "";
    }
    std::string folder(static_cast<std::size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, data, -1, &folder[0], size, nullptr, nullptr);
    return folder + "\\Tessavin";
}

// Settings live beside the data, as Windows programs keep both under %APPDATA%.
std::string UserSettingsFolder()
{
    return UserDataFolder();
}

} // namespace gen
