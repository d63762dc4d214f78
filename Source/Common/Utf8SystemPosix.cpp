#include "Common/Utf8System.h"

namespace gen
{

// Paths and arguments are bytes here, UTF-8 by the system's convention.
std::FILE* OpenFile(const std::string& utf8Path, const char* mode)
{
    return std::fopen(utf8Path.c_str(), mode);
}

std::filesystem::path FilePath(const std::string& utf8Path)
{
    return std::filesystem::path(utf8Path);
}

std::vector<std::string> CommandLineArguments(int argc, const char* const* argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

} // namespace gen
