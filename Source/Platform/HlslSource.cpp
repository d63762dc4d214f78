// Byte-order marks, line ends and #include for the HLSL pre-pass.

#include "Platform/HlslSource.h"

#include "Common/ReadFile.h"
#include "Common/Utf8System.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

namespace gen
{

std::string NormaliseLineEnds(const std::string& text)
{
    std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::string out;
    out.reserve(text.size() - start);
    for (std::size_t i = start; i < text.size(); ++i)
    {
        if (text[i] == '\r')
        {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
            {
                ++i;
            }
        }
        else
        {
            out += text[i];
        }
    }
    return out;
}

namespace
{

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Joined(const std::string& folder, const std::string& name)
{
    if (folder.empty() || name.empty() || name[0] == '/' || (name.size() > 1 && name[1] == ':'))
    {
        return name;
    }
    const char last = folder.back();
    // Normal form, so that a file reached by two routes is one file.
    return FilePath(last == '/' || last == '\\' ? folder + name : folder + "/" + name)
        .lexically_normal()
        .generic_u8string();
}

// '\' is a folder separator in the include names of Windows-era files.
std::string Slashed(std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// Text inside a preprocessor string: glslang reads '\\' there as an escape,
// even in lines it skips, so Windows paths are written with '/'.
std::string Quoted(const std::string& text)
{
    std::string quoted = Slashed(text);
    std::replace(quoted.begin(), quoted.end(), '"', '\'');
    return "\"" + quoted + "\"";
}

std::string LineMark(int line, const std::string& path)
{
    return "#line " + std::to_string(line) + " " + Quoted(path) + "\n";
}

std::size_t SkipBlanks(const std::string& line, std::size_t at)
{
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
    {
        ++at;
    }
    return at;
}

// Where the rest of a "#directive" line begins, npos when line is not one.
std::size_t AfterDirective(const std::string& line, const char* directive)
{
    std::size_t at = SkipBlanks(line, 0);
    if (at >= line.size() || line[at] != '#')
    {
        return std::string::npos;
    }
    at = SkipBlanks(line, at + 1);
    const std::size_t length = std::char_traits<char>::length(directive);
    return line.compare(at, length, directive) == 0 ? SkipBlanks(line, at + length) : std::string::npos;
}

// The name in an #include "name" or #include <name> line; false if the line
// is not one.
bool IncludeName(const std::string& line, std::string& name)
{
    const std::size_t at = AfterDirective(line, "include");
    if (at >= line.size() || (line[at] != '"' && line[at] != '<'))
    {
        return false;
    }
    const std::size_t end = line.find(line[at] == '"' ? '"' : '>', at + 1);
    if (end == std::string::npos)
    {
        return false;
    }
    name = line.substr(at + 1, end - at - 1);
    return true;
}

bool IsPragmaOnce(const std::string& line)
{
    const std::size_t at = AfterDirective(line, "pragma");
    return at != std::string::npos && line.compare(at, 4, "once") == 0;
}

struct SExpansion
{
    const std::vector<std::string>& Folders;
    std::vector<std::string>& Files;
    std::vector<std::string> Stack; // the files being expanded, outermost first
    std::set<std::string> Once;     // files that asked for #pragma once

    std::string Expand(const std::string& text, const std::string& path)
    {
        Stack.push_back(path);
        if (std::find(Files.begin(), Files.end(), path) == Files.end())
        {
            Files.push_back(path);
        }
        std::string out;
        int lineNumber = 0;
        std::size_t start = 0;
        while (start < text.size())
        {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
            {
                end = text.size();
            }
            const std::string line = text.substr(start, end - start);
            start = end + 1;
            ++lineNumber;
            std::string name;
            if (IsPragmaOnce(line))
            {
                Once.insert(path);
                out += '\n';
            }
            else if (IncludeName(line, name))
            {
                out += Include(Slashed(name), path, lineNumber);
            }
            else
            {
                out += line;
                out += '\n';
            }
        }
        Stack.pop_back();
        return out;
    }

    std::string Include(const std::string& name, const std::string& includer, int lineNumber)
    {
        const int depth = static_cast<int>(Stack.size());
        if (depth > kMaxIncludeDepth)
        {
            return "#error " + Quoted(name + " is included more than " + std::to_string(kMaxIncludeDepth) +
                                      " files deep") + "\n";
        }
        std::vector<std::string> candidates{Joined(FolderOf(includer), name)};
        for (const std::string& folder : Folders)
        {
            candidates.push_back(Joined(Slashed(folder), name));
        }
        for (const std::string& candidate : candidates)
        {
            std::string text;
            if (!ReadWholeFile(candidate, text))
            {
                continue;
            }
            if (Once.count(candidate))
            {
                return "\n";
            }
            // A file including itself again is taken once more, as fxc does,
            // so that an include guard can stop it; a third time is a cycle.
            if (std::count(Stack.begin(), Stack.end(), candidate) > 1)
            {
                return "#error " + Quoted(includer + " includes " + candidate + ", which includes it again") + "\n";
            }
            return LineMark(1, candidate) + Expand(NormaliseLineEnds(text), candidate) +
                   LineMark(lineNumber + 1, includer);
        }
        std::string where = FolderOf(includer).empty() ? std::string("the working folder") : FolderOf(includer);
        for (const std::string& folder : Folders)
        {
            where += ", " + folder;
        }
        return "#error " + Quoted("cannot include " + name + ": not found in " + where) + "\n";
    }
};

bool IsIdentifierCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

std::string ExpandIncludes(const std::string& text, const std::string& path,
                           const std::vector<std::string>& includeFolders, std::vector<std::string>& files)
{
    SExpansion expansion{includeFolders, files, {}, {}};
    if (text.find("include") == std::string::npos && text.find("once") == std::string::npos)
    {
        if (std::find(files.begin(), files.end(), path) == files.end())
        {
            files.push_back(path);
        }
        return text; // nothing to expand: the lines stay as they are
    }
    return LineMark(1, path) + expansion.Expand(text, path);
}

std::string HideGlslMacros(const std::string& text)
{
    // Every GL_ name anywhere in the text, not only in directive lines: a
    // test may go on past a '\\' line end, or sit in a macro used by one.
    std::set<std::string> named;
    std::set<std::string> defined;
    for (std::size_t at = text.find("GL_"); at != std::string::npos; at = text.find("GL_", at + 3))
    {
        if (at > 0 && IsIdentifierCharacter(text[at - 1]))
        {
            continue;
        }
        std::size_t stop = at;
        while (stop < text.size() && IsIdentifierCharacter(text[stop]))
        {
            ++stop;
        }
        const std::string name = text.substr(at, stop - at);
        // "#define GL_..." at the start of its line defines it.
        const std::size_t lineStart = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
        std::size_t word = SkipBlanks(text, lineStart);
        const bool isDefinition = word < at && text[word] == '#' &&
                                  text.compare(SkipBlanks(text, word + 1), 6, "define") == 0 &&
                                  SkipBlanks(text, SkipBlanks(text, word + 1) + 6) == at;
        (isDefinition ? defined : named).insert(name);
    }
    std::string undefs;
    for (const std::string& name : named)
    {
        if (!defined.count(name))
        {
            undefs += "#undef " + name + "\n";
        }
    }
    return undefs;
}

SPreparedHlsl PrepareHlsl(const std::string& source, const std::string& sourceName, const SHlslOptions& options)
{
    SPreparedHlsl prepared;
    prepared.Text = ExpandIncludes(NormaliseLineEnds(source), sourceName, options.IncludeFolders, prepared.Files);
    RewriteEffect(prepared.Text, prepared.Effect);
    RewriteHabits(prepared.Text, sourceName, options.Defines, prepared.Warnings, prepared.Errors, prepared.Registers);
    for (const auto& define : options.Defines)
    {
        prepared.Preamble += "#define " + define.first + " " + define.second + "\n";
    }
    prepared.Preamble += HideGlslMacros(prepared.Text);
    for (SEffectTechnique& technique : prepared.Effect.Techniques)
    {
        for (SEffectPass& pass : technique.Passes)
        {
            for (SEffectEntry* entry : {&pass.Vertex, &pass.Pixel})
            {
                if (!entry->Profile.empty() && entry->Profile.compare(0, 3, "vs_") != 0 &&
                    entry->Profile.compare(0, 3, "ps_") != 0)
                {
                    entry->Profile = PreprocessedWord(prepared.Text, prepared.Preamble, entry->Profile);
                }
            }
        }
    }
    return prepared;
}

} // namespace gen
