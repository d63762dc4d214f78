#include "Device/ShaderLibrary.h"

#include "Device/Device.h"
#include "Common/DataFolder.h"
#include "Common/FileProblem.h"
#include "Common/Problems.h"
#include "Common/ReadFile.h"

#include <deque>
#include <filesystem>
#include <system_error>
#include <vector>

namespace gen
{

namespace
{

// How often, in seconds of frame time, the files' stamps are looked at: an
// edit shows within about a second, and the look costs nothing measurable.
constexpr float kWatchInterval = 1.0f;

struct SFileStamp
{
    std::filesystem::file_time_type Time{};
    std::uintmax_t Size = 0;
    bool Exists = false;

    bool operator==(const SFileStamp& other) const
    {
        return Time == other.Time && Size == other.Size && Exists == other.Exists;
    }
};

// A shader object and its table, handed to one holder at a time.
struct SInstance
{
    CDeviceObject* Shader = nullptr;
    CConstantTable* Table = nullptr;
};

struct SShaderFile
{
    std::string Path; // as opened
    EShaderStage Stage = kVertexStage;
    TShaderEntryChooser Choose = nullptr; // null: main
    SFileStamp Stamp;
    std::string Source;        // the text last compiled, good or not
    bool Compiles = false;     // Compiled holds a good version
    SCompiledShader Compiled;  // the last good version
    std::vector<SInstance> Instances;
};

struct SLibrary
{
    std::deque<SShaderFile> Files; // a deque keeps references to its files valid as it grows
    float SinceLook = 0.0f;
    bool LookNow = false;
    int Looks = 0;
};

SLibrary& Library()
{
    static SLibrary library;
    return library;
}

SFileStamp StampOf(const std::string& path)
{
    SFileStamp stamp;
    std::error_code error;
    const std::filesystem::path file = FilePath(path);
    stamp.Time = std::filesystem::last_write_time(file, error);
    if (error)
    {
        return SFileStamp();
    }
    stamp.Size = std::filesystem::file_size(file, error);
    stamp.Exists = !error;
    return stamp;
}

const char* ProfileOf(EShaderStage stage)
{
    return stage == kVertexStage ? "vs_3_0" : "ps_3_0";
}

// The device refused the translated code (its GLSL compiler or linker).
void ReportDeviceProblem(const SShaderFile& file)
{
    const std::string& log = LastShaderLog();
    ReportProblem(file.Path, file.Path + ": " + log.substr(0, log.find('\n')), log);
}

// Compiles text as the file's new version. On failure the problem is
// reported and the last good version stays.
bool CompileText(SShaderFile& file, const std::string& text)
{
    file.Source = text;
    const SShaderEntry entry = file.Choose ? file.Choose(file.Path, text) : SShaderEntry();
    if (!entry.Error.empty())
    {
        SetLastShaderLog(entry.Error + "\n");
        ReportProblem(file.Path, file.Path + ": " + entry.Error);
        return false;
    }
    std::string log;
    SCompiledShader compiled;
    if (!CompileHlsl(text, file.Path, entry.Entry, ProfileOf(file.Stage), entry.Arguments, compiled, &log))
    {
        // glslang's linker only warns of a missing entry, so say it plainly.
        const bool noEntry = log.find("Entry point not found") != std::string::npos;
        ReportProblem(file.Path,
                      noEntry ? file.Path + ": no function " + entry.Entry + " (the entry)"
                              : FirstShaderError(file.Path, log),
                      log);
        return false;
    }
    file.Compiled = std::move(compiled);
    file.Compiles = true;
    return true;
}

// Code of the file's good version with a new table of its own.
CShaderCode* NewCode(const SShaderFile& file, CConstantTable*& table)
{
    table = new CConstantTable(file.Compiled);
    return new CShaderCode(file.Compiled, table->GetStorage());
}

bool AddInstance(SShaderFile& file)
{
    CConstantTable* table = nullptr;
    CShaderCode* code = NewCode(file, table);
    CDeviceObject* shader = nullptr;
    if (file.Stage == kVertexStage)
    {
        shader = Device->CreateVertexShader(code);
    }
    else
    {
        shader = Device->CreatePixelShader(code);
    }
    SafeRelease(code);
    if (!shader)
    {
        SafeRelease(table);
        ReportDeviceProblem(file);
        return false;
    }
    file.Instances.push_back({shader, table});
    return true;
}

// Swaps the file's good version into an object already handed out; its
// holders keep their pointers to the object and its table.
bool UpdateInstance(const SShaderFile& file, SInstance& instance)
{
    CConstantTable* fresh = nullptr;
    CShaderCode* code = NewCode(file, fresh);
    bool updated = false;
    if (file.Stage == kVertexStage)
    {
        updated = Device->UpdateVertexShader(static_cast<CVertexShader*>(instance.Shader), code);
    }
    else
    {
        updated = Device->UpdatePixelShader(static_cast<CPixelShader*>(instance.Shader), code);
    }
    if (updated)
    {
        instance.Table->TakeLayout(*fresh);
    }
    SafeRelease(code);
    SafeRelease(fresh);
    return updated;
}

void Reload(SShaderFile& file, const std::string& text)
{
    if (!CompileText(file, text))
    {
        return;
    }
    for (SInstance& instance : file.Instances)
    {
        if (!UpdateInstance(file, instance))
        {
            ReportDeviceProblem(file);
            return;
        }
    }
    ClearProblem(file.Path);
}

SShaderFile* FindRecord(const std::string& path, EShaderStage stage)
{
    for (SShaderFile& file : Library().Files)
    {
        if (file.Path == path && file.Stage == stage)
        {
            return &file;
        }
    }
    return nullptr;
}

// The file's record, compiled when it is new or its text changed since it
// was last compiled (the file is read on every load: it is small, and a
// reset must not hand out a version the file no longer holds); null when
// the file cannot be read.
SShaderFile* FileRecord(const std::string& path, EShaderStage stage, TShaderEntryChooser choose)
{
    std::string text;
    if (!ReadWholeFile(path, text))
    {
        SetLastShaderLog("cannot open " + path + "\n");
        ReportFileProblem(path, FileProblemOr(path, "the file cannot be read"));
        return nullptr;
    }
    SShaderFile* file = FindRecord(path, stage);
    if (!file)
    {
        file = &Library().Files.emplace_back();
        file->Path = path;
        file->Stage = stage;
        file->Choose = choose;
        if (CompileText(*file, text))
        {
            ClearProblem(path); // it could not be read before
        }
    }
    else if (text != file->Source)
    {
        Reload(*file, text);
    }
    file->Stamp = StampOf(path);
    return file;
}

// An instance no one but the library holds, or a new one.
SInstance* FreeInstance(SShaderFile& file)
{
    for (SInstance& instance : file.Instances)
    {
        if (instance.Shader->GetRefCount() == 1 && instance.Table->GetRefCount() == 1)
        {
            return &instance;
        }
    }
    return AddInstance(file) ? &file.Instances.back() : nullptr;
}

template <typename TShader>
bool LoadShader(const std::string& path, EShaderStage stage, TShaderEntryChooser choose, TShader*& shader,
                CConstantTable*& table)
{
    shader = nullptr;
    table = nullptr;
    if (!Device)
    {
        return false;
    }
    SShaderFile* file = FileRecord(path, stage, choose);
    SInstance* instance = file && file->Compiles ? FreeInstance(*file) : nullptr;
    if (!instance)
    {
        return false;
    }
    instance->Shader->AddRef();
    instance->Table->AddRef();
    shader = static_cast<TShader*>(instance->Shader);
    table = instance->Table;
    return true;
}

} // namespace

bool LoadLibraryVertexShader(const std::string& fileName, CVertexShader*& shader, CConstantTable*& table)
{
    return LoadShader(DataPath(kShaderFolder + fileName), kVertexStage, nullptr, shader, table);
}

bool LoadLibraryPixelShader(const std::string& fileName, CPixelShader*& shader, CConstantTable*& table)
{
    return LoadShader(DataPath(kShaderFolder + fileName), kPixelStage, nullptr, shader, table);
}

bool LoadPixelShaderFile(const std::string& path, TShaderEntryChooser choose, CPixelShader*& shader,
                         CConstantTable*& table)
{
    return LoadShader(path, kPixelStage, choose, shader, table);
}

int ShaderFileLooks()
{
    return Library().Looks;
}

void WatchShaderFiles(float frameTime)
{
    SLibrary& library = Library();
    library.SinceLook += frameTime;
    if (!Device || (!library.LookNow && library.SinceLook < kWatchInterval))
    {
        return;
    }
    const bool readEvery = library.LookNow;
    library.SinceLook = 0.0f;
    library.LookNow = false;
    ++library.Looks;
    for (SShaderFile& file : library.Files)
    {
        const SFileStamp stamp = StampOf(file.Path);
        if (!readEvery && stamp == file.Stamp)
        {
            continue;
        }
        std::string text;
        if (!ReadWholeFile(file.Path, text))
        {
            continue; // gone or locked while an editor saves it: look again next time
        }
        file.Stamp = stamp;
        if (text != file.Source)
        {
            Reload(file, text);
        }
    }
}

void CheckShaderFilesNow()
{
    Library().LookNow = true;
}

void ReleaseShaderLibrary()
{
    for (SShaderFile& file : Library().Files)
    {
        for (SInstance& instance : file.Instances)
        {
            SafeRelease(instance.Table);
            SafeRelease(instance.Shader);
        }
    }
    Library() = SLibrary();
}

} // namespace gen
