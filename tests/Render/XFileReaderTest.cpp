// The X-file reader on its own: formats, templates, references, the locked
// data layout, status codes and the limits that keep hostile input cheap.

#include "Render/XFile.h"

#include <gtest/gtest.h>

#include <cstring>
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
    explicit CParsed(const std::string& text, CXFile* templatesFrom = nullptr)
    {
        if (templatesFrom)
        {
            File = templatesFrom;
            Owned = false;
        }
        else
        {
            EXPECT_EQ(XFileCreate(&File), kXOK);
        }
        const SXMemory memory{text.data(), text.size()};
        Result = File->CreateEnumObject(&memory, kXLoadFromMemory, &Enum);
    }

    ~CParsed()
    {
        for (CXFileData* d : Held) d->Release();
        if (Enum) Enum->Release();
        if (Owned) File->Release();
    }

    CParsed(const CParsed&) = delete;
    CParsed& operator=(const CParsed&) = delete;

    std::size_t NumTop() const
    {
        std::size_t n = 0;
        EXPECT_EQ(Enum->GetChildren(&n), kXOK);
        return n;
    }

    CXFileData* Get(std::initializer_list<std::size_t> path)
    {
        CXFileData* d = nullptr;
        auto it = path.begin();
        EXPECT_EQ(Enum->GetChild(*it, &d), kXOK);
        Held.push_back(d);
        for (++it; it != path.end(); ++it)
        {
            CXFileData* c = nullptr;
            EXPECT_EQ(d->GetChild(*it, &c), kXOK);
            Held.push_back(c);
            d = c;
        }
        return d;
    }

    XResult Result;
    CXFile* File = nullptr;
    CXFileEnumObject* Enum = nullptr;

private:
    bool Owned = true;
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

// Parses and walks every object; the first failure met, or kXOK.
XResult WalkAll(CXFileData* d)
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

XResult WalkAll(const CParsed& p)
{
    if (p.Result != kXOK) return p.Result;
    XResult rc = kXOK;
    for (std::size_t i = 0; i < p.NumTop() && rc == kXOK; ++i)
    {
        CXFileData* d = nullptr;
        rc = p.Enum->GetChild(i, &d);
        if (d)
        {
            rc = WalkAll(d);
            d->Release();
        }
    }
    return rc;
}

const std::string kHeader = "xof 0302txt 0032\n";
const std::string kTriangle = "Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";

std::vector<std::uint8_t> MeshData(const std::string& path)
{
    CXFile* file = nullptr;
    EXPECT_EQ(XFileCreate(&file), kXOK);
    CXFileEnumObject* e = nullptr;
    EXPECT_EQ(file->CreateEnumObject(path.c_str(), kXLoadFromFile, &e), kXOK) << path;
    std::vector<std::uint8_t> bytes;
    if (e)
    {
        // Frame Cube is the second top-level object; its second child the mesh.
        CXFileData* frame = nullptr;
        CXFileData* mesh = nullptr;
        EXPECT_EQ(e->GetChild(1, &frame), kXOK);
        EXPECT_EQ(frame->GetChild(1, &mesh), kXOK);
        EXPECT_EQ(Type(mesh), kMesh);
        bytes = Data(mesh);
        mesh->Release();
        frame->Release();
        e->Release();
    }
    file->Release();
    return bytes;
}

TEST(XFileReader, LaysOutMemberDataFlatAndLittleEndian)
{
    CParsed p(kHeader + kTriangle +
              "XSkinMeshHeader { 2; 3; 4; }\n"
              "TextureFilename { \"a.png\"; }\n"
              "SkinWeights { \"Bone\"; 1; 5; 0.5; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n");
    ASSERT_EQ(p.Result, kXOK);
    ASSERT_EQ(p.NumTop(), 4u);

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

TEST(XFileReader, TextBinaryAndCompressedFilesGiveTheSameData)
{
    const auto text = MeshData("tests/data/Cube.x");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(MeshData("tests/data/CubeBinary.x"), text);
    EXPECT_EQ(MeshData("tests/data/CubeCompressed.x"), text);
}

TEST(XFileReader, SixtyFourBitFloatsArriveAsThirtyTwoBit)
{
    CParsed p("xof 0303txt 0064\n" + kTriangle);
    ASSERT_EQ(p.Result, kXOK);
    const auto text64 = Data(p.Get({0}));
    CParsed q(kHeader + kTriangle);
    EXPECT_EQ(text64, Data(q.Get({0})));
}

TEST(XFileReader, NamesTypesAndChildren)
{
    CParsed p(kHeader +
              "Frame Material.001 {\n"
              "  Frame 1stFloor { }\n"
              "  Frame { }\n"
              "  Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n"
              "}\n");
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
    EXPECT_EQ(p.Enum->GetChild(1, &child), kXErrNoMoreObjects);

    char small[4];
    std::size_t size = sizeof small;
    EXPECT_EQ(top->GetName(small, &size), kXErrBadValue);
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

TEST(XFileReader, DanglingReferencesFailWhenWalkedCyclesAtOnce)
{
    CParsed dangling(kHeader + "Frame A { { Nowhere } Frame B { } }");
    ASSERT_EQ(dangling.Result, kXOK);
    CXFileData* a = dangling.Get({0});
    std::size_t n = 0;
    EXPECT_EQ(a->GetChildren(&n), kXOK);
    EXPECT_EQ(n, 2u);
    CXFileData* child = nullptr;
    EXPECT_EQ(a->GetChild(0, &child), kXErrBadReference);
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(Name(dangling.Get({0, 1})), "B");

    EXPECT_EQ(CParsed(kHeader + "Frame A { { A } }").Result, kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + "Frame A { { B } } Frame B { Frame C { { A } } }").Result, kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + "Frame A { { } }").Result, kXErrParseError);
}

