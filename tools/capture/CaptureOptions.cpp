#include "CaptureOptions.h"

#include "Common/CommandLine.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>

namespace gen
{

namespace
{

bool ParseInt(const std::string& text, int& value)
{
    if (text.empty())
    {
        return false;
    }
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < 0 || v > 100000000)
    {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool ParseSize(const std::string& text, std::int32_t& width, std::int32_t& height)
{
    int w = 0, h = 0;
    const std::size_t at = text.find('x');
    if (at == std::string::npos || !ParseInt(text.substr(0, at), w) || !ParseInt(text.substr(at + 1), h) || w < 1 ||
        h < 1 || w > 16384 || h > 16384)
    {
        return false;
    }
    width = w;
    height = h;
    return true;
}

bool ParseKey(const std::string& text, int& code)
{
    return ParseInt(text, code) && code > 0 && code < 256;
}

} // namespace

namespace
{

bool ParseKeyEvent(const std::string& item, bool hold, SCaptureOptions& options)
{
    const std::size_t colon = item.find(':');
    int code = 0, from = 0, to = 0;
    if (colon == std::string::npos || !ParseKey(item.substr(colon + 1), code))
    {
        return false;
    }
    const std::string frames = item.substr(0, colon);
    if (!hold)
    {
        if (!ParseInt(frames, from))
        {
            return false;
        }
        to = from;
    }
    else
    {
        const std::size_t dash = frames.find('-');
        if (dash == std::string::npos || !ParseInt(frames.substr(0, dash), from) ||
            !ParseInt(frames.substr(dash + 1), to) || to < from)
        {
            return false;
        }
    }
    options.KeyEvents.push_back({from, code, true});
    options.KeyEvents.push_back({to + 1, code, false});
    return true;
}

bool ParseResize(const std::string& item, SCaptureOptions& options)
{
    const std::size_t colon = item.find(':');
    SResizeEvent e;
    if (colon == std::string::npos || !ParseInt(item.substr(0, colon), e.Frame) ||
        !ParseSize(item.substr(colon + 1), e.Width, e.Height))
    {
        return false;
    }
    options.Resizes.push_back(e);
    return true;
}

// FRAME:DEST:SRC. DEST is relative to the data folder and so has no drive
// letter; SRC may ("C:\edits\red.psh"), so it takes the rest.
bool ParseReplace(const std::string& item, SCaptureOptions& options)
{
    const std::size_t first = item.find(':');
    const std::size_t second = first == std::string::npos ? first : item.find(':', first + 1);
    SReplaceEvent e;
    if (second == std::string::npos || !ParseInt(item.substr(0, first), e.Frame))
    {
        return false;
    }
    e.Destination = item.substr(first + 1, second - first - 1);
    e.Source = item.substr(second + 1);
    if (e.Destination.empty() || e.Source.empty())
    {
        return false;
    }
    options.Replaces.push_back(e);
    return true;
}

// FILE:NAME=V[,V...]: a shader constant's values, each a finite number.
bool ParseSet(const std::string& item, SCaptureOptions& options)
{
    const std::size_t equals = item.find('=');
    const std::size_t colon = item.rfind(':', equals);
    STunableSetting set;
    if (equals == std::string::npos || colon == std::string::npos || colon == 0 || colon + 1 == equals)
    {
        return false;
    }
    set.File = item.substr(0, colon);
    set.Name = item.substr(colon + 1, equals - colon - 1);
    std::string rest = item.substr(equals + 1);
    for (std::size_t start = 0; start <= rest.size();)
    {
        const std::size_t comma = std::min(rest.find(',', start), rest.size());
        const std::string number = rest.substr(start, comma - start);
        char* end = nullptr;
        const double value = std::strtod(number.c_str(), &end);
        if (number.empty() || *end != '\0' || !std::isfinite(value) || set.Values.size() == 4)
        {
            return false;
        }
        set.Values.push_back(static_cast<float>(value));
        start = comma + 1;
    }
    options.Sets.push_back(set);
    return true;
}

// FRAME:FILE; the file may have a drive letter.
bool ParseDrop(const std::string& item, SCaptureOptions& options)
{
    const std::size_t colon = item.find(':');
    SDropEvent e;
    if (colon == std::string::npos || !ParseInt(item.substr(0, colon), e.Frame) || colon + 1 == item.size())
    {
        return false;
    }
    e.Path = item.substr(colon + 1);
    options.Drops.push_back(e);
    return true;
}

bool ParseShots(const std::string& text, SCaptureOptions& options)
{
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ','))
    {
        int frame = 0;
        if (!ParseInt(item, frame))
        {
            return false;
        }
        options.Shots.push_back(frame);
    }
    return !options.Shots.empty();
}

// Each item of a list option through parse; false names the option's form.
template <typename TParse>
bool ParseEach(const std::vector<std::string>& items, const char* form, std::string& error, TParse parse)
{
    for (const std::string& item : items)
    {
        if (!parse(item))
        {
            error = std::string(form) + " (not " + item + ")";
            return false;
        }
    }
    return true;
}

// The options in their own text form, checked after CLI11 has placed them.
struct SRawOptions
{
    std::string Size, FixedDt, Shots;
    std::vector<std::string> Presses, Holds, Resizes, Replaces, Sets, Drops;
};

void DeclareOptions(CLI::App& app, SCaptureOptions& options, SRawOptions& raw)
{
    AddVersionFlag(app);
    app.allow_windows_style_options(false); // "/name" is a path, not an option
    app.add_option("--frames", options.Frames, "frames to run")->required()->check(CLI::Range(1, 100000000));
    app.add_option("--out", options.OutDir, "folder for frame-NNNN.png and stats.json")->required();
    app.add_option("--size", raw.Size, "the window's client size")->type_name("WxH");
    app.add_option("--press", raw.Presses, "key down before FRAME, up before the next")->type_name("FRAME:VK");
    app.add_option("--hold", raw.Holds, "key held from FROM to TO inclusive")->type_name("FROM-TO:VK");
    app.add_option("--fixed-dt", raw.FixedDt, "seconds each frame's update is told")->type_name("SECONDS");
    app.add_option("--shots", raw.Shots, "frames to save (default: the last)")->type_name("A,B,...");
    app.add_option("--resize", raw.Resizes, "new client size before FRAME")->type_name("FRAME:WxH");
    app.add_option("--replace", raw.Replaces, "before FRAME, copy file SRC over DEST (in the data folder)")
        ->type_name("FRAME:DEST:SRC");
    app.add_flag("--floor", options.Floor, "draw only a textured quad (the benchmark floor)");
    app.add_flag("--no-area-filters", options.NoAreaFilters, "leave out the heat haze");
    app.add_flag("--inspector", options.Inspector, "draw the inspector panel over every frame");
    app.add_option("--open", options.Sections, "open the inspector's section (Scene, Images...)")
        ->type_name("SECTION");
    app.add_option("--set", raw.Sets, "a filter's tunable constant, from the first frame on")
        ->type_name("FILE:NAME=V[,V...]");
    app.add_option("--drop", raw.Drops, "before FRAME, handle FILE as one dropped on the window")
        ->type_name("FRAME:FILE");
    app.add_option("--mesh", options.Meshes, "place an .x file in front of the camera")->type_name("FILE");
    app.add_option("--link", options.Link, "open a shared link (the page's address) before the first frame")
        ->type_name("URL");
}

bool ParseFixedDt(const std::string& text, float& dt)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= 0.0) || value > 10.0)
    {
        return false;
    }
    dt = static_cast<float>(value);
    return true;
}

