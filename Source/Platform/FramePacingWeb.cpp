// The browser's turn, once a frame: the loop sleeps (through ASYNCIFY) until
// the page's next animation frame, so it runs at the display's rate and the
// page stays responsive.
#include "Platform/FramePacing.h"

#include <SDL.h>
#include <emscripten.h>

namespace gen
{

namespace
{

EM_ASYNC_JS(void, WaitForAnimationFrame, (), { await new Promise(resolve => requestAnimationFrame(resolve)); });

} // namespace

void PrepareFramePacing()
{
    // SDL would otherwise yield in every buffer swap, on a timer.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
}

void WaitForDisplayFrame()
{
    WaitForAnimationFrame();
}

} // namespace gen