TEST(XFileReader, EnforcesClosedAndRestrictedTemplates)
{
    EXPECT_EQ(CParsed(kHeader + "TextureFilename { \"a\"; Frame { } }").Result, kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + "MeshMaterialList { 0; 0; ; Frame { } }").Result, kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + "MeshMaterialList { 0; 0; ; Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; } }").Result,
              kXOK);
    // A reference counts as the object it names.
    EXPECT_EQ(CParsed(kHeader + "Frame F { } MeshMaterialList { 0; 0; ; { F } }").Result, kXErrParseError);
}

TEST(XFileReader, ArraysAreSizedByEarlierMembers)
{
    const std::string tmpl = "template Grid { <01234567-89AB-CDEF-0123-456789ABCDEF>\n"
                             "  WORD rows; WORD cols; array DWORD cells[rows][cols]; DWORD n; array STRING s[n]; }\n";
    CParsed p(kHeader + tmpl + "Grid { 2; 3; 1,2,3,4,5,6; 2; \"x\", \"yz\"; }\n");
    ASSERT_EQ(p.Result, kXOK);
    const auto d = Data(p.Get({0}));
    ASSERT_EQ(d.size(), 2u + 2 + 24 + 4 + 2 + 3);
    EXPECT_EQ(Dword(d, 4 + 20), 6u);
    EXPECT_EQ(std::memcmp(d.data() + 32, "x\0yz\0", 5), 0);
    EXPECT_EQ(CParsed(kHeader + tmpl + "Grid { 2; 3; 1,2,3,4,5; 0; }").Result, kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + tmpl + "Grid { 1; 1; 1.5; 0; }").Result, kXErrParseError); // not an integer
}

TEST(XFileReader, TemplateDefinitionsAreChecked)
{
    // Unknown member type, size naming no member, size naming a float, no GUID.
    EXPECT_EQ(CParsed(kHeader + "template T { <01234567-89AB-CDEF-0123-456789ABCDEF> Nothing a; }").Result,
              kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + "template T { <01234567-89AB-CDEF-0123-456789ABCDEF> array DWORD a[n]; }").Result,
              kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + "template T { <01234567-89AB-CDEF-0123-456789ABCDEF> FLOAT n; array DWORD a[n]; }")
                  .Result,
              kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + "template T { DWORD a; }").Result, kXErrParseError);
    // A template may not contain itself.
    EXPECT_EQ(CParsed(kHeader + "template T { <01234567-89AB-CDEF-0123-456789ABCDEF> T a; }").Result,
              kXErrParseError);
}

TEST(XFileReader, RegisteredTemplatesServeLaterFiles)
{
    CXFile* file = nullptr;
    ASSERT_EQ(XFileCreate(&file), kXOK);
    EXPECT_EQ(file->RegisterTemplates(nullptr, 10), kXErrBadValue);
    EXPECT_EQ(file->RegisterTemplates("x", 0), kXErrBadValue);
    const std::string bad = kHeader + "template Pair { <0000AAAA-0000-0000-0000-000000000001> DWORD a; } Pair { 1; }";
    EXPECT_EQ(file->RegisterTemplates(bad.data(), bad.size()), kXErrParseError); // data objects refused
    {
        // The failed registration left nothing behind.
        CParsed p(kHeader + "Pair { 1; }", file);
        EXPECT_EQ(p.Result, kXErrParseError);
    }
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
    const auto a = Data(p.Get({0}));
    EXPECT_EQ(Float(a, 0), 1.0f);
    EXPECT_EQ(Float(a, 4), 0.5f);
    EXPECT_EQ(Float(a, 8), -2000.0f);
    const auto b = Data(p.Get({1}));
    EXPECT_EQ(Float(b, 0), 4.0f);
    EXPECT_EQ(Float(b, 4), -0.025f);
}

