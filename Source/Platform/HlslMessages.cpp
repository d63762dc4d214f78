// The compiler's text as messages: the first error for the overlay, and
// every error and warning, placed, for the command line.

#include "Platform/HlslCompiler.h"

#include <cstdlib>
#include <sstream>

namespace gen
{

std::string FirstShaderError(const std::string& sourceName, const std::string& compilerText)
{
    // glslang writes "ERROR: NAME:LINE: MESSAGE"; other failures (linking,
    // translation) are a plain line.
    const std::string errorMark = "ERROR: ";
    const std::string placed = errorMark + sourceName + ":";
    std::istringstream lines(compilerText);
    std::string line;
    std::string first;
    while (std::getline(lines, line))
    {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        {
            line.pop_back();
        }
        if (line.compare(0, placed.size(), placed) == 0)
        {
            const std::size_t digits = line.find_first_not_of("0123456789", placed.size());
            if (digits != std::string::npos && digits > placed.size() && line[digits] == ':')
            {
                const std::size_t message = line.find_first_not_of(' ', digits + 1);
                return sourceName + "(" + line.substr(placed.size(), digits - placed.size()) +
                       "): " + (message == std::string::npos ? "" : line.substr(message));
            }
        }
        if (first.empty() && line.find_first_not_of(' ') != std::string::npos)
        {
            first = line.compare(0, errorMark.size(), errorMark) == 0 ? line.substr(errorMark.size()) : line;
        }
    }
    return sourceName + ": " + (first.empty() ? "does not compile" : first);
}

namespace
{

// "NAME:LINE: TEXT" (after glslang's "ERROR: " or "WARNING: "): the first
// ':' followed by digits and ':' ends the name, which may hold a drive's ':'.
bool SplitPlaced(const std::string& rest, SShaderMessage& message)
{
    for (std::size_t colon = rest.find(':'); colon != std::string::npos; colon = rest.find(':', colon + 1))
    {
        const std::size_t digits = rest.find_first_not_of("0123456789", colon + 1);
        if (digits != std::string::npos && digits > colon + 1 && rest[digits] == ':')
        {
            message.File = rest.substr(0, colon);
            message.Line = std::atoi(rest.c_str() + colon + 1);
            const std::size_t text = rest.find_first_not_of(' ', digits + 1);
            message.Text = text == std::string::npos ? std::string() : rest.substr(text);
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<SShaderMessage> ShaderMessages(const std::string& defaultFile, const std::string& compilerText)
{
    std::vector<SShaderMessage> messages;
    std::istringstream lines(compilerText);
    std::string line;
    const std::string columnMark = "): error at column ";
    while (std::getline(lines, line))
    {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        {
            line.pop_back();
        }
        if (line.find_first_not_of(' ') == std::string::npos || line.find(" compilation errors.") != std::string::npos)
        {
            continue;
        }
        // "NAME(LINE): error at column N, ...": the column of the error before it.
        const std::size_t columnAt = line.find(columnMark);
        if (columnAt != std::string::npos)
        {
            if (!messages.empty() && messages.back().Column == 0)
            {
                messages.back().Column = std::atoi(line.c_str() + columnAt + columnMark.size());
            }
            continue;
        }
        SShaderMessage message;
        std::string rest = line;
        for (const char* mark : {"ERROR: ", "WARNING: "})
        {
            if (line.compare(0, std::char_traits<char>::length(mark), mark) == 0)
            {
                message.Warning = mark[0] == 'W';
                rest = line.substr(std::char_traits<char>::length(mark));
            }
        }
        if (!SplitPlaced(rest, message))
        {
            message.Text = rest;
        }
        messages.push_back(message);
    }
    for (SShaderMessage& message : messages)
    {
        if (message.File.empty())
        {
            message.File = defaultFile;
        }
    }
    return messages;
}

} // namespace gen
