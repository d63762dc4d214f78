#pragma once
// Internals shared by the importer's source files: the bounds-checked cursor
// over locked data, the guarded-step helper and RAII holders for reader
// objects. Not for use outside CImportXFile*.cpp.

#include "Common/CFatalException.h"
#include "XFile/CImportXFile.h"
#include "XFile/XFile.h"

#include <cstring>
#include <new>
#include <vector>

namespace gen
{
namespace import_detail
{

extern const char* const kImportFile; // "Source/XFile/CImportXFile"

// What one import may make: vertex and index bytes, nodes and materials.
constexpr std::uint64_t kMaxImportBytes = 256u << 20;

// Template GUIDs the importer recognises.
extern const SXGuid kGuidFrame;
extern const SXGuid kGuidFrameTransformMatrix;
extern const SXGuid kGuidMesh;
extern const SXGuid kGuidMeshNormals;
extern const SXGuid kGuidMeshTextureCoords;
extern const SXGuid kGuidMeshVertexColors;
extern const SXGuid kGuidMeshMaterialList;
extern const SXGuid kGuidMaterial;
extern const SXGuid kGuidTextureFilename;
extern const SXGuid kGuidVertexDuplicationIndices;
extern const SXGuid kGuidFaceAdjacency;
extern const SXGuid kGuidXSkinMeshHeader;
extern const SXGuid kGuidSkinWeights;

// A guarded step that fails softly: running out of memory inside it is
// reported as kImportOutOfMemory instead of becoming a fatal exception.
template <typename TBody>
EImportResult Step(const char* name, TBody&& body)
{
    return Guarded(kImportFile, name, [&]() -> EImportResult {
        try
        {
            return body();
        }
        catch (const std::bad_alloc&)
        {
            return kImportOutOfMemory;
        }
    });
}

// Releases a reader object when the scope ends.
template <typename T>
class CHeld
{
public:
    explicit CHeld(T* object = nullptr) : Object(object) {}
    ~CHeld()
    {
        if (Object)
        {
            Object->Release();
        }
    }
    CHeld(const CHeld&) = delete;
    CHeld& operator=(const CHeld&) = delete;
    T* Get() const { return Object; }
    T*& Slot() { return Object; }

private:
    T* Object;
};

// Reads little-endian values from locked data. A read past the end yields
// zeros and marks the cursor failed; callers check Has() before sizing
// anything by a count from the file.
class CDataCursor
{
public:
    CDataCursor(const std::uint8_t* data, std::size_t size) : Data(data), Left(size) {}

    bool Has(std::uint64_t bytes) const { return !Failed && bytes <= Left; }
    bool Failed = false;
    bool AtEnd() const { return !Failed && Left == 0; }
    std::size_t Remaining() const { return Left; }
    const std::uint8_t* Position() const { return Data; }

    bool Bytes(void* destination, std::size_t n)
    {
        if (Failed || n > Left)
        {
            Failed = true;
            std::memset(destination, 0, n);
            return false;
        }
        std::memcpy(destination, Data, n);
        Data += n;
        Left -= n;
        return true;
    }

    void Advance(std::size_t n)
    {
        if (Failed || n > Left)
        {
            Failed = true;
            return;
        }
        Data += n;
        Left -= n;
    }

    // Reads count DWORDs into out; false (out untouched) when the data is too short.
    bool DwordArray(std::vector<std::uint32_t>& out, std::uint32_t count)
    {
        if (!Has(static_cast<std::uint64_t>(count) * 4))
        {
            return false;
        }
        out.resize(count);
        for (std::uint32_t& d : out)
        {
            d = Dword();
        }
        return true;
    }

    std::uint32_t Dword()
    {
        std::uint8_t b[4];
        Bytes(b, 4);
        return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
               (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    }

    std::uint16_t Word()
    {
        std::uint8_t b[2];
        Bytes(b, 2);
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }

    float Float()
    {
        float f;
        Bytes(&f, 4);
        return f;
    }

private:
    const std::uint8_t* Data;
    std::size_t Left;
};

// The reader steps every walk goes through.
EImportResult GetXFileNumChildren(CXFileEnumObject* object, std::size_t& count);
EImportResult GetXFileNumChildren(CXFileData* object, std::size_t& count);
EImportResult GetXFileChild(CXFileEnumObject* object, std::size_t index, CXFileData*& child, SXGuid& guid);
EImportResult GetXFileChild(CXFileData* object, std::size_t index, CXFileData*& child, SXGuid& guid);
EImportResult GetXFileDataName(CXFileData* object, std::string& name);
// size null: any size. Otherwise a non-zero *size must match (else the data
// is unlocked again and the result is kImportBadData); *size receives the
// actual size.
EImportResult LockXFileData(CXFileData* object, const std::uint8_t*& data, std::size_t* size);
XResult UnlockXFileData(CXFileData* object);
EImportResult CopyXFileData(CXFileData* object, void* destination, std::size_t size);

// Unlocks when the scope ends.
class CLocked
{
public:
    explicit CLocked(CXFileData* object) : Object(object) {}
    ~CLocked()
    {
        if (Locked)
        {
            UnlockXFileData(Object);
        }
    }
    CLocked(const CLocked&) = delete;
    CLocked& operator=(const CLocked&) = delete;

    // Locks; returns the step's result and fills the cursor on success.
    EImportResult Lock(CDataCursor& cursor, std::size_t* expected = nullptr)
    {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        std::size_t* sizeSlot = expected;
        const EImportResult r = LockXFileData(Object, data, sizeSlot ? sizeSlot : &size);
        if (r != kImportOK)
        {
            return r;
        }
        Locked = true;
        cursor = CDataCursor(data, sizeSlot ? *sizeSlot : size);
        return kImportOK;
    }

private:
    CXFileData* Object;
    bool Locked = false;
};

} // namespace import_detail
} // namespace gen
