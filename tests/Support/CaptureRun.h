#pragma once
// The capture tool's loop run inside a test, in a copy of the data folder:
// edits and added files then touch only the copy.

#include "../../tools/capture/CaptureFrame.h"
#include "App/AppFrame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gen
{

// The level, media and shaders copied to a fresh temporary folder of that
// name, which becomes the working folder (and so the data folder).
inline std::filesystem::path EnterDataCopy(const std::filesystem::path& root, const std::string& name)
{
    namespace fs = std::filesystem;
    const fs::path work = fs::temp_directory_path() / name;
    fs::remove_all(work);
    fs::create_directories(work / "Source");
    fs::copy(root / "Source" / "Render", work / "Source" / "Render", fs::copy_options::recursive);
    fs::copy(root / "Media", work / "Media", fs::copy_options::recursive);
    fs::copy_file(root / "Entities.xml", work / "Entities.xml");
    fs::current_path(work);
    return work;
}

// The program's loop at 160x120 with frame in place of the scene's (and
// meshes placed in front of the camera, as --mesh does).
inline void RunHeadless(CFrame& frame, const std::vector<std::string>& meshes = {})
{
    SAppOptions app;
    app.Meshes = meshes;
    app.ClientWidth = 160;
    app.ClientHeight = 120;
    app.Headless = true;
    app.Frame = &frame;
    RunApplication(app);
}

// The capture tool's frame with a script of our own run before each update
// (given the frame's number): what --replace cannot do, such as removing a file.
class CScriptedCapture : public CCaptureFrame
{
public:
    CScriptedCapture(const SCaptureOptions& options, std::function<void(int)> script, CPassTimer* passes = nullptr,
                     CInspector* inspector = nullptr)
        : CCaptureFrame(options, passes, inspector), Script(std::move(script))
    {
    }
    void Update(float t) override
    {
        if (Script)
        {
            Script(FramesRun());
        }
        CCaptureFrame::Update(t);
    }

private:
    std::function<void(int)> Script;
};

// tessavin-capture with args (after the program's name) at 160x120: every
// frame ran, every --replace copied; the shots taken.
// tessavin-capture's options from args (after the program's name) at 160x120.
inline SCaptureOptions CaptureOptions160(std::vector<std::string> args)
{
    args.insert(args.begin(), {"tessavin-capture", "--size", "160x120", "--out", "out"});
    std::vector<const char*> argv;
    for (const std::string& arg : args)
    {
        argv.push_back(arg.c_str());
    }
    SCaptureOptions options;
    std::string error;
    EXPECT_TRUE(ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), options, error)) << error;
    return options;
}

inline std::map<int, SShot> RunCapture(std::vector<std::string> args, std::function<void(int)> script = {})
{
    const SCaptureOptions options = CaptureOptions160(std::move(args));
    CScriptedCapture frame(options, std::move(script));
    RunHeadless(frame, options.Meshes);
    EXPECT_EQ(frame.FramesRun(), options.Frames);
    EXPECT_EQ(frame.FailedReplaces(), 0);
    return frame.Shots();
}

} // namespace gen
