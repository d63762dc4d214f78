#include "XFile/XFileParser.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace gen
{
namespace xfile_detail
{

namespace
{
const char* PunctuationText(ETokenKind kind)
{
    switch (kind)
    {
    case kTokOBrace: return "'{'";
    case kTokCBrace: return "'}'";
    case kTokOParen: return "'('";
    case kTokCParen: return "')'";
    case kTokOBracket: return "'['";
    case kTokCBracket: return "']'";
    case kTokOAngle: return "'<'";
    case kTokCAngle: return "'>'";
    case kTokDot: return "'.'";
    case kTokComma: return "','";
    case kTokSemicolon: return "';'";
    default: return nullptr;
    }
}

// The nearest float; beyond the float range, infinity.
float ToFloat(double value)
{
    if (std::fabs(value) <= std::numeric_limits<float>::max() || std::isnan(value))
    {
        return static_cast<float>(value);
    }
    // Half a unit in the last place above the largest float still rounds down.
    constexpr double kRoundsToInfinity = 3.4028235677973366e38; // 0x1.ffffffp127
    const float magnitude = std::fabs(value) >= kRoundsToInfinity ? std::numeric_limits<float>::infinity()
                                                                  : std::numeric_limits<float>::max();
    return std::signbit(value) ? -magnitude : magnitude;
}
} // namespace

bool CParser::Fail(const std::string& expected)
{
    const SToken& t = Tokens.Peek();
    Reason = PlaceText(Tokens.GetPlaces(), Tokens.PeekPlace()) + ": expected " + expected + ", found " + Describe(t);
    return false;
}

bool CParser::FailTaken(const std::string& expected, const SToken& found)
{
    Reason =
        PlaceText(Tokens.GetPlaces(), Tokens.TakenPlace()) + ": expected " + expected + ", found " + Describe(found);
    return false;
}

bool CParser::FailAt(std::uint32_t place, const std::string& problem)
{
    Reason = PlaceText(Tokens.GetPlaces(), place) + ": " + problem;
    return false;
}

std::string CParser::Describe(const SToken& t) const
{
    if (const char* p = PunctuationText(t.Kind))
    {
        return p;
    }
    switch (t.Kind)
    {
    case kTokEnd: return "the end of the data";
    case kTokError: return Tokens.GetProblem();
    case kTokName: return "the name \"" + ShownName(t.Text) + "\"";
    case kTokString: return "a string";
    case kTokInteger:
        return t.IntegerFits ? "the integer " + std::to_string(static_cast<std::int64_t>(t.Integer))
                             : "an integer beyond 32 bits";
    case kTokFloat: return "a number with a fraction";
    case kTokGuid: return "a GUID";
    case kTokTemplate: return "'template'";
    case kTokArray: return "'array'";
    case kTokPrimitive: return "the type " + t.Text;
    default: return "something else";
    }
}

bool CParser::ParseBody()
{
    for (;;)
    {
        const SToken& t = Tokens.Peek();
        switch (t.Kind)
        {
        case kTokEnd: return !Document || ResolveReferences(*Document, Templates, References, Reason);
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
            if (!Document) return Fail("templates only"); // template registration
            std::uint32_t index;
            if (!ParseDataObject(0, index)) return false;
            Document->TopLevel.push_back(index);
            break;
        }
        default: return Fail("a template or a data object");
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

bool CParser::Expect(ETokenKind kind, const char* expected)
{
    if (Tokens.Peek().Kind != kind) return Fail(expected);
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
        return (has || Fail("a GUID")) && Expect(kTokCAngle, "'>'");
    }
    return true;
}

// ---- template definitions ---------------------------------------------------

bool CParser::ParseTemplate()
{
    Tokens.Skip(); // "template"
    SToken nameToken;
    Tokens.Take(nameToken);
    if (nameToken.Kind != kTokName) return FailTaken("the template's name", nameToken);
    if (!Expect(kTokOBrace, "'{'")) return false;
    STemplate tmpl;
    tmpl.Name = nameToken.Text;
    MemberIndex.clear();
    bool hasGuid;
    if (!TakeOptionalGuid(hasGuid, tmpl.Guid)) return false;
    if (!hasGuid) return Fail("the template's GUID");

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
            if (!ParseRestriction(tmpl) || !Expect(kTokCBrace, "'}' after the restriction")) return false;
            break;
        }
        if (!ParseMember(tmpl)) return false;
    }

    std::uint32_t existing;
    if (Templates.FindGuid(tmpl.Guid, existing))
    {
        // Files often repeat the standard definitions: the one already known
        // stays in force; the name is made to refer to it.
        Templates.AddName(tmpl.Name, existing);
        return true;
    }
    const auto index = static_cast<std::uint32_t>(Templates.Templates.size());
    Templates.AddName(tmpl.Name, index);
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
        if (!Templates.FindName(type.Text, member.Template)) // templates defined before only
        {
            return FailTaken("a primitive type or a template defined before", type);
        }
        const std::uint32_t depth = Templates.Templates[member.Template].Depth + 1;
        if (depth > kMaxTemplateDepth) return FailTaken("templates nested at most 32 deep", type);
        if (depth > tmpl.Depth) tmpl.Depth = depth;
    }
    else
    {
        return FailTaken("a member type, '[' or '}'", type);
    }
    if (IsNameLike(Tokens.Peek()))
    {
        SToken name;
        Tokens.Take(name);
        member.Name = name.Text;
    }
    else if (isArray)
    {
        return Fail("the array's name");
    }
    while (isArray && Tokens.Peek().Kind == kTokOBracket)
    {
        if (!ParseDimension(tmpl, member)) return false;
    }
    if (isArray && member.Dims.empty()) return Fail("'[' and the array's size");
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
        if (found == MemberIndex.end()) return FailTaken("the name of an earlier member", size);
        const SMember& m = tmpl.Members[found->second];
        const bool integer = m.Primitive == kPrimWord || m.Primitive == kPrimDword || m.Primitive == kPrimSword ||
                             m.Primitive == kPrimSdword || m.Primitive == kPrimChar || m.Primitive == kPrimUchar;
        if (!integer || !m.Dims.empty()) return FailTaken("an earlier member that is one integer", size);
        dim = {true, found->second};
    }
    else
    {
        return FailTaken("a size or the name of an earlier member", size);
    }
    if (!Expect(kTokCBracket, "']'")) return false;
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
            if (!Expect(kTokDot, "'...'")) return false;
        }
        tmpl.Restriction = kOpen;
        return Expect(kTokCBracket, "']'");
    }
    tmpl.Restriction = kRestricted;
    for (;;)
    {
        SToken name;
        Tokens.Take(name);
        if (!IsNameLike(name)) return FailTaken("the name of an allowed template", name);
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
    return ++Entries <= kMaxObjects || Fail("at most " + std::to_string(kMaxObjects) + " objects and references");
}

