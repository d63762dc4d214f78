#include "Effects/PostProcess.h"

#include "Device/Device.h"
#include "Device/Input.h"
#include "Common/Problems.h"
#include "Common/StartFailure.h"
#include "Effects/FramePass.h"
#include "Effects/UserFilters.h"
#include "Camera/CCamera.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace gen
{

EPostProcess CurrentFilter = kNoFilter;

namespace
{

const char* const kFilterFiles[kNumPostProcesses] = {
    "PP_NoFilter.psh", "PP_Tint.psh",   "PP_HighContrast.psh", "PP_UnderWater.psh",
    "PP_Distort.psh",  "PP_Spiral.psh", "PP_HeatHaze.psh",
};

CPixelShader* FilterShaders[kNumPostProcesses] = {};
CConstantTable* FilterConstants[kNumPostProcesses] = {};

CTexture* SceneTexture = nullptr;
CSurface* SceneSurface = nullptr;
CSurface* BackBufferSurface = nullptr;
// What the polygon post-processing pass reads: the scene after the ordinary
// pass. Sampling the target being drawn into is undefined under GL, so the
// polygon surfaces look at this copy instead. Only the parts they may read
// are copied; the rest is stale.
CTexture* PolySceneTexture = nullptr;
CSurface* PolySceneSurface = nullptr;

// The picture after the full-screen filter, copied only while kept.
bool FilteredKept = false;
CTexture* FilteredTexture = nullptr;

CTexture* NoiseTexture = nullptr;
CTexture* BurnTexture = nullptr;
CTexture* DistortTexture = nullptr;

SFilterValues Values;
CVector4 TintColour(0.0f, 0.0f, 0.0f, 0.0f);

TSceneDrawFunction SceneDraw = nullptr;

bool ValidFilter(int filter)
{
    return filter >= 0 && filter < kNumPostProcesses;
}

void SetTextureRectangle(CConstantTable* table, float uLeft, float vTop, float uRight, float vBottom)
{
    if (!table)
    {
        return;
    }
    const float topLeft[2] = {uLeft, vTop};
    const float bottomRight[2] = {uRight, vBottom};
    table->SetFloatArray("UVTopLeft", topLeft, 2);
    table->SetFloatArray("UVBottomRight", bottomRight, 2);
}

void SetSamplerFilter(ETextureFilter filter)
{
    Device->SetSamplerState(0, kSampMagFilter, filter);
    Device->SetSamplerState(0, kSampMinFilter, filter);
}

// Back to the sampling the scene's materials expect on stage 0.
void RestoreSampler0()
{
    SetSamplerFilter(kFilterLinear);
    Device->SetSamplerState(0, kSampAddressU, kAddressWrap);
    Device->SetSamplerState(0, kSampAddressV, kAddressWrap);
}

void BlendBySourceAlpha()
{
    Device->SetRenderState(kRSSrcBlend, kBlendSrcAlpha);
    Device->SetRenderState(kRSDestBlend, kBlendInvSrcAlpha);
    Device->SetRenderState(kRSAlphaBlendEnable, 1);
}

void ClampSampler0()
{
    Device->SetSamplerState(0, kSampAddressU, kAddressClamp);
    Device->SetSamplerState(0, kSampAddressV, kAddressClamp);
}

// Puts render states and stage-0 sampler states back as they were when it
// goes out of scope.
class CKeptStates
{
public:
    CKeptStates(std::initializer_list<ERenderState> renderStates, std::initializer_list<ESamplerState> samplerStates)
    {
        for (ERenderState state : renderStates)
        {
            Keep(false, state, Device->GetRenderState(state));
        }
        for (ESamplerState state : samplerStates)
        {
            Keep(true, state, Device->GetSamplerState(0, state));
        }
    }

    ~CKeptStates()
    {
        for (int i = 0; i < Count; ++i)
        {
            if (Kept[i].Sampler)
            {
                Device->SetSamplerState(0, static_cast<ESamplerState>(Kept[i].State), Kept[i].Value);
            }
            else
            {
                Device->SetRenderState(static_cast<ERenderState>(Kept[i].State), Kept[i].Value);
            }
        }
    }

    CKeptStates(const CKeptStates&) = delete;
    CKeptStates& operator=(const CKeptStates&) = delete;

private:
    struct SKept
    {
        bool Sampler;
        std::uint32_t State;
        std::uint32_t Value;
    };

    void Keep(bool sampler, std::uint32_t state, std::uint32_t value)
    {
        if (Count < kMaxKept)
        {
            Kept[Count++] = {sampler, state, value};
        }
    }

    static constexpr int kMaxKept = 8;
    SKept Kept[kMaxKept] = {};
    int Count = 0;
};

// The parts of the scene texture that this frame's polygon surfaces may read,
// disjoint; noted during the ordinary pass.
std::vector<SPixelRect> PolygonReads;

bool Overlap(const SPixelRect& a, const SPixelRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Adds rect, merging it with every rectangle it overlaps.
void AddPolygonRead(SPixelRect rect)
{
    for (std::size_t i = 0; i < PolygonReads.size();)
    {
        const SPixelRect other = PolygonReads[i];
        if (!Overlap(rect, other))
        {
            ++i;
            continue;
        }
        rect = {std::min(rect.Left, other.Left), std::min(rect.Top, other.Top), std::max(rect.Right, other.Right),
                std::max(rect.Bottom, other.Bottom)};
        PolygonReads.erase(PolygonReads.begin() + static_cast<std::ptrdiff_t>(i));
        i = 0; // the grown rectangle may now meet one already passed
    }
    PolygonReads.push_back(rect);
}

// Copies what the polygon surfaces will read of the scene texture into their
// copy with the no-filter shader, leaving the scene surface as the render
// target again. Nothing when no polygon surface is drawn this frame. The
// states it touches are put back, since the scene drawing continues.
void CopySceneForPolygonPass()
{
    if (PolygonReads.empty() || !PolySceneSurface || !FilterShaders[kNoFilter])
    {
        return;
    }
    CFramePass pass(kPassSceneCopy);
    CKeptStates kept({kRSAlphaBlendEnable}, {kSampMagFilter, kSampMinFilter, kSampAddressU, kSampAddressV});
    Device->SetRenderTarget(0, PolySceneSurface);
    Device->SetTexture(0, SceneTexture);
    Device->SetPixelShader(FilterShaders[kNoFilter]);
    SetSamplerFilter(kFilterPoint);
    Device->SetRenderState(kRSAlphaBlendEnable, 0);
    const float width = static_cast<float>(ViewportWidth);
    const float height = static_cast<float>(ViewportHeight);
    for (const SPixelRect& r : PolygonReads)
    {
        const float left = static_cast<float>(r.Left), top = static_cast<float>(r.Top);
        const float right = static_cast<float>(r.Right), bottom = static_cast<float>(r.Bottom);
        SetTextureRectangle(FilterConstants[kNoFilter], left / width, top / height, right / width, bottom / height);
        DrawScreenQuad(left, top, right, bottom, left / width, top / height, right / width, bottom / height, false,
                       0.0f);
    }
    Device->SetTexture(0, nullptr);
    Device->SetRenderTarget(0, SceneSurface);
}

// The back buffer, the current target, into the filtered picture's copy.
void CopyFilteredPicture()
{
    if (!FilteredTexture)
    {
        FilteredTexture = Device->CreateTexture(ViewportWidth, ViewportHeight, 1, kUsageRenderTarget,
                                                kFormatX8R8G8B8, kPoolDefault);
    }
    if (FilteredTexture)
    {
        Device->CopyRenderTarget(FilteredTexture);
    }
}

} // namespace

void SelectFilterFromKeys()
{
    if (KeyHit(kKey1))
    {
        CurrentFilter = kTint;
    }
    if (KeyHit(kKey2))
    {
        CurrentFilter = kHighContrast;
    }
    if (KeyHit(kKey3))
    {
        CurrentFilter = kUnderWater;
    }
    const EKeyCode userKeys[] = {kKey4, kKey5, kKey6, kKey7, kKey8, kKey9};
    for (int i = 0; i < static_cast<int>(std::size(userKeys)); ++i)
    {
        if (KeyHit(userKeys[i]) && i < UserFilterCount())
        {
            CurrentFilter = static_cast<EPostProcess>(kFirstUserFilter + i);
        }
    }
    if (KeyHit(kKeyPageDown))
    {
        CurrentFilter = static_cast<EPostProcess>(StepFilter(CurrentFilter, 1, UserFilterCount()));
    }
    if (KeyHit(kKeyPageUp))
    {
        CurrentFilter = static_cast<EPostProcess>(StepFilter(CurrentFilter, -1, UserFilterCount()));
    }
    if (KeyHit(kKey0))
    {
        CurrentFilter = kNoFilter;
    }
}

SFilterValues& FilterValues()
{
    return Values;
}

void SetSceneDrawFunction(TSceneDrawFunction draw)
{
    SceneDraw = draw;
}

namespace
{

// The back buffer and the two textures the scene is drawn into.
bool CreateSceneTargets()
{
    BackBufferSurface = Device->GetRenderTarget(0);
    if (!BackBufferSurface)
    {
        return false;
    }
    SceneTexture = Device->CreateTexture(ViewportWidth, ViewportHeight, 1, kUsageRenderTarget, kFormatX8R8G8B8,
                                         kPoolDefault);
    SceneSurface = SceneTexture ? SceneTexture->GetSurfaceLevel(0) : nullptr;
    if (!SceneSurface)
    {
        return false;
    }
    PolySceneTexture = Device->CreateTexture(ViewportWidth, ViewportHeight, 1, kUsageRenderTarget,
                                             kFormatX8R8G8B8, kPoolDefault);
    PolySceneSurface = PolySceneTexture ? PolySceneTexture->GetSurfaceLevel(0) : nullptr;
    return PolySceneSurface != nullptr;
}

// One of the filters' own textures from the media folder.
bool LoadFilterTexture(const char* name, CTexture*& texture)
{
    const std::string path = kMediaFolder + std::string(name);
    const int problemsBefore = ProblemCount();
    texture = Device->CreateTextureFromFile(path);
    if (!texture)
    {
        NoteStartFailure(kStepTexture, path, StartFailureReason(path, problemsBefore, "it cannot be decoded"));
        return false;
    }
    return true;
}

} // namespace

bool SetupPostProcessing()
{
    // A second set-up without a release in between must not strand the
    // first one's default-pool objects (a reset fails while they live).
    ReleasePostProcessing();
    if (!Device)
    {
        return false;
    }

    if (!CreateSceneTargets())
    {
        NoteStartFailure(kStepDevice, "", "the scene's render targets cannot be created");
        return false;
    }
    for (int filter = 0; filter < kNumPostProcesses; ++filter)
    {
        const int problemsBefore = ProblemCount();
        if (!LoadPixelShader(kFilterFiles[filter], FilterShaders[filter], FilterConstants[filter]))
        {
            const std::string path = kShaderFolder + std::string(kFilterFiles[filter]);
            NoteStartFailure(kStepShader, path, StartFailureReason(path, problemsBefore, "it does not compile"));
            return false;
        }
    }
    return LoadFilterTexture("Noise.png", NoiseTexture) && LoadFilterTexture("Burn.png", BurnTexture) &&
           LoadFilterTexture("Distort.png", DistortTexture);
}

void ReleasePostProcessing()
{
    ReleaseUserFilters();
    SafeRelease(DistortTexture);
    SafeRelease(BurnTexture);
    SafeRelease(NoiseTexture);
    for (int filter = kNumPostProcesses - 1; filter >= 0; --filter)
    {
        SafeRelease(FilterConstants[filter]);
        SafeRelease(FilterShaders[filter]);
    }
    SafeRelease(FilteredTexture);
    SafeRelease(PolySceneSurface);
    SafeRelease(PolySceneTexture);
    SafeRelease(SceneSurface);
    SafeRelease(SceneTexture);
    SafeRelease(BackBufferSurface);
}

void UpdatePostProcesses(float updateTime)
{
    // Both keys are read every frame so each keeps its own held state.
    const bool plus = KeyHeld(kKeyPlus);
    const bool minus = KeyHeld(kKeyMinus);
    StepFilterValues(Values, updateTime, plus, minus);
    CurrentFilter = static_cast<EPostProcess>(UpdateUserFilters(updateTime, CurrentFilter));
}

void ApplyPostProcess(EPostProcess filter)
{
    if (!ValidFilter(filter) || !Device)
    {
        return;
    }
    CConstantTable* table = FilterConstants[filter];
    switch (filter)
    {
    case kNoFilter:
        Device->SetPixelShader(FilterShaders[filter]);
        break;
    case kTint:
        TintColour = TintColourFromHSL(Values.TintHue, Values.TintSaturation, Values.TintLightness);
        Device->SetPixelShader(FilterShaders[filter]);
        if (table)
        {
            const float colour[4] = {TintColour.x, TintColour.y, TintColour.z, TintColour.w};
            table->SetFloatArray("TintColour", colour, 4);
        }
        break;
    case kHighContrast:
        if (table)
        {
            table->SetFloat("ContrastLevel", Values.ContrastLevel);
        }
        Device->SetPixelShader(FilterShaders[filter]);
        break;
    case kUnderWater:
        Device->SetPixelShader(FilterShaders[filter]);
        if (table)
        {
            table->SetFloat("ViewportWidth", static_cast<float>(ViewportWidth));
            table->SetFloat("ViewportHeight", static_cast<float>(ViewportHeight));
            table->SetFloat("wiggle", Values.UnderWaterWiggle);
        }
        BlendBySourceAlpha();
        ClampSampler0();
        break;
    case kHeatHaze:
        Device->SetPixelShader(FilterShaders[filter]);
        if (table)
        {
            table->SetFloat("Wiggle", Values.HeatHazeWiggle);
        }
        BlendBySourceAlpha();
        ClampSampler0();
        break;
    case kDistort:
    case kSpiral:
        // No keys select these; their shaders need nothing but the rectangle.
        Device->SetPixelShader(FilterShaders[filter]);
        break;
    }
}

void DrawScreenQuad(float left, float top, float right, float bottom, float uLeft, float vTop, float uRight,
                    float vBottom, bool depthTest, float depth)
{
    SScreenVertex quad[4];
    MakeScreenQuad(quad, left, top, right, bottom, uLeft, vTop, uRight, vBottom, depth);

    // The strip is clockwise on screen; a culling mode left by the last
    // material (some cull clockwise faces) must not remove it.
    CKeptStates kept({kRSCullMode}, {});
    Device->SetRenderState(kRSCullMode, kCullNone);
    Device->SetRenderState(kRSZEnable, depthTest ? 1 : 0);
    Device->SetRenderState(kRSZWriteEnable, 0);
    Device->SetFVF(kFVFXYZRHW | kFVFTex2);
    Device->DrawPrimitiveUP(kPrimTriangleStrip, 2, quad, sizeof(SScreenVertex));
    Device->SetFVF(0);
    Device->SetRenderState(kRSZWriteEnable, 1);
    Device->SetRenderState(kRSZEnable, 1);
}

void NotePolygonSurface(const CCamera& camera, const CMatrix4x4& worldMatrix, const CVector3& boxMin,
                        const CVector3& boxMax, float reach)
{
    SPixelRect rect;
    if (PolySceneSurface && BoxReadRectangle(worldMatrix, camera.ViewMatrix, camera.ProjMatrix,
                                             static_cast<float>(ViewportWidth), static_cast<float>(ViewportHeight),
                                             boxMin, boxMax, reach, rect))
    {
        AddPolygonRead(rect);
    }
}

void FullScreenPostProcess(float updateTime, CCamera& camera)
{
    UpdatePostProcesses(updateTime);
    if (!Device)
    {
        return;
    }
    if (!SceneSurface || !BackBufferSurface)
    {
        // Set-up failed after a reset: the scene goes straight to the current
        // target, unfiltered, rather than not at all.
        if (SceneDraw)
        {
            SceneDraw(camera, false);
        }
        return;
    }

    Device->SetRenderTarget(0, SceneSurface);
    if (SceneDraw)
    {
        PolygonReads.clear();
        {
            CFramePass pass(kPassOrdinary);
            SceneDraw(camera, false);
        }
        CopySceneForPolygonPass();
        CFramePass pass(kPassPolygon);
        SceneDraw(camera, true);
    }
    Device->SetRenderTarget(0, BackBufferSurface);

    CFramePass pass(kPassFilter);
    Device->SetTexture(0, SceneTexture);
    // A user filter sets its own states; one with no good version draws as none.
    if (CurrentFilter < kFirstUserFilter || !ApplyUserFilter(CurrentFilter - kFirstUserFilter))
    {
        const EPostProcess filter = ValidFilter(CurrentFilter) ? CurrentFilter : kNoFilter;
        ApplyPostProcess(filter);
        SetTextureRectangle(GetFilterConstantTable(filter), 0.0f, 0.0f, 1.0f, 1.0f);
        SetSamplerFilter(kFilterPoint);
    }
    if (CurrentFilter < kFirstUserFilter)
    {
        BlendBySourceAlpha();
    }
    DrawScreenQuad(0.0f, 0.0f, static_cast<float>(ViewportWidth), static_cast<float>(ViewportHeight), 0.0f, 0.0f,
                   1.0f, 1.0f, false, 0.0f);
    if (FilteredKept)
    {
        CopyFilteredPicture();
    }
    BlendBySourceAlpha(); // as the built-in filters leave the blend factors
    RestoreSampler0();
    Device->SetRenderState(kRSAlphaBlendEnable, 0);
    Device->SetTexture(0, nullptr);
}

bool AreaPostProcess(const CVector3& centre, float width, float height, float offset, EPostProcess filter,
                     const CCamera& camera)
{
    if (!Device || !SceneTexture || !BackBufferSurface || !ValidFilter(filter))
    {
        return false;
    }
    SAreaRect rect;
    if (!AreaRectangle(camera.GetPosition(), camera.ViewMatrix, camera.ProjMatrix, static_cast<float>(ViewportWidth),
                       static_cast<float>(ViewportHeight), centre, width, height, offset, rect))
    {
        return false;
    }

    Device->SetRenderTarget(0, BackBufferSurface);
    Device->SetTexture(0, SceneTexture);
    ApplyPostProcess(filter);
    SetTextureRectangle(FilterConstants[filter], rect.ULeft, rect.VTop, rect.URight, rect.VBottom);
    SetSamplerFilter(kFilterPoint);
    DrawScreenQuad(rect.Left, rect.Top, rect.Right, rect.Bottom, rect.ULeft, rect.VTop, rect.URight, rect.VBottom,
                   true, rect.Depth);
    RestoreSampler0();
    Device->SetRenderState(kRSAlphaBlendEnable, 0);
    Device->SetTexture(0, nullptr);
    return true;
}

std::string CurrentFilterName()
{
    return CurrentFilter >= kFirstUserFilter ? UserFilterName(CurrentFilter - kFirstUserFilter)
                                             : std::string(FilterDisplayName(CurrentFilter));
}

CTexture* GetSceneTexture()
{
    return SceneTexture;
}

CSurface* GetSceneSurface()
{
    return SceneSurface;
}

CTexture* GetPolyPostProcessSceneTexture()
{
    return PolySceneTexture;
}

const std::vector<SPixelRect>& GetPolygonSceneReads()
{
    return PolygonReads;
}

void KeepFilteredPicture(bool keep)
{
    FilteredKept = keep;
    if (!keep)
    {
        SafeRelease(FilteredTexture);
    }
}

CTexture* GetFilteredPicture()
{
    return FilteredTexture;
}

CConstantTable* GetFilterConstantTable(EPostProcess filter)
{
    return ValidFilter(filter) ? FilterConstants[filter] : nullptr;
}

const char* GetFilterFileName(EPostProcess filter)
{
    return ValidFilter(filter) ? kFilterFiles[filter] : "";
}

} // namespace gen
