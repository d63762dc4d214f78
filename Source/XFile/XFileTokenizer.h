#pragma once
// Inside the .x reader: one token stream over a text or binary body. Binary
// number lists are handed out one element at a time, so the parser sees the
// same tokens for both formats.

#include "XFile/XFileDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace gen
{
namespace xfile_detail
{

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

// Token codes of the binary format (each a WORD in the file).
enum EBinaryToken : std::uint16_t
{
    kBinName = 1,        // DWORD length, characters
    kBinString = 2,      // DWORD length, characters, then a separator token
    kBinInteger = 3,     // DWORD
    kBinGuid = 5,        // 16 bytes
    kBinIntegerList = 6, // DWORD count, count DWORDs
    kBinFloatList = 7,   // DWORD count, count floats (doubles in 64-bit files)
    kBinOBrace = 10,
    kBinCBrace = 11,
    kBinOParen = 12,
    kBinCParen = 13,
    kBinOBracket = 14,
    kBinCBracket = 15,
    kBinOAngle = 16,
    kBinCAngle = 17,
    kBinDot = 18,
    kBinComma = 19,
    kBinSemicolon = 20,
    kBinTemplate = 31,
    kBinFirstPrimitive = 40, // WORD, DWORD, FLOAT, DOUBLE, CHAR, UCHAR, SWORD, SDWORD, VOID, LPSTR, UNICODE, CSTRING
    kBinLastPrimitive = 51,
    kBinArray = 52,
};

struct SToken
{
    ETokenKind Kind = kTokEnd;
    std::string Text; // names, strings, keyword spelling
    std::uint32_t Integer = 0;
    bool IntegerFits = true; // the literal is within -2^31 .. 2^32-1 (Integer holds it)
    double Float = 0;        // a float, or an integer's value for FLOAT members
    SXGuid Guid{};
    EPrimitive Primitive = kPrimNone;
};

class CTokenizer
{
public:
    // origin: the file offset of data[0], for binary places.
    CTokenizer(const std::uint8_t* data, std::size_t size, bool binary, bool doubles, SPlaces places,
               std::size_t origin)
        : Data(data), Size(size), Binary(binary), Doubles(doubles), Places(places), Origin(origin)
    {
    }

    const SToken& Peek();
    void Take(SToken& token);
    void Skip();

    // A reference's name in a text body, just past its "{": everything up to
    // the closing brace or a GUID, blanks trimmed; the brace and GUID stay
    // for the parser. False where no closing brace follows.
    bool TakeReferenceName(std::string& name);

    // Number of value tokens (numbers and strings) taken so far.
    std::uint64_t Values() const { return ValueCount; }
    // The name just taken ("nan", "inf") is a number: it counts as a value,
    // and C's "nan(ind)" suffix after it is skipped. Call before Peek.
    void TakeNameAsNumber();

    // Where the token Peek returns begins, and where the last one taken
    // began: a line or a byte offset as SPlaces tells.
    std::uint32_t PeekPlace();
    std::uint32_t TakenPlace() const
    {
        return Places.Lines ? TakenLine : static_cast<std::uint32_t>(Origin + TakenStart);
    }
    const SPlaces& GetPlaces() const { return Places; }
    // What was wrong with the last error token.
    const std::string& GetProblem() const { return Problem; }

private:
    void Lex(SToken& t);
    void Consumed();
    void SkipSpaceAndComments();
    void LexText(SToken& t);
    bool LexNumber(SToken& t);
    bool LexNotANumber(std::size_t& p, SToken& t) const;
    void LexName(SToken& t);
    void LexBinary(SToken& t);
    bool LexBinaryStep(SToken& t);
    void LexListElement(SToken& t);
    bool LexWordNumber(SToken& t);
    void SkipNotANumberSuffix();
    bool LexDouble(const char* first, const char* last, SToken& t);
    bool Need(std::size_t n) const { return Size - Pos >= n; }
    void CountLines(std::size_t from, std::size_t to);
    void Error(SToken& t, std::string problem);
    bool CutShort(SToken& t);

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
    SPlaces Places;
    std::size_t Origin;
    std::size_t PeekStart = 0;
    std::size_t TakenStart = 0;
    // Text lines, counted as the blanks between tokens go by.
    std::uint32_t Line = 1;
    std::uint32_t PeekLine = 1;
    std::uint32_t TakenLine = 1;
    std::string Problem;
};

// Words C and Python print for NaN and infinity ("nan", "-inf",
// "Infinity", any case); false for anything else.
bool NotANumberWord(const std::string& word, double& value);

std::uint32_t ReadU32(const std::uint8_t* p);
std::uint16_t ReadU16(const std::uint8_t* p);

} // namespace xfile_detail
} // namespace gen
