// The data search: which folder of a layout on disk is taken, in which order
// the folders are tried, and what DataPath then opens.
#include "Common/DataFolder.h"
#include "Common/StartFailure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace gen;
namespace fs = std::filesystem;

namespace
{

std::string Native(const std::string& path)
{
    return fs::u8path(path).lexically_normal().u8string();
}

// A fresh folder under the test temporary folder.
fs::path EmptyRoot(const std::string& name)
{
    const fs::path root = fs::u8path(testing::TempDir()) / ("tessavin_data_" + name);
    fs::remove_all(root);
    fs::create_directories(root);
    return root;
}

// Which of the three parts a folder holds; the level may be a folder.
enum EData
{
    kComplete,
    kNoLevel,
    kNoShaders,
    kLevelIsFolder,
    kOnlyMedia,
    kOnlyShaders, // a build tree's Source/Render
};

void MakeData(const fs::path& folder, EData data)
{
    fs::create_directories(folder);
    if (data != kNoShaders && data != kOnlyMedia)
    {
        fs::create_directories(folder / "Source" / "Render");
    }
    if (data != kOnlyShaders)
    {
        fs::create_directories(folder / "Media");
    }
    if (data == kLevelIsFolder)
    {
        fs::create_directories(folder / "Entities.xml");
    }
    else if (data == kComplete || data == kNoShaders)
    {
        std::ofstream(folder / "Entities.xml") << "<Level/>";
    }
}

struct SLayout
{
    const char* Name;
    std::vector<std::pair<const char*, EData>> Folders; // relative to the root
    const char* Working;
    const char* Executable;
    const char* Expected; // relative to the root; nullptr: nothing found
};

const SLayout kLayouts[] = {
    {"WorkingFolderFirst", {{"work", kComplete}, {"app", kComplete}}, "work", "app", "work"},
    {"BesideTheExecutable", {{"app", kComplete}}, "work", "app", "app"},
    {"BuildTree", {{"repo", kComplete}}, "work", "repo/build/dev/tools/capture", "repo"},
    {"NearestAboveWins", {{"a", kComplete}, {"a/b", kComplete}}, "work", "a/b/c/d", "a/b"},
    {"Installed", {{"usr/share/tessavin", kComplete}}, "work", "usr/bin", "usr/share/tessavin"},
    {"AboveBeforeInstalled", {{"usr", kComplete}, {"usr/share/tessavin", kComplete}}, "work", "usr/bin", "usr"},
    {"OnePartAloneSkipped",
     {{"work", kOnlyMedia}, {"build/dev", kOnlyShaders}, {"build", kOnlyMedia}, {"build/dev/share/tessavin", kComplete}},
     "work",
     "build/dev/bin",
     "build/dev/share/tessavin"},
    // A data folder lacking one part is still the one used, so that the missing part is reported.
    {"BrokenFolderStillTaken", {{"work", kNoLevel}, {"app", kComplete}}, "work", "app", "work"},
    {"LevelAsAFolderCounts", {{"work", kLevelIsFolder}, {"app", kComplete}}, "work", "app", "work"},
    {"MissingShadersBeforeAbove", {{"app/bin", kNoShaders}, {"app", kComplete}}, "work", "app/bin", "app/bin"},
    {"NothingFound", {{"work", kOnlyMedia}, {"usr/bin", kOnlyShaders}}, "work", "usr/bin", nullptr},
};

class DataFolderLayout : public testing::TestWithParam<SLayout>
{
};

} // namespace

TEST_P(DataFolderLayout, TakesTheFirstFolderHoldingTheData)
{
    const SLayout& layout = GetParam();
    const fs::path root = EmptyRoot(layout.Name);
    for (const auto& [folder, data] : layout.Folders)
    {
        MakeData(root / folder, data);
    }
    fs::create_directories(root / layout.Working);
    fs::create_directories(root / layout.Executable);

    const bool found =
        LocateDataFolder(DataFolderCandidates((root / layout.Working).u8string(), (root / layout.Executable).u8string()));

    EXPECT_EQ(found, layout.Expected != nullptr);
    EXPECT_EQ(MissingDataMessage().empty(), found);
    if (layout.Expected)
    {
        EXPECT_EQ(DataFolder(), Native((root / layout.Expected).u8string()));
        EXPECT_EQ(fs::u8path(DataPath("Media\\Stone.png")), root / layout.Expected / "Media" / "Stone.png");
    }
    else
    {
        EXPECT_EQ(DataFolder(), "");
        EXPECT_EQ(DataPath("Media\\Stone.png"), "Media/Stone.png"); // the working folder's, as before
    }
    // The list names the working folder first and the installed layout last.
    const std::string searched = DataSearchList();
    if (!found)
    {
        EXPECT_NE(MissingDataMessage().find("looked in: " + searched), std::string::npos);
    }
    EXPECT_EQ(searched.rfind(Native((root / layout.Working).u8string()) + ", ", 0), 0u) << searched;
    const std::string installed = Native(((root / layout.Executable).parent_path() / "share" / "tessavin").u8string());
    EXPECT_EQ(searched.substr(searched.size() - std::min(searched.size(), installed.size())), installed) << searched;
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Layouts, DataFolderLayout, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<SLayout>& info) { return std::string(info.param.Name); });

TEST(DataFolder, CandidatesInSearchOrder)
{
    const std::vector<std::string> expected = {Native("/home/u"),  Native("/opt/t/bin"), Native("/opt/t"),
                                               Native("/opt"),     Native("/"),          Native("/opt/t/share/tessavin")};
    EXPECT_EQ(DataFolderCandidates("/home/u", "/opt/t/bin/"), expected);

    // Started from the executable's own folder: each folder is tried once.
    const std::vector<std::string> once = {Native("/opt/t/bin"), Native("/opt/t"), Native("/opt"), Native("/"),
                                           Native("/opt/t/share/tessavin")};
    EXPECT_EQ(DataFolderCandidates("/opt/t/bin", "/opt/t/bin/"), once);

    // No executable folder known: the working folder alone.
    EXPECT_EQ(DataFolderCandidates("/home/u", ""), std::vector<std::string>{Native("/home/u")});
}

TEST(DataFolder, AbsoluteNamesStayWhereTheyPoint)
{
    const fs::path root = EmptyRoot("Absolute");
    MakeData(root, kComplete);
    ASSERT_TRUE(LocateDataFolder({root.u8string()}));
    const fs::path elsewhere = fs::u8path(testing::TempDir()) / "Elsewhere.png";
    EXPECT_EQ(fs::u8path(DataPath(elsewhere.u8string())), elsewhere);
    LocateDataFolder({});
    fs::remove_all(root);
}

// A start-up that fails on a missing file also says where the data was looked for.
TEST(DataFolder, StartFailureMessageSaysWhereItLooked)
{
    const fs::path root = EmptyRoot("Missing");
    ResetStartFailure();
    ASSERT_FALSE(LocateDataFolder({root.u8string()}));
    NoteStartFailure(kStepLevel, "Entities.xml", "the file is missing");
    EXPECT_NE(StartFailureMessage().find("looked in: " + Native(root.u8string())), std::string::npos)
        << StartFailureMessage();

    MakeData(root, kComplete);
    ASSERT_TRUE(LocateDataFolder({root.u8string()}));
    EXPECT_EQ(StartFailureMessage().find("looked in"), std::string::npos) << StartFailureMessage();
    ResetStartFailure();
    LocateDataFolder({});
    fs::remove_all(root);
}
