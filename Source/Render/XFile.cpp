#include "Render/XFile.h"

#include "Render/XFileTemplates.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
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

namespace xfile_detail
{

// Limits that keep hostile files from exhausting the stack, memory or time.
constexpr std::uint32_t kMaxTemplateDepth = 32;
constexpr std::uint32_t kMaxObjectDepth = 256;         // nesting, references included
constexpr std::uint64_t kMaxExpandedObjects = 1u << 18; // objects met walking every reference
// Bytes of member data met walking every reference: references may reuse an
// object, but not multiply the file's data beyond this.
constexpr std::uint64_t kExpandedDataBase = 32u << 20;
constexpr std::uint64_t kExpandedDataFactor = 16;
constexpr std::size_t kMaxInflatedSize = 256u << 20;
constexpr std::size_t kHeaderSize = 16;

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
std::string GuidKey(const SXGuid& g)
{
    std::string key(16, '\0');
    std::memcpy(&key[0], &g.Data1, 4);
    std::memcpy(&key[4], &g.Data2, 2);
    std::memcpy(&key[6], &g.Data3, 2);
    std::memcpy(&key[8], g.Data4, 8);
    return key;
}

struct STemplateSet
{
    std::vector<STemplate> Templates;
    std::unordered_map<std::string, std::uint32_t> ByName;
    std::unordered_map<std::string, std::uint32_t> ByGuid;

