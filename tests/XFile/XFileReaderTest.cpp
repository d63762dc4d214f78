// The X-file reader on its own: formats, templates, references, the locked
// data layout, status codes and the limits that keep hostile input cheap.

#include "XFile/XFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace gen
{
namespace
{

const SXGuid kFrame = {0x3D82AB46, 0x62DA, 0x11CF, {0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33}};
const SXGuid kMesh = {0x3D82AB44, 0x62DA, 0x11CF, {0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33}};
const SXGuid kMaterial = {0x3D82AB4D, 0x62DA, 0x11CF, {0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33}};

// One parsed file, its objects reachable by path of child indices.
class CParsed
{
public:
    explicit CParsed(const std::string& text, CXFile* templatesFrom = nullptr) : File(templatesFrom)
    {
        if (!File)
        {
            EXPECT_EQ(XFileCreate(&File), kXOK);
        }
        const SXMemory memory{text.data(), text.size()};
        Result = File->CreateEnumObject(&memory, kXLoadFromMemory, &Enum);
        Owned = templatesFrom == nullptr;
    }
    ~CParsed()
    {
        for (CXFileData* d : Held) d->Release();
        if (Enum) Enum->Release();
        if (Owned) File->Release();
    }
    CParsed(const CParsed&) = delete;
    CParsed& operator=(const CParsed&) = delete;

    CXFileData* Get(std::initializer_list<std::size_t> path)
    {
        CXFileData* d = nullptr;
        EXPECT_EQ(Enum->GetChild(*path.begin(), &d), kXOK);
        Held.push_back(d);
        for (auto it = path.begin() + 1; d && it != path.end(); ++it)
        {
            EXPECT_EQ(d->GetChild(*it, &d), kXOK);
            Held.push_back(d);
        }
        return d;
    }

    XResult Result;
    CXFile* File;
    CXFileEnumObject* Enum = nullptr;

private:
    bool Owned;
    std::vector<CXFileData*> Held;
};

std::vector<std::uint8_t> Data(CXFileData* d)
{
    std::size_t size = 0;
    const void* p = nullptr;
    EXPECT_EQ(d->Lock(&size, &p), kXOK);
    std::vector<std::uint8_t> bytes(static_cast<const std::uint8_t*>(p), static_cast<const std::uint8_t*>(p) + size);
    EXPECT_EQ(d->Unlock(), kXOK);
    return bytes;
}

std::string Name(CXFileData* d)
{
    std::size_t size = 0;
    EXPECT_EQ(d->GetName(nullptr, &size), kXOK);
    if (size == 0) return std::string();
    std::string s(size, '?');
    EXPECT_EQ(d->GetName(&s[0], &size), kXOK);
    EXPECT_EQ(s.back(), '\0');
    s.pop_back();
    return s;
}

SXGuid Type(CXFileData* d)
{
    SXGuid g{};
    EXPECT_EQ(d->GetType(&g), kXOK);
    return g;
}

std::uint32_t Dword(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

float Float(const std::vector<std::uint8_t>& b, std::size_t at)
{
    float v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// Walks every object below d; the first failure met, or kXOK.
template <class TParent> XResult WalkAll(TParent* d)
{
    std::size_t n = 0;
    EXPECT_EQ(d->GetChildren(&n), kXOK);
    XResult rc = kXOK;
    for (std::size_t i = 0; i < n && rc == kXOK; ++i)
    {
        CXFileData* c = nullptr;
        rc = d->GetChild(i, &c);
        if (c)
        {
            rc = WalkAll(c);
            c->Release();
        }
    }
    return rc;
}

// Parses a file image and walks all of it.
XResult ParseAndWalk(const std::string& image)
{
    CParsed p(image);
    return p.Result == kXOK ? WalkAll(p.Enum) : p.Result;
}

const std::string kHeader = "xof 0302txt 0032\n";
const std::string kTriangle = "Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
const std::string kGuid = " { <01234567-89AB-CDEF-0123-456789ABCDEF> ";
const std::string kGrid =
    kHeader + "template Grid" + kGuid +
    "WORD rows; WORD cols; array DWORD cells[rows][cols]; DWORD n; array STRING s[n]; }\n";

TEST(XFileReader, LaysOutMemberDataFlatAndLittleEndian)
{
    CParsed p(kHeader + kTriangle + "XSkinMeshHeader { 2; 3; 4; }\nTextureFilename { \"a.png\"; }\n" +
              "SkinWeights { \"Bone\"; 1; 5; 0.5; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n");
    ASSERT_EQ(p.Result, kXOK);
    std::size_t n = 0;
    EXPECT_EQ(p.Enum->GetChildren(&n), kXOK);
    ASSERT_EQ(n, 4u);

    const auto mesh = Data(p.Get({0}));
    ASSERT_EQ(mesh.size(), 4u + 36 + 4 + 16);
    EXPECT_EQ(Dword(mesh, 0), 3u);
    EXPECT_EQ(Float(mesh, 4 + 12), 1.0f);
    EXPECT_EQ(Float(mesh, 4 + 28), 1.0f);
    EXPECT_EQ(Dword(mesh, 40), 1u);
    EXPECT_EQ(Dword(mesh, 44), 3u);
    EXPECT_EQ(Dword(mesh, 56), 2u);

    const auto header = Data(p.Get({1}));
    ASSERT_EQ(header.size(), 6u); // three WORDs
    EXPECT_EQ(header[0] | header[1] << 8, 2);
    EXPECT_EQ(header[4] | header[5] << 8, 4);

    const auto texture = Data(p.Get({2}));
    EXPECT_EQ(std::string(texture.begin(), texture.end()), std::string("a.png", 6)); // zero-terminated inline

    const auto weights = Data(p.Get({3}));
    ASSERT_EQ(weights.size(), 5u + 4 + 4 + 4 + 64);
    EXPECT_EQ(std::memcmp(weights.data(), "Bone", 5), 0);
    EXPECT_EQ(Dword(weights, 5), 1u);
    EXPECT_EQ(Dword(weights, 9), 5u);
    EXPECT_EQ(Float(weights, 13), 0.5f);
}

// The data of the mesh at `path` in a file of tests/data.
std::vector<std::uint8_t> MeshData(const char* name, std::initializer_list<std::size_t> path)
{
    std::ifstream in(std::string("tests/data/") + name, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    CParsed p(buffer.str());
    EXPECT_EQ(p.Result, kXOK) << name;
    if (p.Result != kXOK) return {};
    EXPECT_EQ(Type(p.Get(path)), kMesh);
    return Data(p.Get(path));
}

TEST(XFileReader, TextBinaryCompressedAnd64BitFilesGiveTheSameData)
{
    const auto cube = MeshData("Cube.x", {1, 1}); // frame Cube's second child
    ASSERT_FALSE(cube.empty());
    EXPECT_EQ(MeshData("CubeBinary.x", {1, 1}), cube);
    EXPECT_EQ(MeshData("CubeCompressed.x", {1, 1}), cube);
    const auto quad = MeshData("QuadBinary64.x", {0});
    ASSERT_FALSE(quad.empty());
    EXPECT_EQ(MeshData("QuadCompressedBinary.x", {0}), quad);

    // 64-bit floats arrive as 32-bit.
    CParsed p("xof 0303txt 0064\n" + kTriangle), q(kHeader + kTriangle);
    ASSERT_EQ(p.Result, kXOK);
    EXPECT_EQ(Data(p.Get({0})), Data(q.Get({0})));
}

TEST(XFileReader, NamesTypesAndChildren)
{
    CParsed p(kHeader + "Frame Material.001 {\n  Frame 1stFloor { }\n  Frame { }\n  " + kTriangle + "}\n" +
              "Frame A { { Nowhere } Frame B { } }");
    ASSERT_EQ(p.Result, kXOK);
    CXFileData* top = p.Get({0});
    EXPECT_EQ(Name(top), "Material.001");
    EXPECT_EQ(Type(top), kFrame);
    std::size_t n = 0;
    EXPECT_EQ(top->GetChildren(&n), kXOK);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(Name(p.Get({0, 0})), "1stFloor");
    EXPECT_EQ(Name(p.Get({0, 1})), "");
    EXPECT_EQ(Type(p.Get({0, 2})), kMesh);

    CXFileData* child = nullptr;
    EXPECT_EQ(top->GetChild(3, &child), kXErrNoMoreObjects);
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(p.Enum->GetChild(2, &child), kXErrNoMoreObjects);

    char small[4];
    std::size_t size = sizeof small;
    EXPECT_EQ(top->GetName(small, &size), kXErrBadValue);

    // A dangling reference fails only when walked; its siblings stay reachable.
    EXPECT_EQ(p.Get({1})->GetChild(0, &child), kXErrBadReference);
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(Name(p.Get({1, 1})), "B");
}

TEST(XFileReader, ReferencesResolveByNameOrGuidToObjectsDefinedAnywhere)
{
    CParsed p(kHeader +
              "Frame User {\n"
              "  { Later }\n"
              "  { <11111111-2222-3333-4444-555555555555> }\n"
              "  { Later <11111111-2222-3333-4444-555555555555> }\n"
              "}\n"
              "Material Later { 1;0;0;1;; 5; 0;0;0;; 0;0;0;; }\n"
              "Frame Tagged { <11111111-2222-3333-4444-555555555555> }\n");
    ASSERT_EQ(p.Result, kXOK);
    CXFileData* byName = p.Get({0, 0});
    EXPECT_EQ(Type(byName), kMaterial);
    EXPECT_EQ(Name(byName), "Later");
    EXPECT_EQ(Data(byName).size(), 44u);
    EXPECT_EQ(Name(p.Get({0, 1})), "Tagged");
    EXPECT_EQ(Name(p.Get({0, 2})), "Tagged"); // the GUID decides
}

TEST(XFileReader, ArraysAreSizedByEarlierMembers)
{
    CParsed p(kGrid + "Grid { 2; 3; 1,2,3,4,5,6; 2; \"x\", \"yz\"; }\n");
    ASSERT_EQ(p.Result, kXOK);
    const auto d = Data(p.Get({0}));
    ASSERT_EQ(d.size(), 2u + 2 + 24 + 4 + 2 + 3);
    EXPECT_EQ(Dword(d, 4 + 20), 6u);
    EXPECT_EQ(std::memcmp(d.data() + 32, "x\0yz\0", 5), 0);
}

TEST(XFileReader, RegisteredTemplatesServeLaterFiles)
{
    CXFile* file = nullptr;
    ASSERT_EQ(XFileCreate(&file), kXOK);
    EXPECT_EQ(file->RegisterTemplates(nullptr, 10), kXErrBadValue);
    EXPECT_EQ(file->RegisterTemplates("x", 0), kXErrBadValue);
    const std::string bad = kHeader + "template Pair { <0000AAAA-0000-0000-0000-000000000001> DWORD a; } Pair { 1; }";
    EXPECT_EQ(file->RegisterTemplates(bad.data(), bad.size()), kXErrParseError); // data objects refused
    EXPECT_EQ(CParsed(kHeader + "Pair { 1; }", file).Result, kXErrParseError); // and nothing left behind
    const std::string good = kHeader + "template Pair { <0000AAAA-0000-0000-0000-000000000001> DWORD a; DWORD b; }";
    ASSERT_EQ(file->RegisterTemplates(good.data(), good.size()), kXOK);
    {
        CParsed p(kHeader + "Pair { 7; 8; }", file);
        ASSERT_EQ(p.Result, kXOK);
        const auto d = Data(p.Get({0}));
        ASSERT_EQ(d.size(), 8u);
        EXPECT_EQ(Dword(d, 4), 8u);
    }
    file->Release();
}

TEST(XFileReader, ReadsTheTextNumberFormsExportersWrite)
{
    CParsed p(kHeader + "# comment\n// another\nVector { 1., .5, -2e3; } Vector { +4;-0.25E-1;7; }\n");
    ASSERT_EQ(p.Result, kXOK);
    const auto a = Data(p.Get({0})), b = Data(p.Get({1}));
    EXPECT_EQ(Float(a, 0), 1.0f);
    EXPECT_EQ(Float(a, 4), 0.5f);
    EXPECT_EQ(Float(a, 8), -2000.0f);
    EXPECT_EQ(Float(b, 0), 4.0f);
    EXPECT_EQ(Float(b, 4), -0.025f);
}

TEST(XFileReader, StatusCodesForCallsItCannotServe)
{
    CXFile* file = nullptr;
    ASSERT_EQ(XFileCreate(&file), kXOK);
    CXFileEnumObject* e = nullptr;
    EXPECT_EQ(file->CreateEnumObject("tests/data/Missing.x", kXLoadFromFile, &e), kXErrFileNotFound);
    EXPECT_EQ(file->CreateEnumObject(nullptr, kXLoadFromFile, &e), kXErrBadValue);
    EXPECT_EQ(file->CreateEnumObject("tests/data/Cube.x", 7, &e), kXErrBadValue);
    EXPECT_EQ(XFileCreate(nullptr), kXErrPointer);
    file->Release();
}

// Frames F1..F(levels-1), each referring twice to the one before: the walk
// doubles at every level. `inF0` goes into F0, after `templates`.
std::string Doubling(int levels, const std::string& inF0 = std::string(), const std::string& templates = std::string())
{
    std::string s = kHeader + templates + "Frame F0 { " + inF0 + " }\n";
    for (int i = 1; i < levels; ++i)
    {
        const std::string last = std::to_string(i - 1);
        s += "Frame F" + std::to_string(i) + " { { F" + last + " } { F" + last + " } }\n";
    }
    return s;
}

// A tiny file whose walk would go on for ever, or references repeating a
// large object far beyond the file's own data.
std::string HeavyDoubling(int levels)
{
    std::string big = "Big {";
    for (int i = 0; i < 100000; ++i) big += "0,";
    return Doubling(levels, big + "}", "template Big { <01234567-89AB-CDEF-0123-456789ABCDE0> array DWORD d[100000]; }\n");
}

std::string BinaryListTooLong()
{
    std::string bin = "xof 0302bin 0032";
    const std::uint8_t tokens[] = {1, 0, 4, 0, 0, 0, 'M', 'e', 's', 'h', 10, 0, 6, 0, 0, 0, 0, 0x40};
    return bin.append(reinterpret_cast<const char*>(tokens), sizeof tokens);
}

TEST(XFileReader, ImagesParseAndWalkToTheirResults)
{
    std::string deep = kHeader;
    for (int i = 0; i < 300; ++i) deep += "Frame {";
    deep += std::string(300, '}');
    const std::string heavy = HeavyDoubling(8);
    const std::string emptyElements = kHeader + "template E" + kGuid +
                                      "}\ntemplate H { <01234567-89AB-CDEF-0123-456789ABCDEE> DWORD n; array E e[n]; }\n"
                                      "H { 4000000000; }";
    const std::pair<std::string, XResult> cases[] = {
        // Headers.
        {"xof 0302txt 003", kXErrBadFile},
        {"xof 0302abc 0032", kXErrBadFileType},
        {"xof 0402txt 0032", kXErrBadFileVersion},
        {"xof 0302txt 0048", kXErrBadFileFloatSize},
        {"xof 0302tzip0032", kXErrParseError},
        {kHeader, kXOK}, // nothing in it is fine
        {kHeader + "\"unterminated", kXErrParseError},
        {kHeader + "Vector { 1; 2; 99999999999; }", kXErrParseError},
        // References: dangling fails when walked, cycles and empty ones at once.
        {kHeader + "Frame A { { Nowhere } }", kXErrBadReference},
        {kHeader + "Frame A { { A } }", kXErrParseError},
        {kHeader + "Frame A { { B } } Frame B { Frame C { { A } } }", kXErrParseError},
        {kHeader + "Frame A { { } }", kXErrParseError},
        // Closed and restricted templates; a reference counts as the object it names.
        {kHeader + "TextureFilename { \"a\"; Frame { } }", kXErrParseError},
        {kHeader + "MeshMaterialList { 0; 0; ; Frame { } }", kXErrParseError},
        {kHeader + "MeshMaterialList { 0; 0; ; Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; } }", kXOK},
        {kHeader + "Frame F { } MeshMaterialList { 0; 0; ; { F } }", kXErrParseError},
        // Arrays sized by earlier members: too few elements, not an integer.
        {kGrid + "Grid { 2; 3; 1,2,3,4,5; 0; }", kXErrParseError},
        {kGrid + "Grid { 1; 1; 1.5; 0; }", kXErrParseError},
        // Template definitions: unknown member type, size naming no member or
        // a float, no GUID, containing itself.
        {kHeader + "template T" + kGuid + "Nothing a; }", kXErrParseError},
        {kHeader + "template T" + kGuid + "array DWORD a[n]; }", kXErrParseError},
        {kHeader + "template T" + kGuid + "FLOAT n; array DWORD a[n]; }", kXErrParseError},
        {kHeader + "template T { DWORD a; }", kXErrParseError},
        {kHeader + "template T" + kGuid + "T a; }", kXErrParseError},
        // Hostile structures fail fast: nesting deeper than allowed, walks
        // that double (31 copies of the large object stay within bounds), a
        // huge array of elements that take no input, counts beyond the data.
        {deep, kXErrParseError},
        {Doubling(40), kXErrWalkLimit},
        {heavy, kXErrWalkLimit},
        {heavy.substr(0, heavy.rfind("Frame F5")), kXOK},
        {emptyElements, kXErrParseError},
        {kHeader + "Mesh { 4000000000; 1;2;3;; 0;; }", kXErrParseError},
        {BinaryListTooLong(), kXErrParseError},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseAndWalk(c.first), c.second) << c.first.substr(0, 200);
}

} // namespace
} // namespace gen
