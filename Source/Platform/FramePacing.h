#pragma once
// How the frame loop gives the system its turn. A desktop window's loop runs
// free; in the browser the loop must hand control back every frame, which it
// does on the display's next frame.

namespace gen
{

// Before the video system starts: tell SDL not to yield on its own.
void PrepareFramePacing();

// After a frame is shown.
void WaitForDisplayFrame();

} // namespace gen
