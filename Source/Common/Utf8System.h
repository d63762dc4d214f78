#pragma once
// Where text meets the system: paths in the program are UTF-8 strings on
// every system (SDL gives the executable's folder so, and the data search
// keeps it), but on Windows the C library's fopen and main's argv use the
// legacy code page, so a folder named "Zoë" could not be opened. Every file
// the programs and tools open goes through OpenFile, every path they look at
// through FilePath, and every command line through CommandLineArguments. Utf8SystemWin32.cpp does it with the
// wide-character calls; Utf8SystemPosix.cpp passes the bytes through.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace gen
{

// fopen for a UTF-8 path; null when the file cannot be opened.
std::FILE* OpenFile(const std::string& utf8Path, const char* mode);

// The filesystem path for a UTF-8 string. On Windows, text that is not UTF-8
// (a Latin-1 name in an old .x file) is read in the legacy code page, as the
// data's authors meant it; fs::u8path would throw.
std::filesystem::path FilePath(const std::string& utf8Path);

// The program's arguments as UTF-8, argv[0] first, when argv is main's;
// any other list (a test's) comes back as it is.
std::vector<std::string> CommandLineArguments(int argc, const char* const* argv);

struct SFileCloser
{
    void operator()(std::FILE* file) const
    {
        if (file)
        {
            std::fclose(file);
        }
    }
};

// A file that closes itself.
using TFile = std::unique_ptr<std::FILE, SFileCloser>;

} // namespace gen
