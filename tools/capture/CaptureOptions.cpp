#include "CaptureOptions.h"

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

bool ParseCaptureOptions(int argc, const char* const* argv, SCaptureOptions& options, std::string& error)
{
    options = SCaptureOptions();
    bool shotsGiven = false;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& flag = args[i];
        auto value = [&](std::string& out) -> bool {
            if (i + 1 >= args.size())
            {
                error = flag + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        // Flags that take one or more values until the next flag.
        auto values = [&](std::vector<std::string>& out) -> bool {
            while (i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0)
            {
                out.push_back(args[++i]);
            }
            if (out.empty())
            {
                error = flag + " needs a value";
                return false;
            }
            return true;
        };
        std::string v;
        if (flag == "--frames")
        {
            if (!value(v) || !ParseInt(v, options.Frames) || options.Frames < 1)
            {
                error = "--frames needs a positive count";
                return false;
            }
        }
        else if (flag == "--out")
        {
            if (!value(options.OutDir))
            {
                return false;
            }
        }
        else if (flag == "--size")
        {
            if (!value(v))
            {
                return false;
            }
            if (!ParseSize(v, options.Width, options.Height))
            {
                error = "--size needs WIDTHxHEIGHT";
                return false;
            }
        }
        else if (flag == "--resize")
        {
            std::vector<std::string> list;
            if (!values(list))
            {
                return false;
            }
            for (const std::string& item : list)
            {
                const std::size_t colon = item.find(':');
                SResizeEvent e;
                if (colon == std::string::npos || !ParseInt(item.substr(0, colon), e.Frame) ||
                    !ParseSize(item.substr(colon + 1), e.Width, e.Height))
                {
                    error = "--resize needs FRAME:WIDTHxHEIGHT";
                    return false;
                }
                options.Resizes.push_back(e);
            }
        }
        else if (flag == "--floor")
        {
            options.Floor = true;
        }
        else if (flag == "--no-area-filters")
        {
            options.NoAreaFilters = true;
        }
        else if (flag == "--press" || flag == "--hold")
        {
            std::vector<std::string> list;
            if (!values(list))
            {
                return false;
            }
            for (const std::string& item : list)
            {
                const std::size_t colon = item.find(':');
                int code = 0, from = 0, to = 0;
                bool ok = colon != std::string::npos && ParseKey(item.substr(colon + 1), code);
                const std::string frames = ok ? item.substr(0, colon) : std::string();
                if (ok && flag == "--press")
                {
                    ok = ParseInt(frames, from);
                    to = from;
                }
                else if (ok)
                {
                    const std::size_t dash = frames.find('-');
                    ok = dash != std::string::npos && ParseInt(frames.substr(0, dash), from) &&
                         ParseInt(frames.substr(dash + 1), to) && to >= from;
                }
                if (!ok)
                {
                    error = flag == "--press" ? "--press needs FRAME:VK" : "--hold needs FROM-TO:VK";
                    return false;
                }
                options.KeyEvents.push_back({from, code, true});
                options.KeyEvents.push_back({to + 1, code, false});
            }
        }
        else if (flag == "--fixed-dt")
        {
            if (!value(v))
            {
                return false;
            }
            char* end = nullptr;
            const double dt = std::strtod(v.c_str(), &end);
            if (*end != '\0' || !(dt >= 0.0) || dt > 10.0)
            {
                error = "--fixed-dt needs seconds between 0 and 10";
                return false;
            }
            options.FixedDt = static_cast<float>(dt);
        }
        else if (flag == "--shots")
        {
            if (!value(v))
            {
                return false;
            }
            std::stringstream list(v);
            std::string item;
            while (std::getline(list, item, ','))
            {
                int frame = 0;
                if (!ParseInt(item, frame))
                {
                    error = "--shots needs frame numbers separated by commas";
                    return false;
                }
                options.Shots.push_back(frame);
            }
            shotsGiven = true;
        }
        else
        {
            error = "unknown option " + flag;
            return false;
        }
    }
    if (options.Frames < 1 || options.OutDir.empty())
    {
        error = "--frames and --out are required";
        return false;
    }
    if (!shotsGiven)
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
    std::stable_sort(options.Resizes.begin(), options.Resizes.end(),
                     [](const SResizeEvent& a, const SResizeEvent& b) { return a.Frame < b.Frame; });
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
                      const SPassReport& passes)
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
    out << "\n}\n";
    return out.str();
}

} // namespace gen