bool CheckRawOptions(const SRawOptions& raw, SCaptureOptions& options, std::string& error)
{
    if (!raw.Size.empty() && !ParseSize(raw.Size, options.Width, options.Height))
    {
        error = "--size needs WIDTHxHEIGHT";
        return false;
    }
    if (!raw.FixedDt.empty() && !ParseFixedDt(raw.FixedDt, options.FixedDt))
    {
        error = "--fixed-dt needs seconds between 0 and 10";
        return false;
    }
    if (!raw.Shots.empty() && !ParseShots(raw.Shots, options))
    {
        error = "--shots needs frame numbers separated by commas";
        return false;
    }
    return ParseEach(raw.Presses, "--press needs FRAME:VK", error,
                     [&](const std::string& item) { return ParseKeyEvent(item, false, options); }) &&
           ParseEach(raw.Holds, "--hold needs FROM-TO:VK", error,
                     [&](const std::string& item) { return ParseKeyEvent(item, true, options); }) &&
           ParseEach(raw.Resizes, "--resize needs FRAME:WIDTHxHEIGHT", error,
                     [&](const std::string& item) { return ParseResize(item, options); }) &&
           ParseEach(raw.Replaces, "--replace needs FRAME:DEST:SRC", error,
                     [&](const std::string& item) { return ParseReplace(item, options); }) &&
           ParseEach(raw.Sets, "--set needs FILE:NAME=V[,V...] (one to four numbers)", error,
                     [&](const std::string& item) { return ParseSet(item, options); }) &&
           ParseEach(raw.Drops, "--drop needs FRAME:FILE", error,
                     [&](const std::string& item) { return ParseDrop(item, options); });
}

} // namespace

