#pragma once
// Display-mode changes of the program's device.

namespace gen
{

class CWindow;

// Resize (toggle false) or windowed/full-screen switch (toggle true): new
// presentation parameters, the device's reset listeners told it is lost and
// the font released, device reset, window put back when leaving full screen,
// fresh-device steps, font re-created and the listeners told of the reset.
// In full screen the back buffer takes the window's real client size when
// the window could not take the display's. False when a reset or the font
// failed.
bool ChangeDisplayMode(CWindow& window, bool toggle);

} // namespace gen
