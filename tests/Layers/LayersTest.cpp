// The folders under Source/ are layers: the README's layout section lists
// them from the top down, each with the folders it may use, and every
// #include "Folder/..." must keep to that list. A folder missing from the
// list, a use of a folder listed above, or a file grown past 800 lines fails
// here with its file and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

struct SLayer
{
    std::string Folder;
    std::set<std::string> Uses;
};

constexpr std::size_t kMaxLines = 800;

// Lines of the form "N. `Folder`: what it holds. Uses: A, B, C." (or "Uses: nothing.").
std::vector<SLayer> ReadLayers(std::istream& readme)
{
    static const std::regex kLine(R"(^\d+\.\s+`(\w+)`:.*\bUses:\s*([^.]*)\.?\s*$)");
    std::vector<SLayer> layers;
    std::string line;
    while (std::getline(readme, line))
    {
        std::smatch match;
        if (!std::regex_match(line, match, kLine))
        {
            continue;
        }
        SLayer layer{match[1], {}};
        std::stringstream uses(match[2]);
        std::string name;
        while (std::getline(uses, name, ','))
        {
            name.erase(0, name.find_first_not_of(" `"));
            name.erase(name.find_last_not_of(" `") + 1);
            if (!name.empty() && name != "nothing")
            {
                layer.Uses.insert(name);
            }
        }
        layers.push_back(layer);
    }
    return layers;
}

// Every way the list itself is wrong: a folder using one at or above itself,
// or one the list does not have.
std::vector<std::string> CheckList(const std::vector<SLayer>& layers)
{
    std::vector<std::string> problems;
    for (std::size_t i = 0; i < layers.size(); ++i)
    {
        for (const std::string& used : layers[i].Uses)
        {
            std::size_t j = 0;
            while (j < layers.size() && layers[j].Folder != used)
            {
                ++j;
            }
            if (j == layers.size())
            {
                problems.push_back(layers[i].Folder + " uses " + used + ", which the list does not have");
            }
            else if (j <= i)
            {
                problems.push_back(layers[i].Folder + " uses " + used + ", which stands at or above it");
            }
        }
    }
    return problems;
}

// Every include under sourceRoot that leaves its folder for one it may not
// use, every folder the list lacks, and every file over kMaxLines lines.
std::vector<std::string> CheckTree(const fs::path& sourceRoot, const std::vector<SLayer>& layers)
{
    static const std::regex kInclude(R"(^\s*#\s*include\s*[<"](\w+)/)");
    std::map<std::string, const SLayer*> byFolder;
    for (const SLayer& layer : layers)
    {
        byFolder[layer.Folder] = &layer;
    }
    std::vector<std::string> problems;
    for (const fs::directory_entry& folder : fs::directory_iterator(sourceRoot))
    {
        if (!folder.is_directory())
        {
            continue;
        }
        const std::string name = folder.path().filename().string();
        const auto layer = byFolder.find(name);
        if (layer == byFolder.end())
        {
            problems.push_back("Source/" + name + " is not in the README's list of layers");
            continue;
        }
        for (const fs::directory_entry& file : fs::recursive_directory_iterator(folder.path()))
        {
            const std::string extension = file.path().extension().string();
            if (!file.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            {
                continue;
            }
            const std::string shown = "Source/" + fs::relative(file.path(), sourceRoot).generic_string();
            std::ifstream in(file.path());
            std::string line;
            std::size_t number = 0;
            while (std::getline(in, line))
            {
                ++number;
                std::smatch match;
                if (!std::regex_search(line, match, kInclude))
                {
                    continue;
                }
                const std::string target = match[1];
                if (target != name && byFolder.count(target) != 0 && layer->second->Uses.count(target) == 0)
                {
                    problems.push_back(shown + ":" + std::to_string(number) + ": " + name + " includes " + target +
                                       ", which the README's layout does not let it use");
                }
            }
            if (number > kMaxLines)
            {
                problems.push_back(shown + " has " + std::to_string(number) + " lines, more than " +
                                   std::to_string(kMaxLines));
            }
        }
    }
    return problems;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
    {
        all += line + "\n";
    }
    return all;
}

TEST(Layers, TheSourceTreeKeepsToTheReadmesLayers)
{
    std::ifstream readme(fs::path(TESSAVIN_SOURCE_DIR) / "README.md");
    ASSERT_TRUE(readme.is_open());
    const std::vector<SLayer> layers = ReadLayers(readme);
    ASSERT_GE(layers.size(), 10u) << "the README's layout section lists the layers";
    EXPECT_EQ(layers.front().Folder, "App");
    EXPECT_TRUE(layers.back().Uses.empty()) << layers.back().Folder << " is the bottom layer";
    EXPECT_EQ(Joined(CheckList(layers)), "");
    EXPECT_EQ(Joined(CheckTree(fs::path(TESSAVIN_SOURCE_DIR) / "Source", layers)), "");
}

// The checks themselves, on a small tree of our own: each kind of fault is
// named with its place, and what is allowed passes.
TEST(Layers, EachFaultIsNamedWithItsPlace)
{
    std::istringstream readme("# Layout\n"
                              "1. `Top`: the program. Uses: Low, Bottom.\n"
                              "2. `Low`: middle. Uses: Bottom, Top.\n"
                              "- `Bottom`: not a layer line\n"
                              "3. `Bottom`: the base. Uses: nothing.\n"
                              "4. `Odd`: names a stranger. Uses: Nowhere.\n");
    const std::vector<SLayer> layers = ReadLayers(readme);
    ASSERT_EQ(layers.size(), 4u);
    EXPECT_EQ(layers[0].Uses, (std::set<std::string>{"Low", "Bottom"}));
    EXPECT_TRUE(layers[2].Uses.empty());
    EXPECT_EQ(CheckList(layers), (std::vector<std::string>{"Low uses Top, which stands at or above it",
                                                           "Odd uses Nowhere, which the list does not have"}));

    const fs::path root = fs::temp_directory_path() / "tessavin-layers-test";
    fs::remove_all(root);
    for (const char* folder : {"Top", "Bottom", "Stray"})
    {
        fs::create_directories(root / folder);
    }
    std::ofstream(root / "Top" / "Main.cpp") << "#include \"Bottom/B.h\"\n#include <vector>\n#include \"Top/T.h\"\n";
    std::ofstream(root / "Bottom" / "B.cpp") << "// fine\n#include \"Bottom/B.h\"\n  # include \"Top/T.h\"\n";
    std::ofstream(root / "Bottom" / "Notes.txt") << "#include \"Top/T.h\"\n";
    {
        std::ofstream big(root / "Bottom" / "Big.h");
        for (std::size_t i = 0; i <= kMaxLines; ++i)
        {
            big << "\n";
        }
    }
    std::vector<std::string> problems = CheckTree(root, layers);
    std::sort(problems.begin(), problems.end());
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "Source/Bottom/B.cpp:3: Bottom includes Top, which the README's layout does not let it use",
                            "Source/Bottom/Big.h has 801 lines, more than 800",
                            "Source/Stray is not in the README's list of layers"}));
    fs::remove_all(root);
}

} // namespace