TEST(XFileReader, StatusCodesForFilesItCannotRead)
{
    CXFile* file = nullptr;
    ASSERT_EQ(XFileCreate(&file), kXOK);
    CXFileEnumObject* e = nullptr;
    EXPECT_EQ(file->CreateEnumObject("tests/data/Missing.x", kXLoadFromFile, &e), kXErrFileNotFound);
    EXPECT_EQ(file->CreateEnumObject(nullptr, kXLoadFromFile, &e), kXErrBadValue);
    EXPECT_EQ(file->CreateEnumObject("tests/data/Cube.x", 7, &e), kXErrBadValue);
    EXPECT_EQ(XFileCreate(nullptr), kXErrPointer);
    file->Release();

    EXPECT_EQ(CParsed("xof 0302txt 003").Result, kXErrBadFile);
    EXPECT_EQ(CParsed("xof 0302abc 0032").Result, kXErrBadFileType);
    EXPECT_EQ(CParsed("xof 0402txt 0032").Result, kXErrBadFileVersion);
    EXPECT_EQ(CParsed("xof 0302txt 0048").Result, kXErrBadFileFloatSize);
    EXPECT_EQ(CParsed("xof 0302tzip0032").Result, kXErrParseError);
    EXPECT_EQ(CParsed(kHeader).Result, kXOK); // nothing in it is fine
    EXPECT_EQ(CParsed(kHeader + "\"unterminated").Result, kXErrParseError);
    EXPECT_EQ(CParsed(kHeader + "Vector { 1; 2; 99999999999; }").Result, kXErrParseError);
}

TEST(XFileReader, HostileStructuresFailFast)
{
    // Nesting deeper than the reader allows.
    std::string deep = kHeader;
    for (int i = 0; i < 300; ++i) deep += "Frame {";
    for (int i = 0; i < 300; ++i) deep += "}";
    EXPECT_EQ(CParsed(deep).Result, kXErrParseError);

    // References that double at every level: a tiny file whose walk stops
    // at the walk limit instead of going on for ever.
    std::string doubling = kHeader + "Frame F0 { }\n";
    for (int i = 1; i < 40; ++i)
    {
        doubling += "Frame F" + std::to_string(i) + " { { F" + std::to_string(i - 1) + " } { F" +
                    std::to_string(i - 1) + " } }\n";
    }
    EXPECT_EQ(WalkAll(CParsed(doubling)), kXErrWalkLimit);

    // Few objects, but references repeating a large one far beyond the
    // file's own data.
    std::string heavy = kHeader + "template Big { <01234567-89AB-CDEF-0123-456789ABCDE0> array DWORD d[100000]; }\n"
                                  "Frame R0 { Big {";
    for (int i = 0; i < 100000; ++i) heavy += "0,";
    heavy += "} }\n";
    for (int i = 1; i < 8; ++i)
    {
        heavy += "Frame R" + std::to_string(i) + " { { R" + std::to_string(i - 1) + " } { R" +
                 std::to_string(i - 1) + " } }\n";
    }
    EXPECT_EQ(WalkAll(CParsed(heavy)), kXErrWalkLimit);
    heavy.resize(heavy.rfind("Frame R5"));
    EXPECT_EQ(WalkAll(CParsed(heavy)), kXOK); // 31 copies in all stay within bounds

    // A huge array of elements that take no input.
    const std::string empty = "template E { <01234567-89AB-CDEF-0123-456789ABCDEF> }\n"
                              "template H { <01234567-89AB-CDEF-0123-456789ABCDEE> DWORD n; array E e[n]; }\n";
    EXPECT_EQ(CParsed(kHeader + empty + "H { 4000000000; }").Result, kXErrParseError);

    // A vertex count far beyond the data.
    EXPECT_EQ(CParsed(kHeader + "Mesh { 4000000000; 1;2;3;; 0;; }").Result, kXErrParseError);

    // A binary list claiming more elements than the file holds.
    std::string bin = "xof 0302bin 0032";
    const std::uint8_t tokens[] = {1, 0, 4, 0, 0, 0, 'M', 'e', 's', 'h', 10, 0, 6, 0, 0, 0, 0, 0x40};
    bin.append(reinterpret_cast<const char*>(tokens), sizeof tokens);
    EXPECT_EQ(CParsed(bin).Result, kXErrParseError);
}

} // namespace
} // namespace gen
