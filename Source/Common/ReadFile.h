#pragma once
// A whole file's bytes at once: shaders are read this way to compile and to
// compare with what was compiled, the capture tool's scripted edits copy
// files with it, and the tools write what they make with WriteWholeFile.
// Paths are UTF-8 (Common/Utf8System.h).

#include "Common/Utf8System.h"

#include <string>
#include <utility>

namespace gen
{

// The bytes of the file at path (opened as given) in contents; false, with
// contents untouched, when it cannot be opened or read.
inline bool ReadWholeFile(const std::string& path, std::string& contents)
{
    const TFile file(OpenFile(path, "rb"));
    if (!file)
    {
        return false;
    }
    std::string bytes;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    {
        bytes.append(buffer, n);
    }
    if (std::ferror(file.get()))
    {
        return false;
    }
    contents = std::move(bytes);
    return true;
}

// Writes bytes as the whole file at path, replacing it in place (as an
// editor saves); false when it cannot be written.
inline bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::FILE* file = OpenFile(path, "wb");
    if (!file)
    {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace gen
