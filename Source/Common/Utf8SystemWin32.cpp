#include "Common/Utf8System.h"

#include <windows.h>

#include <shellapi.h>
#include <stdlib.h>

#include <cstring>

namespace gen
{

namespace
{
std::wstring Wide(const std::string& text, UINT codePage, DWORD flags)
{
    const int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
    {
        MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0], n);
    }
    return wide;
}

// UTF-8 text; a part of a path between separators that is not UTF-8 is read
// in the legacy code page (a data folder's UTF-8 name may meet a Latin-1
// file name from an old .x file).
std::wstring Wide(const std::string& text)
{
    std::wstring wide;
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find_first_of("/\\", start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string part = text.substr(start, end - start);
        const std::wstring utf8 = Wide(part, CP_UTF8, MB_ERR_INVALID_CHARS);
        wide += utf8.empty() ? Wide(part, CP_ACP, 0) : utf8;
        start = end;
    }
    return wide;
}

std::string Utf8(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n > 1 ? n : 1), '\0');
    if (n > 1)
    {
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], n, nullptr, nullptr);
    }
    utf8.resize(utf8.size() - 1); // the terminating zero
    return utf8;
}
// The C runtime's own copy of main's arguments, in the same code page.
bool IsMainArgv(int argc, const char* const* argv)
{
    if (argc != __argc || !__argv)
    {
        return false;
    }
    for (int i = 0; i < argc; ++i)
    {
        if (!argv[i] || !__argv[i] || std::strcmp(argv[i], __argv[i]) != 0)
        {
            return false;
        }
    }
    return true;
}
} // namespace

std::FILE* OpenFile(const std::string& utf8Path, const char* mode)
{
    return _wfopen(Wide(utf8Path).c_str(), Wide(mode).c_str());
}

std::filesystem::path FilePath(const std::string& utf8Path)
{
    return std::filesystem::path(Wide(utf8Path));
}

// main's argv is in the legacy code page, which cannot name every file: the
// wide command line has every character. Any other argv (a test's) is taken
// as it is.
std::vector<std::string> CommandLineArguments(int argc, const char* const* argv)
{
    if (!IsMainArgv(argc, argv))
    {
        return std::vector<std::string>(argv, argv + argc);
    }
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide || count != argc)
    {
        if (wide)
        {
            LocalFree(wide);
        }
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
    {
        arguments.push_back(Utf8(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

} // namespace gen