    bool FindGuid(const SXGuid& guid, std::uint32_t& index) const
    {
        const auto it = ByGuid.find(GuidKey(guid));
        if (it == ByGuid.end())
        {
            return false;
        }
        index = it->second;
        return true;
    }
};

struct SObject
{
    std::uint32_t Template = 0;
    SXGuid Type{};
    std::string Name;
    bool HasGuid = false;
    SXGuid Guid{};
    std::vector<std::uint8_t> Data;
    std::vector<std::uint32_t> Children; // object indices, references resolved
};

struct SDocument
{
    std::vector<SObject> Objects;
    std::vector<std::uint32_t> TopLevel;
};

namespace
{

// ---- tokens ---------------------------------------------------------------

enum ETokenKind : std::uint8_t
{
    kTokEnd,
    kTokError,
    kTokName,
    kTokString,
    kTokInteger,
    kTokFloat,
    kTokGuid,
    kTokOBrace,
    kTokCBrace,
    kTokOParen,
    kTokCParen,
    kTokOBracket,
    kTokCBracket,
    kTokOAngle,
    kTokCAngle,
    kTokDot,
    kTokComma,
    kTokSemicolon,
    kTokTemplate,
    kTokArray,
    kTokPrimitive,
};

struct SToken
{
    ETokenKind Kind = kTokEnd;
    std::string Text; // names, strings, keyword spelling
    std::uint32_t Integer = 0;
    double Float = 0;
    SXGuid Guid{};
    EPrimitive Primitive = kPrimNone;
};

struct SKeyword
{
    const char* Text;
    ETokenKind Kind;
    EPrimitive Primitive;
};

const SKeyword kKeywords[] = {
    {"template", kTokTemplate, kPrimNone}, {"array", kTokArray, kPrimNone},
    {"WORD", kTokPrimitive, kPrimWord},     {"DWORD", kTokPrimitive, kPrimDword},
    {"FLOAT", kTokPrimitive, kPrimFloat},   {"DOUBLE", kTokPrimitive, kPrimDouble},
    {"CHAR", kTokPrimitive, kPrimChar},     {"UCHAR", kTokPrimitive, kPrimUchar},
    {"BYTE", kTokPrimitive, kPrimUchar},    {"SWORD", kTokPrimitive, kPrimSword},
    {"SDWORD", kTokPrimitive, kPrimSdword}, {"STRING", kTokPrimitive, kPrimString},
    {"LPSTR", kTokPrimitive, kPrimString},  {"CSTRING", kTokPrimitive, kPrimString},
    {"UNICODE", kTokPrimitive, kPrimString},
};

bool EqualNoCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
    {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return i == a.size() && b[i] == 0;
}

bool IsNameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(unsigned char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

std::uint32_t ReadU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t ReadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// One token stream over a text or binary body; binary number lists are
// handed out one element at a time.
class CTokenizer
{
public:
    CTokenizer(const std::uint8_t* data, std::size_t size, bool binary, bool doubles)
        : Data(data), Size(size), Binary(binary), Doubles(doubles)
    {
    }

    const SToken& Peek()
    {
        if (!HasPeek)
        {
            Lex(Current);
            HasPeek = true;
        }
        return Current;
    }

    void Take(SToken& token)
    {
        Peek();
        Consumed();
        token = std::move(Current);
        HasPeek = false;
    }

    void Skip()
    {
        Peek();
        Consumed();
        HasPeek = false;
    }

    // Number of value tokens (numbers and strings) taken so far.
    std::uint64_t Values() const { return ValueCount; }

private:
    void Lex(SToken& t)
    {
        t.Text.clear();
        t.Primitive = kPrimNone;
        if (Binary)
        {
            LexBinary(t);
        }
        else
        {
            LexText(t);
        }
    }

    void Consumed()
    {
        if (Current.Kind == kTokInteger || Current.Kind == kTokFloat || Current.Kind == kTokString)
        {
            ++ValueCount;
        }
    }

    void LexText(SToken& t)
    {
        for (;;)
        {
            while (Pos < Size && (Data[Pos] == ' ' || Data[Pos] == '\t' || Data[Pos] == '\r' || Data[Pos] == '\n' ||
                                  Data[Pos] == '\0' || Data[Pos] == 0x1A || Data[Pos] == '\f' || Data[Pos] == '\v'))
            {
                ++Pos;
            }
            if (Pos < Size && (Data[Pos] == '#' || (Data[Pos] == '/' && Pos + 1 < Size && Data[Pos + 1] == '/')))
            {
                while (Pos < Size && Data[Pos] != '\n')
                {
                    ++Pos;
                }
                continue;
            }
            break;
        }
        if (Pos >= Size)
        {
            t.Kind = kTokEnd;
            return;
        }
        const unsigned char c = Data[Pos];
        switch (c)
        {
        case '{': ++Pos; t.Kind = kTokOBrace; return;
        case '}': ++Pos; t.Kind = kTokCBrace; return;
        case '(': ++Pos; t.Kind = kTokOParen; return;
        case ')': ++Pos; t.Kind = kTokCParen; return;
        case '[': ++Pos; t.Kind = kTokOBracket; return;
        case ']': ++Pos; t.Kind = kTokCBracket; return;
        case ',': ++Pos; t.Kind = kTokComma; return;
        case ';': ++Pos; t.Kind = kTokSemicolon; return;
        default: break;
        }
        if (c == '<')
        {
            std::size_t end = Pos + 1;
            while (end < Size && end - Pos < 64 && Data[end] != '>')
            {
                ++end;
            }
            if (end >= Size || Data[end] != '>' ||
                !ParseXGuid(reinterpret_cast<const char*>(Data + Pos), end - Pos + 1, t.Guid))
            {
                t.Kind = kTokError;
                return;
            }
            Pos = end + 1;
            t.Kind = kTokGuid;
            return;
        }
        if (c == '"')
        {
            std::size_t end = Pos + 1;
            while (end < Size && Data[end] != '"')
            {
                ++end;
            }
            if (end >= Size)
            {
                t.Kind = kTokError;
                return;
            }
            t.Text.assign(reinterpret_cast<const char*>(Data + Pos + 1), end - Pos - 1);
            Pos = end + 1;
            t.Kind = kTokString;
            return;
        }
        const bool numberStart = IsDigit(c) || ((c == '-' || c == '+' || c == '.') && Pos + 1 < Size &&
                                                (IsDigit(Data[Pos + 1]) || (Data[Pos + 1] == '.' && c != '.')));
        if (numberStart && LexNumber(t))
        {
            return;
        }
        if (c == '.')
        {
            ++Pos;
            t.Kind = kTokDot;
            return;
        }
        if (IsNameStart(c) || IsDigit(c))
        {
            const std::size_t start = Pos;
            while (Pos < Size && IsNameChar(Data[Pos]))
            {
                ++Pos;
            }
            t.Text.assign(reinterpret_cast<const char*>(Data + start), Pos - start);
            t.Kind = kTokName;
            for (const SKeyword& k : kKeywords)
            {
                if (EqualNoCase(t.Text, k.Text))
                {
                    t.Kind = k.Kind;
                    t.Primitive = k.Primitive;
                    break;
                }
            }
            return;
        }
        t.Kind = kTokError;
    }

    // A number, unless the characters run on into a name ("1stFloor").
    bool LexNumber(SToken& t)
    {
        std::size_t p = Pos;
        bool isFloat = false;
        if (Data[p] == '-' || Data[p] == '+') ++p;
        while (p < Size && IsDigit(Data[p])) ++p;
        if (p < Size && Data[p] == '.')
        {
            isFloat = true;
            ++p;
            while (p < Size && IsDigit(Data[p])) ++p;
        }
        if (p < Size && (Data[p] == 'e' || Data[p] == 'E'))
        {
            std::size_t q = p + 1;
            if (q < Size && (Data[q] == '+' || Data[q] == '-')) ++q;
            if (q < Size && IsDigit(Data[q]))
            {
                isFloat = true;
                p = q;
                while (p < Size && IsDigit(Data[p])) ++p;
            }
        }
        if (p < Size && IsNameChar(Data[p]) && Data[p] != '-')
        {
            if (!IsDigit(Data[Pos]))
            {
                t.Kind = kTokError;
                Pos = Size;
                return true;
            }
            return false; // a name beginning with digits
        }
        const char* first = reinterpret_cast<const char*>(Data + Pos);
        const char* last = reinterpret_cast<const char*>(Data + p);
        if (*first == '+') ++first;
        Pos = p;
        if (isFloat)
        {
            double value = 0;
            const auto r = std::from_chars(first, last, value);
            if (r.ec != std::errc() || r.ptr != last)
            {
                t.Kind = kTokError;
                return true;
            }
            t.Float = value;
            t.Kind = kTokFloat;
            return true;
        }
        long long value = 0;
        const auto r = std::from_chars(first, last, value);
        if (r.ec != std::errc() || r.ptr != last || value < -2147483648LL || value > 4294967295LL)
        {
            t.Kind = kTokError;
            return true;
        }
        t.Integer = static_cast<std::uint32_t>(value);
        t.Kind = kTokInteger;
        return true;
    }

    bool Need(std::size_t n) const { return Size - Pos >= n; }

    void LexBinary(SToken& t)
    {
        // A list header yields no token itself: the loop goes on to its
        // first element, or past an empty list.
        while (!LexBinaryStep(t))
        {
        }
    }

    // False when a list header was read and lexing must go on.
    bool LexBinaryStep(SToken& t)
    {
        if (ListLeft > 0)
        {
            --ListLeft;
            if (ListFloats)
            {
                if (Doubles)
                {
                    double d;
                    std::memcpy(&d, Data + Pos, 8);
                    Pos += 8;
                    t.Float = d;
                }
                else
                {
                    float f;
                    std::memcpy(&f, Data + Pos, 4);
                    Pos += 4;
                    t.Float = f;
                }
                t.Kind = kTokFloat;
            }
            else
            {
                t.Integer = ReadU32(Data + Pos);
                Pos += 4;
                t.Kind = kTokInteger;
            }
            return true;
        }
        if (Pos >= Size)
        {
            t.Kind = kTokEnd;
            return true;
        }
        if (!Need(2))
        {
            t.Kind = kTokError;
            return true;
        }
        const std::uint16_t code = ReadU16(Data + Pos);
        Pos += 2;
        t.Kind = kTokError;
        switch (code)
        {
        case 1: // name
        case 2: // string
        {
            if (!Need(4)) return true;
            const std::uint32_t n = ReadU32(Data + Pos);
            Pos += 4;
            if (!Need(n)) return true;
            t.Text.assign(reinterpret_cast<const char*>(Data + Pos), n);
            Pos += n;
            if (code == 2)
            {
                // A comma or semicolon token ends the string; writers store it
                // as a WORD or as a DWORD (token 0 does not exist, so a zero
                // WORD after it can only be the DWORD's high half).
                if (Need(2) && (ReadU16(Data + Pos) == 19 || ReadU16(Data + Pos) == 20))
                {
                    Pos += 2;
                    if (Need(2) && ReadU16(Data + Pos) == 0)
                    {
                        Pos += 2;
                    }
                }
                t.Kind = kTokString;
                return true;
            }
            t.Kind = kTokName;
            return true;
        }
        case 3:
            if (!Need(4)) return true;
            t.Integer = ReadU32(Data + Pos);
            Pos += 4;
            t.Kind = kTokInteger;
            return true;
        case 5:
            if (!Need(16)) return true;
            t.Guid.Data1 = ReadU32(Data + Pos);
            t.Guid.Data2 = ReadU16(Data + Pos + 4);
            t.Guid.Data3 = ReadU16(Data + Pos + 6);
            std::memcpy(t.Guid.Data4, Data + Pos + 8, 8);
            Pos += 16;
            t.Kind = kTokGuid;
            return true;
        case 6:
        case 7:
        {
            if (!Need(4)) return true;
            const std::uint32_t n = ReadU32(Data + Pos);
            Pos += 4;
            const std::size_t element = code == 7 && Doubles ? 8 : 4;
            if (static_cast<std::uint64_t>(n) * element > Size - Pos) return true;
            ListLeft = n;
            ListFloats = code == 7;
            return false;
        }
        case 10: t.Kind = kTokOBrace; return true;
        case 11: t.Kind = kTokCBrace; return true;
        case 12: t.Kind = kTokOParen; return true;
        case 13: t.Kind = kTokCParen; return true;
        case 14: t.Kind = kTokOBracket; return true;
        case 15: t.Kind = kTokCBracket; return true;
        case 16: t.Kind = kTokOAngle; return true;
        case 17: t.Kind = kTokCAngle; return true;
        case 18: t.Kind = kTokDot; return true;
        case 19: t.Kind = kTokComma; return true;
        case 20: t.Kind = kTokSemicolon; return true;
        case 31: t.Kind = kTokTemplate; t.Text = "template"; return true;
        case 52: t.Kind = kTokArray; t.Text = "array"; return true;
        default: break;
        }
        if (code >= 40 && code <= 51)
        {
            static const EPrimitive kBinaryPrimitives[] = {
                kPrimWord,  kPrimDword,  kPrimFloat, kPrimDouble, kPrimChar,   kPrimUchar,
                kPrimSword, kPrimSdword, kPrimNone,  kPrimString, kPrimString, kPrimString};
            static const char* const kBinaryNames[] = {"WORD",  "DWORD",  "FLOAT", "DOUBLE",  "CHAR",    "UCHAR",
                                                       "SWORD", "SDWORD", "VOID",  "LPSTR", "UNICODE", "CSTRING"};
            t.Primitive = kBinaryPrimitives[code - 40];
            t.Text = kBinaryNames[code - 40];
            t.Kind = t.Primitive == kPrimNone ? kTokError : kTokPrimitive;
        }
        return true;
    }

    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos = 0;
    bool Binary;
    bool Doubles;
    std::uint32_t ListLeft = 0;
    bool ListFloats = false;
    bool HasPeek = false;
    SToken Current;
    std::uint64_t ValueCount = 0;
};

// ---- parser ---------------------------------------------------------------

struct SPendingReference
{
    std::uint32_t Object;
    std::size_t Slot;
    std::string Name;
    bool HasGuid;
    SXGuid Guid;
};

class CParser
{
public:
    CParser(CTokenizer& tokens, STemplateSet& templates, SDocument* document, std::size_t inputSize)
        : Tokens(tokens), Templates(templates), Document(document),
          MaxExpandedData(kExpandedDataBase + kExpandedDataFactor * static_cast<std::uint64_t>(inputSize))
    {
    }

    bool ParseBody()
    {
        for (;;)
        {
            const SToken& t = Tokens.Peek();
            switch (t.Kind)
            {
            case kTokEnd:
                return !Document || Finish();
            case kTokTemplate:
                if (!ParseTemplate()) return false;
                break;
            case kTokComma:
            case kTokSemicolon:
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

private:
    static bool IsNameLike(const SToken& t)
    {
        return t.Kind == kTokName || t.Kind == kTokPrimitive || t.Kind == kTokArray;
    }

    void SkipSeparators()
    {
        while (Tokens.Peek().Kind == kTokComma || Tokens.Peek().Kind == kTokSemicolon)
        {
            Tokens.Skip();
        }
    }

    bool Expect(ETokenKind kind)
    {
        if (Tokens.Peek().Kind != kind) return false;
        Tokens.Skip();
        return true;
    }

    // A GUID, in binary files possibly wrapped in angle tokens.
    bool TakeOptionalGuid(bool& has, SXGuid& guid)
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

    bool ParseTemplate()
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
            // Files often repeat the standard definitions: the one already
            // known stays in force; the name is made to refer to it.
            Templates.ByName[tmpl.Name] = existing;
            return true;
        }
        const auto index = static_cast<std::uint32_t>(Templates.Templates.size());
        Templates.ByName[tmpl.Name] = index;
        Templates.ByGuid[GuidKey(tmpl.Guid)] = index;
        Templates.Templates.push_back(std::move(tmpl));
        return true;
    }

    bool ParseMember(STemplate& tmpl)
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
            const auto found = Templates.ByName.find(type.Text);
            if (found == Templates.ByName.end()) return false; // members use templates defined before
            member.Template = found->second;
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
            Tokens.Skip();
            SToken size;
            Tokens.Take(size);
            SDimension dim{false, 0};
            if (size.Kind == kTokInteger)
            {
                dim.Value = size.Integer;
            }
            else if (IsNameLike(size))
            {
                // The size comes from an earlier integer member of this
                // template (the latest of that name).
                const auto found = MemberIndex.find(size.Text);
                if (found == MemberIndex.end()) return false;
                const SMember& m = tmpl.Members[found->second];
                const bool integer = m.Primitive == kPrimWord || m.Primitive == kPrimDword ||
                                     m.Primitive == kPrimSword || m.Primitive == kPrimSdword ||
                                     m.Primitive == kPrimChar || m.Primitive == kPrimUchar;
                if (!integer || !m.Dims.empty()) return false;
                dim = {true, found->second};
            }
            else
            {
                return false;
            }
            if (!Expect(kTokCBracket)) return false;
            member.Dims.push_back(dim);
        }
        if (isArray && member.Dims.empty()) return false;
        if (!member.Name.empty())
        {
            MemberIndex[member.Name] = static_cast<std::uint32_t>(tmpl.Members.size());
        }
        tmpl.Members.push_back(std::move(member));
        return true;
    }

    bool ParseRestriction(STemplate& tmpl)
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

    bool ParseDataObject(std::uint32_t depth, std::uint32_t& index)
    {
        if (depth >= kMaxObjectDepth) return false;
        SToken type;
        Tokens.Take(type);
        const auto found = Templates.ByName.find(type.Text);
        if (type.Kind != kTokName || found == Templates.ByName.end()) return false;
        const std::uint32_t tmplIndex = found->second;

        index = static_cast<std::uint32_t>(Document->Objects.size());
        Document->Objects.emplace_back();
        {
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
            if (!object.HasGuid && !TakeOptionalGuid(object.HasGuid, object.Guid)) return false;
        }

        std::vector<std::uint8_t> data;
        if (!ParseMembers(tmplIndex, data)) return false;
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
                Tokens.Skip();
                SPendingReference ref{index, Document->Objects[index].Children.size(), std::string(), false, SXGuid{}};
                if (IsNameLike(Tokens.Peek()))
                {
                    SToken name;
                    Tokens.Take(name);
                    ref.Name = std::move(name.Text);
                }
                if (!TakeOptionalGuid(ref.HasGuid, ref.Guid) || !Expect(kTokCBrace)) return false;
                if (ref.Name.empty() && !ref.HasGuid) return false;
                Document->Objects[index].Children.push_back(0);
                References.push_back(std::move(ref));
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

    static void Append(std::vector<std::uint8_t>& out, const void* bytes, std::size_t n)
    {
        const auto* p = static_cast<const std::uint8_t*>(bytes);
        out.insert(out.end(), p, p + n);
    }

    bool ParseValue(EPrimitive primitive, std::vector<std::uint8_t>& out, std::uint64_t& integer)
    {
        SkipSeparators();
        SToken t;
        Tokens.Take(t);
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
        std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        switch (primitive)
        {
        case kPrimWord:
        case kPrimSword:
            Append(out, bytes, 2);
            integer = primitive == kPrimWord ? (v & 0xFFFFu) : static_cast<std::uint64_t>(v & 0xFFFFu);
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

    bool ParseMembers(std::uint32_t tmplIndex, std::vector<std::uint8_t>& out)
    {
        const STemplate& tmpl = Templates.Templates[tmplIndex];
        std::vector<std::uint64_t> integers(tmpl.Members.size(), 0);
        for (std::size_t i = 0; i < tmpl.Members.size(); ++i)
        {
            const SMember& member = tmpl.Members[i];
            std::uint64_t count = 1;
            for (const SDimension& dim : member.Dims)
            {
                const std::uint64_t n = dim.FromMember ? integers[dim.Value] : dim.Value;
                count *= n;
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
                if (member.Dims.size() > 0 && Tokens.Values() == before) return false;
            }
        }
        return true;
    }

    bool ResolveReferences()
    {
        std::unordered_map<std::string, std::uint32_t> byName;
        std::unordered_map<std::string, std::uint32_t> byGuid;
        for (std::uint32_t i = 0; i < Document->Objects.size(); ++i)
        {
            const SObject& o = Document->Objects[i];
            if (!o.Name.empty())
            {
                byName.emplace(o.Name, i); // the first of a name wins
            }
            if (o.HasGuid)
            {
                byGuid.emplace(GuidKey(o.Guid), i);
            }
        }
        for (const SPendingReference& ref : References)
        {
            std::uint32_t target = 0;
            bool found = false;
            if (ref.HasGuid)
            {
                const auto it = byGuid.find(GuidKey(ref.Guid));
                if (it != byGuid.end())
                {
                    target = it->second;
                    found = true;
                }
            }
            if (!found && !ref.Name.empty())
            {
                const auto it = byName.find(ref.Name);
                if (it != byName.end())
                {
                    target = it->second;
                    found = true;
                }
            }
            if (!found) return false;
            Document->Objects[ref.Object].Children[ref.Slot] = target;
        }
        return true;
    }

    bool CheckRestrictions() const
    {
        // Per restricted template: the GUIDs and names its children may have.
        struct SAllowedSet
        {
            bool Built = false;
            std::unordered_set<std::string> Guids;
            std::unordered_set<std::string> Names;
        };
        std::vector<SAllowedSet> allowed(Templates.Templates.size());
        for (const SObject& o : Document->Objects)
        {
            const STemplate& tmpl = Templates.Templates[o.Template];
            if (tmpl.Restriction == kOpen) continue;
            if (tmpl.Restriction == kClosed)
            {
                if (!o.Children.empty()) return false;
                continue;
            }
            SAllowedSet& set = allowed[o.Template];
            if (!set.Built)
            {
                for (const SAllowed& a : tmpl.Allowed)
                {
                    if (a.HasGuid) set.Guids.insert(GuidKey(a.Guid));
                    else set.Names.insert(a.Name);
                }
                set.Built = true;
            }
            for (std::uint32_t child : o.Children)
            {
                const SObject& c = Document->Objects[child];
                if (set.Guids.count(GuidKey(c.Type)) == 0 && set.Names.count(Templates.Templates[c.Template].Name) == 0)
                {
                    return false;
                }
            }
        }
        return true;
    }

    // Refuses reference cycles and graphs too deep or too large to walk.
    bool CheckGraph() const
    {
        const std::size_t n = Document->Objects.size();
        std::vector<std::uint8_t> state(n, 0); // 0 new, 1 on the path, 2 done
        std::vector<std::uint64_t> expanded(n, 0);
        std::vector<std::uint64_t> bytes(n, 0);
        std::vector<std::uint32_t> height(n, 0);
        struct SFrame
        {
            std::uint32_t Object;
            std::size_t Next;
        };
        std::vector<SFrame> stack;
        std::uint64_t total = 0;
        std::uint64_t totalBytes = 0;
        for (std::uint32_t root = 0; root < n; ++root)
        {
            if (state[root] != 0) continue;
            state[root] = 1;
            stack.push_back({root, 0});
            while (!stack.empty())
            {
                SFrame& top = stack.back();
                const SObject& o = Document->Objects[top.Object];
                if (top.Next < o.Children.size())
                {
                    const std::uint32_t c = o.Children[top.Next++];
                    if (state[c] == 1) return false;
                    if (state[c] == 0)
                    {
                        state[c] = 1;
                        stack.push_back({c, 0});
                    }
                    continue;
                }
                std::uint64_t e = 1;
                std::uint64_t b = o.Data.size();
                std::uint32_t h = 1;
                for (std::uint32_t c : o.Children)
                {
                    e += expanded[c];
                    b += bytes[c];
                    if (e > kMaxExpandedObjects || b > MaxExpandedData) return false;
                    if (height[c] + 1 > h) h = height[c] + 1;
                }
                if (h > kMaxObjectDepth) return false;
                expanded[top.Object] = e;
                bytes[top.Object] = b;
                height[top.Object] = h;
                state[top.Object] = 2;
                stack.pop_back();
            }
        }
        for (std::uint32_t top : Document->TopLevel)
        {
            total += expanded[top];
            totalBytes += bytes[top];
            if (total > kMaxExpandedObjects || totalBytes > MaxExpandedData) return false;
        }
        return true;
    }

    bool Finish() { return ResolveReferences() && CheckRestrictions() && CheckGraph(); }

    CTokenizer& Tokens;
    STemplateSet& Templates;
    SDocument* Document;
    std::uint64_t MaxExpandedData;
    std::vector<SPendingReference> References;
    std::unordered_map<std::string, std::uint32_t> MemberIndex; // of the template being defined
};

// ---- file image -----------------------------------------------------------

struct SHeader
{
    bool Binary;
    bool Compressed;
    bool Doubles;
};

XResult ReadHeader(const std::uint8_t* data, std::size_t size, SHeader& header)
{
    if (size < 4 || std::memcmp(data, "xof ", 4) != 0)
    {
        return kXErrBadFileType;
    }
    if (size < kHeaderSize)
    {
        return kXErrBadFile;
    }
    if (std::memcmp(data + 4, "03", 2) != 0 ||
        (std::memcmp(data + 6, "02", 2) != 0 && std::memcmp(data + 6, "03", 2) != 0))
    {
        return kXErrBadFileVersion;
    }
    const char* format = reinterpret_cast<const char*>(data + 8);
    if (std::memcmp(format, "txt ", 4) == 0) header = {false, false, false};
    else if (std::memcmp(format, "bin ", 4) == 0) header = {true, false, false};
    else if (std::memcmp(format, "tzip", 4) == 0) header = {false, true, false};
    else if (std::memcmp(format, "bzip", 4) == 0) header = {true, true, false};
    else return kXErrBadFileType;
    if (std::memcmp(data + 12, "0064", 4) == 0) header.Doubles = true;
    else if (std::memcmp(data + 12, "0032", 4) != 0) return kXErrBadFileFloatSize;
    return kXOK;
}

// MSZIP: a DWORD with the inflated file size, then blocks of
// WORD inflated size, WORD stored size, "CK" and a deflate stream that may
// refer back into the previous 32 KiB of output.
XResult Inflate(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out)
{
    if (size < 4) return kXErrParseError;
    const std::uint32_t declared = ReadU32(data);
    std::size_t pos = 4;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return kXErrOutOfMemory;
    XResult result = kXOK;
    while (pos < size)
    {
        if (size - pos < 4)
        {
            result = kXErrParseError;
            break;
        }
        const std::uint16_t inflated = ReadU16(data + pos);
        const std::uint16_t stored = ReadU16(data + pos + 2);
        pos += 4;
        if (stored < 2 || size - pos < stored || data[pos] != 'C' || data[pos + 1] != 'K' ||
            out.size() + inflated > kMaxInflatedSize)
        {
            result = kXErrParseError;
            break;
        }
        const std::size_t start = out.size();
        out.resize(start + inflated);
        inflateReset(&z);
        if (start > 0)
        {
            const std::size_t window = start < 32768 ? start : 32768;
            inflateSetDictionary(&z, out.data() + start - window, static_cast<uInt>(window));
        }
        z.next_in = const_cast<Bytef*>(data + pos + 2);
        z.avail_in = stored - 2u;
        z.next_out = out.data() + start;
        z.avail_out = inflated;
        const int rc = inflate(&z, Z_FINISH);
        if (rc != Z_STREAM_END || z.avail_out != 0)
        {
            result = kXErrParseError;
            break;
        }
        pos += stored;
    }
    inflateEnd(&z);
    if (result == kXOK && declared != out.size() + kHeaderSize && declared != out.size())
    {
        result = kXErrParseError;
    }
    return result;
}

XResult Parse(const std::uint8_t* data, std::size_t size, STemplateSet& templates, SDocument* document)
{
    SHeader header;
    const XResult rc = ReadHeader(data, size, header);
    if (rc != kXOK) return rc;
    std::vector<std::uint8_t> inflated;
    const std::uint8_t* body = data + kHeaderSize;
    std::size_t bodySize = size - kHeaderSize;
    if (header.Compressed)
    {
        const XResult zrc = Inflate(body, bodySize, inflated);
        if (zrc != kXOK) return zrc;
        body = inflated.data();
        bodySize = inflated.size();
    }
    CTokenizer tokens(body, bodySize, header.Binary, header.Doubles);
    CParser parser(tokens, templates, document, bodySize);
    return parser.ParseBody() ? kXOK : kXErrParseError;
}

} // namespace
} // namespace xfile_detail

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
        if (Parse(reinterpret_cast<const std::uint8_t*>(kXStandardTemplates), std::strlen(kXStandardTemplates),
                  *parsed, nullptr) != kXOK)
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
    if (!data || size == 0) return kXErrBadValue;
    try
    {
        // Parse into a copy so a failing text leaves the set unchanged.
        STemplateSet copy = *Templates;
        const XResult rc = Parse(static_cast<const std::uint8_t*>(data), size, copy, nullptr);
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
    if (!enumerator || !source) return kXErrBadValue;
    *enumerator = nullptr;
    try
    {
        std::vector<std::uint8_t> image;
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        if (loadOptions == kXLoadFromFile)
        {
            std::FILE* f = std::fopen(static_cast<const char*>(source), "rb");
            if (!f) return kXErrFileNotFound;
            std::uint8_t buffer[65536];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            {
                image.insert(image.end(), buffer, buffer + n);
            }
            const bool failed = std::ferror(f) != 0;
            std::fclose(f);
            if (failed) return kXErrBadFile;
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
        if (!data) return kXErrBadFileType;

        // Templates defined by the file are its own; the file object's set stays.
        STemplateSet templates = *Templates;
        auto document = std::make_shared<SDocument>();
        const XResult rc = Parse(data, size, templates, document.get());
        if (rc != kXOK) return rc;
        *enumerator = new CXFileEnumObject(std::move(document));
        return kXOK;
    }
    catch (const std::bad_alloc&)
    {
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
    try
    {
        *child = new CXFileData(Document, Document->TopLevel[index]);
        return kXOK;
    }
    catch (const std::bad_alloc&)
    {
        return kXErrOutOfMemory;
    }
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
    try
    {
        *child = new CXFileData(Document, o.Children[index]);
        return kXOK;
    }
    catch (const std::bad_alloc&)
    {
        return kXErrOutOfMemory;
    }
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
