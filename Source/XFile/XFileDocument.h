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

// How many objects a walk may be handed out by GetChild: shared objects can
// be reached many times over, so reference fan-out (each object naming the
// one before twice) is cut off here. The count is far above what real
// instancing reaches; what a walk copies out is the caller's to bound.
constexpr std::uint64_t kWalkObjectsBase = 1u << 18;
constexpr std::uint64_t kWalkObjectsPerObject = 4;

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

// Template names are matched exactly first, then without regard to ASCII
// case, as exporters spell them either way ("TextureFileName") but a file's
// own "frame" must not take the place of the standard "Frame".
std::string NameKey(const std::string& name);

// The templates a file object knows; a file parses against a copy.
struct STemplateSet
{
    std::vector<STemplate> Templates;
    std::unordered_map<std::string, std::uint32_t> ByExactName;
    std::unordered_map<std::string, std::uint32_t> ByName; // NameKey; the first of a spelling stays
    std::unordered_map<std::string, std::uint32_t> ByGuid; // GuidKey

    void AddName(const std::string& name, std::uint32_t index);
    bool FindName(const std::string& name, std::uint32_t& index) const;
    bool FindGuid(const SXGuid& guid, std::uint32_t& index) const;
};

// ---- places -----------------------------------------------------------------

// How a place in a file is told: a line of a text body, or a byte offset of
// a binary one; in a compressed file, of its inflated body.
struct SPlaces
{
    bool Lines = true;
    bool Inflated = false;
};

// "line 12", "byte 345", "line 3 of the inflated text", ...
std::string PlaceText(const SPlaces& places, std::uint64_t place);

// A name as a reason shows it: at most 60 bytes, then "...".
std::string ShownName(const std::string& name);

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
    std::uint32_t Place = 0;             // where it begins (SPlaces)
};

inline std::uint64_t DanglingKey(std::uint32_t object, std::size_t slot)
{
    return (static_cast<std::uint64_t>(object) << 32) | static_cast<std::uint32_t>(slot);
}

// A reference met while parsing, resolved once the whole file is read.
struct SPendingReference
{
    std::uint32_t Object;
    std::size_t Slot;
    std::string Name;
    bool HasGuid;
    SXGuid Guid;
    std::uint32_t Place;
};

struct SDocument
{
    std::vector<SObject> Objects;
    std::vector<std::uint32_t> TopLevel;
    std::uint64_t Entries = 0; // objects plus references
    std::uint64_t DataBytes = 0;
    SPlaces Places;
    // References that name no object, by DanglingKey(holder, slot).
    std::unordered_map<std::uint64_t, SPendingReference> Dangling;

    // What GetChild has handed out so far, against the walk limit.
    mutable std::uint64_t WalkedObjects = 0;
    bool ChargeWalk() const;

    // Why the last GetChild on this document failed.
    mutable std::string WalkError;
    void DanglingError(std::uint32_t object, std::size_t slot) const;
};

// Fills the reference slots (kDangling where nothing matches), then refuses
// a file whose restrictions are broken, whose references form a cycle or
// whose nesting through references is too deep; reason says why.
bool ResolveReferences(SDocument& document, const STemplateSet& templates,
                       const std::vector<SPendingReference>& references, std::string& reason);

// A whole file image (header, perhaps compressed body) into the document;
// document null: template definitions only, into templates. On failure
// reason says where and what was expected.
XResult ParseImage(const std::uint8_t* data, std::size_t size, STemplateSet& templates, SDocument* document,
                   std::string& reason);

} // namespace xfile_detail
} // namespace gen