bool ParseCaptureOptions(int argc, const char* const* argv, SCaptureOptions& options, std::string& error)
{
    options = SCaptureOptions();
    CLI::App app{"Runs the program's loop for a number of frames and writes chosen frames and timings.",
                 "tessavin-capture"};
    SRawOptions raw;
    DeclareOptions(app, options, raw);
    try
    {
        ParseUtf8Arguments(app, argc, argv);
    }
    catch (const CLI::CallForHelp&)
    {
        options.Answer = app.help();
        return true;
    }
    catch (const CLI::CallForVersion& e)
    {
        options.Answer = std::string(e.what()) + "\n";
        return true;
    }
    catch (const CLI::ParseError& e)
    {
        error = e.what();
        return false;
    }
    if (!CheckRawOptions(raw, options, error))
    {
        return false;
    }
    if (options.Shots.empty())
    {
        options.Shots.push_back(options.Frames - 1);
    }
    for (int shot : options.Shots)
    {
        if (shot >= options.Frames)
        {
            error = "shot " + std::to_string(shot) + " is past the last frame";
            return false;
        }
    }
    // Downs before ups at the same frame would lose a press that starts as
    // another ends; ups first keeps both.
    std::stable_sort(options.KeyEvents.begin(), options.KeyEvents.end(), [](const SKeyEvent& a, const SKeyEvent& b) {
        return a.Frame != b.Frame ? a.Frame < b.Frame : (!a.Down && b.Down);
    });
    auto byFrame = [](const auto& a, const auto& b) { return a.Frame < b.Frame; };
    std::stable_sort(options.Resizes.begin(), options.Resizes.end(), byFrame);
    std::stable_sort(options.Replaces.begin(), options.Replaces.end(), byFrame);
    std::stable_sort(options.Drops.begin(), options.Drops.end(), byFrame);
    return true;
}

SFrameStats ComputeFrameStats(std::vector<double> seconds)
{
    SFrameStats stats;
    if (seconds.empty())
    {
        return stats;
    }
    std::sort(seconds.begin(), seconds.end());
    double sum = 0;
    for (double s : seconds)
    {
        sum += s;
    }
    const std::size_t n = seconds.size();
    stats.Mean = sum / static_cast<double>(n) * 1000.0;
    stats.Median = (n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2.0) * 1000.0;
    const std::size_t rank = static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(n)));
    stats.P95 = seconds[std::min(n, std::max<std::size_t>(rank, 1)) - 1] * 1000.0;
    return stats;
}

