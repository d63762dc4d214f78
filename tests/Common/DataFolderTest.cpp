// The data search: which folder of a layout on disk is taken, in which order
// the folders are tried, and what DataPath then opens.
#include "Common/DataFolder.h"
#include "Common/Problems.h"
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
    const char* BuildFolder = nullptr; // the configured build tree and its source, relative to the root
    const char* SourceFolder = nullptr;
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
    // An out-of-tree build finds the source tree it was configured from, after every other folder.
    {"OutOfTreeBuild", {{"src", kComplete}}, "work", "elsewhere/build/tools/capture", "src", "elsewhere/build", "src"},
    {"OutOfTreeBuildAfterAbove",
     {{"src", kComplete}, {"elsewhere", kComplete}},
     "work",
     "elsewhere/build/tools/capture",
     "elsewhere",
     "elsewhere/build",
     "src"},
    // The same executable installed or copied elsewhere never reads the source tree.
    {"InstalledIgnoresSourceTree", {{"src", kComplete}}, "work", "usr/bin", nullptr, "elsewhere/build", "src"},
};

std::string Under(const fs::path& root, const char* folder)
{
    return folder ? (root / folder).u8string() : std::string();
}

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

    const SBuildTree buildTree{Under(root, layout.BuildFolder), Under(root, layout.SourceFolder)};
    const bool found = LocateDataFolder(
        DataFolderCandidates((root / layout.Working).u8string(), (root / layout.Executable).u8string(), buildTree));

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
    // The list names the working folder first and the installed layout last
    // (then the source tree, for a program inside its build tree).
    std::string searched = DataSearchList();
    const std::string sourceLast = ", " + Native(Under(root, layout.SourceFolder));
    if (layout.SourceFolder && searched.size() > sourceLast.size() &&
        searched.compare(searched.size() - sourceLast.size(), sourceLast.size(), sourceLast) == 0)
    {
        EXPECT_EQ(fs::u8path(layout.Executable).begin()->u8string(), "elsewhere") << searched;
        searched.resize(searched.size() - sourceLast.size());
    }
    if (!found)
    {
        EXPECT_NE(MissingDataMessage().find("looked in: " + searched), std::string::npos);
        // The shader folder as this system writes it ("Source/Render" here, "Source\Render" on Windows).
        const std::string shaders = (fs::path("Source") / "Render").u8string();
        EXPECT_NE(MissingDataMessage().find("(Entities.xml, Media, " + shaders + ")"), std::string::npos);
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

// Names written on Windows in another case than on disk: matched folder by
// folder where the exact name is missing, said once, never guessed between two.
TEST(DataFolder, NamesInAnotherCaseAreMatchedOnce)
{
    const fs::path root = EmptyRoot("Case");
    MakeData(root, kComplete);
    std::ofstream(root / "Media" / "Crate.png") << "png";
    std::ofstream(root / "Media" / "Earth.x") << "xof";
    fs::create_directories(root / "Media" / "Sub");
    std::ofstream(root / "Media" / "Sub" / "Wall.png") << "png";
    std::ofstream(root / "Media" / "Twin.png") << "png";
    std::ofstream(root / "Media" / "TWIN.png") << "png";
    std::ofstream(root / "Media" / fs::u8path("Zoë Ωμέγα.png")) << "png";
    const bool caseSensitive = !fs::exists(root / "media" / "crate.png");
    const struct
    {
        const char* Name;
        const char* Expected; // relative to root
        int NoteLines;        // lines said on standard error the first time
    } cases[] = {
        {"Media\\Crate.png", "Media/Crate.png", 0},
        {"Media\\crate.PNG", "Media/Crate.png", 1},
        {"media/earth.X", "Media/Earth.x", 1},
        {"MEDIA\\sub\\wall.png", "Media/Sub/Wall.png", 1},
        {"Media\\ZOË ΩΜΈΓΑ.PNG", "Media/Zoë Ωμέγα.png", 1}, // letters beyond ASCII too
        {"Media\\Zoe.png", "Media/Zoe.png", 0},             // but not other letters
        {"Media\\Missing.png", "Media/Missing.png", 0},
        {"Media\\twin.png", "Media/twin.png", 1}, // Twin.png and TWIN.png: reported, neither taken
        {"Media\\Twin.png", "Media/Twin.png", 0},
    };
    ASSERT_TRUE(LocateDataFolder({root.u8string()}));
    ResetProblems();
    for (const auto& c : cases)
    {
        testing::internal::CaptureStderr();
        const std::string first = DataPath(c.Name);
        const std::string again = DataPath(c.Name);
        const std::string said = testing::internal::GetCapturedStderr();
        // The file itself where it exists (a case-insensitive system opens the name as written).
        const fs::path expected = root / fs::u8path(c.Expected);
        if (fs::exists(expected))
        {
            EXPECT_TRUE(fs::equivalent(fs::u8path(first), expected)) << c.Name << ": " << first;
        }
        else
        {
            EXPECT_EQ(fs::u8path(first).lexically_normal(), expected.lexically_normal()) << c.Name;
        }
        EXPECT_EQ(again, first) << c.Name;
        if (caseSensitive)
        {
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), c.NoteLines) << c.Name << ": " << said;
        }
    }
    if (caseSensitive)
    {
        EXPECT_EQ(ProblemCount(), 1); // the ambiguous name
    }
    ResetProblems();
    LocateDataFolder({});
    fs::remove_all(root);
}

TEST(DataFolder, TheOverlayComesFirstInAnyCase)
{
    const fs::path root = EmptyRoot("Overlay");
    MakeData(root / "data", kComplete);
    std::ofstream(root / "data" / "Media" / "Stone.png") << "png";
    std::ofstream(root / "data" / "Media" / "Crate.png") << "png";
    fs::create_directories(root / "run" / "Media");
    std::ofstream(root / "run" / "Media" / "STONE.png") << "dropped";
    ASSERT_TRUE(LocateDataFolder({(root / "data").u8string()}));
    SetDataOverlay((root / "run").u8string());
    const std::string stone = DataPath("Media\\Stone.png");
    const std::string crate = DataPath("Media\\Crate.png");
    SetDataOverlay("");
    EXPECT_TRUE(fs::equivalent(fs::u8path(stone), root / "run" / "Media" / "STONE.png")) << stone;
    EXPECT_TRUE(fs::equivalent(fs::u8path(crate), root / "data" / "Media" / "Crate.png")) << crate;
}
