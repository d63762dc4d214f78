#include "XFile/XFileTokenizer.h"

#include <algorithm>
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

// A plain decimal number (digits, one point, an exponent) as double, as
// std::from_chars reads it.
std::from_chars_result ParseDecimal(const char* first, const char* last, double& value)
{
#if defined(__cpp_lib_to_chars)
    return std::from_chars(first, last, value);
#else
    // Standard libraries without floating-point from_chars (emscripten's
    // libc++): strtod on a terminated copy; the program keeps the C locale.
    const std::string text(first, last);
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    const std::from_chars_result r{first + (end - text.c_str()), end == text.c_str() ? std::errc::invalid_argument
                                                               : errno == ERANGE     ? std::errc::result_out_of_range
                                                                                     : std::errc()};
    if (r.ec == std::errc())
    {
        value = parsed;
    }
    return r;
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

bool NotANumberWord(const std::string& word, double& value)
{
    const bool negative = !word.empty() && word[0] == '-';
    const std::string bare = word.substr(!word.empty() && (word[0] == '-' || word[0] == '+') ? 1 : 0);
    double magnitude;
    if (EqualNoCase(bare, "nan"))
    {
        magnitude = std::numeric_limits<double>::quiet_NaN();
    }
    else if (EqualNoCase(bare, "inf") || EqualNoCase(bare, "infinity"))
    {
        magnitude = std::numeric_limits<double>::infinity();
    }
    else
    {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

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
    TakenStart = PeekStart;
    TakenLine = PeekLine;
    token = std::move(Current);
    HasPeek = false;
}

void CTokenizer::Skip()
{
    Peek();
    Consumed();
    TakenStart = PeekStart;
    TakenLine = PeekLine;
    HasPeek = false;
}

std::uint32_t CTokenizer::PeekPlace()
{
    Peek();
    return Places.Lines ? PeekLine : static_cast<std::uint32_t>(Origin + PeekStart);
}

// CR, LF and CRLF each end one line.
void CTokenizer::CountLines(std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
    {
        if (Data[i] == '\n' || (Data[i] == '\r' && (i + 1 >= Size || Data[i + 1] != '\n')))
        {
            ++Line;
        }
    }
}

void CTokenizer::Error(SToken& t, std::string problem)
{
    t.Kind = kTokError;
    Problem = std::move(problem);
}

bool CTokenizer::TakeReferenceName(std::string& name)
{
    SkipSpaceAndComments();
    PeekStart = TakenStart = Pos;
    PeekLine = TakenLine = Line;
    std::size_t end = Pos;
    while (end < Size && Data[end] != '}' && Data[end] != '<' && Data[end] != '{')
    {
        // A Shift-JIS character's trail byte may be a brace.
        end += Data[end] >= 0x80 ? NameCharLength(Data + end, Size - end) : 1;
    }
    if (end >= Size || Data[end] == '{')
    {
        return false;
    }
    std::size_t last = end;
    while (last > Pos && IsSpace(Data[last - 1]))
    {
        --last;
    }
    name.assign(reinterpret_cast<const char*>(Data + Pos), last - Pos);
    CountLines(last, end);
    Pos = end;
    return true;
}

void CTokenizer::Lex(SToken& t)
{
    t.Text.clear();
    t.Primitive = kPrimNone;
    t.IntegerFits = true;
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
            const std::uint8_t c = Data[Pos++];
            if (c == '\n' || (c == '\r' && (Pos >= Size || Data[Pos] != '\n')))
            {
                ++Line;
            }
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
    PeekStart = Pos;
    PeekLine = Line;
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
            Error(t, "a GUID that is not <8-4-4-4-12 hex digits>");
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
            Error(t, "a string without its closing quote");
            return;
        }
        const auto* close = static_cast<const std::uint8_t*>(end);
        t.Text.assign(reinterpret_cast<const char*>(Data + Pos + 1), static_cast<std::size_t>(close - Data) - Pos - 1);
        CountLines(Pos + 1, static_cast<std::size_t>(close - Data));
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
    if ((c == '-' || c == '+') && LexWordNumber(t))
    {
        return;
    }
    Error(t, std::string("the character '") + static_cast<char>(c) + "'");
}

// "-nan", "+inf", "-Infinity": a sign and a word C or Python prints.
bool CTokenizer::LexWordNumber(SToken& t)
{
    std::size_t end = Pos + 1;
    while (end < Size && IsNameChar(Data[end]) && Data[end] < 0x80) ++end;
    const std::string word(reinterpret_cast<const char*>(Data + Pos), end - Pos);
    if (!NotANumberWord(word, t.Float))
    {
        return false;
    }
    Pos = end;
    t.Kind = kTokFloat;
    SkipNotANumberSuffix();
    return true;
}

void CTokenizer::TakeNameAsNumber()
{
    ++ValueCount;
    SkipNotANumberSuffix();
}

// MSVC's printf writes "-nan(ind)", and C's strtod takes "nan(chars)": the
// parenthesised part says nothing the value needs.
void CTokenizer::SkipNotANumberSuffix()
{
    if (Binary || Pos >= Size || Data[Pos] != '(')
    {
        return;
    }
    std::size_t end = Pos + 1;
    while (end < Size && (IsDigit(Data[end]) || (Data[end] < 0x80 && IsNameStart(Data[end])))) ++end;
    if (end < Size && Data[end] == ')')
    {
        Pos = end + 1;
    }
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
            Error(t, "a number running into a name");
            Pos = Size;
            return true;
        }
        return false;
    }
    const char* first = reinterpret_cast<const char*>(Data + Pos);
    const char* last = reinterpret_cast<const char*>(Data + p);
    if (*first == '+') ++first;
    Pos = p;
    if (!isFloat)
    {
        // An integer: kept exactly where it fits a DWORD or SDWORD; its value
        // as a double serves FLOAT members whatever its size.
        long long integer = 0;
        const auto r = std::from_chars(first, last, integer);
        t.IntegerFits = r.ec == std::errc() && r.ptr == last && integer >= -2147483648LL && integer <= 4294967295LL;
        t.Kind = kTokInteger;
        if (t.IntegerFits)
        {
            t.Integer = static_cast<std::uint32_t>(integer);
            t.Float = static_cast<double>(integer);
            return true;
        }
        t.Integer = 0;
    }
    else
    {
        t.Kind = kTokFloat;
    }
    return LexDouble(first, last, t);
}

