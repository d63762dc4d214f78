// Every shader file compiles as DX9-style HLSL (vs_3_0 / ps_3_0 meaning) through the
// same front end the program uses, and each render method's pair agrees with the
// rest of the program: vertex inputs in the order of the method's vertex layout,
// pixel inputs fed by the vertex outputs, only constants that the method's constants
// functions set (a misspelt name would silently stay zero), and exactly the sampler
// stages the method binds.

#include "Render/RenderMethods.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace gen;

namespace
{

const fs::path kShaders = fs::path(TESSAVIN_SOURCE_DIR) / "Source" / "Render";

// ---- just enough JSON for spirv-cross --reflect ----

struct SJson
{
    enum EType { kNull, kNumber, kString, kBool, kArray, kObject } Type = kNull;
    double Number = 0;
    std::string String;
    std::vector<SJson> Items;
    std::map<std::string, SJson> Members;

    const SJson& operator[](const std::string& key) const
    {
        static const SJson null;
        auto it = Members.find(key);
        return it == Members.end() ? null : it->second;
    }
};

class CJsonReader
{
public:
    explicit CJsonReader(const std::string& text) : mText(text) {}

    bool Value(SJson& out)
    {
        Skip();
        if (mPos >= mText.size())
        {
            return false;
        }
        const char c = mText[mPos];
        if (c == '{')
        {
            out.Type = SJson::kObject;
            ++mPos;
            Skip();
            if (Peek('}'))
            {
                ++mPos;
                return true;
            }
            for (;;)
            {
                SJson key;
                if (!Value(key) || key.Type != SJson::kString || !Expect(':') || !Value(out.Members[key.String]))
                {
                    return false;
                }
                Skip();
                if (Peek(','))
                {
                    ++mPos;
                    continue;
                }
                return Expect('}');
            }
        }
        if (c == '[')
        {
            out.Type = SJson::kArray;
            ++mPos;
            Skip();
            if (Peek(']'))
            {
                ++mPos;
                return true;
            }
            for (;;)
            {
                out.Items.emplace_back();
                if (!Value(out.Items.back()))
                {
                    return false;
                }
                Skip();
                if (Peek(','))
                {
                    ++mPos;
                    continue;
                }
                return Expect(']');
            }
        }
        if (c == '"')
        {
            out.Type = SJson::kString;
            for (++mPos; mPos < mText.size() && mText[mPos] != '"'; ++mPos)
            {
                if (mText[mPos] == '\\' && mPos + 1 < mText.size())
                {
                    ++mPos;
                }
                out.String += mText[mPos];
            }
            return Expect('"');
        }
        if (mText.compare(mPos, 4, "true") == 0 || mText.compare(mPos, 5, "false") == 0)
        {
            out.Type = SJson::kBool;
            mPos += mText[mPos] == 't' ? 4 : 5;
            return true;
        }
        if (mText.compare(mPos, 4, "null") == 0)
        {
            mPos += 4;
            return true;
        }
        char* end = nullptr;
        out.Type = SJson::kNumber;
        out.Number = std::strtod(mText.c_str() + mPos, &end);
        if (end == mText.c_str() + mPos)
        {
            return false;
        }
        mPos = static_cast<std::size_t>(end - mText.c_str());
        return true;
    }

private:
    void Skip()
    {
        while (mPos < mText.size() && std::isspace(static_cast<unsigned char>(mText[mPos])))
        {
            ++mPos;
        }
    }
    bool Peek(char c) const { return mPos < mText.size() && mText[mPos] == c; }
    bool Expect(char c)
    {
        Skip();
        if (!Peek(c))
        {
            return false;
        }
        ++mPos;
        return true;
    }

