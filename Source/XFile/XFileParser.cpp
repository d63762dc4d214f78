#include "XFile/XFileParser.h"

#include <cstring>

namespace gen
{
namespace xfile_detail
{

bool CParser::ParseBody()
{
    for (;;)
    {
        const SToken& t = Tokens.Peek();
        switch (t.Kind)
        {
        case kTokEnd:
            return !Document || ResolveReferences(*Document, Templates, References);
        case kTokTemplate:
            if (!ParseTemplate()) return false;
            break;
        case kTokComma:
        case kTokSemicolon:
        case kTokCBrace: // some exporters close one object too many at the end
            Tokens.Skip();
            break;
        case kTokName:
        {
            if (!Document) return false; // template registration takes templates only
            std::uint32_t index;
            if (!ParseDataObject(0, index)) return false;
            Document->TopLevel.push_back(index);
            break;
        }
        default:
            return false;
        }
    }
}

bool CParser::IsNameLike(const SToken& t)
{
    return t.Kind == kTokName || t.Kind == kTokPrimitive || t.Kind == kTokArray;
}

void CParser::SkipSeparators()
{
    while (Tokens.Peek().Kind == kTokComma || Tokens.Peek().Kind == kTokSemicolon)
    {
        Tokens.Skip();
    }
}

bool CParser::Expect(ETokenKind kind)
{
    if (Tokens.Peek().Kind != kind) return false;
    Tokens.Skip();
    return true;
}

// A GUID, in binary files possibly wrapped in angle tokens.
bool CParser::TakeOptionalGuid(bool& has, SXGuid& guid)
{
    has = false;
    bool angle = false;
    if (Tokens.Peek().Kind == kTokOAngle)
    {
        Tokens.Skip();
        angle = true;
    }
    if (Tokens.Peek().Kind == kTokGuid)
    {
        has = true;
        guid = Tokens.Peek().Guid;
        Tokens.Skip();
    }
    if (angle)
    {
        return has && Expect(kTokCAngle);
    }
    return true;
}

// ---- template definitions ---------------------------------------------------

bool CParser::ParseTemplate()
{
    Tokens.Skip(); // "template"
    SToken nameToken;
    Tokens.Take(nameToken);
    if (nameToken.Kind != kTokName || !Expect(kTokOBrace)) return false;
    STemplate tmpl;
    tmpl.Name = nameToken.Text;
    MemberIndex.clear();
    bool hasGuid;
    if (!TakeOptionalGuid(hasGuid, tmpl.Guid) || !hasGuid) return false;

    for (;;)
    {
        SkipSeparators();
        const SToken& t = Tokens.Peek();
        if (t.Kind == kTokCBrace)
        {
            Tokens.Skip();
            break;
        }
        if (t.Kind == kTokOBracket)
        {
            if (!ParseRestriction(tmpl) || !Expect(kTokCBrace)) return false;
            break;
        }
        if (!ParseMember(tmpl)) return false;
    }

    std::uint32_t existing;
    if (Templates.FindGuid(tmpl.Guid, existing))
    {
        // Files often repeat the standard definitions: the one already known
        // stays in force; the name is made to refer to it.
        Templates.ByName[NameKey(tmpl.Name)] = existing;
        return true;
    }
    const auto index = static_cast<std::uint32_t>(Templates.Templates.size());
    Templates.ByName[NameKey(tmpl.Name)] = index;
    Templates.ByGuid[GuidKey(tmpl.Guid)] = index;
    Templates.Templates.push_back(std::move(tmpl));
    return true;
}

bool CParser::ParseMember(STemplate& tmpl)
{
    SMember member;
    const bool isArray = Tokens.Peek().Kind == kTokArray;
    if (isArray) Tokens.Skip();
    SToken type;
    Tokens.Take(type);
    if (type.Kind == kTokPrimitive)
    {
        member.Primitive = type.Primitive;
    }
    else if (type.Kind == kTokName)
    {
        if (!Templates.FindName(type.Text, member.Template)) return false; // templates defined before only
        const std::uint32_t depth = Templates.Templates[member.Template].Depth + 1;
        if (depth > kMaxTemplateDepth) return false;
        if (depth > tmpl.Depth) tmpl.Depth = depth;
    }
    else
    {
        return false;
    }
    if (IsNameLike(Tokens.Peek()))
    {
        SToken name;
        Tokens.Take(name);
        member.Name = name.Text;
    }
    else if (isArray)
    {
        return false;
    }
    while (isArray && Tokens.Peek().Kind == kTokOBracket)
    {
        if (!ParseDimension(tmpl, member)) return false;
    }
    if (isArray && member.Dims.empty()) return false;
    if (!member.Name.empty())
    {
        MemberIndex[member.Name] = static_cast<std::uint32_t>(tmpl.Members.size());
    }
    tmpl.Members.push_back(std::move(member));
    return true;
}

// "[n]" or "[member]": the size comes from an earlier integer member of this
// template (the latest of that name).
bool CParser::ParseDimension(const STemplate& tmpl, SMember& member)
{
    Tokens.Skip(); // '['
    SToken size;
    Tokens.Take(size);
    SDimension dim{false, 0};
    if (size.Kind == kTokInteger)
    {
        dim.Value = size.Integer;
    }
    else if (IsNameLike(size))
    {
        const auto found = MemberIndex.find(size.Text);
        if (found == MemberIndex.end()) return false;
        const SMember& m = tmpl.Members[found->second];
        const bool integer = m.Primitive == kPrimWord || m.Primitive == kPrimDword || m.Primitive == kPrimSword ||
                             m.Primitive == kPrimSdword || m.Primitive == kPrimChar || m.Primitive == kPrimUchar;
        if (!integer || !m.Dims.empty()) return false;
        dim = {true, found->second};
    }
    else
    {
        return false;
    }
    if (!Expect(kTokCBracket)) return false;
    member.Dims.push_back(dim);
    return true;
}

bool CParser::ParseRestriction(STemplate& tmpl)
{
    Tokens.Skip(); // '['
    if (Tokens.Peek().Kind == kTokDot)
    {
        for (int i = 0; i < 3; ++i)
        {
            if (!Expect(kTokDot)) return false;
        }
        tmpl.Restriction = kOpen;
        return Expect(kTokCBracket);
    }
    tmpl.Restriction = kRestricted;
    for (;;)
    {
        SToken name;
        Tokens.Take(name);
        if (!IsNameLike(name)) return false;
        SAllowed allowed;
        allowed.Name = name.Text;
        if (!TakeOptionalGuid(allowed.HasGuid, allowed.Guid)) return false;
        tmpl.Allowed.push_back(std::move(allowed));
        SkipSeparators();
        if (Tokens.Peek().Kind == kTokCBracket)
        {
            Tokens.Skip();
            return true;
        }
    }
}

// ---- data objects -----------------------------------------------------------

bool CParser::CountObject()
{
    return ++Entries <= kMaxObjects;
}

bool CParser::ParseDataObject(std::uint32_t depth, std::uint32_t& index)
{
    if (depth >= kMaxObjectDepth || !CountObject()) return false;
    SToken type;
    Tokens.Take(type);
    std::uint32_t tmplIndex;
    if (type.Kind != kTokName || !Templates.FindName(type.Text, tmplIndex)) return false;
    if (!ParseObjectHeader(tmplIndex, index)) return false;

    std::vector<std::uint8_t> data;
    if (!ParseMembers(tmplIndex, data)) return false;
    Document->DataBytes += data.size();
    Document->Objects[index].Data = std::move(data);

    const ERestriction restriction = Templates.Templates[tmplIndex].Restriction;
    for (;;)
    {
        SkipSeparators();
        const ETokenKind kind = Tokens.Peek().Kind;
        if (kind == kTokCBrace)
        {
            Tokens.Skip();
            return true;
        }
        if (restriction == kClosed) return false;
        if (kind == kTokOBrace)
        {
            if (!ParseReference(index)) return false;
        }
        else if (kind == kTokName)
        {
            std::uint32_t child;
            if (!ParseDataObject(depth + 1, child)) return false;
            Document->Objects[index].Children.push_back(child);
        }
        else
        {
            return false;
        }
    }
}

// The object's optional name and GUID, and its opening brace (the GUID may
// also follow the brace).
bool CParser::ParseObjectHeader(std::uint32_t tmplIndex, std::uint32_t& index)
{
    index = static_cast<std::uint32_t>(Document->Objects.size());
    Document->Objects.emplace_back();
    SObject& object = Document->Objects.back();
    object.Template = tmplIndex;
    object.Type = Templates.Templates[tmplIndex].Guid;
    if (IsNameLike(Tokens.Peek()))
    {
        SToken name;
        Tokens.Take(name);
        object.Name = std::move(name.Text);
    }
    if (!TakeOptionalGuid(object.HasGuid, object.Guid) || !Expect(kTokOBrace)) return false;
    return object.HasGuid || TakeOptionalGuid(object.HasGuid, object.Guid);
}

// "{ name }", "{ <guid> }" or both: a slot in the holder's children, filled
// once the whole file is read.
bool CParser::ParseReference(std::uint32_t index)
{
    if (!CountObject()) return false;
    Tokens.Skip(); // '{'
    SPendingReference ref{index, Document->Objects[index].Children.size(), std::string(), false, SXGuid{}};
    if (IsNameLike(Tokens.Peek()))
    {
        SToken name;
        Tokens.Take(name);
        ref.Name = std::move(name.Text);
    }
    if (!TakeOptionalGuid(ref.HasGuid, ref.Guid) || !Expect(kTokCBrace)) return false;
    if (ref.Name.empty() && !ref.HasGuid) return false;
    Document->Objects[index].Children.push_back(kDangling);
    References.push_back(std::move(ref));
    return true;
}

bool CParser::ParseMembers(std::uint32_t tmplIndex, std::vector<std::uint8_t>& out)
{
    const STemplate& tmpl = Templates.Templates[tmplIndex];
    std::vector<std::uint64_t> integers(tmpl.Members.size(), 0);
    for (std::size_t i = 0; i < tmpl.Members.size(); ++i)
    {
        const SMember& member = tmpl.Members[i];
        std::uint64_t count = 1;
        for (const SDimension& dim : member.Dims)
        {
            count *= dim.FromMember ? integers[dim.Value] : dim.Value;
            if (count > 0xFFFFFFFFu) return false;
        }
        for (std::uint64_t e = 0; e < count; ++e)
        {
            const std::uint64_t before = Tokens.Values();
            if (member.Primitive != kPrimNone)
            {
                if (!ParseValue(member.Primitive, out, integers[i])) return false;
            }
            else if (!ParseMembers(member.Template, out))
            {
                return false;
            }
            // Every element takes input, so no size can spin without data.
            if (!member.Dims.empty() && Tokens.Values() == before) return false;
        }
    }
    return true;
}

namespace
{
void Append(std::vector<std::uint8_t>& out, const void* bytes, std::size_t n)
{
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    out.insert(out.end(), p, p + n);
}
} // namespace

bool CParser::ParseValue(EPrimitive primitive, std::vector<std::uint8_t>& out, std::uint64_t& integer)
{
    SkipSeparators();
    SToken t;
    Tokens.Take(t);
    if (Document->DataBytes + out.size() + t.Text.size() + 8 > kMaxDataBytes) return false;
    if (primitive == kPrimString)
    {
        if (t.Kind != kTokString) return false;
        Append(out, t.Text.c_str(), t.Text.size() + 1);
        return true;
    }
    if (primitive == kPrimFloat || primitive == kPrimDouble)
    {
        double value;
        if (t.Kind == kTokFloat) value = t.Float;
        else if (t.Kind == kTokInteger) value = static_cast<double>(static_cast<std::int32_t>(t.Integer));
        else return false;
        if (primitive == kPrimFloat)
        {
            const auto f = static_cast<float>(value);
            Append(out, &f, 4);
        }
        else
        {
            Append(out, &value, 8);
        }
        return true;
    }
    if (t.Kind != kTokInteger) return false;
    const std::uint32_t v = t.Integer;
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    switch (primitive)
    {
    case kPrimWord:
    case kPrimSword:
        Append(out, bytes, 2);
        integer = v & 0xFFFFu;
        return true;
    case kPrimChar:
    case kPrimUchar:
        Append(out, bytes, 1);
        integer = v & 0xFFu;
        return true;
    default:
        Append(out, bytes, 4);
        integer = v;
        return true;
    }
}

} // namespace xfile_detail
} // namespace gen
