#pragma once
// The inspector: a panel over the picture, hidden at start, shown and hidden
// with Tab. It shows the frame time and each pass's device time. While it is
// hidden it draws nothing and takes no event but Tab; while the mouse is
// over it or one of its controls is in use, it has the mouse and the keys,
// and the scene sees neither (key releases always reach the scene, so no key
// stays held).

#include "App/AppFrame.h"
#include "App/PassTimer.h"
#include "App/TunableSettings.h"

#include <memory>
#include <string>

namespace gen
{

struct SWindowEvent;

// False where the program was built without the inspector.
bool InspectorBuiltIn();

class CInspector
{
public:
    // passes: the timer whose times the panel shows. With listen, the panel
    // makes it the frames' pass listener while shown (the capture tool's
    // timer listens all the time).
    CInspector(CPassTimer& passes, bool listen);
    ~CInspector();
    CInspector(const CInspector&) = delete;
    CInspector& operator=(const CInspector&) = delete;

    bool IsShown() const { return Shown; }
    void SetShown(bool shown);
    // True: the scene must not see the event.
    bool TakeEvent(const SWindowEvent& event);
    // Draws the panel over the finished picture (nothing while hidden); t is
    // the frame's time in seconds.
    void Draw(float t);
    // Before the device goes; the panel starts again when next drawn.
    void ReleaseDevice();
    // Opens the panel's section of that name ("Images") when next drawn.
    void OpenSection(const std::string& name);
    // Where the controls keep what a person chooses (null: nowhere).
    void SetSettings(CTunableSettings* settings) { Settings = settings; }

private:
    struct SState;

    // A section's header, opened if asked; true while open.
    bool Section(const char* name, int flags = 0);

    CPassTimer& Passes;
    bool Listen;
    bool Shown = false;
    CTunableSettings* Settings = nullptr;
    std::unique_ptr<SState> State;
};

// The program's frame: the scene's, with the inspector over it and the
// tunables' values from the user's settings.
class CInspectorFrame : public CFrame
{
public:
    CInspectorFrame();
    void Render(float t) override;
    bool TakeEvent(const SWindowEvent& event) override;
    void DrawOverlay(float t, const char* filterName) override;
    void ReleaseDevice() override;

private:
    CPassTimer Passes;
    CInspector Inspector;
    CTunableSettings Settings;
    bool LinkValuesTaken = false;
};

} // namespace gen
