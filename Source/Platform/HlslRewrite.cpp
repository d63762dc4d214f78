// DX9 habits that glslang's HLSL front end refuses or miscompiles, rewritten
// into what it takes (HlslSource.h, RewriteHabits).

#include "Platform/HlslSource.h"
#include "Platform/HlslTokens.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>

namespace gen
{

namespace
{

struct SPlace
{
    std::string File;
    int Line = 1;
};

// File and line of an offset of the pre-passed text, by its #line marks.
SPlace PlaceOf(const std::string& text, std::size_t offset, const std::string& sourceName)
{
    SPlace place{sourceName, 1};
    std::size_t start = 0;
    while (start < text.size())
    {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos || end >= offset)
        {
            break;
        }
        if (text.compare(start, 6, "#line ") == 0)
        {
            place.Line = std::atoi(text.c_str() + start + 6);
            const std::size_t quote = text.find('"', start);
            const std::size_t close = quote < end ? text.find('"', quote + 1) : std::string::npos;
            if (close < end)
            {
                place.File = text.substr(quote + 1, close - quote - 1);
            }
        }
        else
        {
            ++place.Line;
        }
        start = end + 1;
    }
    return place;
}

std::string Message(const char* kind, const SPlace& place, const std::string& what, const std::string& text)
{
    return std::string(kind) + ": " + place.File + ":" + std::to_string(place.Line) + ": '" + what + "' : " + text +
           "\n";
}

struct SEdit
{
    std::size_t Begin;
    std::size_t End;
    std::string Text;
};

// Applies edits made against text, last first, so that each one's offsets hold.
void ApplyEdits(std::string& text, std::vector<SEdit> edits)
{
    std::stable_sort(edits.begin(), edits.end(), [](const SEdit& a, const SEdit& b) { return a.Begin > b.Begin; });
    for (const SEdit& edit : edits)
    {
        text.replace(edit.Begin, edit.End - edit.Begin, edit.Text);
    }
}

class CTokens
{
public:
    explicit CTokens(const std::string& text) : Text(text), Tokens(Tokenise(text)) {}

    std::size_t Size() const { return Tokens.size(); }
    const SToken& operator[](std::size_t i) const { return Tokens[i]; }
    std::string Word(std::size_t i) const
    {
        return i < Tokens.size() ? Text.substr(Tokens[i].Begin, Tokens[i].End - Tokens[i].Begin) : std::string();
    }
    bool Is(std::size_t i, const char* word) const { return i < Tokens.size() && Word(i) == word; }
    bool IsIdentifier(std::size_t i) const { return i < Tokens.size() && Tokens[i].Kind == kIdentifier; }

    // The token that closes the bracket at open (Size() if none).
    std::size_t Closing(std::size_t open) const
    {
        const std::string opening = Word(open);
        const std::string closing = opening == "(" ? ")" : opening == "[" ? "]" : "}";
        int depth = 0;
        for (std::size_t i = open; i < Tokens.size(); ++i)
        {
            const std::string word = Word(i);
            depth += word == opening ? 1 : word == closing ? -1 : 0;
            if (depth == 0)
            {
                return i;
            }
        }
        return Tokens.size();
    }

