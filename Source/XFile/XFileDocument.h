#pragma once
// Inside the .x reader: the limits, the registered templates and the parsed
// document that the public objects of XFile.h hand out. Not for use outside
// Source/XFile/XFile*.cpp.

#include "XFile/XFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace gen
{
namespace xfile_detail
{

// ---- limits -----------------------------------------------------------------
// What one parsed file may keep in memory. A reference is one entry in its
// holder's child list; the object it names is shared, never copied.
constexpr std::uint32_t kMaxObjects = 1u << 20;      // data objects plus references
constexpr std::uint64_t kMaxDataBytes = 256u << 20;  // member data of all objects
constexpr std::size_t kMaxInflatedSize = 256u << 20; // a compressed file's body once inflated
constexpr std::uint32_t kMaxTemplateDepth = 32;      // templates nested in templates
constexpr std::uint32_t kMaxObjectDepth = 256;       // objects nested, references included

// What a walk may be handed out by GetChild: shared objects can be reached
// many times over, so a walk is bounded by the file's own size.
constexpr std::uint64_t kWalkObjectsBase = 1u << 14;
constexpr std::uint64_t kWalkObjectsPerObject = 4;
constexpr std::uint64_t kWalkBytesBase = 32u << 20;
constexpr std::uint64_t kWalkBytesPerByte = 16;

constexpr std::size_t kHeaderSize = 16;

// ---- templates --------------------------------------------------------------

enum EPrimitive : std::uint8_t
{
    kPrimNone, // a template member
    kPrimWord,
    kPrimDword,
    kPrimFloat,
    kPrimDouble,
    kPrimChar,
    kPrimUchar,
    kPrimSword,
    kPrimSdword,
    kPrimString,
};

struct SDimension
{
    bool FromMember;
    std::uint32_t Value; // fixed size, or index of the member giving it
};

struct SMember
{
    EPrimitive Primitive = kPrimNone;
    std::uint32_t Template = 0;
    std::string Name;
    std::vector<SDimension> Dims;
};

enum ERestriction : std::uint8_t
{
    kClosed,
    kOpen,
    kRestricted,
};

struct SAllowed
{
    std::string Name;
    bool HasGuid = false;
    SXGuid Guid{};
};

struct STemplate
{
    std::string Name;
    SXGuid Guid{};
    std::vector<SMember> Members;
    ERestriction Restriction = kClosed;
    std::vector<SAllowed> Allowed;
    std::uint32_t Depth = 1;
};

// A GUID as one string key, for hashed look-ups.
std::string GuidKey(const SXGuid& g);

// Template names are matched without regard to ASCII case, as exporters
// spell them either way ("TextureFileName").
std::string NameKey(const std::string& name);

// The templates a file object knows; a file parses against a copy.
struct STemplateSet
{
    std::vector<STemplate> Templates;
    std::unordered_map<std::string, std::uint32_t> ByName; // NameKey
    std::unordered_map<std::string, std::uint32_t> ByGuid; // GuidKey

    bool FindName(const std::string& name, std::uint32_t& index) const;
    bool FindGuid(const SXGuid& guid, std::uint32_t& index) const;
};

// ---- the parsed file --------------------------------------------------------

// A child slot whose reference names no object: GetChild on it fails.
constexpr std::uint32_t kDangling = 0xFFFFFFFFu;

struct SObject
{
    std::uint32_t Template = 0;
    SXGuid Type{};
    std::string Name;
    bool HasGuid = false;
    SXGuid Guid{};
    std::vector<std::uint8_t> Data;
    std::vector<std::uint32_t> Children; // object indices, references resolved, or kDangling
};

struct SDocument
{
    std::vector<SObject> Objects;
    std::vector<std::uint32_t> TopLevel;
    std::uint64_t Entries = 0; // objects plus references
    std::uint64_t DataBytes = 0;

    // What GetChild has handed out so far, against the walk limits.
    mutable std::uint64_t WalkedObjects = 0;
    mutable std::uint64_t WalkedBytes = 0;
    bool ChargeWalk(std::uint32_t object) const;
};

// A reference met while parsing, resolved once the whole file is read.
struct SPendingReference
{
    std::uint32_t Object;
    std::size_t Slot;
    std::string Name;
    bool HasGuid;
    SXGuid Guid;
};

// Fills the reference slots (kDangling where nothing matches), then refuses
// a file whose restrictions are broken, whose references form a cycle or
// whose nesting through references is too deep.
bool ResolveReferences(SDocument& document, const STemplateSet& templates,
                       const std::vector<SPendingReference>& references);

// A whole file image (header, perhaps compressed body) into the document;
// document null: template definitions only, into templates.
XResult ParseImage(const std::uint8_t* data, std::size_t size, STemplateSet& templates, SDocument* document);

} // namespace xfile_detail
} // namespace gen
