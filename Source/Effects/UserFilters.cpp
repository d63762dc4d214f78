#include "Effects/UserFilters.h"

#include "Common/DataFolder.h"
#include "Common/Problems.h"
#include "Common/Utf8System.h"
#include "Device/Device.h"
#include "Platform/HlslSource.h"
#include "Platform/UserFolder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <system_error>

namespace gen
{

namespace
{

namespace fs = std::filesystem;

constexpr int kBuiltInFullScreenFilters = 4; // none, tint, high contrast, under water

struct SUserFilter
{
    SUserFilterFile File;
    CPixelShader* Shader = nullptr;
    CConstantTable* Table = nullptr;
    bool Drawn = false; // since its table was made: the constants the program sets are known
};

// What an effect file's first pass asks of the draw, from its last compile.
struct SPassStates
{
    std::vector<SEffectState> Pass;
    std::vector<SEffectSampler> Samplers;
};

struct SUserFilters
{
    std::vector<SUserFilter> Filters;
    std::vector<std::string> AddedFolders;
    std::map<std::string, SPassStates> States; // by path
    std::set<std::string> Noted;               // paths whose unused states were named
    int Looks = -1;                            // ShaderFileLooks at the last scan
    float Clock = 0.0f;
    float Frames = 0.0f;
};

SUserFilters& Users()
{
    static SUserFilters users;
    return users;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void Release(SUserFilter& filter)
{
    SafeRelease(filter.Table);
    SafeRelease(filter.Shader);
    filter.Drawn = false;
}

// A filter without a good version tries again: the library compiles only a
// text it has not seen, so this costs a read.
void Load(SUserFilter& filter)
{
    if (!filter.Shader && Device)
    {
        LoadPixelShaderFile(filter.File.Path, ChooseFilterEntry, filter.Shader, filter.Table);
    }
}

void Scan()
{
    SUserFilters& users = Users();
    std::vector<SUserFilterFile> files = ListFilterFiles(UserFilterFolders());
    std::vector<SUserFilter> kept;
    for (const SUserFilterFile& file : files)
    {
        SUserFilter filter;
        filter.File = file;
        for (SUserFilter& old : users.Filters)
        {
            if (old.File.Path == file.Path)
            {
                filter.Shader = old.Shader;
                filter.Table = old.Table;
                filter.Drawn = old.Drawn;
                old.Shader = nullptr;
                old.Table = nullptr;
            }
        }
        Load(filter);
        kept.push_back(filter);
    }
    for (SUserFilter& old : users.Filters)
    {
        const bool gone = std::none_of(files.begin(), files.end(),
                                       [&](const SUserFilterFile& file) { return file.Path == old.File.Path; });
        if (gone)
        {
            ClearProblem(old.File.Path); // its problem goes with it
        }
        Release(old);
    }
    users.Filters = kept;
}

EBlend BlendByName(const std::string& name, EBlend otherwise)
{
    static const std::map<std::string, EBlend> kBlends = {
        {"zero", kBlendZero},
        {"one", kBlendOne},
        {"srccolor", kBlendSrcColour},
        {"invsrccolor", kBlendInvSrcColour},
        {"srcalpha", kBlendSrcAlpha},
        {"invsrcalpha", kBlendInvSrcAlpha},
        {"destalpha", kBlendDestAlpha},
        {"invdestalpha", kBlendInvDestAlpha},
        {"destcolor", kBlendDestColour},
        {"invdestcolor", kBlendInvDestColour},
    };
    const auto found = kBlends.find(Lower(name));
    return found == kBlends.end() ? otherwise : found->second;
}

bool IsTrue(const std::string& value)
{
    const std::string v = Lower(value);
    return v == "true" || v == "1";
}

// The pass's blend states (D3D9's defaults otherwise: no blending, one and
// zero); states a full-screen quad cannot use are named once per file.
void ApplyPassStates(const std::string& path, const std::vector<SEffectState>& states)
{
    bool blend = false;
    EBlend source = kBlendOne, dest = kBlendZero;
    std::string unused;
    for (const SEffectState& state : states)
    {
        const std::string name = Lower(state.Name);
        if (name == "alphablendenable")
        {
            blend = IsTrue(state.Value);
        }
        else if (name == "srcblend")
        {
            source = BlendByName(state.Value, source);
        }
        else if (name == "destblend")
        {
            dest = BlendByName(state.Value, dest);
        }
        else
        {
            unused += (unused.empty() ? "" : ", ") + state.Name;
        }
    }
    Device->SetRenderState(kRSAlphaBlendEnable, blend ? 1 : 0);
    Device->SetRenderState(kRSSrcBlend, source);
    Device->SetRenderState(kRSDestBlend, dest);
    if (!unused.empty() && Users().Noted.insert(path).second)
    {
        std::fprintf(stderr, "%s: a full-screen filter does not use the pass's %s\n", path.c_str(), unused.c_str());
    }
}

ETextureFilter FilterByName(const std::string& name, ETextureFilter otherwise)
{
    const std::string v = Lower(name);
    if (v == "point" || v == "none")
    {
        return kFilterPoint;
    }
    return v == "linear" || v == "anisotropic" ? kFilterLinear : otherwise;
}

ETextureAddress AddressByName(const std::string& name, ETextureAddress otherwise)
{
    const std::string v = Lower(name);
    if (v == "wrap")
    {
        return kAddressWrap;
    }
    if (v == "mirror")
    {
        return kAddressMirror;
    }
    return v == "clamp" || v == "border" ? kAddressClamp : otherwise;
}

// The scene sampler: clamped, point-sampled (texels meet pixels one to
// one), unless the effect's sampler state says otherwise.
void ApplySceneSampler(const SPassStates* states, CConstantTable* table)
{
    ETextureFilter mag = kFilterPoint, min = kFilterPoint;
    ETextureAddress u = kAddressClamp, v = kAddressClamp;
    if (states)
    {
        for (const SEffectSampler& sampler : states->Samplers)
        {
            if (table->GetSamplerIndex(sampler.Name.c_str()) != 0)
            {
                continue;
            }
            for (const SEffectState& state : sampler.States)
            {
                const std::string name = Lower(state.Name);
                if (name == "magfilter" || name == "filter")
                {
                    mag = FilterByName(state.Value, mag);
                }
                if (name == "minfilter" || name == "filter")
                {
                    min = FilterByName(state.Value, min);
                }
                if (name == "addressu")
                {
                    u = AddressByName(state.Value, u);
                }
                if (name == "addressv")
                {
                    v = AddressByName(state.Value, v);
                }
            }
        }
    }
    Device->SetSamplerState(0, kSampMagFilter, mag);
    Device->SetSamplerState(0, kSampMinFilter, min);
    Device->SetSamplerState(0, kSampAddressU, u);
    Device->SetSamplerState(0, kSampAddressV, v);
}

// p0, p1 and our own names, whatever their case.
void SetFrameConstants(CConstantTable& table)
{
    const SUserFilters& users = Users();
    const float width = static_cast<float>(ViewportWidth);
    const float height = static_cast<float>(ViewportHeight);
    const float p0[4] = {width, height, users.Frames, users.Clock};
    const float p1[4] = {1.0f / width, 1.0f / height, 0.0f, 0.0f};
    const float screen[4] = {width, height, 1.0f / width, 1.0f / height};
    for (const SShaderConstant& constant : table.GetConstants())
    {
        const std::string name = Lower(constant.Name);
        const char* exact = constant.Name.c_str();
        if (constant.Name == "p0")
        {
            table.SetFloatArray(exact, p0, 4);
        }
        else if (constant.Name == "p1")
        {
            table.SetFloatArray(exact, p1, 4);
        }
        else if (name == "time")
        {
            table.SetFloat(exact, users.Clock);
        }
        else if (name == "framecount")
        {
            table.SetFloat(exact, users.Frames);
        }
        else if (name == "screensize")
        {
            table.SetFloatArray(exact, screen, 4);
        }
        else if (name == "texelsize")
        {
            table.SetFloatArray(exact, p1, 2);
        }
    }
}

} // namespace

bool IsUserFilterFile(const std::string& path)
{
    const std::string extension = Lower(FilePath(path).extension().u8string());
    return extension == ".fx" || extension == ".hlsl" || extension == ".psh";
}

std::vector<SUserFilterFile> ListFilterFiles(const std::vector<std::string>& folders)
{
    struct SFound
    {
        std::string Key;
        std::size_t Folder;
        SUserFilterFile File;
    };
    std::vector<SFound> found;
    for (std::size_t i = 0; i < folders.size(); ++i)
    {
        std::error_code error;
        for (fs::directory_iterator it(FilePath(folders[i]), error), end; !error && it != end;
             it.increment(error))
        {
            const fs::path& path = it->path();
            std::error_code typeError;
            if (!IsUserFilterFile(path.u8string()) || !it->is_regular_file(typeError))
            {
                continue;
            }
            SUserFilterFile file{path.stem().u8string(), path.u8string()};
            found.push_back({Lower(file.Name), i, file});
        }
    }
    std::sort(found.begin(), found.end(), [](const SFound& a, const SFound& b) {
        if (a.Key != b.Key)
        {
            return a.Key < b.Key;
        }
        return a.Folder != b.Folder ? a.Folder < b.Folder : a.File.Path < b.File.Path;
    });
    std::vector<SUserFilterFile> files;
    for (const SFound& f : found)
    {
        files.push_back(f.File);
    }
    return files;
}

std::vector<std::string> UserFilterFolders()
{
    std::vector<std::string> folders = {DataPath("Filters")};
    const std::string user = UserDataFolder();
    if (!user.empty())
    {
        folders.push_back((FilePath(user) / "Filters").u8string());
    }
    const std::vector<std::string>& added = Users().AddedFolders;
    folders.insert(folders.end(), added.begin(), added.end());
    return folders;
}

void AddUserFilterFolder(const std::string& folder)
{
    Users().AddedFolders.push_back(folder);
    Users().Looks = -1;
}

void RemoveUserFilterFolder(const std::string& folder)
{
    std::vector<std::string>& added = Users().AddedFolders;
    added.erase(std::remove(added.begin(), added.end(), folder), added.end());
    Users().Looks = -1;
}

SShaderEntry ChooseFilterEntry(const std::string& path, const std::string& text)
{
    const SPreparedHlsl prepared = PrepareHlsl(text, path, SHlslOptions());
    SShaderEntry entry;
    SPassStates& states = Users().States[path];
    states = SPassStates();
    const std::vector<SEffectTechnique>& techniques = prepared.Effect.Techniques;
    if (!techniques.empty())
    {
        if (techniques.front().Passes.empty() || techniques.front().Passes.front().Pixel.Function.empty())
        {
            entry.Error = "the first technique's first pass has no pixel shader";
            return entry;
        }
        const SEffectPass& pass = techniques.front().Passes.front();
        entry.Entry = pass.Pixel.Function;
        entry.Arguments = pass.Pixel.Arguments;
        states.Pass = pass.States;
        if (!pass.Vertex.Function.empty())
        {
            // The quad's vertices are the filter path's own.
            states.Pass.push_back({"VertexShader", pass.Vertex.Function});
        }
        states.Samplers = prepared.Effect.Samplers;
        return entry;
    }
    static const std::regex kMain(R"(\bmain\s*\()");
    if (!std::regex_search(prepared.Text, kMain))
    {
        entry.Error = "no function main: a filter's entry is main, or the pixel shader of an effect file's first "
                      "technique's first pass";
    }
    return entry;
}

int UpdateUserFilters(float updateTime, int current)
{
    SUserFilters& users = Users();
    users.Clock += updateTime;
    users.Frames += 1.0f;
    const int looks = ShaderFileLooks();
    if (looks == users.Looks)
    {
        return current;
    }
    users.Looks = looks;
    const int index = current - kFirstUserFilter;
    const std::string path =
        index >= 0 && index < UserFilterCount() ? users.Filters[static_cast<std::size_t>(index)].File.Path : "";
    Scan();
    if (index < 0)
    {
        return current;
    }
    for (std::size_t i = 0; i < users.Filters.size(); ++i)
    {
        if (users.Filters[i].File.Path == path)
        {
            return kFirstUserFilter + static_cast<int>(i);
        }
    }
    return 0; // its file went away: no filter
}

void ReleaseUserFilters()
{
    SUserFilters& users = Users();
    for (SUserFilter& filter : users.Filters)
    {
        Release(filter);
    }
    users.Looks = -1;
}

int UserFilterCount()
{
    return static_cast<int>(Users().Filters.size());
}

std::string UserFilterName(int index)
{
    return index >= 0 && index < UserFilterCount() ? Users().Filters[static_cast<std::size_t>(index)].File.Name : "";
}

std::string UserFilterFileName(int index)
{
    return index >= 0 && index < UserFilterCount()
               ? FilePath(Users().Filters[static_cast<std::size_t>(index)].File.Path).filename().u8string()
               : "";
}

CConstantTable* UserFilterConstantTable(int index)
{
    return index >= 0 && index < UserFilterCount() ? Users().Filters[static_cast<std::size_t>(index)].Table : nullptr;
}

bool UserFilterDrawn(int index)
{
    return index >= 0 && index < UserFilterCount() && Users().Filters[static_cast<std::size_t>(index)].Drawn;
}

bool ApplyUserFilter(int index)
{
    if (index < 0 || index >= UserFilterCount() || !Device)
    {
        return false;
    }
    SUserFilter& filter = Users().Filters[static_cast<std::size_t>(index)];
    if (!filter.Shader || !filter.Table)
    {
        return false;
    }
    const auto found = Users().States.find(filter.File.Path);
    const SPassStates* states = found == Users().States.end() ? nullptr : &found->second;
    Device->SetPixelShader(filter.Shader);
    SetFrameConstants(*filter.Table);
    filter.Drawn = true;
    ApplyPassStates(filter.File.Path, states ? states->Pass : std::vector<SEffectState>());
    ApplySceneSampler(states, filter.Table);
    return true;
}

int StepFilter(int current, int step, int userCount)
{
    const int count = kBuiltInFullScreenFilters + userCount;
    int position = current >= kFirstUserFilter ? kBuiltInFullScreenFilters + (current - kFirstUserFilter) : current;
    if (position < 0 || position >= count)
    {
        position = 0;
    }
    position = ((position + step) % count + count) % count;
    return position < kBuiltInFullScreenFilters ? position : kFirstUserFilter + (position - kBuiltInFullScreenFilters);
}

} // namespace gen
