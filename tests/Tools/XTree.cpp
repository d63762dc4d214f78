#include "XTree.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace gen
{
namespace
{

enum class EKind
{
    kWord,
    kNumber,
    kString,
    kOpen,
    kClose,
};

struct SToken
{
    EKind Kind;
    std::string Text;
    double Value = 0.0;
};

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-' || c == '+';
}

bool TokeniseText(const std::string& s, std::vector<SToken>& out, std::string& error)
{
    std::size_t i = 16;
    while (i < s.size())
    {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ';' || c == ',')
        {
            ++i;
        }
        else if (c == '#' || (c == '/' && i + 1 < s.size() && s[i + 1] == '/'))
        {
            while (i < s.size() && s[i] != '\n')
            {
                ++i;
            }
        }
        else if (c == '{' || c == '}')
        {
            out.push_back({c == '{' ? EKind::kOpen : EKind::kClose, std::string(1, c)});
            ++i;
        }
        else if (c == '"')
        {
            const std::size_t end = s.find('"', i + 1);
            if (end == std::string::npos)
            {
                error = "unterminated string";
                return false;
            }
            out.push_back({EKind::kString, s.substr(i + 1, end - i - 1)});
            i = end + 1;
        }
        else if (IsWordChar(c))
        {
            std::size_t end = i;
            while (end < s.size() && IsWordChar(s[end]))
            {
                ++end;
            }
            const std::string word = s.substr(i, end - i);
            char* stop = nullptr;
            const double value = std::strtod(word.c_str(), &stop);
            if (stop && *stop == '\0' && (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '-' ||
                                         word[0] == '+' || word[0] == '.'))
            {
                out.push_back({EKind::kNumber, word, value});
            }
            else
            {
                out.push_back({EKind::kWord, word});
            }
            i = end;
        }
        else
        {
            error = std::string("unexpected character '") + c + "'";
            return false;
        }
    }
    return true;
}

bool TokeniseBinary(const std::string& s, std::vector<SToken>& out, std::string& error)
{
    std::size_t i = 16;
    auto need = [&](std::size_t n) { return i + n <= s.size(); };
    auto word = [&]() {
        const std::uint16_t v = static_cast<std::uint16_t>(static_cast<unsigned char>(s[i]) |
                                                           (static_cast<unsigned char>(s[i + 1]) << 8));
        i += 2;
        return v;
    };
    auto dword = [&]() {
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k)
        {
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)])) << (8 * k);
        }
        i += 4;
        return v;
    };
    while (i < s.size())
    {
        if (!need(2))
        {
            error = "truncated token";
            return false;
        }
        const std::uint16_t token = word();
        switch (token)
        {
        case 1: // name
        case 2: // string
        {
            if (!need(4))
            {
                error = "truncated name";
                return false;
            }
            const std::uint32_t n = dword();
            if (!need(n))
            {
                error = "truncated name";
                return false;
            }
            out.push_back({token == 1 ? EKind::kWord : EKind::kString, s.substr(i, n)});
            i += n;
            if (token == 2)
            {
                error = "string tokens are not expected in our binary files";
                return false;
            }
            break;
        }
        case 6: // integer list
        case 7: // float list (32-bit floats)
        {
            if (!need(4))
            {
                error = "truncated list";
                return false;
            }
            const std::uint32_t n = dword();
            if (!need(static_cast<std::size_t>(n) * 4))
            {
                error = "truncated list";
                return false;
            }
            for (std::uint32_t k = 0; k < n; ++k)
            {
                const std::uint32_t bits = dword();
                double value;
                if (token == 6)
                {
                    value = bits;
                }
                else
                {
                    float f;
                    std::memcpy(&f, &bits, 4);
                    value = f;
                }
                out.push_back({EKind::kNumber, "", value});
            }
            break;
        }
        case 10:
            out.push_back({EKind::kOpen, "{"});
            break;
        case 11:
            out.push_back({EKind::kClose, "}"});
            break;
        default:
            error = "unexpected binary token " + std::to_string(token);
            return false;
        }
    }
    return true;
}

class CParser
{
public:
    explicit CParser(const std::vector<SToken>& tokens) : mTokens(tokens) {}

    bool Object(SXObject& object, std::string& error)
    {
        if (mPos >= mTokens.size() || mTokens[mPos].Kind != EKind::kWord)
        {
            error = "expected a template name";
            return false;
        }
        object.Template = mTokens[mPos++].Text;
        if (mPos < mTokens.size() && mTokens[mPos].Kind == EKind::kWord)
        {
            object.Name = mTokens[mPos++].Text;
        }
        if (mPos >= mTokens.size() || mTokens[mPos].Kind != EKind::kOpen)
        {
            error = "expected '{' after " + object.Template;
            return false;
        }
        ++mPos;
        while (mPos < mTokens.size() && mTokens[mPos].Kind != EKind::kClose)
        {
            const SToken& t = mTokens[mPos];
            if (t.Kind == EKind::kNumber)
            {
                object.Numbers.push_back(t.Value);
                ++mPos;
            }
            else if (t.Kind == EKind::kString)
            {
                object.Strings.push_back(t.Text);
                ++mPos;
            }
            else if (t.Kind == EKind::kWord)
            {
                SXObject child;
                if (!Object(child, error))
                {
                    return false;
                }
                object.Children.push_back(std::move(child));
            }
            else
            {
                error = "unexpected '{' inside " + object.Template;
                return false;
            }
        }
        if (mPos >= mTokens.size())
        {
            error = "missing '}' for " + object.Template;
            return false;
        }
        ++mPos;
        return true;
    }

    bool AtEnd() const { return mPos >= mTokens.size(); }

private:
    const std::vector<SToken>& mTokens;
    std::size_t mPos = 0;
};

} // namespace

bool ReadXTree(const std::string& bytes, std::vector<SXObject>& objects, std::string& error)
{
    if (bytes.size() < 16 || bytes.compare(0, 4, "xof ") != 0 || bytes.compare(12, 4, "0032") != 0)
    {
        error = "bad header";
        return false;
    }
    std::vector<SToken> tokens;
    const std::string format = bytes.substr(8, 4);
    if (format == "txt ")
    {
        if (!TokeniseText(bytes, tokens, error))
        {
            return false;
        }
    }
    else if (format == "bin ")
    {
        if (!TokeniseBinary(bytes, tokens, error))
        {
            return false;
        }
    }
    else
    {
        error = "unknown format " + format;
        return false;
    }
    CParser parser(tokens);
    while (!parser.AtEnd())
    {
        SXObject object;
        if (!parser.Object(object, error))
        {
            return false;
        }
        objects.push_back(std::move(object));
    }
    return true;
}

} // namespace gen
