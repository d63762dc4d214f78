// What the page's script (tools/web/editor) calls in the program: the shader
// editor's files and messages, and files dropped on the page. They run
// between frames, while the loop sleeps until the next animation frame.
// Texts come back in one buffer, valid until the next call.

#include "App/ShaderEdits.h"
#include "Device/ShaderLibrary.h"

#include <SDL.h>
#include <emscripten.h>

#include <string>
#include <vector>

namespace
{

std::string& Reply()
{
    static std::string reply;
    return reply;
}

const char* Lines(const std::vector<std::string>& lines)
{
    Reply().clear();
    for (const std::string& line : lines)
    {
        Reply() += line + "\n";
    }
    return Reply().c_str();
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* TessavinShaderList()
{
    return Lines(gen::EditableShaders());
}

EMSCRIPTEN_KEEPALIVE const char* TessavinEditedShaders()
{
    return Lines(gen::EditedShaders());
}

EMSCRIPTEN_KEEPALIVE const char* TessavinShaderText(const char* name)
{
    Reply().clear();
    gen::ReadEditableShader(name, Reply());
    return Reply().c_str();
}

EMSCRIPTEN_KEEPALIVE int TessavinHasShippedText(const char* name)
{
    std::string text;
    return gen::ShippedShaderText(name, text) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int TessavinWriteShader(const char* name, const char* text)
{
    return gen::WriteEditableShader(name, text) ? 1 : 0;
}

// Back to the text the data shipped.
EMSCRIPTEN_KEEPALIVE int TessavinResetShader(const char* name)
{
    std::string text;
    return gen::ShippedShaderText(name, text) && gen::WriteEditableShader(name, text) ? 1 : 0;
}

// "LINE\tSEVERITY\tTEXT" a line, SEVERITY "error" or "warning"; LINE 0 when
// the message has no place in the file.
EMSCRIPTEN_KEEPALIVE const char* TessavinShaderMessages(const char* name)
{
    std::vector<std::string> lines;
    for (const gen::SShaderMessage& message : gen::EditableShaderMessages(name))
    {
        std::string text = message.Text;
        for (char& c : text)
        {
            c = c == '\n' || c == '\t' ? ' ' : c;
        }
        lines.push_back(std::to_string(message.Line) + "\t" + (message.Warning ? "warning" : "error") + "\t" + text);
    }
    return Lines(lines);
}

// How many times the shader library has looked at its files: a write is
// compiled by the next look.
EMSCRIPTEN_KEEPALIVE int TessavinShaderLooks()
{
    return gen::ShaderFileLooks();
}

// A file the page wrote into its file system, handled as the desktop
// handles a file dropped on the window (App/DroppedFiles.h), by the loop.
EMSCRIPTEN_KEEPALIVE int TessavinDropFile(const char* path)
{
    SDL_Event event{};
    event.type = SDL_DROPFILE;
    event.drop.file = SDL_strdup(path);
    return SDL_PushEvent(&event) == 1 ? 1 : 0;
}

} // extern "C"
