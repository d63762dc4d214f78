// The inspector through the capture tool's loop on the real program: hidden,
// it leaves frames as they are; shown, it draws and times its own pass; Tab
// shows and hides it; while the pointer is over it, clicks, the wheel and keys are its
// own, while elsewhere they reach the scene.
#include "App/Inspector.h"
#include "App/Tunables.h"
#include "Device/Device.h"
#include "Effects/PostProcess.h"
#include "Platform/CDevice.h"
#include "Scene/Scene.h"
#include "Device/Input.h"
#include "Platform/CWindow.h"
#include "Support/CaptureRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace gen
{
namespace
{

// Renders the last frame three times over the same state (a zero step, as
// rendering advances the filters' values by its time): with the inspector
// hidden, without one, and shown. With shownBefore, the frames before it
// draw the inspector shown.
class CThreeWays : public CFrame
{
public:
    CThreeWays(CInspector& inspector, bool shownBefore = false) : Inspector(inspector), ShownBefore(shownBefore) {}
    bool Continue() override { return Frames < 3; }
    void Render(float) override
    {
        if (++Frames < 3)
        {
            Drawing = ShownBefore ? &Inspector : nullptr;
            Inspector.SetShown(ShownBefore);
            SceneRender(kStep);
            FilteredPictureKept = GetFilteredPicture() != nullptr;
            return;
        }
        for (SShot& shot : Shots)
        {
            Drawing = &shot == &Shots[1] ? nullptr : &Inspector;
            Inspector.SetShown(&shot == &Shots[2]);
            SceneRender(0.0f);
            Device->ReadBackBuffer(shot.Pixels, shot.Width, shot.Height);
            if (&shot == &Shots[0])
            {
                FilteredPictureHidden = GetFilteredPicture() != nullptr;
            }
        }
    }
    void Update(float) override { SceneUpdate(kStep); }
    void DrawOverlay(float t, const char* filterName) override
    {
        CFrame::DrawOverlay(t, filterName);
        if (Drawing)
        {
            Drawing->Draw(t);
        }
    }
    void ReleaseDevice() override { Inspector.ReleaseDevice(); }

    SShot Shots[3];
    bool FilteredPictureKept = false;
    bool FilteredPictureHidden = false;

private:
    static constexpr float kStep = 0.016f;
    CInspector& Inspector;
    bool ShownBefore;
    CInspector* Drawing = nullptr;
    int Frames = 0;
};

TEST(Inspector, HiddenItLeavesTheFrameAsItIsAndShownItDrawsInAPassOfItsOwn)
{
    CPassTimer passes;
    SetFramePassListener(&passes);
    CInspector inspector(passes, false);
    CThreeWays frame(inspector);
    RunHeadless(frame);
    SetFramePassListener(nullptr);
    passes.EndFrame();
    ASSERT_FALSE(frame.Shots[1].Pixels.empty());
    EXPECT_TRUE(frame.Shots[0].Pixels == frame.Shots[1].Pixels);
    EXPECT_FALSE(frame.Shots[2].Pixels == frame.Shots[1].Pixels);
    const std::vector<std::string>& names = passes.Report().Names;
    EXPECT_NE(std::find(names.begin(), names.end(), "inspector"), names.end());
}

// The Scene and Images sections open, then the panel hidden: the frame is as
// without the inspector, and no copy of the filtered picture is kept.
TEST(Inspector, WithItsImagesShownAndThenHiddenTheFrameIsAsWithoutIt)
{
    CPassTimer passes;
    CInspector inspector(passes, false);
    inspector.OpenSection("Scene");
    inspector.OpenSection("Images");
    CThreeWays again(inspector, true);
    RunHeadless(again);
    ASSERT_FALSE(again.Shots[1].Pixels.empty());
    EXPECT_TRUE(again.FilteredPictureKept);
    EXPECT_FALSE(again.FilteredPictureHidden);
    EXPECT_TRUE(again.Shots[0].Pixels == again.Shots[1].Pixels);
}

double MeanChannel(const SShot& shot)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < shot.Pixels.size(); ++i)
    {
        sum += i % 4 == 3 ? 0.0 : shot.Pixels[i];
    }
    return sum / static_cast<double>(shot.Pixels.size() * 3 / 4);
}

// --set reaches the filter through the capture tool's loop: the tint with no
// gain is nearly black (only the overlay and the heat haze, which bends the
// unfiltered scene, stay lit); a program-set constant or an unknown one is refused.
TEST(Inspector, SetChangesTheFilterFromTheFirstFrameAndRefusesWhatItCannotTune)
{
    const SShot tinted = RunCapture({"--frames", "3", "--press", "0:49", "--no-area-filters"}).at(2);
    const SShot dark =
        RunCapture({"--frames", "3", "--press", "0:49", "--no-area-filters", "--set", "pp_tint.PSH:Gain=0"}).at(2);
    EXPECT_LT(MeanChannel(dark) * 3.0, MeanChannel(tinted));

    for (const char* set : {"PP_Tint.psh:UVTopLeft=0,0", "PP_Tint.psh:Nothing=1", "PP_None.psh:Gain=1"})
    {
        const SCaptureOptions options = CaptureOptions160({"--frames", "2", "--press", "0:49", "--set", set});
        CCaptureFrame frame(options, nullptr);
        RunHeadless(frame);
        EXPECT_EQ(frame.FailedSets(), 1) << set;
    }
}

