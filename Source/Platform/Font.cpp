// The text font: glyphs rasterised by SDL_ttf (FreeType) into one atlas,
// drawn as screen-aligned quads with their own small GL program.

#include "Platform/CFont.h"

#include "Common/Problems.h"
#include "Platform/DeviceGL.h"
#include "Platform/FontLocator.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

namespace gen
{

namespace
{

// The largest point size whose cell (ascent + descent) fits `cell` pixels,
// as a D3DX font's height is its cell height; `open` opens the face at a size.
TTF_Font* OpenFitting(const std::function<TTF_Font*(int)>& open, int cell)
{
    for (int size = cell; size >= 4; --size)
    {
        TTF_Font* candidate = open(size);
        if (!candidate)
        {
            return nullptr;
        }
        if (TTF_FontHeight(candidate) <= cell || size == 4)
        {
            return candidate;
        }
        TTF_CloseFont(candidate);
    }
    return nullptr;
}

// The system's files for the face in turn, then the data it matches to the
// face (kept in `data` while the font is open).
TTF_Font* OpenSystemFont(const std::string& face, bool bold, int cell, std::vector<std::uint8_t>& data)
{
    for (const std::string& file : SystemFontFiles(face, bold))
    {
        if (TTF_Font* font = OpenFitting([&file](int size) { return TTF_OpenFont(file.c_str(), size); }, cell))
        {
            return font;
        }
    }
    data = SystemFontData(face, bold);
    if (data.empty())
    {
        return nullptr;
    }
    return OpenFitting(
        [&data](int size) {
            return TTF_OpenFontRW(SDL_RWFromConstMem(data.data(), static_cast<int>(data.size())), 1, size);
        },
        cell);
}

constexpr int kFirstGlyph = 32;
constexpr int kGlyphCount = 256 - kFirstGlyph; // byte strings: Latin-1

struct SGlyph
{
    std::int32_t Width = 0, Height = 0, Advance = 0;
    float U0 = 0, V0 = 0, U1 = 0, V1 = 0;
    bool Present = false;
};

// The bodies; the GL profile's header goes first.
const char* const kFontVertex = "layout(location = 0) in vec4 a_Vertex;\n"
                                "uniform vec2 TargetSize;\n"
                                "out vec2 v_UV;\n"
                                "void main()\n"
                                "{\n"
                                "    v_UV = a_Vertex.zw;\n"
                                "    gl_Position = vec4(a_Vertex.xy * 2.0 / TargetSize - 1.0, 0.0, 1.0);\n"
                                "}\n";
const char* const kFontPixel = "uniform sampler2D Atlas;\n"
                               "uniform vec4 Colour;\n"
                               "in vec2 v_UV;\n"
                               "layout(location = 0) out vec4 Result;\n"
                               "void main()\n"
                               "{\n"
                               "    Result = vec4(Colour.rgb, Colour.a * texture(Atlas, v_UV).r);\n"
                               "}\n";

class CFontGL : public CFont, public CDeviceChild
{
public:
    explicit CFontGL(CDeviceGL* device) : CDeviceChild(device) { device->DefaultPoolCreated(); }

    ~CFontGL() override
    {
        if (!Alive())
        {
            return;
        }
        GetDeviceGL()->DefaultPoolDestroyed();
        glDeleteTextures(1, &Atlas);
        glDeleteSamplers(1, &Sampler);
        glDeleteBuffers(1, &Buffer);
        glDeleteVertexArrays(1, &VertexArray);
        glDeleteProgram(Program);
    }

    bool Create(std::int32_t height, std::uint32_t weight, const std::string& face)
    {
        if (!TTF_WasInit() && TTF_Init() != 0)
        {
            return false;
        }
        const int cell = std::max(4, height < 0 ? -height : height);
        std::vector<std::uint8_t> data;
        TTF_Font* font = OpenSystemFont(face, weight >= 600, cell, data);
        if (!font)
        {
            ReportProblem("font", "no system font for \"" + face + "\" opens: " + std::string(TTF_GetError()));
            return false;
        }
        LineHeight = TTF_FontHeight(font);
        const bool ok = BuildAtlas(font);
        TTF_CloseFont(font);
        return ok && BuildProgram();
    }

    std::int32_t MeasureLine(const std::string& line) const override
    {
        std::int32_t width = 0;
        for (unsigned char c : line)
        {
            width += Glyph(c).Advance;
        }
        return width;
    }

    std::int32_t GetLineHeight() const override { return LineHeight; }

