#include "XFile/CImportXFile.h"

#include "Common/CFatalException.h"
#include "Common/Path.h"
#include "Common/Utf8System.h"
#include "XFile/CImportXFileSteps.h"
#include "XFile/XFile.h"

#include <cstdio>
#include <cstring>

namespace gen
{

namespace import_detail
{

const char* const kImportFile = "Source/XFile/CImportXFile";

namespace
{
constexpr SXGuid Guid(std::uint32_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d, std::uint64_t e)
{
    return SXGuid{a,
                  b,
                  c,
                  {static_cast<std::uint8_t>(d >> 8), static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(e >> 40),
                   static_cast<std::uint8_t>(e >> 32), static_cast<std::uint8_t>(e >> 24),
                   static_cast<std::uint8_t>(e >> 16), static_cast<std::uint8_t>(e >> 8), static_cast<std::uint8_t>(e)}};
}
} // namespace

const SXGuid kGuidFrame = Guid(0x3D82AB46, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433);
const SXGuid kGuidFrameTransformMatrix = Guid(0xF6F23F41, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3);
const SXGuid kGuidMesh = Guid(0x3D82AB44, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433);
const SXGuid kGuidMeshNormals = Guid(0xF6F23F43, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3);
const SXGuid kGuidMeshTextureCoords = Guid(0xF6F23F40, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3);
const SXGuid kGuidMeshVertexColors = Guid(0x1630B821, 0x7842, 0x11CF, 0x8F52, 0x0040333594A3);
const SXGuid kGuidMeshMaterialList = Guid(0xF6F23F42, 0x7686, 0x11CF, 0x8F52, 0x0040333594A3);
const SXGuid kGuidMaterial = Guid(0x3D82AB4D, 0x62DA, 0x11CF, 0xAB39, 0x0020AF71E433);
const SXGuid kGuidTextureFilename = Guid(0xA42790E1, 0x7810, 0x11CF, 0x8F52, 0x0040333594A3);
const SXGuid kGuidVertexDuplicationIndices = Guid(0xB8D65549, 0xD7C9, 0x4995, 0x89CF, 0x53A9A8B031E3);
const SXGuid kGuidFaceAdjacency = Guid(0xA64C844A, 0xE282, 0x4756, 0x8B80, 0x250CDE04398C);
const SXGuid kGuidXSkinMeshHeader = Guid(0x3CF169CE, 0xFF7C, 0x44AB, 0x93C0, 0xF78F62D172E2);
const SXGuid kGuidSkinWeights = Guid(0x6F0D123B, 0xBAD2, 0x4167, 0xA0D0, 0x80224F25FABB);

namespace
{
template <typename T>
EImportResult NumChildren(const char* name, T* object, std::size_t& count)
{
    return Step(name, [&] { return object->GetChildren(&count) == kXOK ? kImportOK : kImportBadData; });
}

template <typename T>
EImportResult Child(T* object, std::size_t index, CXFileData*& child, SXGuid& guid, int noMoreLine, int typeLine)
{
    return Step("gen::CImportXFile::GetXFileChild", [&] {
        child = nullptr;
        const XResult rc = object->GetChild(index, &child);
        if (rc == kXErrNoMoreObjects)
        {
            throw CFatalException("Invalid child ID", kImportFile, noMoreLine);
        }
        if (rc == kXErrOutOfMemory)
        {
            return kImportOutOfMemory;
        }
        if (rc != kXOK)
        {
            return kImportBadData;
        }
        if (child->GetType(&guid) != kXOK)
        {
            child->Release();
            child = nullptr;
            throw CFatalException("Failure getting X-File GUID", kImportFile, typeLine);
        }
        return kImportOK;
    });
}
} // namespace

EImportResult GetXFileNumChildren(CXFileEnumObject* object, std::size_t& count)
{
    return NumChildren("gen::CImportXFile::GetXFileNumChildren", object, count);
}

EImportResult GetXFileNumChildren(CXFileData* object, std::size_t& count)
{
    return NumChildren("gen::CImportXFile::GetXFileNumChildren", object, count);
}

EImportResult GetXFileChild(CXFileEnumObject* object, std::size_t index, CXFileData*& child, SXGuid& guid)
{
    return Child(object, index, child, guid, 1529, 1534);
}

EImportResult GetXFileChild(CXFileData* object, std::size_t index, CXFileData*& child, SXGuid& guid)
{
    return Child(object, index, child, guid, 1554, 1559);
}

EImportResult GetXFileDataName(CXFileData* object, std::string& name)
{
    return Step("gen::CImportXFile::GetXFileDataName", [&] {
        std::size_t size = 0;
        if (object->GetName(nullptr, &size) != kXOK)
        {
            throw CFatalException("Failure getting X-File name", kImportFile, 1589);
        }
        if (size == 0)
        {
            name.clear();
            return kImportOK;
        }
        std::string buffer(size, '\0'); // bad_alloc: kImportOutOfMemory
        if (object->GetName(&buffer[0], &size) != kXOK)
        {
            throw CFatalException("Failure getting X-File name", kImportFile, 1589);
        }
        name.assign(buffer.c_str());
        return kImportOK;
    });
}

EImportResult LockXFileData(CXFileData* object, const std::uint8_t*& data, std::size_t* size)
{
    return Step("gen::CImportXFile::LockXFileData", [&] {
        std::size_t actual = 0;
        const void* pointer = nullptr;
        if (object->Lock(&actual, &pointer) != kXOK)
        {
            throw CFatalException("Unexpected failure in Lock", kImportFile, 1612);
        }
        if (size)
        {
            if (*size != 0 && *size != actual)
            {
                object->Unlock();
                return kImportBadData;
            }
            *size = actual;
        }
        data = static_cast<const std::uint8_t*>(pointer);
        return kImportOK;
    });
}

XResult UnlockXFileData(CXFileData* object)
{
    return Guarded(kImportFile, "gen::CImportXFile::UnlockXFileData", [&] { return object->Unlock(); });
}

EImportResult CopyXFileData(CXFileData* object, void* destination, std::size_t size)
{
    return Step("gen::CImportXFile::CopyXFileData", [&] {
        const std::uint8_t* data = nullptr;
        std::size_t actual = size;
        const EImportResult r = LockXFileData(object, data, &actual);
        if (r != kImportOK)
        {
            return r;
        }
        std::memcpy(destination, data, size);
        UnlockXFileData(object);
        return kImportOK;
    });
}

} // namespace import_detail

using namespace import_detail;

bool IsXFile(const std::string& fileName)
{
    if (fileName.empty())
    {
        return false;
    }
    std::FILE* f = OpenFile(NativePath(fileName), "rb");
    if (!f)
    {
        return false;
    }
    char magic[4] = {0, 0, 0, 0};
    const bool ok = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "xof ", 4) == 0;
    std::fclose(f);
    return ok;
}

