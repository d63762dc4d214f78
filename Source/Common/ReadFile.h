#pragma once
// A whole file's bytes at once: shaders are read this way to compile and to
// compare with what was compiled, and the capture tool's scripted edits copy
// files with it.

#include <fstream>
#include <sstream>
#include <string>

namespace gen
{

// The bytes of the file at path (opened as given) in contents; false, with
// contents untouched, when it cannot be opened.
inline bool ReadWholeFile(const std::string& path, std::string& contents)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    contents = bytes.str();
    return true;
}

} // namespace gen
