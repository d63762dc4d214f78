#pragma once
// Writes test documents to files under the test temporary directory.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace gen
{

inline std::string WriteTempFile(const std::string& name, const std::string& content)
{
    const std::string path = testing::TempDir() + "tessavin_" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file)
    {
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    return path;
}

} // namespace gen
