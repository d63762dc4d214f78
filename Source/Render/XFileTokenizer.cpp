#include "Render/XFileTokenizer.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace gen
{
namespace xfile_detail
{

std::uint32_t ReadU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t ReadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

namespace
{

// A plain decimal number (digits, one point, an exponent) as double.
bool ParseDecimal(const char* first, const char* last, double& value)
{
#if defined(__cpp_lib_to_chars)
    const auto r = std::from_chars(first, last, value);
    return r.ec == std::errc() && r.ptr == last;
#else
    // Standard libraries without floating-point from_chars (emscripten's
    // libc++): strtod on a terminated copy; the program keeps the C locale.
    const std::string text(first, last);
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && errno != ERANGE;
#endif
}

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

// Binary primitive tokens, from kBinFirstPrimitive on.
const EPrimitive kBinaryPrimitives[] = {kPrimWord,  kPrimDword,  kPrimFloat, kPrimDouble, kPrimChar,   kPrimUchar,
                                        kPrimSword, kPrimSdword, kPrimNone,  kPrimString, kPrimString, kPrimString};
const char* const kBinaryPrimitiveNames[] = {"WORD",  "DWORD",  "FLOAT", "DOUBLE", "CHAR",    "UCHAR",
                                             "SWORD", "SDWORD", "VOID",  "LPSTR",  "UNICODE", "CSTRING"};

// Punctuation shared by both formats: text character, binary code, token.
struct SPunctuation
{
    char Text;
    EBinaryToken Code;
    ETokenKind Kind;
};

const SPunctuation kPunctuation[] = {
    {'{', kBinOBrace, kTokOBrace},       {'}', kBinCBrace, kTokCBrace},     {'(', kBinOParen, kTokOParen},
    {')', kBinCParen, kTokCParen},       {'[', kBinOBracket, kTokOBracket}, {']', kBinCBracket, kTokCBracket},
    {'\0', kBinOAngle, kTokOAngle},      {'\0', kBinCAngle, kTokCAngle},    {'\0', kBinDot, kTokDot},
    {',', kBinComma, kTokComma},         {';', kBinSemicolon, kTokSemicolon},
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

// Bytes from 0x80 on belong to names written by non-English tools (UTF-8,
// Shift-JIS, Latin-1).
bool IsNameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

bool IsNameChar(unsigned char c)
{
    return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.';
}

// Bytes of one name character at p: a UTF-8 sequence when the bytes form
// one; else a Shift-JIS lead byte with its trail byte, which may be ASCII
// such as '[' or '{' ("\x81\x5B" is the long vowel mark); else one byte
// (Latin-1 and ASCII). 0 at a byte that ends the name.
std::size_t NameCharLength(const std::uint8_t* p, std::size_t left)
{
    const unsigned char c = p[0];
    if (c < 0x80)
    {
        return IsNameChar(c) ? 1 : 0;
    }
    const auto continuation = [&](std::size_t i, unsigned char low, unsigned char high) {
        return i < left && p[i] >= low && p[i] <= high;
    };
    if (c >= 0xC2 && c <= 0xDF && continuation(1, 0x80, 0xBF)) return 2;
    if (c >= 0xE0 && c <= 0xEF && continuation(1, c == 0xE0 ? 0xA0 : 0x80, c == 0xED ? 0x9F : 0xBF) &&
        continuation(2, 0x80, 0xBF))
    {
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4 && continuation(1, c == 0xF0 ? 0x90 : 0x80, c == 0xF4 ? 0x8F : 0xBF) &&
        continuation(2, 0x80, 0xBF) && continuation(3, 0x80, 0xBF))
    {
        return 4;
    }
    const bool shiftJisLead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (shiftJisLead && left >= 2 && p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F) return 2;
    return 1;
}

bool IsSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == 0x1A || c == '\f' || c == '\v';
}

// CR, LF and CRLF all end a line.
bool IsLineEnd(unsigned char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

const SToken& CTokenizer::Peek()
{
    if (!HasPeek)
    {
        Lex(Current);
        HasPeek = true;
    }
    return Current;
}

void CTokenizer::Take(SToken& token)
{
    Peek();
    Consumed();
    token = std::move(Current);
    HasPeek = false;
}

void CTokenizer::Skip()
{
    Peek();
    Consumed();
    HasPeek = false;
}

void CTokenizer::Lex(SToken& t)
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

void CTokenizer::Consumed()
{
    if (Current.Kind == kTokInteger || Current.Kind == kTokFloat || Current.Kind == kTokString)
    {
        ++ValueCount;
    }
}

// ---- text -------------------------------------------------------------------

void CTokenizer::SkipSpaceAndComments()
{
    for (;;)
    {
        while (Pos < Size && IsSpace(Data[Pos]))
        {
            ++Pos;
        }
        const bool comment =
            Pos < Size && (Data[Pos] == '#' || (Data[Pos] == '/' && Pos + 1 < Size && Data[Pos + 1] == '/'));
        if (!comment)
        {
            return;
        }
        while (Pos < Size && !IsLineEnd(Data[Pos]))
        {
            ++Pos;
        }
    }
}

void CTokenizer::LexText(SToken& t)
{
    SkipSpaceAndComments();
    if (Pos >= Size)
    {
        t.Kind = kTokEnd;
        return;
    }
    const unsigned char c = Data[Pos];
    for (const SPunctuation& p : kPunctuation)
    {
        if (p.Text != '\0' && p.Text == static_cast<char>(c))
        {
            ++Pos;
            t.Kind = p.Kind;
            return;
        }
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
        const void* end = std::memchr(Data + Pos + 1, '"', Size - Pos - 1);
        if (!end)
        {
            t.Kind = kTokError;
            return;
        }
        const auto* close = static_cast<const std::uint8_t*>(end);
        t.Text.assign(reinterpret_cast<const char*>(Data + Pos + 1), static_cast<std::size_t>(close - Data) - Pos - 1);
        Pos = static_cast<std::size_t>(close - Data) + 1;
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
        LexName(t);
        return;
    }
    t.Kind = kTokError;
}

void CTokenizer::LexName(SToken& t)
{
    const std::size_t start = Pos;
    while (Pos < Size)
    {
        const std::size_t n = NameCharLength(Data + Pos, Size - Pos);
        if (n == 0) break;
        Pos += n;
    }
    t.Text.assign(reinterpret_cast<const char*>(Data + start), Pos - start);
    t.Kind = kTokName;
    for (const SKeyword& k : kKeywords)
    {
        if (EqualNoCase(t.Text, k.Text))
        {
            t.Kind = k.Kind;
            t.Primitive = k.Primitive;
            return;
        }
    }
}

// A number, unless its characters run on into a name ("1stFloor",
// "01-Default"): then false, and the caller reads a name. Digits alone stay
// a number.
bool CTokenizer::LexNumber(SToken& t)
{
    std::size_t p = Pos;
    bool isFloat = false;
    if (Data[p] == '-' || Data[p] == '+') ++p;
    while (p < Size && IsDigit(Data[p])) ++p;
    if (p < Size && Data[p] == '.')
    {
        isFloat = true;
        ++p;
        if (LexNotANumber(p, t))
        {
            Pos = p;
            return true;
        }
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
    if (p < Size && IsNameChar(Data[p]))
    {
        if (!IsDigit(Data[Pos]))
        {
            t.Kind = kTokError;
            Pos = Size;
            return true;
        }
        return false;
    }
    const char* first = reinterpret_cast<const char*>(Data + Pos);
    const char* last = reinterpret_cast<const char*>(Data + p);
    if (*first == '+') ++first;
    Pos = p;
    if (isFloat)
    {
        double value = 0;
        if (!ParseDecimal(first, last, value))
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

// How MSVC's printf spells NaN and infinity: "1.#QNAN0", "-1.#IND00",
// "1.#INF00", "1.#SNAN0". p is just past the "1."; on a match it moves past
// the whole word and its digits.
bool CTokenizer::LexNotANumber(std::size_t& p, SToken& t) const
{
    const std::size_t sign = Data[Pos] == '-' || Data[Pos] == '+' ? 1 : 0;
    if (p >= Size || Data[p] != '#' || p != Pos + sign + 2 || Data[Pos + sign] != '1')
    {
        return false;
    }
    static const struct
    {
        const char* Word;
        bool Infinite;
    } kWords[] = {{"QNAN", false}, {"SNAN", false}, {"IND", false}, {"INF", true}};
    for (const auto& w : kWords)
    {
        const std::size_t n = std::strlen(w.Word);
        if (Size - p - 1 < n || std::memcmp(Data + p + 1, w.Word, n) != 0)
        {
            continue;
        }
        std::size_t end = p + 1 + n;
        while (end < Size && IsDigit(Data[end])) ++end;
        if (end < Size && IsNameChar(Data[end]))
        {
            return false;
        }
        const double magnitude = w.Infinite ? std::numeric_limits<double>::infinity()
                                            : std::numeric_limits<double>::quiet_NaN();
        t.Float = Data[Pos] == '-' ? -magnitude : magnitude;
        t.Kind = kTokFloat;
        p = end;
        return true;
    }
    return false;
}

// ---- binary -----------------------------------------------------------------

void CTokenizer::LexBinary(SToken& t)
{
    // A list header yields no token itself: the loop goes on to its first
    // element, or past an empty list.
    while (!LexBinaryStep(t))
    {
    }
}

void CTokenizer::LexListElement(SToken& t)
{
    --ListLeft;
    if (!ListFloats)
    {
        t.Integer = ReadU32(Data + Pos);
        Pos += 4;
        t.Kind = kTokInteger;
        return;
    }
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

// False when a list header was read and lexing must go on.
bool CTokenizer::LexBinaryStep(SToken& t)
{
    if (ListLeft > 0)
    {
        LexListElement(t);
        return true;
    }
    if (Pos >= Size)
    {
        t.Kind = kTokEnd;
        return true;
    }
    t.Kind = kTokError;
    if (!Need(2))
    {
        return true;
    }
    const std::uint16_t code = ReadU16(Data + Pos);
    Pos += 2;
    switch (code)
    {
    case kBinName:
    case kBinString:
    {
        if (!Need(4)) return true;
        const std::uint32_t n = ReadU32(Data + Pos);
        Pos += 4;
        if (!Need(n)) return true;
        t.Text.assign(reinterpret_cast<const char*>(Data + Pos), n);
        Pos += n;
        if (code == kBinName)
        {
            t.Kind = kTokName;
            return true;
        }
        // A comma or semicolon token ends the string; writers store it as a
        // WORD or as a DWORD (no token has code 0, so a zero WORD after it
        // can only be the DWORD's high half).
        if (Need(2) && (ReadU16(Data + Pos) == kBinComma || ReadU16(Data + Pos) == kBinSemicolon))
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
    case kBinInteger:
        if (!Need(4)) return true;
        t.Integer = ReadU32(Data + Pos);
        Pos += 4;
        t.Kind = kTokInteger;
        return true;
    case kBinGuid:
        if (!Need(16)) return true;
        t.Guid.Data1 = ReadU32(Data + Pos);
        t.Guid.Data2 = ReadU16(Data + Pos + 4);
        t.Guid.Data3 = ReadU16(Data + Pos + 6);
        std::memcpy(t.Guid.Data4, Data + Pos + 8, 8);
        Pos += 16;
        t.Kind = kTokGuid;
        return true;
    case kBinIntegerList:
    case kBinFloatList:
    {
        if (!Need(4)) return true;
        const std::uint32_t n = ReadU32(Data + Pos);
        Pos += 4;
        const std::size_t element = code == kBinFloatList && Doubles ? 8 : 4;
        if (static_cast<std::uint64_t>(n) * element > Size - Pos) return true;
        ListLeft = n;
        ListFloats = code == kBinFloatList;
        return false;
    }
    case kBinTemplate:
        t.Kind = kTokTemplate;
        t.Text = "template";
        return true;
    case kBinArray:
        t.Kind = kTokArray;
        t.Text = "array";
        return true;
    default:
        break;
    }
    for (const SPunctuation& p : kPunctuation)
    {
        if (p.Code == code)
        {
            t.Kind = p.Kind;
            return true;
        }
    }
    if (code >= kBinFirstPrimitive && code <= kBinLastPrimitive)
    {
        t.Primitive = kBinaryPrimitives[code - kBinFirstPrimitive];
        t.Text = kBinaryPrimitiveNames[code - kBinFirstPrimitive];
        t.Kind = t.Primitive == kPrimNone ? kTokError : kTokPrimitive;
    }
    return true;
}

} // namespace xfile_detail
} // namespace gen
