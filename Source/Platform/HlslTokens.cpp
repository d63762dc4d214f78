// HLSL tokens for the pre-pass (HlslTokens.h).

#include "Platform/HlslTokens.h"

#include <cctype>

namespace gen
{

bool IsIdentifierStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsIdentifierPart(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::vector<SToken> Tokenise(const std::string& text)
{
    std::vector<SToken> tokens;
    bool lineStart = true;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n)
    {
        const char c = text[i];
        if (c == '\n')
        {
            lineStart = true;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\f' || c == '\v')
        {
            ++i;
            continue;
        }
        if (c == '#' && lineStart)
        {
            while (i < n && text[i] != '\n')
            {
                if (text[i] == '\\' && i + 1 < n && text[i + 1] == '\n')
                {
                    ++i;
                }
                ++i;
            }
            continue;
        }
        lineStart = false;
        if (c == '/' && i + 1 < n && text[i + 1] == '/')
        {
            while (i < n && text[i] != '\n')
            {
                ++i;
            }
            continue;
        }
        if (c == '/' && i + 1 < n && text[i + 1] == '*')
        {
            const std::size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
            continue;
        }
        const std::size_t begin = i;
        if (IsIdentifierStart(c))
        {
            while (i < n && IsIdentifierPart(text[i]))
            {
                ++i;
            }
            tokens.push_back({kIdentifier, begin, i});
        }
        else if (std::isdigit(static_cast<unsigned char>(c)) ||
                 (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(text[i + 1]))))
        {
            while (i < n && (IsIdentifierPart(text[i]) || text[i] == '.' ||
                             ((text[i] == '-' || text[i] == '+') && (text[i - 1] == 'e' || text[i - 1] == 'E'))))
            {
                ++i;
            }
            tokens.push_back({kNumber, begin, i});
        }
        else if (c == '"')
        {
            ++i;
            while (i < n && text[i] != '"' && text[i] != '\n')
            {
                i += text[i] == '\\' ? 2 : 1;
            }
            i = i < n ? i + 1 : n;
            tokens.push_back({kString, begin, i});
        }
        else
        {
            ++i;
            tokens.push_back({kPunctuation, begin, i});
        }
    }
    return tokens;
}

} // namespace gen