EImportResult CImportXFile::ImportFile(const std::string& fileName)
{
    return Guarded(kImportFile, "gen::CImportXFile::ImportFile", [&] {
        Nodes.clear();
        Meshes.clear();
        MaterialList.clear();
        Imported = false;
        ErrorText.clear();
        Produced = 0;
        if (!IsXFile(fileName))
        {
            return Refuse(nullptr, "the file is missing, unreadable or does not begin with \"xof \"", kImportNotXFile);
        }
        const std::string path = NativePath(fileName);
        return ImportFrom(path.c_str(), kXLoadFromFile);
    });
}

EImportResult CImportXFile::ImportMemory(const void* data, std::size_t size)
{
    return Guarded(kImportFile, "gen::CImportXFile::ImportMemory", [&] {
        Nodes.clear();
        Meshes.clear();
        MaterialList.clear();
        Imported = false;
        ErrorText.clear();
        Produced = 0;
        if (!data || size < 4 || std::memcmp(data, "xof ", 4) != 0)
        {
            return Refuse(nullptr, "byte 0: expected \"xof \"", kImportNotXFile);
        }
        const SXMemory memory{data, size};
        return ImportFrom(&memory, kXLoadFromMemory);
    });
}

EImportResult CImportXFile::ImportFrom(const void* source, std::uint32_t loadOptions)
{
    EImportResult r;
    try
    {
        CHeld<CXFile> file;
        r = PrepareXFileObject(file.Slot());
        if (r != kImportOK)
        {
            return r;
        }
        CHeld<CXFileEnumObject> enumerator;
        r = GetXFileEnumerator(file.Get(), source, loadOptions, enumerator.Slot());
        if (r != kImportOK)
        {
            return r;
        }
        r = ParseXFile(enumerator.Get());
        if (r == kImportOK)
        {
            r = SplitMeshes();
        }
    }
    catch (const std::bad_alloc&)
    {
        r = kImportOutOfMemory;
    }
    if (r != kImportOK)
    {
        Nodes.clear();
        Meshes.clear();
        MaterialList.clear();
        return Refuse(nullptr, r == kImportOutOfMemory ? "out of memory" : "the file could not be imported", r);
    }
    Imported = true;
    return kImportOK;
}

EImportResult CImportXFile::Refuse(CXFileData* object, const std::string& problem, EImportResult r)
{
    if (ErrorText.empty())
    {
        ErrorText = object ? object->GetPlace() + ": " + problem : problem;
    }
    return r;
}

EImportResult CImportXFile::WalkRefused(const std::string& readerReason, EImportResult r)
{
    return Refuse(nullptr, readerReason.empty() ? "the reader refused a step of the walk" : readerReason, r);
}

EImportResult CImportXFile::Produce(std::uint64_t bytes, CXFileData* object)
{
    Produced += bytes;
    if (Produced <= kMaxImportBytes)
    {
        return kImportOK;
    }
    return Refuse(object, "the import grows past " + std::to_string(kMaxImportBytes >> 20) +
                              " MiB of vertices, indices and nodes; expected references that repeat less");
}