bool CParser::ParseDataObject(std::uint32_t depth, std::uint32_t& index)
{
    if (depth >= kMaxObjectDepth) return Fail("objects nested at most " + std::to_string(kMaxObjectDepth) + " deep");
    if (!CountObject()) return false;
    SToken type;
    Tokens.Take(type);
    std::uint32_t tmplIndex;
    if (type.Kind != kTokName || !Templates.FindName(type.Text, tmplIndex))
    {
        return FailTaken("the name of a known template", type);
    }
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
        if (restriction == kClosed)
        {
            return Fail("'}' closing the " + Templates.Templates[tmplIndex].Name + ", which takes no child objects");
        }
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
            return Fail("a child object, a reference or '}'");
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
    object.Place = Tokens.TakenPlace();
    if (IsNameLike(Tokens.Peek()))
    {
        SToken name;
        Tokens.Take(name);
        object.Name = std::move(name.Text);
    }
    if (!TakeOptionalGuid(object.HasGuid, object.Guid) || !Expect(kTokOBrace, "the object's '{'")) return false;
    return object.HasGuid || TakeOptionalGuid(object.HasGuid, object.Guid);
}

// "{ name }", "{ <guid> }" or both: a slot in the holder's children, filled
// once the whole file is read. In text, the name runs to the closing brace
// (exporters write "{x3ds_Ground4&6}").
bool CParser::ParseReference(std::uint32_t index)
{
    if (!CountObject()) return false;
    Tokens.Skip(); // '{'
    const std::uint32_t place = Tokens.TakenPlace();
    SPendingReference ref{index, Document->Objects[index].Children.size(), std::string(), false, SXGuid{}, place};
    if (!Tokens.GetPlaces().Lines)
    {
        if (IsNameLike(Tokens.Peek()))
        {
            SToken name;
            Tokens.Take(name);
            ref.Name = std::move(name.Text);
        }
    }
    else if (!Tokens.TakeReferenceName(ref.Name))
    {
        return FailAt(place, "expected a reference's name and its closing '}', found none");
    }
    if (!TakeOptionalGuid(ref.HasGuid, ref.Guid) || !Expect(kTokCBrace, "the reference's closing '}'")) return false;
    if (ref.Name.empty() && !ref.HasGuid) return FailAt(place, "expected a name or GUID in the reference, found none");
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
            if (count > 0xFFFFFFFFu) return Fail("array sizes of " + member.Name + " giving fewer than 2^32 elements");
        }
        for (std::uint64_t e = 0; e < count; ++e)
        {
            const std::uint64_t before = Tokens.Values();
            if (member.Primitive != kPrimNone)
            {
                if (!ParseValue(tmpl, member, out, integers[i])) return false;
            }
            else if (!ParseMembers(member.Template, out))
            {
                return false;
            }
            // Every element takes input, so no size can spin without data.
            if (!member.Dims.empty() && Tokens.Values() == before)
            {
                return Fail("values in each element of " + tmpl.Name + "." + member.Name);
            }
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

// What a value of a primitive type is called in a reason.
const char* ValueName(EPrimitive primitive)
{
    switch (primitive)
    {
    case kPrimString: return "a string";
    case kPrimFloat:
    case kPrimDouble: return "a number";
    default: return "an integer of 32 bits at most";
    }
}

} // namespace

