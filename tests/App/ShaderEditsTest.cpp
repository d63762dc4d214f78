// The page editor's shaders over a small data folder of its own: the list,
// edits written where the program reads them with the shipped text kept,
// new filters in the run's folder, names a link could not carry refused,
// and the compiler's messages placed in the file.
#include "App/ShaderEdits.h"
#include "App/SharedLink.h"
#include "Common/DataFolder.h"
#include "Common/Problems.h"
#include "Common/ReadFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace gen
{
namespace
{

namespace fs = std::filesystem;

class ShaderEdits : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // ctest runs each test in a process of its own, side by side.
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Data = fs::temp_directory_path() / ("tessavin-shader-edits-" + test);
        fs::create_directories(Data / "Source/Render");
        WriteWholeFile((Data / "Entities.xml").string(), "<Entities/>");
        WriteWholeFile((Data / "Source/Render/A.psh").string(), "a");
        WriteWholeFile((Data / "Source/Render/B.vsh").string(), "b");
        WriteWholeFile((Data / "Source/Render/notes.txt").string(), "not a shader");
        ASSERT_TRUE(LocateDataFolder({Data.string()}));
        ResetProblems();
    }

    void TearDown() override
    {
        fs::current_path(Root);
        CloseSharedLink();
        ResetProblems();
        fs::remove_all(Data);
    }

    fs::path Root = fs::current_path();
    fs::path Data;
};

void EditsGoWhereTheProgramReads()
{
    using TNames = std::vector<std::string>;
    EXPECT_EQ(EditableShaders(), (TNames{"Source/Render/A.psh", "Source/Render/B.vsh"}));
    EXPECT_TRUE(EditedShaders().empty());

    ASSERT_TRUE(WriteEditableShader("Source/Render/A.psh", "a2"));
    std::string text;
    ASSERT_TRUE(ReadEditableShader("Source/Render/A.psh", text));
    EXPECT_EQ(text, "a2");
    ASSERT_TRUE(ShippedShaderText("Source/Render/A.psh", text));
    EXPECT_EQ(text, "a");

    ASSERT_TRUE(WriteEditableShader("Filters/New.psh", "n"));
    const std::string path = EditableShaderPath("Filters/New.psh");
    EXPECT_EQ(path.compare(0, DataOverlay().size(), DataOverlay()), 0) << path;
    EXPECT_FALSE(DataOverlay().empty());
    EXPECT_FALSE(ShippedShaderText("Filters/New.psh", text));
    EXPECT_EQ(EditableShaders(), (TNames{"Filters/New.psh", "Source/Render/A.psh", "Source/Render/B.vsh"}));
    EXPECT_EQ(EditedShaders(), (TNames{"Filters/New.psh", "Source/Render/A.psh"}));

    // Back to the shipped text: no longer an edit.
    ASSERT_TRUE(WriteEditableShader("Source/Render/A.psh", "a"));
    EXPECT_EQ(EditedShaders(), (TNames{"Filters/New.psh"}));

    for (const char* name : {"Media/x.psh", "Source/Render/notes.txt", "../x.psh", "Filters/.hidden.psh",
                             "Source/Render/Sub/x.psh"})
    {
        EXPECT_FALSE(WriteEditableShader(name, "x")) << name;
        EXPECT_EQ(EditableShaderPath(name), "") << name;
    }
    EXPECT_EQ(EditableShaders().size(), 3u);
}

// In a data folder found, and in the working folder with none found (the
// page, whose data lies at its file system's root).
TEST_F(ShaderEdits, EditsGoWhereTheProgramReadsAndNewFiltersIntoTheRunsFolder)
{
    for (const bool found : {true, false})
    {
        SCOPED_TRACE(found ? "data folder" : "working folder");
        if (!found)
        {
            CloseSharedLink();
            SetUp();
            fs::current_path(Data);
            LocateDataFolder({});
        }
        EditsGoWhereTheProgramReads();
    }
}

TEST_F(ShaderEdits, MessagesArePlacedInTheFileWhileItsProblemStands)
{
    const std::string path = EditableShaderPath("Source/Render/A.psh");
    ASSERT_FALSE(path.empty());
    ReportProblem(path, path + "(3): 'x' : unknown variable",
                  "ERROR: " + path + ":3: 'x' : unknown variable\nERROR: Other.h:7: elsewhere\n");
    const std::vector<SShaderMessage> messages = EditableShaderMessages("Source/Render/A.psh");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].Line, 3);
    EXPECT_EQ(messages[0].Text, "'x' : unknown variable");
    EXPECT_EQ(messages[1].Line, 0);
    EXPECT_TRUE(EditableShaderMessages("Source/Render/B.vsh").empty());

    ClearProblem(path);
    EXPECT_TRUE(EditableShaderMessages("Source/Render/A.psh").empty());
}

} // namespace
} // namespace gen
