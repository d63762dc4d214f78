// Tessavin in the browser. Opened plainly, the page runs the program; with
// capture options in its address (index.html?frames=60&shots=59...), it runs
// exactly as tessavin-capture with them and hands the shots and statistics
// to the page (window.tessavinShots, window.tessavinStats, then the title
// "done"), which is how the browser checks read it. A fragment (#...) is a
// shared link, opened before the first frame either way.

#include "App/AppFrame.h"
#include "App/SharedLink.h"
#include "CaptureOptions.h"
#include "CaptureRun.h"
#include "Common/CFatalException.h"
#include "QueryArguments.h"

#include <SDL.h>
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

const char* const kCaptureDir = "/capture";

EM_JS(char*, PageQuery, (), {
    var query = window.location.search || "";
    var size = lengthBytesUTF8(query) + 1;
    var text = _malloc(size);
    stringToUTF8(query, text, size);
    return text;
});

// What follows '#' in the page's address ("" without one).
EM_JS(char*, PageFragment, (), {
    var hash = window.location.hash || "";
    var fragment = hash.charAt(0) === '#' ? hash.slice(1) : hash;
    var size = lengthBytesUTF8(fragment) + 1;
    var text = _malloc(size);
    stringToUTF8(fragment, text, size);
    return text;
});

// The page's hooks (index.html); each one is optional.
EM_JS(void, PageEnded, (int status, const char* message), {
    if (Module.tessavinEnded) Module.tessavinEnded(status, UTF8ToString(message));
});

// Every frame-NNNN.png of the folder as a data URL by frame number, and
// stats.json as an object.
EM_JS(void, PagePublishCapture, (const char* folder, int status), {
    var dir = UTF8ToString(folder);
    var shots = {};
    FS.readdir(dir).forEach(function(name) {
        // (No regular expression: EM_JS code is a C string, which eats backslashes.)
        if (name.indexOf('frame-') !== 0 || name.slice(-4) !== '.png') return;
        var frame = parseInt(name.slice(6, -4), 10);
        var bytes = FS.readFile(dir + '/' + name);
        var text = "";
        for (var i = 0; i < bytes.length; i += 0x8000) {
            text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        }
        shots[frame] = 'data:image/png;base64,' + btoa(text);
    });
    var stats = null;
    try {
        stats = JSON.parse(FS.readFile(dir + '/stats.json', {encoding: 'utf8'}));
    } catch (e) {
    }
    window.tessavinShots = shots;
    window.tessavinStats = stats;
    window.tessavinStatus = status;
    document.title = 'done';
});

int RunProgram(const std::string& link)
{
    std::string error;
    if (!link.empty() && !gen::OpenSharedLink(link, error))
    {
        std::fprintf(stderr, "tessavin: the address's link: %s\n", error.c_str());
        PageEnded(2, ("The address's link: " + error).c_str());
        return 2;
    }
    gen::SAppOptions options;
    options.ClientWidth = 800;
    options.ClientHeight = 600;
    const int status = gen::RunApplication(options);
    gen::CloseSharedLink();
    PageEnded(status, "");
    return status;
}

int RunPageCapture(const std::string& query, const std::string& link)
{
    std::vector<std::string> arguments = gen::QueryArguments(query);
    arguments.insert(arguments.begin(), "tessavin");
    arguments.push_back("--out");
    arguments.push_back(kCaptureDir);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
    {
        argv.push_back(argument.c_str());
    }
    gen::SCaptureOptions options;
    std::string error;
    if (!gen::ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), options, error))
    {
        std::fprintf(stderr, "tessavin: %s\n", error.c_str());
        PageEnded(2, ("The address's options: " + error).c_str());
        return 2;
    }
    options.OutDir = kCaptureDir; // the page reads its results from there
    options.Link = link;
    const int status = gen::RunCapture(options);
    PagePublishCapture(kCaptureDir, status);
    PageEnded(status, "");
    return status;
}

} // namespace

int main()
{
    // Keys reach the program while the canvas has focus, not from the whole page.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_KEYBOARD_ELEMENT, "#canvas");
    char* text = PageQuery();
    const std::string query = text;
    std::free(text);
    text = PageFragment();
    const std::string link = text;
    std::free(text);
    try
    {
        return query.empty() || query == "?" ? RunProgram(link) : RunPageCapture(query, link);
    }
    catch (const gen::CFatalException& e)
    {
        std::fprintf(stderr, "Fatal: %s (%s, line %d)\n%s\n", e.GetMessage().c_str(), e.GetFile().c_str(), e.GetLine(),
                     e.GetFunctions().c_str());
        PageEnded(1, e.GetMessage().c_str());
        return 1;
    }
}
