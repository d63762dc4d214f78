#include "Common/LzString.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace gen
{

namespace
{

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-$";

// One code point from UTF-8 at text[at], advancing at; U+FFFD for a
// malformed or overlong sequence.
char32_t NextCodePoint(const std::string& text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at++);
    if (lead < 0x80)
    {
        return lead;
    }
    const int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
    if (extra < 0 || at + static_cast<std::size_t>(extra) > text.size())
    {
        return 0xFFFD;
    }
    char32_t code = lead & (0x3Fu >> extra);
    for (int i = 0; i < extra; ++i)
    {
        if ((byte(at) & 0xC0) != 0x80)
        {
            return 0xFFFD;
        }
        code = (code << 6) | (byte(at++) & 0x3Fu);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    const bool surrogate = code >= 0xD800 && code < 0xE000;
    return code < least[extra] || code > 0x10FFFF || surrogate ? 0xFFFD : code;
}

std::u16string ToUtf16(const std::string& text)
{
    std::u16string units;
    for (std::size_t at = 0; at < text.size();)
    {
        const char32_t code = NextCodePoint(text, at);
        if (code >= 0x10000)
        {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
        else
        {
            units += static_cast<char16_t>(code);
        }
    }
    return units;
}

// A lone surrogate, which a script's string may hold, becomes U+FFFD.
std::string ToUtf8(const std::u16string& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i)
    {
        char32_t code = units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
        {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        else if (code >= 0xD800 && code < 0xE000)
        {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
    return out;
}

// Bits written least significant first into six-bit characters.
class CBitWriter
{
public:
    void Write(std::uint32_t value, int bits)
    {
        for (int i = 0; i < bits; ++i, value >>= 1)
        {
            Value = (Value << 1) | (value & 1u);
            if (++Position == 6)
            {
                Out += kAlphabet[Value];
                Position = 0;
                Value = 0;
            }
        }
    }
    std::string Finish()
    {
        // The last character is padded with zero bits, one character at most.
        for (;;)
        {
            Value <<= 1;
            if (Position == 5)
            {
                Out += kAlphabet[Value];
                return Out;
            }
            ++Position;
        }
    }

private:
    std::string Out;
    std::uint32_t Value = 0;
    int Position = 0;
};

struct SCompressor
{
    CBitWriter Bits;
    std::unordered_map<std::u16string, std::uint32_t> Dictionary;
    std::unordered_map<std::u16string, bool> ToCreate;
    std::uint32_t EnlargeIn = 2, Size = 3;
    int NumBits = 2;

    void Count()
    {
        if (--EnlargeIn == 0)
        {
            EnlargeIn = 1u << NumBits;
            ++NumBits;
        }
    }

    // The code of w, or, the first time w is written, w's character itself.
    void Emit(const std::u16string& w)
    {
        if (ToCreate.erase(w))
        {
            const std::uint32_t unit = w[0];
            Bits.Write(unit < 256 ? 0 : 1, NumBits);
            Bits.Write(unit, unit < 256 ? 8 : 16);
            Count();
        }
        else
        {
            Bits.Write(Dictionary[w], NumBits);
        }
        Count();
    }
};

// Decoded codes: each is an earlier code and one more unit, so the table
// stays linear in the input however long its texts.
struct SEntry
{
    std::int32_t Prefix; // -1: a single unit
    char16_t Last, First;
    std::size_t Length;
};

class CBitReader
{
public:
    explicit CBitReader(const std::string& encoded) : Encoded(encoded) {}
    // False past the end or on a character outside the alphabet.
    bool Read(int bits, std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < bits; ++i)
        {
            if (Position == 0)
            {
                if (Index >= Encoded.size() || !Load(Encoded[Index++]))
                {
                    return false;
                }
                Position = 32;
            }
            value |= ((Value & Position) ? 1u : 0u) << i;
            Position >>= 1;
        }
        return true;
    }

    // After the end code: nothing follows but the padding of zero bits,
    // which is a whole character 'A' when the code ended on a boundary.
    bool OnlyPaddingLeft() const
    {
        return Index == Encoded.size() || (Index + 1 == Encoded.size() && Encoded.back() == 'A');
    }

private:
    bool Load(char c)
    {
        c = c == ' ' ? '+' : c;
        for (std::uint32_t i = 0; i < 64; ++i)
        {
            if (kAlphabet[i] == c)
            {
                Value = i;
                return true;
            }
        }
        return false;
    }
    const std::string& Encoded;
    std::size_t Index = 0;
    std::uint32_t Value = 0, Position = 0;
};

void AppendEntry(const std::vector<SEntry>& table, std::int32_t code, std::u16string& out)
{
    const std::size_t end = out.size() + table[static_cast<std::size_t>(code)].Length;
    out.resize(end);
    std::size_t at = end;
    for (; code >= 0; code = table[static_cast<std::size_t>(code)].Prefix)
    {
        out[--at] = table[static_cast<std::size_t>(code)].Last;
    }
}

} // namespace

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80)
    {
        out += static_cast<char>(code);
        return;
    }
    const int extra = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    const unsigned char lead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(lead[extra] | (code >> (6 * extra)));
    for (int i = extra - 1; i >= 0; --i)
    {
        out += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
    }
}

std::string LzCompressUri(const std::string& text)
{
    const std::u16string input = ToUtf16(text);
    SCompressor c;
    std::u16string w;
    for (const char16_t unit : input)
    {
        const std::u16string single(1, unit);
        if (c.Dictionary.emplace(single, c.Size).second)
        {
            ++c.Size;
            c.ToCreate[single] = true;
        }
        std::u16string wc = w + unit;
        if (c.Dictionary.count(wc))
        {
            w = std::move(wc);
            continue;
        }
        c.Emit(w);
        c.Dictionary[wc] = c.Size++;
        w = single;
    }
    if (!w.empty())
    {
        c.Emit(w);
    }
    c.Bits.Write(2, c.NumBits); // end of stream
    return c.Bits.Finish();
}

bool LzDecompressUri(const std::string& encoded, std::string& text, std::size_t limit)
{
    CBitReader bits(encoded);
    // Codes 0, 1 and 2: a unit of 8 or 16 bits follows, the end.
    std::vector<SEntry> table(3, SEntry{-1, 0, 0, 0});
    const auto readUnit = [&](std::uint32_t kind) {
        std::uint32_t unit = 0;
        if (!bits.Read(kind == 0 ? 8 : 16, unit))
        {
            return false;
        }
        table.push_back({-1, static_cast<char16_t>(unit), static_cast<char16_t>(unit), 1});
        return true;
    };
    std::uint32_t code = 0;
    if (!bits.Read(2, code) || code == 3 || (code < 2 && !readUnit(code)))
    {
        return false;
    }
    std::u16string out;
    if (code < 2)
    {
        out += table.back().Last;
    }
    std::uint32_t enlargeIn = 4;
    int numBits = 3;
    const auto count = [&] {
        if (--enlargeIn == 0)
        {
            enlargeIn = 1u << numBits;
            ++numBits;
        }
    };
    for (std::uint32_t w = 3; code != 2;)
    {
        if (!bits.Read(numBits, code))
        {
            return false;
        }
        if (code == 2)
        {
            break;
        }
        if (code < 2)
        {
            if (!readUnit(code))
            {
                return false;
            }
            code = static_cast<std::uint32_t>(table.size() - 1);
            count();
        }
        if (code > table.size())
        {
            return false; // a code not made yet
        }
        // The code this step makes is w and the first unit of what follows;
        // a code naming that very entry starts with w's first unit.
        const SEntry before = table[w];
        const char16_t next = code == table.size() ? before.First : table[code].First;
        table.push_back({static_cast<std::int32_t>(w), next, before.First, before.Length + 1});
        if (out.size() + table[code].Length > limit)
        {
            return false;
        }
        AppendEntry(table, static_cast<std::int32_t>(code), out);
        count();
        w = code;
    }
    if (!bits.OnlyPaddingLeft())
    {
        return false;
    }
    text = ToUtf8(out);
    return true;
}

} // namespace gen