// The value of a number's text as a double (the token's kind is set).
// Values beyond a double's range become infinity (or zero, far below it).
bool CTokenizer::LexDouble(const char* first, const char* last, SToken& t)
{
    double value = 0;
    const auto r = ParseDecimal(first, last, value);
    if (r.ec == std::errc::result_out_of_range && r.ptr == last)
    {
        const char* e = std::find_if(first, last, [](char ch) { return ch == 'e' || ch == 'E'; });
        const bool tiny = e != last && e + 1 != last && e[1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        if (*first == '-') value = -value;
    }
    else if (r.ec != std::errc() || r.ptr != last)
    {
        Error(t, "a malformed number");
        return true;
    }
    t.Float = value;
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
        t.Float = t.Integer;
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

bool CTokenizer::CutShort(SToken& t)
{
    Error(t, "a token cut short by the end of the data");
    return true;
}

// False when a list header was read and lexing must go on.
bool CTokenizer::LexBinaryStep(SToken& t)
{
    PeekStart = Pos;
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
    if (!Need(2))
    {
        return CutShort(t);
    }
    const std::uint16_t code = ReadU16(Data + Pos);
    Pos += 2;
    switch (code)
    {
    case kBinName:
    case kBinString:
    {
        if (!Need(4)) return CutShort(t);
        const std::uint32_t n = ReadU32(Data + Pos);
        Pos += 4;
        if (!Need(n)) return CutShort(t);
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
        if (!Need(4)) return CutShort(t);
        t.Integer = ReadU32(Data + Pos);
        t.Float = t.Integer;
        Pos += 4;
        t.Kind = kTokInteger;
        return true;
    case kBinGuid:
        if (!Need(16)) return CutShort(t);
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
        if (!Need(4)) return CutShort(t);
        const std::uint32_t n = ReadU32(Data + Pos);
        Pos += 4;
        const std::size_t element = code == kBinFloatList && Doubles ? 8 : 4;
        if (static_cast<std::uint64_t>(n) * element > Size - Pos) return CutShort(t);
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
        if (t.Primitive != kPrimNone)
        {
            t.Kind = kTokPrimitive;
            return true;
        }
    }
    Error(t, "the unknown token code " + std::to_string(code));
    return true;
}

} // namespace xfile_detail
} // namespace gen
