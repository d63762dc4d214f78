// Tessavin in the browser. Opened plainly, the page runs the program; with
// capture options in its address (index.html?frames=60&shots=59...), it runs
// exactly as tessavin-capture with them and hands the shots and statistics
// to the page (window.tessavinShots, window.tessavinStats, then the title
// "done"), which is how the browser checks read it. A fragment (#...) is a
// shared link, opened before the first frame either way. An address whose
// only options are --set ones (index.html?set=PP_Tint.psh:Gain=3.5) runs the
// program with those values chosen in the inspector.

#include "App/AppFrame.h"
#include "App/Inspector.h"
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
const char* const kSettingsDir = "/settings"; // UserSettingsFolder() in the page

// The inspector's chosen values live in the browser's local storage, one
// entry a file of the settings folder: copied in before the program starts,
// and out again once a second (the program writes the files as they change).
EM_JS(void, PageSettingsIn, (const char* folder), {
    var dir = UTF8ToString(folder) + "/tunables";
    var prefix = "tessavin/tunables/";
    FS.mkdirTree(dir);
    var storage = null;
    try {
        storage = window.localStorage;
        for (var i = 0; i < storage.length; ++i) {
            var key = storage.key(i);
            if (key.indexOf(prefix) === 0) FS.writeFile(dir + "/" + key.slice(prefix.length), storage.getItem(key));
        }
    } catch (e) {
        return; // no storage (a private window, say): the values last the run
    }
    setInterval(function() {
        try {
            FS.readdir(dir).forEach(function(name) {
                if (name.charAt(0) === ".") return;
                var text = FS.readFile(dir + "/" + name, {encoding: "utf8"});
                if (text.length === 0) storage.removeItem(prefix + name);
                else if (storage.getItem(prefix + name) !== text) storage.setItem(prefix + name, text);
            });
        } catch (e) {
        }
    }, 1000);
});

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

int RunProgram(const std::string& link, const std::vector<gen::STunableSetting>& sets)
{
    std::string error;
    if (!link.empty() && !gen::OpenSharedLink(link, error))
    {
        std::fprintf(stderr, "tessavin: the address's link: %s\n", error.c_str());
        PageEnded(2, ("The address's link: " + error).c_str());
        return 2;
    }
    PageSettingsIn(kSettingsDir);
    gen::CTunableSettings settings(kSettingsDir);
    settings.Load();
    for (const gen::STunableSetting& set : sets)
    {
        settings.Choose(set.File, set.Name, set.Values);
    }
    gen::CInspectorFrame frame;
    gen::SAppOptions options;
    options.ClientWidth = 800;
    options.ClientHeight = 600;
    options.Frame = &frame;
    const int status = gen::RunApplication(options);
    gen::CloseSharedLink();
    PageEnded(status, "");
    return status;
}

// True where the address gives nothing but --set options.
bool OnlySets(const std::vector<std::string>& arguments)
{
    for (std::size_t i = 0; i < arguments.size(); i += 2)
    {
        if (arguments[i] != "--set" || i + 1 == arguments.size())
        {
            return false;
        }
    }
    return true;
}

int RunFromAddress(std::vector<std::string> arguments, const std::string& link, bool program)
{
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
    if (program)
    {
        return RunProgram(link, options.Sets);
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
        std::vector<std::string> arguments = gen::QueryArguments(query);
        if (arguments.empty())
        {
            return RunProgram(link, {});
        }
        const bool program = OnlySets(arguments);
        if (program)
        {
            arguments.insert(arguments.begin(), {"--frames", "1"}); // what the parser asks of every capture
        }
        return RunFromAddress(arguments, link, program);
    }
    catch (const gen::CFatalException& e)
    {
        std::fprintf(stderr, "Fatal: %s (%s, line %d)\n%s\n", e.GetMessage().c_str(), e.GetFile().c_str(), e.GetLine(),
                     e.GetFunctions().c_str());
        PageEnded(1, e.GetMessage().c_str());
        return 1;
    }
}
