// Effect-file syntax out of HLSL source, into records (EffectFile.h).

#include "Platform/EffectFile.h"

#include "Platform/HlslTokens.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace gen
{

namespace
{

struct SScanner
{
    std::string& Text;
    std::vector<SToken> Tokens;

    std::string Word(std::size_t i) const
    {
        return i < Tokens.size() ? Text.substr(Tokens[i].Begin, Tokens[i].End - Tokens[i].Begin) : std::string();
    }
    bool Is(std::size_t i, const char* word) const { return i < Tokens.size() && Word(i) == word; }
    bool IsIdentifier(std::size_t i) const { return i < Tokens.size() && Tokens[i].Kind == kIdentifier; }

    // The text from token first to token last, both included.
    std::string Span(std::size_t first, std::size_t last) const
    {
        return first > last || last >= Tokens.size() ? std::string()
                                                      : Text.substr(Tokens[first].Begin, Tokens[last].End - Tokens[first].Begin);
    }

    // Spaces over tokens first..last, newlines kept.
    void Blank(std::size_t first, std::size_t last)
    {
        if (first > last || last >= Tokens.size())
        {
            return;
        }
        for (std::size_t c = Tokens[first].Begin; c < Tokens[last].End; ++c)
        {
            if (Text[c] != '\n')
            {
                Text[c] = ' ';
            }
        }
    }

    // The token closing the bracket opened at i ('(', '{', '[' or '<'), or
    // the last token when it is never closed.
    std::size_t Closing(std::size_t i) const
    {
        const std::string open = Word(i);
        const std::string close = open == "(" ? ")" : open == "{" ? "}" : open == "[" ? "]" : ">";
        int depth = 0;
        for (std::size_t k = i; k < Tokens.size(); ++k)
        {
            const std::string w = Word(k);
            if (w == open)
            {
                ++depth;
            }
            else if (w == close && --depth == 0)
            {
                return k;
            }
        }
        return Tokens.size() - 1;
    }

    // The first ';' at depth 0 from i, or a '{' there when stopAtBrace.
    std::size_t StatementEnd(std::size_t i, bool stopAtBrace) const
    {
        int depth = 0;
        for (std::size_t k = i; k < Tokens.size(); ++k)
        {
            const std::string w = Word(k);
            if (depth == 0 && (w == ";" || (stopAtBrace && w == "{")))
            {
                return k;
            }
            if (w == "(" || w == "[" || w == "{")
            {
                ++depth;
            }
            else if (w == ")" || w == "]" || w == "}")
            {
                --depth;
            }
        }
        return Tokens.size();
    }
};

bool IsTemplateType(const std::string& word)
{
    return word == "vector" || word == "matrix" || word.rfind("Texture", 0) == 0 || word.rfind("RWTexture", 0) == 0 ||
           word.find("Buffer") != std::string::npos;
}

bool IsSamplerType(const std::string& word)
{
    return word == "sampler" || word == "sampler1D" || word == "sampler2D" || word == "sampler3D" ||
           word == "samplerCUBE" || word == "sampler_state" || word == "SamplerState";
}

// DX9's texture object types; "Texture2D" and its kin are DX10 objects that
// glslang knows, taken out only when a sampler state names them.
bool IsDx9TextureType(const std::string& word)
{
    return word == "texture" || word == "Texture" || word == "texture1D" || word == "texture2D" ||
           word == "texture3D" || word == "textureCUBE" || word == "textureCube";
}

bool IsDx10TextureType(const std::string& word)
{
    return word == "Texture1D" || word == "Texture2D" || word == "Texture3D" || word == "TextureCube";
}

bool IsQualifier(const std::string& word)
{
    return word == "uniform" || word == "extern" || word == "shared" || word == "volatile" || word == "row_major" ||
           word == "column_major";
}

bool IsConstructorType(const std::string& word)
{
    for (const char* base : {"float", "half", "double", "int", "uint", "bool", "min16float", "min10float"})
    {
        if (word.rfind(base, 0) == 0)
        {
            const std::string rest = word.substr(std::strlen(base));
            if (rest.empty() || rest.find_first_not_of("0123456789x") == std::string::npos)
            {
                return true;
            }
        }
    }
    return false;
}

struct SRewriter : SScanner
{
    SEffect& Effect;
    struct STextureDeclaration
    {
        std::size_t First, Last;
        std::string Name;
        bool Dx9;
    };
    std::vector<STextureDeclaration> TextureDeclarations;

    SRewriter(std::string& text, SEffect& effect) : SScanner{text, Tokenise(text)}, Effect(effect) {}

    // An annotation "<...>" in a declaration from first to last: blanked,
    // its text returned.
    std::string TakeAnnotation(std::size_t first)
    {
        for (std::size_t k = first + 1; k < Tokens.size(); ++k)
        {
            if (Is(k, "=") || Is(k, "{") || Is(k, ";"))
            {
                break;
            }
            if (!Is(k, "<"))
            {
                continue;
            }
            const bool afterName = IsIdentifier(k - 1) && !IsTemplateType(Word(k - 1)) && k >= first + 2 &&
                                   (IsIdentifier(k - 2) || Is(k - 2, ":"));
            if (afterName || Is(k - 1, ")") || Is(k - 1, "]"))
            {
                const std::size_t close = Closing(k);
                const std::string annotation = Span(k, close);
                Blank(k, close);
                return annotation;
            }
        }
        return std::string();
    }

    // Name = value; ... inside the braces open..close.
    std::vector<SEffectState> States(std::size_t open, std::size_t close) const
    {
        std::vector<SEffectState> states;
        std::size_t k = open + 1;
        while (k < close)
        {
            const std::size_t end = std::min(StatementEnd(k, false), close);
            std::size_t equals = k;
            while (equals < end && !Is(equals, "="))
            {
                ++equals;
            }
            if (equals < end)
            {
                states.push_back({Span(k, equals - 1), Span(equals + 1, end - 1)});
            }
            k = end + 1;
        }
        return states;
    }

    std::size_t Sampler(std::size_t first)
    {
        std::size_t name = first;
        while (name < Tokens.size() && !(IsIdentifier(name) && IsSamplerType(Word(name))))
        {
            ++name;
        }
        ++name;
        TakeAnnotation(first);
        const std::size_t end = StatementEnd(first, true);
        if (end >= Tokens.size() || Is(end, ";"))
        {
            return end;
        }
        // end is the '{' of the states: "= sampler_state {" or the XNA form.
        const std::size_t close = Closing(end);
        SEffectSampler sampler{Word(name), "", States(end, close)};
        for (const SEffectState& state : sampler.States)
        {
            if (state.Name == "Texture" || state.Name == "texture")
            {
                sampler.Texture = state.Value;
                for (const char* bracket : {"<", ">", "(", ")", " "})
                {
                    for (std::size_t at; (at = sampler.Texture.find(bracket)) != std::string::npos;)
                    {
                        sampler.Texture.erase(at, 1);
                    }
                }
            }
        }
        Effect.Samplers.push_back(sampler);
        std::size_t from = end;
        if (Is(end - 1, "sampler_state") && Is(end - 2, "="))
        {
            from = end - 2;
        }
        const bool semicolon = Is(close + 1, ";");
        Blank(from, semicolon ? close + 1 : close);
        Text[Tokens[from].Begin] = ';';
        return semicolon ? close + 1 : close;
    }

    SEffectEntry Entry(std::size_t first, std::size_t last) const
    {
        // compile PROFILE FUNC(ARGS) or CompileShader(PROFILE, FUNC(ARGS))
        SEffectEntry entry;
        std::size_t k = first;
        if (Is(k, "compile"))
        {
            entry.Profile = Word(k + 1);
            k += 2;
        }
        else if (Is(k, "CompileShader") && Is(k + 1, "("))
        {
            entry.Profile = Word(k + 2);
            k += 4;
        }
        else
        {
            return entry;
        }
        if (!IsIdentifier(k) || !Is(k + 1, "("))
        {
            return entry;
        }
        entry.Function = Word(k);
        const std::size_t close = std::min(Closing(k + 1), last);
        std::size_t start = k + 2;
        int depth = 0;
        for (std::size_t a = k + 2; a <= close; ++a)
        {
            if (Is(a, "(") || Is(a, "{"))
            {
                ++depth;
            }
            else if ((Is(a, ")") || Is(a, "}")) && a != close)
            {
                --depth;
            }
            if ((Is(a, ",") && depth == 0) || a == close)
            {
                if (a > start)
                {
                    entry.Arguments.push_back(Span(start, a - 1));
                }
                start = a + 1;
            }
        }
        return entry;
    }

    // "NAME <annotations>" after technique or pass, both optional: the
    // token after them.
    std::size_t NameAndAnnotations(std::size_t k, std::string& name, std::string& annotations) const
    {
        if (IsIdentifier(k))
        {
            name = Word(k++);
        }
        if (Is(k, "<"))
        {
            const std::size_t close = Closing(k);
            annotations = Span(k, close);
            k = close + 1;
        }
        return k;
    }

    std::size_t Technique(std::size_t first)
    {
        SEffectTechnique technique;
        const std::size_t k = NameAndAnnotations(first + 1, technique.Name, technique.Annotations);
        if (!Is(k, "{"))
        {
            return k; // not a technique after all: glslang will say what it is
        }
        const std::size_t close = Closing(k);
        for (std::size_t p = k + 1; p < close;)
        {
            if (!Is(p, "pass") && !Is(p, "Pass"))
            {
                ++p;
                continue;
            }
            SEffectPass pass;
            const std::size_t q = NameAndAnnotations(p + 1, pass.Name, pass.Annotations);
            if (!Is(q, "{"))
            {
                p = q;
                continue;
            }
            const std::size_t passClose = Closing(q);
            for (std::size_t s = q + 1; s < passClose;)
            {
                const std::size_t end = std::min(StatementEnd(s, false), passClose);
                const std::string name = Word(s);
                std::string lower;
                for (const char c : name)
                {
                    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                }
                if ((lower == "vertexshader" || lower == "pixelshader") && Is(s + 1, "="))
                {
                    (lower == "vertexshader" ? pass.Vertex : pass.Pixel) = Entry(s + 2, end - 1);
                }
                else if ((name == "SetVertexShader" || name == "SetPixelShader") && Is(s + 1, "("))
                {
                    (name == "SetVertexShader" ? pass.Vertex : pass.Pixel) = Entry(s + 2, end - 1);
                }
                else
                {
                    std::size_t equals = s;
                    while (equals < end && !Is(equals, "="))
                    {
                        ++equals;
                    }
                    pass.States.push_back(equals < end ? SEffectState{Span(s, equals - 1), Span(equals + 1, end - 1)}
                                                       : SEffectState{Span(s, end - 1), ""});
                }
                s = end + 1;
            }
            technique.Passes.push_back(pass);
            p = passClose + 1;
        }
        Effect.Techniques.push_back(technique);
        const std::size_t last = Is(close + 1, ";") ? close + 1 : close;
        Blank(first, last);
        return last;
    }

    // A global variable's literal initialiser, or nothing.
    std::vector<float> Literals(std::size_t first, std::size_t last) const
    {
        std::vector<float> values;
        bool negative = false;
        for (std::size_t k = first; k <= last; ++k)
        {
            const std::string w = Word(k);
            if (Tokens[k].Kind == kNumber)
            {
                const float value = std::strtof(w.c_str(), nullptr);
                values.push_back(negative ? -value : value);
                negative = false;
            }
            else if (w == "true" || w == "false")
            {
                values.push_back(w == "true" ? 1.0f : 0.0f);
            }
            else if (w == "-")
            {
                negative = !negative;
            }
            else if (!(w == "(" || w == ")" || w == "{" || w == "}" || w == "," || w == "+" || IsConstructorType(w)))
            {
                return {};
            }
        }
        return values;
    }

    std::size_t Declaration(std::size_t first)
    {
        // Blanked first: an annotation holds ';' of its own.
        const std::string annotations = TakeAnnotation(first);
        const std::size_t end = StatementEnd(first, true);
        if (end >= Tokens.size())
        {
            return end;
        }
        if (Is(end, "{"))
        {
            bool initialiser = false;
            for (std::size_t k = first; k < end; ++k)
            {
                initialiser = initialiser || Is(k, "=");
            }
            if (!initialiser)
            {
                // A function, structure or constant buffer: skipped whole.
                const std::size_t close = Closing(end);
                return Is(close + 1, ";") ? close + 1 : close;
            }
        }
        const std::size_t last = Is(end, ";") ? end : StatementEnd(end, false);
        std::size_t k = first;
        while (k < last && IsQualifier(Word(k)))
        {
            ++k;
        }
        const std::string type = Word(k);
        if (type == "static" || type == "const" || type == "typedef" || type == "struct" || type == "cbuffer" ||
            type == "tbuffer" || last >= Tokens.size())
        {
            return last;
        }
        if (IsDx9TextureType(type) || (IsDx10TextureType(type) && !Is(k + 1, "<")))
        {
            TextureDeclarations.push_back({first, last, Word(k + 1), IsDx9TextureType(type)});
            Effect.Textures.push_back(Word(k + 1));
            return last;
        }
        if (type == "string")
        {
            SEffectString string{Word(k + 1), "", annotations};
            for (std::size_t s = k + 2; s < last; ++s)
            {
                if (Tokens[s].Kind == kString)
                {
                    string.Value = Word(s).substr(1, Word(s).size() - 2);
                }
            }
            Effect.Strings.push_back(string);
            Blank(first, last);
            return last;
        }
        // The name is the identifier before the first of ':', '[', '=' and ';'.
        std::size_t name = k + 1;
        while (name + 1 < last && !Is(name + 1, ":") && !Is(name + 1, "[") && !Is(name + 1, "=") &&
               Text[Tokens[name + 1].Begin] != ' ') // an annotation, blanked
        {
            ++name;
        }
        if (!IsIdentifier(name) || Is(name + 1, "("))
        {
            return last;
        }
        SEffectGlobal global{Word(name), annotations, {}};
        for (std::size_t e = name; e < last; ++e)
        {
            if (Is(e, "="))
            {
                global.Default = Literals(e + 1, last - 1);
                break;
            }
        }
        Effect.Globals.push_back(global);
        return last;
    }

    void Run()
    {
        for (std::size_t i = 0; i < Tokens.size(); ++i)
        {
            const std::string word = Word(i);
            if (word == "technique" || word == "technique9" || word == "technique10" || word == "technique11" ||
                word == "Technique")
            {
                i = Technique(i);
                continue;
            }
            std::size_t k = i;
            while (k < Tokens.size() && IsQualifier(Word(k)))
            {
                ++k;
            }
            if (IsSamplerType(Word(k)) && IsIdentifier(k + 1))
            {
                i = Sampler(i);
                continue;
            }
            if (Tokens[i].Kind == kPunctuation && word == ";")
            {
                continue;
            }
            i = Declaration(i);
        }
        for (const STextureDeclaration& texture : TextureDeclarations)
        {
            bool sampled = texture.Dx9;
            for (const SEffectSampler& sampler : Effect.Samplers)
            {
                sampled = sampled || sampler.Texture == texture.Name;
            }
            if (sampled)
            {
                Blank(texture.First, texture.Last);
            }
        }
    }
};

} // namespace

void RewriteEffect(std::string& text, SEffect& effect)
{
    SRewriter rewriter(text, effect);
    rewriter.Run();
}

bool AddEntryWrapper(std::string& text, const std::string& function, const std::vector<std::string>& arguments,
                     const std::string& wrapper, std::string& error)
{
    SScanner scanner{text, Tokenise(text)};
    for (std::size_t i = 1; i + 1 < scanner.Tokens.size(); ++i)
    {
        if (!scanner.Is(i, function.c_str()) || !scanner.Is(i + 1, "(") || !scanner.IsIdentifier(i - 1))
        {
            continue;
        }
        const std::size_t close = scanner.Closing(i + 1);
        std::size_t body = close + 1;
        std::string semantic;
        if (scanner.Is(body, ":"))
        {
            semantic = " : " + scanner.Word(body + 1);
            body += 2;
        }
        if (!scanner.Is(body, "{"))
        {
            continue; // a declaration or a call
        }
        std::size_t typeStart = i - 1;
        while (typeStart > 0 && scanner.IsIdentifier(typeStart - 1) && !scanner.Is(typeStart - 1, "inline") &&
               !scanner.Is(typeStart - 1, "static"))
        {
            --typeStart;
        }
        const std::string returnType = scanner.Span(typeStart, i - 1);
        // Parameters: split at the commas outside brackets.
        std::vector<std::pair<std::size_t, std::size_t>> parameters;
        std::size_t start = i + 2;
        int depth = 0;
        for (std::size_t k = i + 2; k <= close; ++k)
        {
            if (scanner.Is(k, "(") || scanner.Is(k, "["))
            {
                ++depth;
            }
            else if ((scanner.Is(k, ")") || scanner.Is(k, "]")) && k != close)
            {
                --depth;
            }
            if ((depth == 0 && scanner.Is(k, ",")) || k == close)
            {
                if (k > start)
                {
                    parameters.emplace_back(start, k - 1);
                }
                start = k + 1;
            }
        }
        std::string signature;
        std::string call;
        std::size_t used = 0;
        for (const auto& parameter : parameters)
        {
            bool uniform = false;
            bool placed = false;
            std::size_t name = parameter.second;
            for (std::size_t k = parameter.first; k <= parameter.second; ++k)
            {
                uniform = uniform || scanner.Is(k, "uniform");
                if ((scanner.Is(k, ":") || scanner.Is(k, "[") || scanner.Is(k, "=")) && name == parameter.second)
                {
                    name = k - 1;
                }
                placed = placed || scanner.Is(k, ":");
            }
            std::size_t typeToken = parameter.first;
            while (typeToken < name && (scanner.Is(typeToken, "in") || scanner.Is(typeToken, "out") ||
                                        scanner.Is(typeToken, "inout") || IsQualifier(scanner.Word(typeToken))))
            {
                ++typeToken;
            }
            // A DX9 entry's parameter with no semantic is uniform, unless it
            // is a structure carrying its semantics inside.
            uniform = uniform || (!placed && IsConstructorType(scanner.Word(typeToken)));
            call += call.empty() ? "" : ", ";
            if (uniform && used < arguments.size())
            {
                call += "(" + arguments[used++] + ")";
            }
            else
            {
                signature += (signature.empty() ? "" : ", ") + scanner.Span(parameter.first, parameter.second);
                call += scanner.Word(name);
            }
        }
        if (used != arguments.size())
        {
            error = function + " has " + std::to_string(used) + " uniform parameters for the " +
                    std::to_string(arguments.size()) + " arguments given";
            return false;
        }
        text += "\n" + returnType + " " + wrapper + "(" + signature + ")" + semantic + "\n{\n    " +
                (returnType == "void" ? "" : "return ") + function + "(" + call + ");\n}\n";
        return true;
    }
    error = "no function " + function + " with a body";
    return false;
}

} // namespace gen
