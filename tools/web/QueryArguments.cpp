#include "QueryArguments.h"

#include <cctype>

namespace gen
{

namespace
{

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A '%' not followed by two hex digits stays as it is, as browsers leave it.
std::string Decode(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (c == '+')
        {
            out += ' ';
        }
        else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0)
        {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        }
        else
        {
            out += c;
        }
    }
    return out;
}

} // namespace

std::vector<std::string> QueryArguments(const std::string& query)
{
    std::vector<std::string> arguments;
    std::size_t at = !query.empty() && query[0] == '?' ? 1 : 0;
    while (at <= query.size())
    {
        std::size_t end = query.find('&', at);
        if (end == std::string::npos)
        {
            end = query.size();
        }
        const std::string part = query.substr(at, end - at);
        at = end + 1;
        const std::size_t equals = part.find('=');
        const std::string name = Decode(part.substr(0, equals));
        if (name.empty())
        {
            continue;
        }
        arguments.push_back("--" + name);
        if (equals != std::string::npos && equals + 1 < part.size())
        {
            arguments.push_back(Decode(part.substr(equals + 1)));
        }
    }
    return arguments;
}

} // namespace gen
