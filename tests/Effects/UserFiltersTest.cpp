// The user's filters without a device: which files count and in what
// order, which entry a file is compiled with, and the Page Up / Page Down
// order of all filters.
#include "Effects/UserFilters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace gen
{
namespace
{

namespace fs = std::filesystem;

TEST(UserFilters, FilesOfTheThreeKindsByNameWithTheDataFolderFirstOnATie)
{
    const fs::path root = fs::temp_directory_path() / "tessavin-user-filter-list";
    fs::remove_all(root);
    fs::create_directories(root / "data" / "Folder.fx");
    fs::create_directories(root / "user");
    for (const char* name : {"data/sepia.fx", "data/Blur.HLSL", "data/notes.txt", "data/Zoom.psh", "data/Zoom.fxh",
                             "user/Sepia.psh", "user/acid.hlsl"})
    {
        std::ofstream(root / name) << "x";
    }
    const std::vector<SUserFilterFile> files = ListFilterFiles(
        {(root / "data").u8string(), (root / "missing").u8string(), (root / "user").u8string()});
    std::vector<std::string> names;
    for (const SUserFilterFile& file : files)
    {
        names.push_back(file.Name + " " + fs::u8path(file.Path).parent_path().filename().u8string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"acid user", "Blur data", "sepia data", "Sepia user", "Zoom data"}));
    fs::remove_all(root);
}

TEST(UserFilters, EntryOfEachKindOfFile)
{
    struct SCase
    {
        const char* Text;
        const char* Entry;
        std::vector<std::string> Arguments;
        const char* Error; // a word the reason holds; "" when it compiles
    } const cases[] = {
        {"sampler s0 : register(s0);\nfloat4 main(float2 t : TEXCOORD0) : COLOR { return tex2D(s0, t); }\n", "main",
         {}, ""},
        {"float4 Invert(float2 t : TEXCOORD0) : COLOR0 { return 1; }\n", "main", {}, "main"},
        {"float4 PS(float2 t : TEXCOORD0, uniform bool b, uniform float f) : COLOR0 { return f; }\n"
         "technique First { pass P0 { PixelShader = compile ps_2_0 PS(true, 0.5); ZEnable = false; } }\n"
         "technique Second { pass P0 { PixelShader = compile ps_2_0 Other(); } }\n",
         "PS", {"true", "0.5"}, ""},
        {"float4 VS(float4 p : POSITION) : POSITION { return p; }\n"
         "technique T { pass P { VertexShader = compile vs_2_0 VS(); } }\n",
         "main", {}, "pixel shader"},
    };
    for (const SCase& c : cases)
    {
        const SShaderEntry entry = ChooseFilterEntry("Filters/Case.fx", c.Text);
        if (*c.Error)
        {
            EXPECT_NE(entry.Error.find(c.Error), std::string::npos) << c.Text << "\n" << entry.Error;
            continue;
        }
        EXPECT_EQ(entry.Error, "") << c.Text;
        EXPECT_EQ(entry.Entry, c.Entry) << c.Text;
        EXPECT_EQ(entry.Arguments, c.Arguments) << c.Text;
    }
}

TEST(UserFilters, PageKeysStepThroughTheBuiltInFiltersThenTheUsersWrappingAround)
{
    struct SCase
    {
        int Current, Step, Users, Next;
    } const cases[] = {
        {0, 1, 2, 1},
        {3, 1, 2, kFirstUserFilter},
        {kFirstUserFilter + 1, 1, 2, 0},
        {0, -1, 2, kFirstUserFilter + 1},
        {kFirstUserFilter, -1, 2, 3},
        {3, 1, 0, 0},
        {0, -1, 0, 3},
        {5, 1, 0, 1},                     // an area-only filter steps as if none were chosen
        {kFirstUserFilter + 4, 1, 2, 1},  // so does a user filter whose file went away
    };
    for (const SCase& c : cases)
    {
        EXPECT_EQ(StepFilter(c.Current, c.Step, c.Users), c.Next) << c.Current << " " << c.Step << " " << c.Users;
    }
}

} // namespace
} // namespace gen
