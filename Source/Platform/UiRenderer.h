#pragma once
// Dear ImGui's draw lists onto the device's back buffer, through ImGui's own
// OpenGL 3 back end. The back end saves every GL state it changes and puts
// it back after drawing, so the state the device caches stays true.

#include <cstdint>
#include <vector>

struct ImDrawData;

namespace gen
{

// With the device's GL context current and an ImGui context made. False
// when the back end cannot start (no GL library to load its entry points from).
bool UiRendererStart();
void UiRendererStop();
void UiRendererNewFrame();
// Draws onto the back buffer (the current render target), whose memory rows
// run top first; the draw data is turned over to match.
void UiRendererDraw(ImDrawData* data);

class CTexture;

// What ImGui::Image takes for a texture the device made (its GL name); rows
// top first, so the top-left texel is at UV (0, 0). Drawn with nearest texels.
void* UiTexture(CTexture* texture);

// One texel of a texture the device made (x, y from its top-left), bytes R,
// G, B, A. False outside the texture or when it cannot be read.
bool ReadTexel(CTexture* texture, std::uint32_t x, std::uint32_t y, std::uint8_t rgba[4]);

// The depth buffer of the device's back buffer as a grey picture: the depths
// drawn stretched from black (nearest) to white, the cleared depth white.
// Each Update reads the whole buffer, so it is for while it is shown.
class CDepthPicture
{
public:
    CDepthPicture() = default;
    ~CDepthPicture();
    CDepthPicture(const CDepthPicture&) = delete;
    CDepthPicture& operator=(const CDepthPicture&) = delete;

    // Where depth cannot be read back (OpenGL ES), why; else empty.
    static const char* Unreadable();
    // Reads the depth buffer of the current render target now; false when it cannot.
    bool Update(std::uint32_t width, std::uint32_t height);
    // Before the device goes.
    void Release();
    void* Texture() const;
    std::uint32_t GetWidth() const { return Width; }
    std::uint32_t GetHeight() const { return Height; }
    // The depth read at x, y (from the top-left); 1 outside.
    float DepthAt(std::uint32_t x, std::uint32_t y) const;

private:
    unsigned Name = 0;
    std::uint32_t Width = 0, Height = 0;
    std::vector<float> Depths; // rows top first
};

} // namespace gen