bool CParser::ParseValue(const STemplate& tmpl, const SMember& member, std::vector<std::uint8_t>& out,
                         std::uint64_t& integer)
{
    const EPrimitive primitive = member.Primitive;
    SkipSeparators();
    SToken t;
    Tokens.Take(t);
    if (Document->DataBytes + out.size() + t.Text.size() + 8 > kMaxDataBytes)
    {
        return FailTaken("at most 256 MiB of member data", t);
    }
    if (primitive == kPrimFloat || primitive == kPrimDouble)
    {
        // Integers of any size, and C's and Python's words for NaN and
        // infinity, as well as numbers with a fraction.
        double value;
        if (t.Kind == kTokFloat || t.Kind == kTokInteger)
            value = t.Float;
        else if (t.Kind == kTokName && NotANumberWord(t.Text, value))
            Tokens.TakeNameAsNumber();
        else
            return FailValue(tmpl, member, t);
        if (primitive == kPrimFloat)
        {
            const float f = ToFloat(value);
            Append(out, &f, 4);
        }
        else
        {
            Append(out, &value, 8);
        }
        return true;
    }
    if (primitive == kPrimString)
    {
        if (t.Kind != kTokString) return FailValue(tmpl, member, t);
        Append(out, t.Text.c_str(), t.Text.size() + 1);
        return true;
    }
    if (t.Kind != kTokInteger || !t.IntegerFits) return FailValue(tmpl, member, t);
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

bool CParser::FailValue(const STemplate& tmpl, const SMember& member, const SToken& found)
{
    return FailTaken(std::string(ValueName(member.Primitive)) + " for " + tmpl.Name + "." + member.Name, found);
}

} // namespace xfile_detail
} // namespace gen