// The materials' shaders are tuned the same way: the grey-scale panel's frame
// turned red shows in the picture; the tint panel's colour, which the program
// sets as it draws, is refused, as is a matrix. The vertex shader the three
// scene-reading panels share is one entry, written to each method's table.
TEST(Inspector, SetReachesTheMaterialsShadersOnceTheyHaveDrawn)
{
    // Without a filter, whatever a test before it in the same process chose.
    SetCurrentFilter(kNoFilter);
    FilterValues() = SFilterValues();
    const SShot grey = RunCapture({"--frames", "3", "--fixed-dt", "0.016"}).at(2);
    const SShot red =
        RunCapture({"--frames", "3", "--fixed-dt", "0.016", "--set", "pp_polygrayscale.PSH:FrameColour=1,0,0"}).at(2);
    double redder = 0.0;
    for (std::size_t i = 0; i + 3 < red.Pixels.size(); i += 4)
    {
        redder += (red.Pixels[i] - red.Pixels[i + 1]) - (grey.Pixels[i] - grey.Pixels[i + 1]);
    }
    EXPECT_GT(redder, 255.0);

    const SCaptureOptions options = CaptureOptions160({"--frames", "2", "--set", "PP_TintPoly.psh:TintColour=1,1,1"});
    CCaptureFrame frame(options, nullptr);
    RunHeadless(frame);
    EXPECT_EQ(frame.FailedSets(), 1);

    std::vector<ETuneResult> results;
    std::vector<STunableTable> shared;
    RunCapture({"--frames", "3"}, [&](int n) {
        if (n == 2)
        {
            results = {SetTunableValue("PP_PolyGrayScale.psh", "FrameColour", {0.5f, 0.5f, 0.5f}),
                       SetTunableValue("PP_PolyHighContrast.psh", "ContrastLevel", {0.0f}),
                       SetTunableValue("PP_XFormOnly.vsh", "WorldMatrix", {1.0f})};
            for (const STunableTable& table : TunableTables())
            {
                if (table.File == "PP_XFormOnly.vsh")
                {
                    shared.push_back(table);
                }
            }
        }
    });
    EXPECT_EQ(results, (std::vector<ETuneResult>{kTuned, kTuneSetByProgram, kTuneNoSuchConstant}));
    ASSERT_EQ(shared.size(), 1u);
    EXPECT_TRUE(shared[0].Drawn && shared[0].Material);
    EXPECT_EQ(shared[0].Shared.size(), 2u);
}

SWindowEvent Event(EWindowEventType type, int code, float x = 0.0f, float y = 0.0f)
{
    SWindowEvent event;
    event.Type = type;
    event.Code = code;
    event.X = x;
    event.Y = y;
    return event;
}

TEST(Inspector, TabShowsAndHidesItAndWhileHiddenEveryOtherEventReachesTheScene)
{
    CPassTimer passes;
    CInspector inspector(passes, true);
    struct SStep
    {
        SWindowEvent Event;
        bool Taken;
        bool ShownAfter;
    };
    const SStep steps[] = {
        {Event(kEventKeyDown, kKeyW), false, false},
        {Event(kEventMouseDown, kMouseLButton, 20.0f, 100.0f), false, false},
        {Event(kEventMouseWheel, 0, 0.0f, 1.0f), false, false},
        {Event(kEventKeyDown, kKeyTab), true, true},
        {Event(kEventKeyUp, kKeyTab), true, true},
        {Event(kEventKeyUp, kKeyW), false, true},
        {Event(kEventKeyDown, kKeyTab), true, false},
        {Event(kEventKeyDown, kKeyA), false, false},
    };
    for (const SStep& step : steps)
    {
        EXPECT_EQ(inspector.TakeEvent(step.Event), step.Taken) << step.Event.Type << " " << step.Event.Code;
        EXPECT_EQ(inspector.IsShown(), step.ShownAfter) << step.Event.Type << " " << step.Event.Code;
    }
}

TEST(Inspector, WhileThePointerIsOverItClicksAndKeysAreItsOwn)
{
    const SCaptureOptions options = CaptureOptions160({"--frames", "4", "--fixed-dt", "0.016"});
    CPassTimer passes;
    SetFramePassListener(&passes);
    CInspector inspector(passes, false);
    inspector.SetShown(true);
    std::vector<bool> taken;
    CScriptedCapture frame(options, [&](int n) {
        if (n == 0)
        {
            inspector.TakeEvent(Event(kEventMouseMove, 0, 40.0f, 100.0f)); // over the panel
        }
        if (n == 1)
        {
            taken.push_back(inspector.TakeEvent(Event(kEventKeyDown, kKeyW)));
            taken.push_back(inspector.TakeEvent(Event(kEventKeyUp, kKeyW)));
            taken.push_back(inspector.TakeEvent(Event(kEventMouseDown, kMouseLButton, 40.0f, 100.0f)));
            taken.push_back(inspector.TakeEvent(Event(kEventMouseUp, kMouseLButton, 40.0f, 100.0f)));
            taken.push_back(inspector.TakeEvent(Event(kEventMouseWheel, 0, 0.0f, -1.0f)));
            inspector.TakeEvent(Event(kEventMouseMove, 0, 150.0f, 10.0f)); // over the scene
        }
        if (n == 3)
        {
            taken.push_back(inspector.TakeEvent(Event(kEventKeyDown, kKeyW)));
            taken.push_back(inspector.TakeEvent(Event(kEventMouseDown, kMouseLButton, 150.0f, 10.0f)));
            taken.push_back(inspector.TakeEvent(Event(kEventMouseWheel, 0, 0.0f, -1.0f)));
        }
    }, &passes, &inspector);
    RunHeadless(frame);
    SetFramePassListener(nullptr);
    EXPECT_EQ(taken, (std::vector<bool>{true, false, true, false, true, false, false, false}));
}

} // namespace
} // namespace gen