    std::int32_t DrawText(const std::string& text, const SRect& rect, std::uint32_t format,
                          std::uint32_t colour) override
    {
        if (!Alive())
        {
            return 0;
        }
        CDeviceGL* device = GetDeviceGL();
        Vertices.clear();
        std::int32_t y = rect.Top;
        std::size_t start = 0;
        std::int32_t lines = 0;
        while (start <= text.size())
        {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
            {
                end = text.size();
            }
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
            {
                line.pop_back();
            }
            const std::int32_t width = MeasureLine(line);
            std::int32_t x = rect.Left;
            if (format & kDTCenter)
            {
                x = (rect.Left + rect.Right - width) / 2;
            }
            else if (format & kDTRight)
            {
                x = rect.Right - width;
            }
            for (unsigned char c : line)
            {
                const SGlyph& g = Glyph(c);
                if (g.Present)
                {
                    AddQuad(static_cast<float>(x), static_cast<float>(y), g);
                }
                x += g.Advance;
            }
            y += LineHeight;
            ++lines;
            start = end + 1;
        }
        if (!Vertices.empty())
        {
            Draw(device, rect, format, colour);
        }
        return lines * LineHeight;
    }

private:
    const SGlyph& Glyph(unsigned char c) const
    {
        static const SGlyph kNone;
        if (c < kFirstGlyph)
        {
            return kNone;
        }
        return Glyphs[c - kFirstGlyph];
    }

