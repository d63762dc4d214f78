#pragma once
// Test documents written under the test temporary directory, removed when the
// test program ends.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace gen
{

inline std::string WriteTempFile(const std::string& name, const std::string& content)
{
    struct SFiles
    {
        std::vector<std::string> Paths;
        ~SFiles()
        {
            for (const std::string& path : Paths)
            {
                std::filesystem::remove(path);
            }
        }
    };
    static SFiles files;
    // The process id keeps concurrent runs (normal and sanitizer suites) apart.
    const std::string path = testing::TempDir() + "tessavin_" + std::to_string(getpid()) + "_" + name;
    std::ofstream(path, std::ios::binary) << content;
    files.Paths.push_back(path);
    return path;
}

} // namespace gen
