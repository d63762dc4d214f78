// Files in folders whose names the legacy Windows code page cannot spell
// ("Zoë", "数据"): each way the programs open a file takes the UTF-8 path.
// On Linux the bytes pass through; under wine this is the Windows build's check.
#include "Common/DataFolder.h"
#include "Common/FileProblem.h"
#include "Common/ReadFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace gen;
namespace fs = std::filesystem;

TEST(Utf8System, FilesInNonAsciiFoldersOpen)
{
    for (const char* name : {"Zoë", "数据 folder"})
    {
        const fs::path folder = fs::u8path(testing::TempDir()) / fs::u8path(name);
        fs::remove_all(folder);
        fs::create_directories(folder / "Media");
        fs::create_directories(folder / "Source" / "Render");
        const std::string level = (folder / "Entities.xml").u8string();
        ASSERT_TRUE(WriteWholeFile(level, "<Level/>")) << name;
        ASSERT_TRUE(WriteWholeFile((folder / "Media" / "Crate.png").u8string(), "")) << name;

        std::string read;
        EXPECT_TRUE(ReadWholeFile(level, read)) << name;
        EXPECT_EQ(read, "<Level/>") << name;
        EXPECT_EQ(FileProblem(level), "") << name;
        EXPECT_EQ(FileProblem((folder / "Media" / "Crate.png").u8string()), "the file is empty") << name;
        EXPECT_EQ(FileProblem((folder / "Missing.x").u8string()), "the file is missing") << name;

        // A Latin-1 file name from an old .x file, inside the UTF-8 folder:
        // on Windows read in the legacy code page, elsewhere bytes as they are.
        const std::string latin1 = folder.u8string() + "/T\xEBxture.png";
        EXPECT_TRUE(WriteWholeFile(latin1, "png")) << name;
        EXPECT_EQ(FileProblem(latin1), "") << name;

        // The data search and a data name in another case, inside the folder.
        ASSERT_TRUE(LocateDataFolder({folder.u8string()})) << name;
        EXPECT_EQ(fs::u8path(DataPath("Entities.xml")), folder / "Entities.xml") << name;
        EXPECT_EQ(FileProblem(DataPath("media\\crate.PNG")), "the file is empty") << name;
        LocateDataFolder({});
        fs::remove_all(folder);
    }
}
