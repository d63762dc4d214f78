#pragma once
// Our own reader of DirectX .x files: text ("txt"), binary token stream
// ("bin") and their MSZIP-compressed forms ("tzip", "bzip"), with 32- or
// 64-bit floats. It offers the few operations the importer needs, modelled
// on the classic X-file interfaces: a file object that knows the standard
// templates and takes more in .x form, an enumerator over the top-level data
// objects of one parsed file, and data objects with a template GUID, a name,
// children (references resolved to the objects they name) and their member
// data in a flat little-endian layout (DWORD 4 bytes, WORD 2, FLOAT 4 even
// in 64-bit files, DOUBLE 8, CHAR/UCHAR/BYTE 1, strings inline and
// zero-terminated).
//
// Every call returns a status code, 0 for success. The guarantees:
// - The whole file is parsed and checked by CreateEnumObject: syntax,
//   member data against the templates, restricted templates, reference
//   cycles and nesting depth. Anything else fails there.
// - What a parse keeps is bounded in objects and bytes (XFileDocument.h);
//   a reference shares the object it names, it never copies it.
// - A reference that names no object fails only the GetChild that reaches
//   it (kXErrBadReference). A reference's name runs to its closing brace.
// - A walk is bounded too: GetChild hands out a limited number of objects,
//   then fails (kXErrWalkLimit), so reference fan-out cannot make a walk
//   explode. Instancing (many references to one large object) costs nothing
//   here; callers bound what they copy out.
// - Keywords are matched without regard to case; template names exactly
//   first, then without regard to case; object names exactly.
// - Every failure has a reason in words (GetErrorText): where, as a line of
//   a text file or a byte offset of a binary one, and what was expected.
//
// Source: XFile.cpp (these objects), XFileImage.cpp (header, inflating),
// XFileTokenizer.* (text and binary tokens), XFileParser.* (grammar),
// XFileReferences.cpp (resolving and checking references),
// XFileDocument.* (limits, template set, parsed document), XFileTemplates.*
// (the standard templates).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace gen
{

using XResult = std::uint32_t;

constexpr XResult kXOK = 0;
constexpr XResult kXErrPointer = 0x80004003;      // invalid pointer argument
constexpr XResult kXErrOutOfMemory = 0x8007000E;
constexpr XResult kXErrBadObject = 0x88760384;
constexpr XResult kXErrBadValue = 0x88760385;     // invalid argument
constexpr XResult kXErrNotFound = 0x88760387;
constexpr XResult kXErrFileNotFound = 0x88760389;
constexpr XResult kXErrBadFileType = 0x8876038C;
constexpr XResult kXErrBadFileVersion = 0x8876038D;
constexpr XResult kXErrBadFileFloatSize = 0x8876038E;
constexpr XResult kXErrBadFile = 0x8876038F;
constexpr XResult kXErrParseError = 0x88760390;   // malformed or inconsistent content
constexpr XResult kXErrBadReference = 0x88760392; // a reference names no object
constexpr XResult kXErrNoMoreObjects = 0x88760393;
constexpr XResult kXErrWalkLimit = 0x887603A0;    // ours: the walk met more than the file may expand to

// Load options of CreateEnumObject.
constexpr std::uint32_t kXLoadFromFile = 0;   // source: const char* path
constexpr std::uint32_t kXLoadFromMemory = 2; // source: const SXMemory*

struct SXMemory
{
    const void* Data;
    std::size_t Size;
};

struct SXGuid
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

bool operator==(const SXGuid& a, const SXGuid& b);
inline bool operator!=(const SXGuid& a, const SXGuid& b) { return !(a == b); }

// Parses "3D82AB46-62DA-11CF-AB39-0020AF71E433" (with or without <>).
bool ParseXGuid(const char* text, std::size_t length, SXGuid& guid);

namespace xfile_detail
{
struct STemplateSet;
struct SDocument;
} // namespace xfile_detail

class CXFileData;
class CXFileEnumObject;

// The file object: owns the registered templates.
class CXFile
{
public:
    // Template definitions in .x form (any format, templates only).
    // kXErrBadValue for a null or empty buffer, kXErrParseError when the
    // text does not parse.
    XResult RegisterTemplates(const void* data, std::size_t size);

    // Parses a whole file; source and options as above.
    XResult CreateEnumObject(const void* source, std::uint32_t loadOptions, CXFileEnumObject** enumerator);

    // Why the last RegisterTemplates or CreateEnumObject failed: where
    // ("line 12", "byte 345") and what was expected.
    const std::string& GetErrorText() const { return ErrorText; }

    void Release();

private:
    friend XResult XFileCreate(CXFile** file);
    CXFile();
    ~CXFile();
    std::shared_ptr<xfile_detail::STemplateSet> Templates;
    std::string ErrorText;
};

// Creates a file object that already knows the standard templates.
XResult XFileCreate(CXFile** file);

// The top-level data objects of one file.
class CXFileEnumObject
{
public:
    XResult GetChildren(std::size_t* count) const;
    XResult GetChild(std::size_t index, CXFileData** child) const;
    // Why the last failing GetChild of this file's walk failed.
    std::string GetErrorText() const;
    void Release();

private:
    friend class CXFile;
    explicit CXFileEnumObject(std::shared_ptr<const xfile_detail::SDocument> document);
    ~CXFileEnumObject();
    std::shared_ptr<const xfile_detail::SDocument> Document;
};

// One data object (for a reference: the object it refers to).
class CXFileData
{
public:
    XResult GetChildren(std::size_t* count) const;
    XResult GetChild(std::size_t index, CXFileData** child) const;
    XResult GetType(SXGuid* guid) const;
    // buffer null: *size = name length + 1, or 0 without a name. Otherwise
    // copies the name and its terminating zero (kXErrBadValue if *size is
    // too small).
    XResult GetName(char* buffer, std::size_t* size) const;
    XResult Lock(std::size_t* size, const void** data);
    XResult Unlock();
    // Where the object begins: "line 12" in a text file, "byte 345" in a
    // binary one.
    std::string GetPlace() const;
    // Why the last failing GetChild of this file's walk failed.
    std::string GetErrorText() const;
    void Release();

private:
    friend class CXFileEnumObject;
    CXFileData(std::shared_ptr<const xfile_detail::SDocument> document, std::uint32_t object);
    ~CXFileData();
    std::shared_ptr<const xfile_detail::SDocument> Document;
    std::uint32_t Object;
    std::uint32_t LockCount = 0;
};

} // namespace gen