    const std::string& mText;
    std::size_t mPos = 0;
};

// ---- compiling and reflecting ----

struct SInterface
{
    bool Compiled = false;
    std::string Log;
    std::map<int, std::string> Inputs;  // location -> type
    std::map<int, std::string> Outputs; // location -> type
    std::map<std::string, std::string> Constants; // name -> type
    std::set<int> Samplers;             // bindings
};

std::string Run(const std::string& command, int& status)
{
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
    {
        status = -1;
        return output;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
    {
        output += buffer;
    }
    status = ::pclose(pipe);
    return output;
}

bool ToolsPresent()
{
    return std::string(GLSLANG_PATH).find("NOTFOUND") == std::string::npos && *GLSLANG_PATH &&
           std::string(SPIRV_CROSS_PATH).find("NOTFOUND") == std::string::npos && *SPIRV_CROSS_PATH;
}

class CShaderCache
{
public:
    CShaderCache() : mDir(fs::temp_directory_path() / ("tessavin-shaders-" + std::to_string(::getpid())))
    {
        fs::create_directories(mDir);
    }
    ~CShaderCache() { fs::remove_all(mDir); }

    const SInterface& Get(const std::string& file)
    {
        auto it = mCache.find(file);
        if (it != mCache.end())
        {
            return it->second;
        }
        SInterface& s = mCache[file];
        const bool vertex = fs::path(file).extension() == ".vsh";
        const fs::path spv = mDir / (file + ".spv");
        const std::string compile = std::string("\"") + GLSLANG_PATH + "\" -D -e main -S " + (vertex ? "vert" : "frag") +
                                    " --hlsl-dx9-compatible -V \"" + (kShaders / file).string() + "\" -o \"" +
                                    spv.string() + "\"";
        int status = 0;
        s.Log = Run(compile, status);
        s.Compiled = status == 0 && s.Log.find("ERROR") == std::string::npos;
        if (!s.Compiled)
        {
            return s;
        }
        const std::string reflection = Run(std::string("\"") + SPIRV_CROSS_PATH + "\" \"" + spv.string() + "\" --reflect", status);
        SJson root;
        CJsonReader reader(reflection);
        if (status != 0 || !reader.Value(root))
        {
            s.Compiled = false;
            s.Log += "reflection failed: " + reflection;
            return s;
        }
        for (const SJson& in : root["inputs"].Items)
        {
            s.Inputs[static_cast<int>(in["location"].Number)] = in["type"].String;
        }
        for (const SJson& out : root["outputs"].Items)
        {
            s.Outputs[static_cast<int>(out["location"].Number)] = out["type"].String;
        }
        for (const SJson& t : root["textures"].Items)
        {
            s.Samplers.insert(static_cast<int>(t["binding"].Number));
        }
        for (const SJson& ubo : root["ubos"].Items)
        {
            for (const SJson& member : root["types"][ubo["type"].String]["members"].Items)
            {
                s.Constants[member["name"].String] = member["type"].String;
            }
        }
        return s;
    }

private:
    fs::path mDir;
    std::map<std::string, SInterface> mCache;
};

CShaderCache& Shaders()
{
    static CShaderCache cache;
    return cache;
}

// What each constants function sets, by name.
std::set<std::string> ConstantsSetBy(ShaderConstantsFn fn)
{
    const std::set<std::string> twoLights = {"Light1Position", "Light1Colour", "Light1Brightness",
                                             "Light2Position", "Light2Colour", "Light2Brightness"};
    std::set<std::string> pixelLit = twoLights;
    pixelLit.insert({"CameraPosition", "AmbientLight", "MaterialColour", "SpecularStrength", "SpecularPower"});
    std::set<std::string> cutGlass = pixelLit;
    cutGlass.insert({"WorldMatrix", "ViewMatrix"});
    const std::map<ShaderConstantsFn, std::set<std::string>> sets = {
        {&VSConstsXForm, {"ViewProjMatrix", "WorldMatrix"}},
        {&VSConstsVertexLit,
         {"ViewProjMatrix", "WorldMatrix", "CameraPosition", "AmbientLight", "LightPosition", "LightColour",
          "LightBrightness", "MaterialColour", "SpecularStrength", "SpecularPower"}},
        {&VSConstsNormalMap, {"ViewProjMatrix", "WorldMatrix", "Light1Position", "Light2Position", "CameraPosition"}},
        {&PSConstsDefault, {}},
        {&PSConstsClouds, {}},
        {&PSConstsAtmosphere, {}},
        {&PSConstsPlainColour, {"MaterialColour"}},
        {&PSConstsPixelLit, pixelLit},
        {&PSConstsNormalMap,
         {"WorldMatrix", "CameraPosition", "AmbientLight", "Light1Colour", "Light1Brightness", "Light2Colour",
          "Light2Brightness", "MaterialColour", "SpecularStrength", "SpecularPower"}},
        {&PSConstsTintPoly, {"TintColour"}},
        {&PSConstsCutGlass, cutGlass},
        {&PSConstsHighContrast, {"ContrastLevel"}},
    };
    return sets.at(fn);
}

} // namespace

TEST(Shaders, EveryFileCompiles)
{
    if (!ToolsPresent())
    {
        GTEST_SKIP() << "glslangValidator or spirv-cross not installed";
    }
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(kShaders))
    {
        const std::string ext = entry.path().extension().string();
        if (ext != ".vsh" && ext != ".psh")
        {
            continue;
        }
        ++count;
        const SInterface& s = Shaders().Get(entry.path().filename().string());
        EXPECT_TRUE(s.Compiled) << entry.path().filename() << "\n" << s.Log;
    }
    EXPECT_GE(count, 34u);
}