    bool BuildAtlas(TTF_Font* font)
    {
        // Rasterise every glyph, then pack them in rows of a square-ish atlas.
        std::vector<SDL_Surface*> surfaces(kGlyphCount, nullptr);
        int total = 0;
        for (int i = 0; i < kGlyphCount; ++i)
        {
            const Uint32 ch = static_cast<Uint32>(kFirstGlyph + i);
            if (!TTF_GlyphIsProvided32(font, ch))
            {
                continue;
            }
            int minX, maxX, minY, maxY, advance;
            if (TTF_GlyphMetrics32(font, ch, &minX, &maxX, &minY, &maxY, &advance) != 0)
            {
                continue;
            }
            Glyphs[i].Advance = advance;
            SDL_Surface* rendered = TTF_RenderGlyph32_Blended(font, ch, SDL_Color{255, 255, 255, 255});
            if (!rendered)
            {
                continue;
            }
            surfaces[i] = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_RGBA32, 0);
            SDL_FreeSurface(rendered);
            if (surfaces[i])
            {
                total += (surfaces[i]->w + 1) * (surfaces[i]->h + 1);
            }
        }
        int atlasWidth = 64;
        while (atlasWidth * atlasWidth < total * 2)
        {
            atlasWidth *= 2;
        }
        int penX = 0, penY = 0, rowHeight = 0;
        for (int i = 0; i < kGlyphCount; ++i)
        {
            if (!surfaces[i])
            {
                continue;
            }
            if (penX + surfaces[i]->w + 1 > atlasWidth)
            {
                penX = 0;
                penY += rowHeight + 1;
                rowHeight = 0;
            }
            Glyphs[i].Width = surfaces[i]->w;
            Glyphs[i].Height = surfaces[i]->h;
            Glyphs[i].U0 = static_cast<float>(penX);
            Glyphs[i].V0 = static_cast<float>(penY);
            penX += surfaces[i]->w + 1;
            rowHeight = std::max(rowHeight, surfaces[i]->h);
        }
        const int atlasHeight = penY + rowHeight + 1;
        std::vector<std::uint8_t> coverage(static_cast<std::size_t>(atlasWidth) * static_cast<std::size_t>(atlasHeight), 0);
        for (int i = 0; i < kGlyphCount; ++i)
        {
            SDL_Surface* s = surfaces[i];
            if (!s)
            {
                continue;
            }
            SDL_LockSurface(s);
            const int ox = static_cast<int>(Glyphs[i].U0);
            const int oy = static_cast<int>(Glyphs[i].V0);
            for (int row = 0; row < s->h; ++row)
            {
                const std::uint8_t* src = static_cast<const std::uint8_t*>(s->pixels) + row * s->pitch;
                for (int col = 0; col < s->w; ++col)
                {
                    coverage[static_cast<std::size_t>(oy + row) * static_cast<std::size_t>(atlasWidth) +
                             static_cast<std::size_t>(ox + col)] = src[col * 4 + 3];
                }
            }
            SDL_UnlockSurface(s);
            SDL_FreeSurface(s);
            SGlyph& g = Glyphs[i];
            g.U1 = (g.U0 + static_cast<float>(g.Width)) / static_cast<float>(atlasWidth);
            g.V1 = (g.V0 + static_cast<float>(g.Height)) / static_cast<float>(atlasHeight);
            g.U0 /= static_cast<float>(atlasWidth);
            g.V0 /= static_cast<float>(atlasHeight);
            g.Present = g.Width > 0 && g.Height > 0;
        }
        glGenTextures(1, &Atlas);
        glBindTexture(GL_TEXTURE_2D, Atlas);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, atlasWidth, atlasHeight, 0, GL_RED, GL_UNSIGNED_BYTE, coverage.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenSamplers(1, &Sampler);
        glSamplerParameteri(Sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(Sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(Sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(Sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        return true;
    }

    bool BuildProgram()
    {
        const GLuint vs = CompileGlslStage(GL_VERTEX_SHADER, kGlslHeader + std::string(kFontVertex), "font");
        const GLuint ps = CompileGlslStage(GL_FRAGMENT_SHADER, kGlslHeader + std::string(kFontPixel), "font");
        if (vs && ps)
        {
            Program = LinkGlslProgram(vs, ps, "font");
        }
        if (vs)
        {
            glDeleteShader(vs);
        }
        if (ps)
        {
            glDeleteShader(ps);
        }
        if (!Program)
        {
            return false;
        }
        TargetSize = glGetUniformLocation(Program, "TargetSize");
        Colour = glGetUniformLocation(Program, "Colour");
        glUseProgram(Program);
        glUniform1i(glGetUniformLocation(Program, "Atlas"), 0);
        glGenVertexArrays(1, &VertexArray);
        glGenBuffers(1, &Buffer);
        glBindVertexArray(VertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, Buffer);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 16, nullptr);
        glBindVertexArray(GetDeviceGL()->GetVertexArray());
        return true;
    }

    void AddQuad(float x, float y, const SGlyph& g)
    {
        const float x1 = x + static_cast<float>(g.Width);
        const float y1 = y + static_cast<float>(g.Height);
        const float quad[6][4] = {{x, y, g.U0, g.V0},  {x1, y, g.U1, g.V0},  {x, y1, g.U0, g.V1},
                                  {x1, y, g.U1, g.V0}, {x1, y1, g.U1, g.V1}, {x, y1, g.U0, g.V1}};
        for (const auto& v : quad)
        {
            Vertices.insert(Vertices.end(), v, v + 4);
        }
    }

    void Draw(CDeviceGL* device, const SRect& rect, std::uint32_t format, std::uint32_t colour)
    {
        // Pixel edges sit on whole GL window coordinates, so glyph texels
        // land on whole pixels (memory row 0 is the top, Conventions.h).
        glUseProgram(Program);
        glUniform2f(TargetSize, static_cast<float>(device->GetTargetWidth()),
                    static_cast<float>(device->GetTargetHeight()));
        glUniform4f(Colour, static_cast<float>((colour >> 16) & 0xFF) / 255.0f,
                    static_cast<float>((colour >> 8) & 0xFF) / 255.0f, static_cast<float>(colour & 0xFF) / 255.0f,
                    static_cast<float>((colour >> 24) & 0xFF) / 255.0f);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_STENCIL_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        device->ApplyRenderTargetMasks();
        if (format & kDTNoClip)
        {
            glDisable(GL_SCISSOR_TEST);
        }
        else
        {
            glEnable(GL_SCISSOR_TEST);
            glScissor(rect.Left, rect.Top, std::max(0, rect.Right - rect.Left), std::max(0, rect.Bottom - rect.Top));
        }
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, Atlas);
        glBindSampler(0, Sampler);
        glBindVertexArray(VertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, Buffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(Vertices.size() * sizeof(float)), Vertices.data(),
                     GL_STREAM_DRAW);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(Vertices.size() / 4));
        glDisable(GL_SCISSOR_TEST);
        device->RestoreSampler(0);
        glBindVertexArray(device->GetVertexArray());
    }

    SGlyph Glyphs[kGlyphCount];
    std::int32_t LineHeight = 0;
    GLuint Atlas = 0, Sampler = 0, Program = 0, VertexArray = 0, Buffer = 0;
    GLint TargetSize = -1, Colour = -1;
    std::vector<float> Vertices;
};

} // namespace

CFont* CDeviceGL::CreateFont(std::int32_t height, std::uint32_t weight, const std::string& face)
{
    CFontGL* font = new CFontGL(this);
    if (!font->Create(height, weight, face))
    {
        font->Release();
        return nullptr;
    }
    return font;
}

} // namespace gen
