#pragma once
// Writes test documents to files under the test temporary directory; they
// are removed when the test program ends.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace gen
{

namespace detail
{
struct STempFiles
{
    std::vector<std::string> Paths;
    ~STempFiles()
    {
        for (const std::string& path : Paths)
        {
            std::remove(path.c_str());
        }
    }
};

inline STempFiles& TempFiles()
{
    static STempFiles files;
    return files;
}
} // namespace detail

inline std::string WriteTempFile(const std::string& name, const std::string& content)
{
    // The process id keeps concurrent runs (normal and sanitizer suites) apart.
    const std::string path = testing::TempDir() + "tessavin_" + std::to_string(getpid()) + "_" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file)
    {
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
        detail::TempFiles().Paths.push_back(path);
    }
    return path;
}

} // namespace gen
