// The capture tool on data folders with one thing broken: a start-up file
// ends the run with a message naming it and a non-zero exit; a scene file
// leaves the run going with the problem named on standard error. None of
// them may take long or much memory (an image header claiming billions of
// pixels must be refused before decoding).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace
{

// User and system time of every finished child so far.
double ChildrenCpuSeconds()
{
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(children.ru_utime) + seconds(children.ru_stime);
}

namespace fs = std::filesystem;

const fs::path kSource = TESSAVIN_SOURCE_DIR;

std::string ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes)
{
    fs::remove(path); // a link to the real data
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
    {
        s += static_cast<char>(b);
    }
    return s;
}

// The data folder as links to the real files, so that one can be replaced.
void MirrorData(const fs::path& to)
{
    fs::create_directories(to / "Media");
    fs::create_directories(to / "Source" / "Render");
    fs::create_symlink(kSource / "Entities.xml", to / "Entities.xml");
    for (const char* folder : {"Media", "Source/Render"})
    {
        for (const auto& entry : fs::directory_iterator(kSource / folder))
        {
            fs::create_symlink(entry.path(), to / folder / entry.path().filename());
        }
    }
}

// A PNG of signature, IHDR claiming 30000x30000 and IEND: 69 bytes with
// padding, no image data.
std::string HugePng()
{
    return Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0x75, 0x30, 0, 0,
                  0x75, 0x30, 8, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}) +
           std::string(25, '\0');
}

// An 82-byte TGA whose header claims 65535x65535 true-colour pixels.
std::string HugeTga()
{
    return Bytes({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 32, 8}) + std::string(64, '\x7f');
}

struct SCase
{
    const char* Name;
    std::function<void(const fs::path& data)> Break;
    int ExitCode;
    std::vector<std::string> Said;        // each must appear on standard error
    std::vector<std::string> NotSaid = {}; // none may
};

TEST(BrokenData, EachBrokenFileIsNamedAndTheRunEndsSoon)
{
    const std::string psh = "/Source/Render/PP_Tint.psh";
    const SCase cases[] = {
        {"shader missing", [&](const fs::path& d) { fs::remove(d / "Source/Render/PP_Tint.psh"); }, 1,
         {"Start-up Error: Tessavin could not start: compiling a shader failed.", psh, "the file is missing"}},
        {"shader garbled", [&](const fs::path& d) { Write(d / "Source/Render/PP_Tint.psh", "float4 main( : {"); }, 1,
         {"compiling a shader failed", psh}},
        {"filter texture missing", [](const fs::path& d) { fs::remove(d / "Media/Noise.png"); }, 1,
         {"loading a texture failed", "/Media/Noise.png", "the file is missing"}},
        {"filter texture empty", [](const fs::path& d) { Write(d / "Media/Noise.png", ""); }, 1,
         {"/Media/Noise.png", "the file is empty"}},
        {"filter texture truncated",
         [](const fs::path& d) { Write(d / "Media/Noise.png", ReadAll(kSource / "Media/Noise.png").substr(0, 200)); },
         1, {"loading a texture failed", "/Media/Noise.png"}},
        {"filter texture oversized", [](const fs::path& d) { Write(d / "Media/Noise.png", HugePng()); }, 1,
         {"/Media/Noise.png", "30000x30000"}},
        {"mesh texture oversized",
         [](const fs::path& d) {
             std::string mesh = ReadAll(kSource / "Media/Crate.x");
             mesh.replace(mesh.find("Crate.png"), 9, "Crate.tga");
             Write(d / "Media/Crate.x", mesh);
             Write(d / "Media/Crate.tga", HugeTga());
         },
         0, {"Error loading texture Media\\Crate.tga", "/Media/Crate.tga", "65535x65535"}},
        {"level missing", [](const fs::path& d) { fs::remove(d / "Entities.xml"); }, 0,
         {"/Entities.xml: the file is missing"}},
        {"level a folder",
         [](const fs::path& d) {
             fs::remove(d / "Entities.xml");
             fs::create_directory(d / "Entities.xml");
         },
         0, {"/Entities.xml: it is a folder"}},
        {"level garbled",
         [](const fs::path& d) {
             const std::string level = ReadAll(kSource / "Entities.xml");
             Write(d / "Entities.xml", level.substr(0, level.size() / 2));
         },
         0, {"/Entities.xml: parse error at line"}},
        {"mesh missing", [](const fs::path& d) { fs::remove(d / "Media/Crate.x"); }, 0,
         {"/Media/Crate.x: the file is missing"}},
        {"mesh empty", [](const fs::path& d) { Write(d / "Media/Crate.x", ""); }, 0, {"/Media/Crate.x: the file is empty"}},
        {"mesh not an X file", [](const fs::path& d) { Write(d / "Media/Crate.x", "Crate, in words"); }, 0,
         {"/Media/Crate.x: not an X file"}},
        // Names written on Windows: the files on disk in another case than the level and mesh name them.
        {"mesh and texture in another case",
         [](const fs::path& d) {
             fs::rename(d / "Media/Crate.x", d / "Media/CRATE.X");
             fs::rename(d / "Media/Crate.png", d / "Media/crate.PNG");
         },
         0,
         {"/Media/Crate.x: not found as written; using ", "/Media/CRATE.X", "/Media/crate.PNG"},
         {"Error loading texture", "the file is missing"}},
        {"mesh twice in another case",
         [](const fs::path& d) {
             fs::rename(d / "Media/Crate.x", d / "Media/CRATE.X");
             fs::copy_symlink(d / "Media/CRATE.X", d / "Media/crate.x");
         },
         0, {"/Media/Crate.x: not found as written, and ", "differ from it only in case", "the file is missing"}},
        {"mesh truncated",
         [](const fs::path& d) { Write(d / "Media/Crate.x", ReadAll(kSource / "Media/Crate.x").substr(0, 1000)); }, 0,
         {"/Media/Crate.x: line 32: "}},
    };
    const fs::path root = fs::temp_directory_path() / ("tessavin-broken-" + std::to_string(::getpid()));
    for (const SCase& c : cases)
    {
        const fs::path data = root / "data";
        fs::remove_all(root);
        MirrorData(data);
        c.Break(data);
        const std::string command = "cd '" + data.string() + "' && '" CAPTURE_PATH "' --frames 5 --out '" +
                                    (root / "out").string() + "' 2>'" + (root / "stderr.txt").string() + "'";
        const double cpuBefore = ChildrenCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpuSeconds = ChildrenCpuSeconds() - cpuBefore;
        const std::string said = ReadAll(root / "stderr.txt");

        ASSERT_TRUE(WIFEXITED(status)) << c.Name << "\n" << said;
        EXPECT_EQ(WEXITSTATUS(status), c.ExitCode) << c.Name << "\n" << said;
        for (const std::string& words : c.Said)
        {
            EXPECT_NE(said.find(words), std::string::npos) << c.Name << ": no \"" << words << "\" in\n" << said;
        }
        for (const std::string& words : c.NotSaid)
        {
            EXPECT_EQ(said.find(words), std::string::npos) << c.Name << ": \"" << words << "\" in\n" << said;
        }
        // The run's own processor time: a file that sends the loader into a
        // long loop shows there whatever else the machine is doing; the
        // clock only catches a run that waits forever.
        EXPECT_LT(cpuSeconds, 10.0) << c.Name;
        EXPECT_LT(seconds, 60.0) << c.Name;
    }
    fs::remove_all(root);

    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_LT(children.ru_maxrss, 1024L * 1024L) << "largest run, KiB";
}

} // namespace