TEST(Shaders, RenderMethodPairsMatchTheirLayoutsConstantsAndStages)
{
    if (!ToolsPresent())
    {
        GTEST_SKIP() << "glslangValidator or spirv-cross not installed";
    }
    for (std::uint32_t m = 0; m < kNumRenderMethods; ++m)
    {
        const SRenderMethodInfo& info = GetRenderMethodInfo(static_cast<ERenderMethod>(m));
        SCOPED_TRACE(std::string("method ") + std::to_string(m) + ": " + info.VertexShaderFile + " + " + info.PixelShaderFile);
        const SInterface& vs = Shaders().Get(info.VertexShaderFile);
        const SInterface& ps = Shaders().Get(info.PixelShaderFile);
        ASSERT_TRUE(vs.Compiled) << vs.Log;
        ASSERT_TRUE(ps.Compiled) << ps.Log;

        // Inputs are declared in layout order, so their locations are the element numbers.
        const std::map<int, std::string> layout =
            info.VertexLayout == kTangentLayout
                ? std::map<int, std::string>{{0, "vec3"}, {1, "vec3"}, {2, "vec3"}, {3, "vec2"}}
                : std::map<int, std::string>{{0, "vec3"}, {1, "vec3"}, {2, "vec2"}};
        EXPECT_TRUE(vs.Inputs.count(0)) << "the position must be read";
        for (const auto& [location, type] : vs.Inputs)
        {
            ASSERT_TRUE(layout.count(location)) << "input at location " << location << " is not in the layout";
            EXPECT_EQ(type, layout.at(location)) << "input at location " << location;
        }
        for (const auto& [location, type] : ps.Inputs)
        {
            ASSERT_TRUE(vs.Outputs.count(location)) << "pixel input " << location << " has no vertex output";
            EXPECT_EQ(type, vs.Outputs.at(location)) << "interpolant " << location;
        }

        const SRenderMethod& entry = GetRenderMethod(static_cast<ERenderMethod>(m));
        const std::set<std::string> vsSet = ConstantsSetBy(entry.VertexConstants);
        for (const auto& [name, type] : vs.Constants)
        {
            EXPECT_TRUE(vsSet.count(name)) << "vertex constant " << name << " is never set";
        }
        const std::set<std::string> psSet = ConstantsSetBy(entry.PixelConstants);
        for (const auto& [name, type] : ps.Constants)
        {
            EXPECT_TRUE(psSet.count(name)) << "pixel constant " << name << " is never set";
        }
        EXPECT_TRUE(vs.Samplers.empty());
        std::set<int> stages;
        for (std::uint32_t s = 0; s < info.NumTextures + (info.PostProcess ? 1u : 0u); ++s)
        {
            stages.insert(static_cast<int>(s));
        }
        EXPECT_EQ(ps.Samplers, stages) << "every bound texture is sampled, nothing else";
    }
}

TEST(Shaders, FiltersReadTheSceneQuadAndTheirOwnConstants)
{
    if (!ToolsPresent())
    {
        GTEST_SKIP() << "glslangValidator or spirv-cross not installed";
    }
    const std::map<std::string, std::set<std::string>> filters = {
        {"PP_NoFilter.psh", {}},
        {"PP_Tint.psh", {"TintColour"}},
        {"PP_HighContrast.psh", {"ContrastLevel"}},
        {"PP_UnderWater.psh", {"ViewportWidth", "ViewportHeight", "wiggle"}},
        {"PP_Distort.psh", {}},
        {"PP_Spiral.psh", {}},
        {"PP_HeatHaze.psh", {"Wiggle"}},
    };
    for (const auto& [file, own] : filters)
    {
        SCOPED_TRACE(file);
        const SInterface& ps = Shaders().Get(file);
        ASSERT_TRUE(ps.Compiled) << ps.Log;
        std::set<std::string> expected = own;
        expected.insert({"UVTopLeft", "UVBottomRight"});
        std::set<std::string> declared;
        for (const auto& [name, type] : ps.Constants)
        {
            declared.insert(name);
        }
        EXPECT_EQ(declared, expected);
        EXPECT_EQ(ps.Samplers, std::set<int>{0}) << "the scene texture is in stage 0";
        // The screen quad carries two texture coordinate sets.
        for (const auto& [location, type] : ps.Inputs)
        {
            EXPECT_TRUE(location == 0 || location == 1) << location;
            EXPECT_EQ(type, "vec2");
        }
        if (ps.Constants.count("TintColour"))
        {
            EXPECT_EQ(ps.Constants.at("TintColour"), "vec4") << "the tint is sent as four floats";
        }
    }
}
