#pragma once
// The program's one window and its events, over SDL2. Events arrive in the
// Windows shape the frame code is written for: key codes are Windows
// virtual-key codes (KeyMap.h), mouse buttons are codes 1, 2 and 4.

#include <cstdint>
#include <string>

struct SDL_Window;

namespace gen
{

struct SWindowRect
{
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    std::int32_t Width() const { return Right - Left; }
    std::int32_t Height() const { return Bottom - Top; }
};

enum EWindowEventType
{
    kEventNone,
    kEventKeyDown,     // Code = virtual-key code (also for auto-repeat)
    kEventKeyUp,
    kEventMouseMove,   // X, Y client pixels
    kEventMouseDown,   // Code = 1 left, 2 right, 4 middle
    kEventMouseUp,
    kEventSize,        // the client area changed size or was minimised/restored
    kEventClose,       // the user asked to close the window
    kEventQuit,        // the loop should end (after Destroy)
    kEventDrop,        // Path = a file dropped on the window
    kEventMouseWheel,  // X, Y notches turned: right, away from the user
};

struct SWindowEvent
{
    EWindowEventType Type = kEventNone;
    std::int32_t Code = 0;
    float X = 0.0f;
    float Y = 0.0f;
    std::string Path; // UTF-8
};

// SDL video start-up, once per process. driver null: SDL's default choice,
// then, if that fails and allowOffscreen is set, the "offscreen" driver.
bool InitVideo(bool allowOffscreen);
void QuitVideo();
bool IsVideoInitialised();
// True when there is no screen a person can see: the offscreen or dummy
// drivers. Messages then go to standard error instead of boxes.
bool IsHeadlessVideo();

class CWindow
{
public:
    CWindow() = default;
    ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    // A hidden, resizable window whose outer rectangle is at (x, y) with the
    // given outer size when the system reports frame sizes; otherwise the
    // client area is outerWidth - 8 by outerHeight - 34 at (x, y).
    bool Create(const std::string& caption, std::int32_t x, std::int32_t y, std::int32_t outerWidth,
                std::int32_t outerHeight);
    // Destroys the window; the next PollEvent reports kEventQuit.
    void Destroy();
    bool Exists() const { return SdlWindow != nullptr; }

    void Show();

    // Outer rectangle in screen coordinates (frame included), and the client
    // rectangle (0, 0, width, height); an empty one when minimised. The
    // sizes are the window system's, also where a full-screen request was
    // not granted.
    SWindowRect GetWindowRect() const;
    SWindowRect GetClientRect() const;
    // Moves and sizes the window by its outer rectangle.
    void SetWindowRect(const SWindowRect& outer);

    // Changes the client area's size, keeping its position.
    void SetClientSize(std::int32_t width, std::int32_t height);

    // Desktop full screen on display 0, or back to windowed.
    bool SetFullScreen(bool fullScreen);

    // Takes one pending event; false when none is waiting. Keys that
    // Windows sends as system keys (with Alt held, and F10) are left out.
    bool PollEvent(SWindowEvent& event);

    // Pixels of the GL drawable that presentation fills.
    void GetDrawableSize(std::int32_t& width, std::int32_t& height) const;

    SDL_Window* GetSdlWindow() const { return SdlWindow; }

private:
    // Reads the client size from the window system where SDL's can be wrong.
    void RefreshClientSize();
    void GetClientSize(std::int32_t& width, std::int32_t& height) const;

    SDL_Window* SdlWindow = nullptr;
    bool QuitPending = false;
    bool SystemSize = false; // the window system's size below is the one to use
    std::int32_t SystemWidth = 0, SystemHeight = 0;
    std::int32_t BorderLeft = 0, BorderTop = 0, BorderRight = 0, BorderBottom = 0;
};

// Size of display 0 (its bounds); false if it cannot be read.
bool GetPrimaryDisplaySize(std::int32_t& width, std::int32_t& height);

// Routes ShowMessage (Common/Message.h) to SDL message boxes, or to standard
// error when headless is set.
void InstallMessageBoxes(bool headless);

// Shows text in a message box, even before the window system is started;
// false where none can be shown (no display).
bool ShowMessageBox(const std::string& text, const std::string& caption);

} // namespace gen