    // The token that opens the bracket closed at close (Size() if none).
    std::size_t Opening(std::size_t close) const
    {
        const std::string closing = Word(close);
        const std::string opening = closing == ")" ? "(" : closing == "]" ? "[" : "{";
        int depth = 0;
        for (std::size_t i = close + 1; i-- > 0;)
        {
            const std::string word = Word(i);
            depth += word == closing ? 1 : word == opening ? -1 : 0;
            if (depth == 0)
            {
                return i;
            }
        }
        return Tokens.size();
    }

private:
    const std::string& Text;
    std::vector<SToken> Tokens;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// fxc warns of a macro defined again with another body and takes the new
// one; glslang refuses it. An #undef before the new definition (and a #line
// mark, so the lines keep their numbers) does what fxc does.
void RedefinedMacros(std::string& text, const std::string& sourceName, const TMacros& predefined,
                     std::string& warnings)
{
    struct SDefinition
    {
        std::string Body;
        bool Conditional;
    };
    std::map<std::string, SDefinition> definitions;
    for (const auto& macro : predefined)
    {
        definitions[macro.first] = {macro.second, false};
    }
    std::vector<SEdit> edits;
    int depth = 0;
    std::size_t start = 0;
    while (start < text.size())
    {
        // One logical line: physical lines joined by a trailing '\'.
        std::size_t end = text.find('\n', start);
        while (end != std::string::npos && end > start && text[end - 1] == '\\')
        {
            end = text.find('\n', end + 1);
        }
        if (end == std::string::npos)
        {
            end = text.size();
        }
        // The blanks, then the word, from at: the word, with at past it.
        std::size_t at = start;
        const auto nextWord = [&]() {
            while (at < end && IsBlank(text[at]))
            {
                ++at;
            }
            const std::size_t wordStart = at;
            while (at < end && IsIdentifierPart(text[at]))
            {
                ++at;
            }
            return text.substr(wordStart, at - wordStart);
        };
        nextWord();
        if (at < end && text[at] == '#')
        {
            ++at;
            const std::string directive = nextWord();
            const std::string name = nextWord();
            const std::size_t nameEnd = at;
            if (directive == "if" || directive == "ifdef" || directive == "ifndef")
            {
                ++depth;
            }
            else if (directive == "endif")
            {
                --depth;
            }
            else if (directive == "undef")
            {
                definitions.erase(name);
            }
            else if (directive == "define" && !name.empty())
            {
                // The body with its blanks made single, as fxc compares them.
                std::string body;
                for (std::size_t i = nameEnd; i < end; ++i)
                {
                    const char c = text[i] == '\\' || text[i] == '\n' || text[i] == '\t' ? ' ' : text[i];
                    if (c != ' ' || (!body.empty() && body.back() != ' '))
                    {
                        body += c;
                    }
                }
                while (!body.empty() && body.back() == ' ')
                {
                    body.pop_back();
                }
                const auto found = definitions.find(name);
                if (found != definitions.end() && found->second.Body != body)
                {
                    const SPlace place = PlaceOf(text, start, sourceName);
                    std::string file = place.File;
                    std::replace(file.begin(), file.end(), '\\', '/');
                    const std::string mark = "#line " + std::to_string(place.Line) + " \"" + file + "\"\n";
                    edits.push_back({start, start, "#undef " + name + "\n" + mark});
                    if (depth == 0 && !found->second.Conditional)
                    {
                        warnings += Message("WARNING", place, name,
                                            "macro redefined with another body; the new one is used");
                    }
                }
                definitions[name] = {body, depth > 0};
            }
        }
        start = end + 1;
    }
    ApplyEdits(text, std::move(edits));
}

bool IsStatementWord(const std::string& word)
{
    return word == "return" || word == "else" || word == "case" || word == "do";
}

// fxc's old scoping keeps a for loop's variable after the loop; glslang's
// ends it with the loop. Where it is used after, it is declared before the
// loop instead.
void LoopVariablesUsedAfter(std::string& text, const std::string& sourceName, std::string& warnings)
{
    const CTokens tokens(text);
    std::vector<SEdit> edits;
    std::set<std::pair<std::size_t, std::string>> hoisted; // (end of the enclosing block, name)
    for (std::size_t i = 0; i + 4 < tokens.Size(); ++i)
    {
        if (!tokens.Is(i, "for") || !tokens.Is(i + 1, "(") || !tokens.IsIdentifier(i + 2) ||
            !tokens.IsIdentifier(i + 3) || !(tokens.Is(i + 4, "=") || tokens.Is(i + 4, ";")))
        {
            continue;
        }
        const std::size_t close = tokens.Closing(i + 1);
        // One variable only: "int i = 0, j = 0" would leave j undeclared.
        bool single = true;
        int depth = 0;
        for (std::size_t t = i + 2; t < close && !tokens.Is(t, ";"); ++t)
        {
            depth += tokens.Is(t, "(") ? 1 : tokens.Is(t, ")") ? -1 : 0;
            single = single && !(depth == 0 && tokens.Is(t, ","));
        }
        if (!single || close >= tokens.Size())
        {
            continue;
        }
        std::size_t bodyEnd = close + 1;
        if (tokens.Is(bodyEnd, "{"))
        {
            bodyEnd = tokens.Closing(bodyEnd);
        }
        else
        {
            for (depth = 0; bodyEnd < tokens.Size() && !(depth == 0 && tokens.Is(bodyEnd, ";")); ++bodyEnd)
            {
                depth += tokens.Is(bodyEnd, "(") ? 1 : tokens.Is(bodyEnd, ")") ? -1 : 0;
            }
        }
        const std::string name = tokens.Word(i + 3);
        std::size_t use = tokens.Size();
        std::size_t blockEnd = bodyEnd + 1;
        for (depth = 0; blockEnd < tokens.Size(); ++blockEnd)
        {
            depth += tokens.Is(blockEnd, "{") ? 1 : tokens.Is(blockEnd, "}") ? -1 : 0;
            if (depth < 0)
            {
                break;
            }
            if (use == tokens.Size() && tokens.Word(blockEnd) == name && !tokens.Is(blockEnd - 1, "."))
            {
                if (tokens.IsIdentifier(blockEnd - 1) && !IsStatementWord(tokens.Word(blockEnd - 1)))
                {
                    use = tokens.Size() + 1; // declared again: the loop's own ends here
                }
                else
                {
                    use = blockEnd;
                }
            }
        }
        if (use >= tokens.Size())
        {
            continue;
        }
        // Before the loop's attributes ("[unroll]"), which belong to it.
        std::size_t loop = i;
        while (loop > 0 && tokens.Is(loop - 1, "]") && tokens.Opening(loop - 1) < loop - 1)
        {
            loop = tokens.Opening(loop - 1);
        }
        // A loop that is an if's, else's or loop's whole body has no place
        // for a declaration before it.
        if (loop > 0 && (tokens.Is(loop - 1, ")") || tokens.Is(loop - 1, "else") || tokens.Is(loop - 1, "do")))
        {
            continue;
        }
        const std::size_t blockOffset = blockEnd < tokens.Size() ? tokens[blockEnd].Begin : text.size();
        if (hoisted.insert({blockOffset, name}).second)
        {
            edits.push_back({tokens[loop].Begin, tokens[loop].Begin, tokens.Word(i + 2) + " " + name + "; "});
        }
        edits.push_back({tokens[i + 2].Begin, tokens[i + 2].End, std::string(tokens.Word(i + 2).size(), ' ')});
        warnings += Message("WARNING", PlaceOf(text, tokens[use].Begin, sourceName), name,
                            "a for loop's variable used after the loop, as fxc's old scoping allows");
    }
    ApplyEdits(text, std::move(edits));
}

// The elements of a swizzle of matrix elements ("_m02_m12" or "_13_23"),
// one each; empty when word is not one.
std::vector<std::string> MatrixElements(const std::string& word)
{
    std::vector<std::string> elements;
    const bool zeroBased = word.compare(0, 2, "_m") == 0;
    const std::size_t size = zeroBased ? 4 : 3;
    const char low = zeroBased ? '0' : '1';
    for (std::size_t at = 0; at < word.size(); at += size)
    {
        const std::string element = word.substr(at, size);
        if (element.size() != size || element[0] != '_' || (zeroBased && element[1] != 'm') ||
            element[size - 2] < low || element[size - 2] > low + 3 || element[size - 1] < low ||
            element[size - 1] > low + 3)
        {
            return {};
        }
        elements.push_back(element);
    }
    return elements;
}

// A swizzle of several matrix elements ("View._m02_m12_m22") crashes
// glslang or comes out as wrong code; one element at a time is right, so it
// becomes a constructor of the single elements.
void MatrixSwizzles(std::string& text, const std::string& sourceName, std::string& errors)
{
    const CTokens tokens(text);
    std::vector<SEdit> edits;
    for (std::size_t i = 2; i < tokens.Size(); ++i)
    {
        const std::vector<std::string> elements = tokens.IsIdentifier(i) && tokens.Is(i - 1, ".")
                                                      ? MatrixElements(tokens.Word(i))
                                                      : std::vector<std::string>();
        if (elements.size() < 2)
        {
            continue;
        }
        // The matrix: a name, with members and indices.
        std::size_t first = i - 2;
        bool named = false;
        while (first < tokens.Size())
        {
            if (tokens.Is(first, "]"))
            {
                const std::size_t open = tokens.Opening(first);
                first = open > 0 && open < tokens.Size() ? open - 1 : tokens.Size();
            }
            else if (tokens.IsIdentifier(first))
            {
                // A member of something else than a name ("F().m") is not
                // one to copy.
                named = !tokens.Is(first - 1, ".");
                if (named || !(tokens.IsIdentifier(first - 2) || tokens.Is(first - 2, "]")))
                {
                    break;
                }
                first -= 2;
            }
            else
            {
                named = false;
                break;
            }
        }
        const bool compound = std::string("+-*/").find(tokens.Word(i + 1)) != std::string::npos;
        const bool assigned = (tokens.Is(i + 1, "=") && !tokens.Is(i + 2, "=")) || (tokens.Is(i + 2, "=") && compound);
        if (!named || first >= tokens.Size() || assigned)
        {
            errors += Message("ERROR", PlaceOf(text, tokens[i].Begin, sourceName), tokens.Word(i),
                              "a swizzle of several matrix elements is taken only when read from a named matrix");
            continue;
        }
        std::string matrix = text.substr(tokens[first].Begin, tokens[i - 1].Begin - tokens[first].Begin);
        const std::size_t lines = std::count(matrix.begin(), matrix.end(), '\n');
        std::replace(matrix.begin(), matrix.end(), '\n', ' ');
        std::string replacement = "float" + std::to_string(elements.size()) + "(";
        for (const std::string& element : elements)
        {
            replacement += (element == elements.front() ? "" : ", ") + matrix + "." + element;
        }
        edits.push_back({tokens[first].Begin, tokens[i].End, replacement + ")" + std::string(lines, '\n')});
    }
    ApplyEdits(text, std::move(edits));
}

// tex1D on a sampler declared without a type reads a 2D texture (that is
// what such a sampler becomes), which glslang writes as invalid code; as a
// tex2D on the texture's middle row it is what D3D9 did.
void UntypedTex1D(std::string& text)
{
    const CTokens tokens(text);
    std::set<std::string> untyped;
    for (std::size_t i = 0; i + 1 < tokens.Size(); ++i)
    {
        if (tokens.Is(i, "sampler") && tokens.IsIdentifier(i + 1))
        {
            untyped.insert(tokens.Word(i + 1));
        }
    }
    std::vector<SEdit> edits;
    for (std::size_t i = 0; i + 3 < tokens.Size(); ++i)
    {
        if (!tokens.Is(i, "tex1D") || !tokens.Is(i + 1, "(") || !untyped.count(tokens.Word(i + 2)) ||
            !tokens.Is(i + 3, ","))
        {
            continue;
        }
        const std::size_t close = tokens.Closing(i + 1);
        if (close >= tokens.Size())
        {
            continue;
        }
        edits.push_back({tokens[i].Begin, tokens[i].End, "tex2D"});
        edits.push_back({tokens[i + 3].End, tokens[i + 3].End, " float2((float)("});
        edits.push_back({tokens[close].Begin, tokens[close].Begin, "), 0.5)"});
    }
    ApplyEdits(text, std::move(edits));
}

const char* const kScalarTypes[] = {"float", "half", "double", "int", "uint", "bool", "min16float", "min10float"};

bool IsScalarType(const std::string& word)
{
    return std::find(std::begin(kScalarTypes), std::end(kScalarTypes), word) != std::end(kScalarTypes);
}

// "float3x3" -> {3, 3}; {0, 0} when word is no matrix type.
std::pair<int, int> MatrixShape(const std::string& word)
{
    for (const char* scalar : kScalarTypes)
    {
        const std::size_t length = std::char_traits<char>::length(scalar);
        if (word.size() == length + 3 && word.compare(0, length, scalar) == 0 && word[length + 1] == 'x' &&
            word[length] >= '1' && word[length] <= '4' && word[length + 2] >= '1' && word[length + 2] <= '4')
        {
            return {word[length] - '0', word[length + 2] - '0'};
        }
    }
    return {0, 0};
}

// glslang takes a matrix's initialiser list only as whole rows or as
// scalars ("{v0, v1, 0, 0, 1}" is refused); its constructor takes any mix,
// as fxc's list does.
void MatrixInitialiserLists(std::string& text)
{
    const CTokens tokens(text);
    std::vector<SEdit> edits;
    for (std::size_t i = 0; i + 3 < tokens.Size(); ++i)
    {
        if (MatrixShape(tokens.Word(i)).first < 2 || MatrixShape(tokens.Word(i)).second < 2 ||
            !tokens.IsIdentifier(i + 1) || !tokens.Is(i + 2, "=") || !tokens.Is(i + 3, "{"))
        {
            continue;
        }
        const std::size_t close = tokens.Closing(i + 3);
        bool flat = close < tokens.Size();
        for (std::size_t t = i + 4; flat && t < close; ++t)
        {
            flat = !tokens.Is(t, "{");
        }
        // A trailing comma is allowed in a list, not in a constructor.
        const std::size_t last = close - 1;
        if (flat)
        {
            edits.push_back({tokens[i + 3].Begin, tokens[i + 3].End, tokens.Word(i) + "("});
            if (tokens.Is(last, ","))
            {
                edits.push_back({tokens[last].Begin, tokens[last].End, " "});
            }
            edits.push_back({tokens[close].Begin, tokens[close].End, ")"});
        }
    }
    ApplyEdits(text, std::move(edits));
}

// A matrix of one row or one column ("float1x3", "float3x1") is not a type
// glslang knows; as the vector it holds it multiplies the same way. A
// variable's row [0] of a 1xN matrix becomes the vector itself, and its
// element swizzles ("_m00_m01") the vector's.
void SingleRowMatrices(std::string& text, const std::string& sourceName, std::string& warnings)
{
    const CTokens tokens(text);
    std::vector<SEdit> edits;
    std::map<std::string, bool> variables; // name -> one row (else one column)
    bool warned = false;
    for (std::size_t i = 0; i < tokens.Size(); ++i)
    {
        const std::string word = tokens.Word(i);
        const std::pair<int, int> shape = tokens.IsIdentifier(i) ? MatrixShape(word) : std::make_pair(0, 0);
        if (shape.first != 1 && shape.second != 1)
        {
            continue;
        }
        const int size = shape.first * shape.second;
        std::string vector = word.substr(0, word.size() - 3);
        if (size > 1)
        {
            vector += std::to_string(size);
        }
        edits.push_back({tokens[i].Begin, tokens[i].End, vector});
        if (tokens.IsIdentifier(i + 1))
        {
            variables[tokens.Word(i + 1)] = shape.first == 1;
        }
        if (!warned)
        {
            warnings += Message("WARNING", PlaceOf(text, tokens[i].Begin, sourceName), word,
                                "a matrix of one row or column is taken as a " + vector);
            warned = true;
        }
    }
    for (std::size_t i = 1; i + 3 < tokens.Size(); ++i)
    {
        const auto found = variables.find(tokens.Word(i));
        if (found == variables.end() || tokens.Is(i - 1, ".") || tokens.Is(i + 1, "("))
        {
            continue;
        }
        if (found->second && tokens.Is(i + 1, "[") && tokens.Is(i + 2, "0") && tokens.Is(i + 3, "]"))
        {
            edits.push_back({tokens[i + 1].Begin, tokens[i + 3].End, ""});
        }
        const std::vector<std::string> elements =
            tokens.Is(i + 1, ".") ? MatrixElements(tokens.Word(i + 2)) : std::vector<std::string>();
        std::string swizzle;
        for (const std::string& element : elements)
        {
            const char low = element[1] == 'm' ? '0' : '1';
            const int row = element[element.size() - 2] - low;
            const int column = element[element.size() - 1] - low;
            if ((found->second ? row : column) != 0)
            {
                swizzle.clear();
                break;
            }
            swizzle += "xyzw"[found->second ? column : row];
        }
        if (!swizzle.empty())
        {
            edits.push_back({tokens[i + 2].Begin, tokens[i + 2].End, swizzle});
        }
    }
    ApplyEdits(text, std::move(edits));
}

// "(float[4])v" is no cast glslang knows; in an array's initialiser it is
// the list of v's elements.
void VectorToArrayCasts(std::string& text, const std::string& sourceName, std::string& errors)
{
    const CTokens tokens(text);
    std::vector<SEdit> edits;
    for (std::size_t i = 0; i + 6 < tokens.Size(); ++i)
    {
        if (!tokens.Is(i, "(") || !IsScalarType(tokens.Word(i + 1)) || !tokens.Is(i + 2, "[") ||
            tokens[i + 3].Kind != kNumber || !tokens.Is(i + 4, "]") || !tokens.Is(i + 5, ")"))
        {
            continue;
        }
        // The operand: a name with members and indices, up to the list's end.
        std::size_t end = i + 6;
        while (end < tokens.Size() && !tokens.Is(end, ";") && !tokens.Is(end, ","))
        {
            end = tokens.Is(end, "[") || tokens.Is(end, "(") ? tokens.Closing(end) + 1 : end + 1;
        }
        const int count = std::atoi(tokens.Word(i + 3).c_str());
        const bool initialiser = i > 0 && tokens.Is(i - 1, "=") && tokens.Is(i - 2, "]") && tokens.Is(end, ";");
        if (!initialiser || count < 1 || count > 4 || end >= tokens.Size())
        {
            errors += Message("ERROR", PlaceOf(text, tokens[i].Begin, sourceName), tokens.Word(i + 1),
                              "a cast of a vector to an array is taken only as an array's initialiser");
            continue;
        }
        const std::string operand = text.substr(tokens[i + 6].Begin, tokens[end - 1].End - tokens[i + 6].Begin);
        std::string list = "{";
        for (int e = 0; e < count; ++e)
        {
            list += (e ? ", (" : "(") + operand + ")[" + std::to_string(e) + "]";
        }
        edits.push_back({tokens[i].Begin, tokens[end - 1].End, list + "}"});
    }
    ApplyEdits(text, std::move(edits));
}

// "register(c5)" (or "register(vs, c5)") on a global constant: glslang
// would place it at that offset, which GLSL ES cannot express. The program
// sets constants by name, so the block keeps declaration order and the
// register is only reported.
void ConstantRegisters(std::string& text, std::vector<std::pair<std::string, int>>& registers)
{
    const CTokens tokens(text);
    std::vector<SEdit> edits;
    int depth = 0;
    for (std::size_t i = 0; i + 4 < tokens.Size(); ++i)
    {
        depth += tokens.Is(i, "{") ? 1 : tokens.Is(i, "}") ? -1 : 0;
        if (depth != 0 || !tokens.Is(i, ":") || !tokens.Is(i + 1, "register") || !tokens.Is(i + 2, "("))
        {
            continue;
        }
        const std::size_t close = tokens.Closing(i + 2);
        const std::string slot = close < tokens.Size() ? tokens.Word(close - 1) : std::string();
        if (slot.size() < 2 || (slot[0] != 'c' && slot[0] != 'C') ||
            slot.find_first_not_of("0123456789", 1) != std::string::npos)
        {
            continue;
        }
        std::size_t name = i - 1;
        if (tokens.Is(name, "]"))
        {
            name = tokens.Opening(name) - 1;
        }
        if (name >= tokens.Size() || !tokens.IsIdentifier(name))
        {
            continue;
        }
        registers.emplace_back(tokens.Word(name), std::atoi(slot.c_str() + 1));
        std::string blank = text.substr(tokens[i].Begin, tokens[close].End - tokens[i].Begin);
        for (char& c : blank)
        {
            c = c == '\n' ? c : ' ';
        }
        edits.push_back({tokens[i].Begin, tokens[close].End, blank});
    }
    ApplyEdits(text, std::move(edits));
}

// The noise intrinsic (fxc's is for texture shaders only) crashes glslang:
// refused before it gets there, unless the file has a noise of its own.
void NoiseIntrinsic(const std::string& text, const std::string& sourceName, std::string& errors)
{
    if (text.find("define noise") != std::string::npos)
    {
        return; // a macro of the file's own
    }
    const CTokens tokens(text);
    std::vector<std::size_t> calls;
    for (std::size_t i = 0; i + 1 < tokens.Size(); ++i)
    {
        if (!tokens.Is(i, "noise") || !tokens.Is(i + 1, "(") || (i > 0 && tokens.Is(i - 1, ".")))
        {
            continue;
        }
        if (i > 0 && tokens.IsIdentifier(i - 1) && !IsStatementWord(tokens.Word(i - 1)))
        {
            return; // a function of the file's own
        }
        calls.push_back(i);
    }
    if (!calls.empty())
    {
        errors += Message("ERROR", PlaceOf(text, tokens[calls.front()].Begin, sourceName), "noise",
                          "the noise intrinsic is not supported (fxc takes it only in texture shaders)");
    }
}

} // namespace

void RewriteHabits(std::string& text, const std::string& sourceName, const TMacros& predefined,
                   std::string& warnings, std::string& errors, std::vector<std::pair<std::string, int>>& registers)
{
    if (text.find("register") != std::string::npos)
    {
        ConstantRegisters(text, registers);
    }
    if (text.find("define") != std::string::npos)
    {
        RedefinedMacros(text, sourceName, predefined, warnings);
    }
    if (text.find("for") != std::string::npos)
    {
        LoopVariablesUsedAfter(text, sourceName, warnings);
    }
    if (text.find('x') != std::string::npos)
    {
        SingleRowMatrices(text, sourceName, warnings);
        MatrixInitialiserLists(text);
    }
    if (text.find("])") != std::string::npos)
    {
        VectorToArrayCasts(text, sourceName, errors);
    }
    if (text.find("._") != std::string::npos)
    {
        MatrixSwizzles(text, sourceName, errors);
    }
    if (text.find("tex1D") != std::string::npos)
    {
        UntypedTex1D(text);
    }
    if (text.find("noise") != std::string::npos)
    {
        NoiseIntrinsic(text, sourceName, errors);
    }
}

} // namespace gen
