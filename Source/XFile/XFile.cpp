// The public objects of the .x reader over a parsed document, and GUID
// helpers.

#include "XFile/XFile.h"

#include "Common/Utf8System.h"
#include "XFile/XFileDocument.h"
#include "XFile/XFileTemplates.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace gen
{

bool operator==(const SXGuid& a, const SXGuid& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

namespace
{
int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHex(const char* text, std::size_t digits, std::uint64_t& value)
{
    value = 0;
    for (std::size_t i = 0; i < digits; ++i)
    {
        const int d = HexDigit(text[i]);
        if (d < 0) return false;
        value = value * 16 + static_cast<std::uint64_t>(d);
    }
    return true;
}
} // namespace

bool ParseXGuid(const char* text, std::size_t length, SXGuid& guid)
{
    if (length >= 2 && text[0] == '<' && text[length - 1] == '>')
    {
        ++text;
        length -= 2;
    }
    // 8-4-4-4-12
    if (length != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
    {
        return false;
    }
    std::uint64_t a, b, c, d, e;
    if (!ParseHex(text, 8, a) || !ParseHex(text + 9, 4, b) || !ParseHex(text + 14, 4, c) ||
        !ParseHex(text + 19, 4, d) || !ParseHex(text + 24, 12, e))
    {
        return false;
    }
    guid.Data1 = static_cast<std::uint32_t>(a);
    guid.Data2 = static_cast<std::uint16_t>(b);
    guid.Data3 = static_cast<std::uint16_t>(c);
    guid.Data4[0] = static_cast<std::uint8_t>(d >> 8);
    guid.Data4[1] = static_cast<std::uint8_t>(d);
    for (int i = 0; i < 6; ++i)
    {
        guid.Data4[2 + i] = static_cast<std::uint8_t>(e >> (8 * (5 - i)));
    }
    return true;
}

using namespace xfile_detail;

// ---- file object ----------------------------------------------------------

CXFile::CXFile() = default;
CXFile::~CXFile() = default;

namespace
{
// The standard set, parsed once; every file object starts from a copy.
const STemplateSet* StandardTemplates()
{
    static const STemplateSet* const set = [] {
        auto* parsed = new STemplateSet();
        std::string reason;
        if (ParseImage(reinterpret_cast<const std::uint8_t*>(kXStandardTemplates), std::strlen(kXStandardTemplates),
                       *parsed, nullptr, reason) != kXOK)
        {
            delete parsed;
            return static_cast<STemplateSet*>(nullptr);
        }
        return parsed;
    }();
    return set;
}
} // namespace

XResult XFileCreate(CXFile** file)
{
    if (!file) return kXErrPointer;
    *file = nullptr;
    try
    {
        const STemplateSet* standard = StandardTemplates();
        if (!standard) return kXErrBadObject;
        auto* created = new CXFile();
        created->Templates = std::make_shared<STemplateSet>(*standard);
        *file = created;
        return kXOK;
    }
    catch (const std::bad_alloc&)
    {
        return kXErrOutOfMemory;
    }
}

XResult CXFile::RegisterTemplates(const void* data, std::size_t size)
{
    ErrorText.clear();
    if (!data || size == 0) return kXErrBadValue;
    try
    {
        // Parse into a copy so a failing text leaves the set unchanged.
        STemplateSet copy = *Templates;
        const XResult rc = ParseImage(static_cast<const std::uint8_t*>(data), size, copy, nullptr, ErrorText);
        if (rc != kXOK) return rc;
        *Templates = std::move(copy);
        return kXOK;
    }
    catch (const std::bad_alloc&)
    {
        return kXErrOutOfMemory;
    }
}

XResult CXFile::CreateEnumObject(const void* source, std::uint32_t loadOptions, CXFileEnumObject** enumerator)
{
    ErrorText.clear();
    if (!enumerator || !source) return kXErrBadValue;
    *enumerator = nullptr;
    try
    {
        std::vector<std::uint8_t> image;
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        if (loadOptions == kXLoadFromFile)
        {
            std::FILE* f = OpenFile(static_cast<const char*>(source), "rb");
            if (!f)
            {
                ErrorText = "the file cannot be opened";
                return kXErrFileNotFound;
            }
            std::uint8_t buffer[65536];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            {
                image.insert(image.end(), buffer, buffer + n);
            }
            const bool failed = std::ferror(f) != 0;
            std::fclose(f);
            if (failed)
            {
                ErrorText = "the file cannot be read to its end";
                return kXErrBadFile;
            }
            data = image.data();
            size = image.size();
        }
        else if (loadOptions == kXLoadFromMemory)
        {
            const auto* memory = static_cast<const SXMemory*>(source);
            if (!memory->Data && memory->Size > 0) return kXErrBadValue;
            data = static_cast<const std::uint8_t*>(memory->Data);
            size = memory->Size;
        }
        else
        {
            return kXErrBadValue;
        }
        if (!data)
        {
            ErrorText = "byte 0: expected \"xof \", found an empty file";
            return kXErrBadFileType;
        }

        // Templates defined by the file are its own; the file object's set stays.
        STemplateSet templates = *Templates;
        auto document = std::make_shared<SDocument>();
        const XResult rc = ParseImage(data, size, templates, document.get(), ErrorText);
        if (rc != kXOK) return rc;
        *enumerator = new CXFileEnumObject(std::move(document));
        return kXOK;
    }
    catch (const std::bad_alloc&)
    {
        ErrorText = "out of memory";
        return kXErrOutOfMemory;
    }
}

void CXFile::Release()
{
    delete this;
}

// ---- enumerator and data objects -------------------------------------------

CXFileEnumObject::CXFileEnumObject(std::shared_ptr<const SDocument> document) : Document(std::move(document)) {}
CXFileEnumObject::~CXFileEnumObject() = default;

XResult CXFileEnumObject::GetChildren(std::size_t* count) const
{
    if (!count) return kXErrBadValue;
    *count = Document->TopLevel.size();
    return kXOK;
}

XResult CXFileEnumObject::GetChild(std::size_t index, CXFileData** child) const
{
    if (!child) return kXErrBadValue;
    *child = nullptr;
    if (index >= Document->TopLevel.size()) return kXErrNoMoreObjects;
    const std::uint32_t object = Document->TopLevel[index];
    if (!Document->ChargeWalk()) return kXErrWalkLimit;
    try
    {
        *child = new CXFileData(Document, object);
        return kXOK;
    }
    catch (const std::bad_alloc&)
    {
        return kXErrOutOfMemory;
    }
}

std::string CXFileEnumObject::GetErrorText() const
{
    return Document->WalkError;
}

void CXFileEnumObject::Release()
{
    delete this;
}

CXFileData::CXFileData(std::shared_ptr<const SDocument> document, std::uint32_t object)
    : Document(std::move(document)), Object(object)
{
}

CXFileData::~CXFileData() = default;

XResult CXFileData::GetChildren(std::size_t* count) const
{
    if (!count) return kXErrBadValue;
    *count = Document->Objects[Object].Children.size();
    return kXOK;
}

XResult CXFileData::GetChild(std::size_t index, CXFileData** child) const
{
    if (!child) return kXErrBadValue;
    *child = nullptr;
    const SObject& o = Document->Objects[Object];
    if (index >= o.Children.size()) return kXErrNoMoreObjects;
    const std::uint32_t object = o.Children[index];
    if (object == kDangling)
    {
        Document->DanglingError(Object, index);
        return kXErrBadReference;
    }
    if (!Document->ChargeWalk()) return kXErrWalkLimit;
    try
    {
        *child = new CXFileData(Document, object);
        return kXOK;
    }
    catch (const std::bad_alloc&)
    {
        return kXErrOutOfMemory;
    }
}

std::string CXFileData::GetPlace() const
{
    return PlaceText(Document->Places, Document->Objects[Object].Place);
}

std::string CXFileData::GetErrorText() const
{
    return Document->WalkError;
}

XResult CXFileData::GetType(SXGuid* guid) const
{
    if (!guid) return kXErrBadValue;
    *guid = Document->Objects[Object].Type;
    return kXOK;
}

XResult CXFileData::GetName(char* buffer, std::size_t* size) const
{
    if (!size) return kXErrBadValue;
    const std::string& name = Document->Objects[Object].Name;
    const std::size_t needed = name.empty() ? 0 : name.size() + 1;
    if (!buffer)
    {
        *size = needed;
        return kXOK;
    }
    if (*size < needed) return kXErrBadValue;
    if (needed > 0)
    {
        std::memcpy(buffer, name.c_str(), needed);
    }
    else if (*size > 0)
    {
        buffer[0] = 0;
    }
    *size = needed;
    return kXOK;
}

XResult CXFileData::Lock(std::size_t* size, const void** data)
{
    if (!size || !data) return kXErrBadValue;
    static const std::uint8_t kEmpty = 0;
    const std::vector<std::uint8_t>& bytes = Document->Objects[Object].Data;
    *size = bytes.size();
    *data = bytes.empty() ? &kEmpty : bytes.data();
    ++LockCount;
    return kXOK;
}

XResult CXFileData::Unlock()
{
    if (LockCount == 0) return kXErrBadValue;
    --LockCount;
    return kXOK;
}

void CXFileData::Release()
{
    delete this;
}

} // namespace gen
