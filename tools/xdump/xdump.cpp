// xdump FILE: imports one .x file and prints what the importer made of it as
// one JSON object on standard output. Always exits 0; the import result is
// the "result" member, and "reason" says why a failed import failed (empty
// after success). A fatal error inside the importer gives a "fatal"
// member (message, site and the guarded functions it passed) instead.

#include "Common/CFatalException.h"
#include "Common/CommandLine.h"
#include "XFile/CImportXFile.h"
#include "Methods/RenderMethodInfo.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace
{

// The object is built here first, so a fatal error halfway prints nothing
// of it.
std::string Out;

void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

void Print(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0)
    {
        Out.append(buffer, static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n) : sizeof buffer - 1);
    }
}

void Char(char c)
{
    Out.push_back(c);
}

void String(const std::string& s)
{
    Char('"');
    for (const char ch : s)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\')
        {
            Print("\\%c", c);
        }
        else if (c < 0x20 || c >= 0x7F)
        {
            Print("\\u%04x", c); // bytes outside ASCII shown as Latin-1
        }
        else
        {
            Char(c);
        }
    }
    Char('"');
}

void Number(float f)
{
    if (std::isfinite(f))
    {
        Print("%.9g", static_cast<double>(f));
    }
    else
    {
        Print("null");
    }
}

void Numbers(const float* f, int n)
{
    Char('[');
    for (int i = 0; i < n; ++i)
    {
        if (i) Char(',');
        Number(f[i]);
    }
    Char(']');
}

void Dump(const char* path)
{
    gen::CImportXFile importer;
    const gen::EImportResult result = importer.ImportFile(path);
    Print("{\"result\":%u,\"reason\":", static_cast<unsigned>(result));
    String(importer.GetErrorText());
    Print(",\"nodes\":[");
    for (std::uint32_t i = 0; i < importer.GetNumNodes(); ++i)
    {
        gen::SMeshNode node;
        importer.GetNode(i, node);
        Print("%s{\"name\":", i ? "," : "");
        String(node.Name);
        Print(",\"parent\":%u,\"depth\":%u,\"children\":%u,\"matrix\":", node.Parent, node.Depth,
                    node.NumChildren);
        Numbers(node.Matrix.e, 16);
        Char('}');
    }
    Print("],\"submeshes\":[");
    bool first = true;
    for (std::uint32_t i = 0; i < importer.GetNumSubMeshes(); ++i)
    {
        const bool tangents = gen::RenderMethodUsesTangents(importer.GetSubMeshRenderMethod(i));
        gen::SSubMesh sub;
        const gen::EImportResult subResult = importer.GetSubMesh(i, sub, tangents);
        if (subResult != gen::kImportOK)
        {
            Print("%s{\"index\":%u,\"result\":%u}", first ? "" : ",", i, static_cast<unsigned>(subResult));
            first = false;
            continue;
        }
        Print("%s{\"node\":%u,\"material\":%u,\"vertices\":%u,\"vertexSize\":%u,\"faces\":%u,\"tangents\":%s}",
                    first ? "" : ",", sub.Node, sub.MaterialIndex, sub.NumVertices, sub.VertexSize, sub.NumFaces,
                    tangents ? "true" : "false");
        first = false;
    }
    Print("],\"materials\":[");
    for (std::uint32_t i = 0; i < importer.GetNumMaterials(); ++i)
    {
        gen::SMaterialDesc m;
        importer.GetMaterial(i, m);
        Print("%s{\"renderMethod\":%u,\"numTextures\":%u,\"textures\":[", i ? "," : "",
                    static_cast<unsigned>(m.RenderMethod), m.NumTextures);
        for (std::uint32_t t = 0; t < m.NumTextures; ++t)
        {
            if (t) Char(',');
            String(m.TextureFiles[t]);
        }
        Print("],\"diffuse\":");
        Numbers(m.DiffuseColour, 4);
        Print(",\"specular\":");
        Numbers(m.SpecularColour, 4);
        Print(",\"power\":");
        Number(m.SpecularPower);
        Char('}');
    }
    Print("]}\n");
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Imports one .x file and prints its nodes, submeshes and materials as JSON.", "xdump"};
    std::string file;
    app.add_option("FILE", file, "the .x file")->required();
    const int status = gen::ParseCommandLine(app, argc, argv);
    if (status == 0)
    {
        return 0; // --help, --version
    }
    if (status > 0)
    {
        std::printf("{\"result\":%u,\"reason\":\"no file named\",\"nodes\":[],\"submeshes\":[],\"materials\":[]}\n",
                    static_cast<unsigned>(gen::kImportNotXFile));
        return 0;
    }
    try
    {
        Dump(file.c_str());
        std::fputs(Out.c_str(), stdout);
    }
    catch (const gen::CFatalException& e)
    {
        // A fatal error inside the importer: still one JSON object, but no
        // result that could pass for a reader failure.
        Out.clear();
        Print("{\"fatal\":");
        String(e.GetMessage() + " (" + e.GetFile() + ":" + std::to_string(e.GetLine()) + ") " + e.GetFunctions());
        Print(",\"nodes\":[],\"submeshes\":[],\"materials\":[]}\n");
        std::fputs(Out.c_str(), stdout);
    }
    return 0;
}