namespace
{

bool AnyPassMeasured(const SPassReport& passes)
{
    for (const std::vector<double>& frame : passes.FrameMs)
    {
        for (const double ms : frame)
        {
            if (ms >= 0.0)
            {
                return true;
            }
        }
    }
    return false;
}

void WritePasses(std::ostream& out, const SPassReport& passes)
{
    // Without device timestamps nothing was measured: null, not zeros.
    const bool measured = AnyPassMeasured(passes);
    out << ",\n  \"passes\": " << (measured ? "{" : "null");
    for (std::size_t pass = 0; measured && pass < passes.Names.size(); ++pass)
    {
        std::vector<double> seconds;
        for (const std::vector<double>& frame : passes.FrameMs)
        {
            seconds.push_back(pass < frame.size() && frame[pass] > 0.0 ? frame[pass] / 1000.0 : 0.0);
        }
        out << (pass ? ", " : "") << "\"" << passes.Names[pass] << "\": " << ComputeFrameStats(seconds).Median;
    }
    out << (measured ? "}" : "") << ",\n  \"areas\": {";
    for (std::size_t area = 0; area < passes.Areas.size(); ++area)
    {
        out << (area ? ", " : "") << "\"" << passes.Areas[area].first << "\": ";
        const std::vector<float>& rect = passes.Areas[area].second;
        if (rect.size() != 4)
        {
            out << "null";
            continue;
        }
        out << std::setprecision(2) << "[" << rect[0] << ", " << rect[1] << ", " << rect[2] << ", " << rect[3] << "]"
            << std::setprecision(6);
    }
    out << "},\n  \"pass_frames\": {";
    out << std::setprecision(4);
    for (std::size_t pass = 0; pass < passes.Names.size(); ++pass)
    {
        out << (pass ? ",\n    " : "\n    ") << "\"" << passes.Names[pass] << "\": [";
        for (std::size_t frame = 0; frame < passes.FrameMs.size(); ++frame)
        {
            const double ms = pass < passes.FrameMs[frame].size() ? passes.FrameMs[frame][pass] : -1.0;
            out << (frame ? ", " : "");
            if (ms < 0.0)
            {
                out << "null";
            }
            else
            {
                out << ms;
            }
        }
        out << "]";
    }
    out << "\n  }" << std::setprecision(6);
}

} // namespace

std::string StatsJson(int frames, const SFrameStats& wall, const SFrameStats& cpu, const SRunHealth& health,
                      const SPassReport& passes, const std::vector<STunableSetting>& sets)
{
    std::ostringstream out;
    out.precision(6);
    out << std::fixed;
    out << "{\n  \"frames\": " << frames << ",\n"
        << "  \"mean_ms\": " << wall.Mean << ",\n"
        << "  \"median_ms\": " << wall.Median << ",\n"
        << "  \"p95_ms\": " << wall.P95 << ",\n"
        << "  \"cpu_mean_ms\": " << cpu.Mean << ",\n"
        << "  \"cpu_median_ms\": " << cpu.Median << ",\n"
        << "  \"cpu_p95_ms\": " << cpu.P95 << ",\n"
        << "  \"gl_errors\": " << health.GlErrors;
    if (!health.Renderer.empty())
    {
        out << ",\n  \"renderer\": \"";
        for (char c : health.Renderer)
        {
            if (c == '"' || c == '\\')
            {
                out << '\\';
            }
            out << (static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
        }
        out << '"';
    }
    if (health.GlErrors > 0)
    {
        out << ",\n  \"first_gl_error\": " << health.FirstGlError << ",\n  \"first_gl_error_frame\": "
            << health.FirstGlErrorFrame;
    }
    if (!health.RssKb.empty())
    {
        long most = 0;
        for (const auto& sample : health.RssKb)
        {
            most = std::max(most, sample.second);
        }
        out << ",\n  \"rss_kb_start\": " << health.RssKb.front().second << ",\n  \"rss_kb_end\": "
            << health.RssKb.back().second << ",\n  \"rss_kb_max\": " << most << ",\n  \"rss_kb\": [";
        for (std::size_t i = 0; i < health.RssKb.size(); ++i)
        {
            out << (i ? ", " : "") << "[" << health.RssKb[i].first << ", " << health.RssKb[i].second << "]";
        }
        out << "]";
    }
    if (!passes.Names.empty())
    {
        WritePasses(out, passes);
    }
    if (!sets.empty())
    {
        // Names and files are the person's words: only what JSON strings may hold.
        out << ",\n  \"set\": {" << std::defaultfloat;
        for (std::size_t i = 0; i < sets.size(); ++i)
        {
            out << (i ? ", " : "") << "\"";
            for (char c : sets[i].File + ":" + sets[i].Name)
            {
                out << (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 ? '_' : c);
            }
            out << "\": [";
            for (std::size_t v = 0; v < sets[i].Values.size(); ++v)
            {
                out << (v ? ", " : "") << sets[i].Values[v];
            }
            out << "]";
        }
        out << "}" << std::fixed;
    }
    out << "\n}\n";
    return out.str();
}

} // namespace gen