EImportResult CImportXFile::PrepareXFileObject(CXFile*& file)
{
    return Step("gen::CImportXFile::PrepareXFileObject", [&] {
        file = nullptr;
        const XResult rc = XFileCreate(&file);
        if (rc == kXErrPointer)
        {
            throw CFatalException("Invalid parameter to D3DXFileCreate", kImportFile, 426);
        }
        if (rc == kXErrOutOfMemory)
        {
            return kImportOutOfMemory;
        }
        if (rc != kXOK)
        {
            return kImportFailed;
        }
        // The reader knows the standard, skinned-mesh and mesh-extension
        // templates by itself, so nothing needs registering here.
        return kImportOK;
    });
}

EImportResult CImportXFile::GetXFileEnumerator(CXFile* file, const void* source, std::uint32_t loadOptions,
                                               CXFileEnumObject*& enumerator)
{
    return Step("gen::CImportXFile::GetXFileEnumerator", [&] {
        enumerator = nullptr;
        const XResult rc = file->CreateEnumObject(source, loadOptions, &enumerator);
        if (rc == kXOK)
        {
            return kImportOK;
        }
        Refuse(nullptr, file->GetErrorText().empty() ? "the reader failed" : file->GetErrorText());
        if (rc == kXErrBadValue)
        {
            throw CFatalException("Invalid parameter to CreateEnumObject", kImportFile, 508);
        }
        if (rc == kXErrParseError)
        {
            return kImportBadData;
        }
        return rc == kXErrOutOfMemory ? kImportOutOfMemory : kImportFailed;
    });
}

EImportResult CImportXFile::ParseXFile(CXFileEnumObject* enumerator)
{
    return Step("gen::CImportXFile::ParseXFile", [&] {
        SMeshNode root;
        root.Name = "Root";
        Nodes.push_back(root);

        std::size_t count = 0;
        if (GetXFileNumChildren(enumerator, count) != kImportOK)
        {
            return kImportBadData;
        }
        for (std::size_t i = 0; i < count; ++i)
        {
            CHeld<CXFileData> child;
            SXGuid guid;
            EImportResult r = GetXFileChild(enumerator, i, child.Slot(), guid);
            if (r != kImportOK)
            {
                return WalkRefused(enumerator->GetErrorText(), r);
            }
            if (guid == kGuidFrame)
            {
                ++Nodes[0].NumChildren;
                r = ParseXFileFrame(child.Get(), 0);
            }
            else if (guid == kGuidFrameTransformMatrix)
            {
                r = ReadMatrix(child.Get(), Nodes[0].Matrix);
            }
            else if (guid == kGuidMesh)
            {
                r = ParseXFileMesh(child.Get(), 0);
            }
            if (r != kImportOK)
            {
                return r;
            }
        }
        MakeGlobalMaterialList();
        return MatchBonesToNodes();
    });
}

EImportResult CImportXFile::ParseXFileFrame(CXFileData* frame, std::uint32_t parent)
{
    return Step("gen::CImportXFile::ParseXFileFrame", [&] {
        const auto c = static_cast<std::uint32_t>(Nodes.size());
        Nodes.emplace_back();
        std::string name;
        EImportResult r = GetXFileDataName(frame, name);
        if (r != kImportOK)
        {
            return r;
        }
        r = Produce(sizeof(SMeshNode) + name.size(), frame);
        if (r != kImportOK)
        {
            return r;
        }
        SMeshNode& node = Nodes[c];
        node.Name = std::move(name);
        node.Depth = Nodes[parent].Depth + 1;
        node.Parent = parent;
        node.NumChildren = 0;
        node.Matrix = CMatrix4x4::kIdentity;

        std::size_t count = 0;
        if (GetXFileNumChildren(frame, count) != kImportOK)
        {
            return kImportBadData;
        }
        for (std::size_t i = 0; i < count; ++i)
        {
            CHeld<CXFileData> child;
            SXGuid guid;
            r = GetXFileChild(frame, i, child.Slot(), guid);
            if (r != kImportOK)
            {
                return WalkRefused(frame->GetErrorText(), r);
            }
            if (guid == kGuidFrame)
            {
                ++Nodes[c].NumChildren;
                r = ParseXFileFrame(child.Get(), c);
            }
            else if (guid == kGuidFrameTransformMatrix)
            {
                r = ReadMatrix(child.Get(), Nodes[c].Matrix);
            }
            else if (guid == kGuidMesh)
            {
                r = ParseXFileMesh(child.Get(), c);
            }
            if (r != kImportOK)
            {
                return r;
            }
        }
        return kImportOK;
    });
}

EImportResult CImportXFile::ReadMatrix(CXFileData* object, CMatrix4x4& matrix)
{
    const EImportResult r = CopyXFileData(object, matrix.e, sizeof matrix.e);
    return r == kImportBadData ? Refuse(object, "FrameTransformMatrix: expected 16 floats") : r;
}

void CImportXFile::GetNode(std::uint32_t index, SMeshNode& node) const
{
    Guarded(kImportFile, "gen::CImportXFile::GetNode", [&] {
        if (index >= Nodes.size())
        {
            throw CFatalException("Invalid node index", kImportFile, __LINE__);
        }
        node = Nodes[index];
    });
}

} // namespace gen
