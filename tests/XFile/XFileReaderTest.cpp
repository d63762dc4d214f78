// The X-file reader on its own: formats, templates, references, the locked
// data layout, status codes and the limits that keep hostile input cheap.

#include "XFile/XFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
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

// Parses a file image and walks all of it: the result, and why it failed.
std::pair<XResult, std::string> ParseAndWalk(const std::string& image)
{
    CParsed p(image);
    if (p.Result != kXOK) return {p.Result, p.File->GetErrorText()};
    const XResult rc = WalkAll(p.Enum);
    return {rc, rc == kXOK ? std::string() : p.Enum->GetErrorText()};
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

// A float equal to the expected one, NaN equal to NaN.
bool SameFloat(float got, float expected)
{
    return std::isnan(expected) ? std::isnan(got) : got == expected;
}

TEST(XFileReader, ReadsTheTextNumberFormsExportersWrite)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        std::string Values;
        float X, Y, Z;
    } cases[] = {
        {"1., .5, -2e3", 1, 0.5f, -2000},
        {"+4;-0.25E-1;7", 4, -0.025f, 7},
        // Integers of any size become the nearest float; past the float range, infinity.
        {"3000000000; 5000000000; -4294967297", 3e9f, 5e9f, -4294967297.0f},
        {"1" + std::string(39, '0') + "; 1e39; -1e400", inf, inf, -inf},
        {"1e-400; 16777217; -2147483649", 0, 16777216.0f, -2147483648.0f},
        // NaN and infinity as C and Python print them, in any case, and as MSVC does.
        {"nan; -NaN; inf", nan, nan, inf},
        {"-Infinity; +INF; -1.#INF00", -inf, inf, -inf},
        {"-nan(ind), nan(snan), -inf", nan, nan, -inf},
    };
    for (const auto& c : cases)
    {
        CParsed p(kHeader + "# comment\n// another\nVector { " + c.Values + "; }\n");
        ASSERT_EQ(p.Result, kXOK) << c.Values << ": " << p.File->GetErrorText();
        const auto v = Data(p.Get({0}));
        EXPECT_TRUE(SameFloat(Float(v, 0), c.X)) << c.Values;
        EXPECT_TRUE(SameFloat(Float(v, 4), c.Y)) << c.Values;
        EXPECT_TRUE(SameFloat(Float(v, 8), c.Z)) << c.Values;
    }
}

// NaN and infinity words in arrays, whatever separates the elements: each
// word is an element, never an empty one.
TEST(XFileReader, ReadsNumberWordsInEveryArrayPosition)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        std::string Object;
        std::size_t Offset; // of the first of the three floats checked
        float X, Y, Z;
    } cases[] = {
        {"FrameTransformMatrix { nan,0,0,0, 0,inf,0,0, 0,0,1,0, 0,0,0,-Infinity;; }", 0, nan, 0, 0},
        {"FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,nan,INF,-inf,1;; }", 48, nan, inf, -inf},
        {"FrameTransformMatrix { 1;0;0;0;0;1;0;0;0;0;1;0;-nan(ind);nan;+inf;1;; }", 48, nan, nan, inf},
        {"FloatKeys { 3; nan, inf, -nan;; }", 4, nan, inf, nan},
        {"FloatKeys { 3; 1.#QNAN0,-1.#IND00,nan;; }", 4, nan, nan, nan},
        {"Mesh { 2; nan; inf; 0;, 1, -inf, nan;; 0;; }", 4, nan, inf, 0},
    };
    for (const auto& c : cases)
    {
        CParsed p(kHeader + c.Object + "\n");
        ASSERT_EQ(p.Result, kXOK) << c.Object << ": " << p.File->GetErrorText();
        const auto v = Data(p.Get({0}));
        ASSERT_GE(v.size(), c.Offset + 12) << c.Object;
        EXPECT_TRUE(SameFloat(Float(v, c.Offset), c.X)) << c.Object;
        EXPECT_TRUE(SameFloat(Float(v, c.Offset + 4), c.Y)) << c.Object;
        EXPECT_TRUE(SameFloat(Float(v, c.Offset + 8), c.Z)) << c.Object;
    }
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

std::string BinaryListTooLong()
{
    std::string bin = "xof 0302bin 0032";
    const std::uint8_t tokens[] = {1, 0, 4, 0, 0, 0, 'M', 'e', 's', 'h', 10, 0, 6, 0, 0, 0, 0, 0x40};
    return bin.append(reinterpret_cast<const char*>(tokens), sizeof tokens);
}

// Each image's result and, where it fails, the words its reason holds.
TEST(XFileReader, ImagesParseAndWalkToTheirResults)
{
    std::string deep = kHeader;
    for (int i = 0; i < 300; ++i) deep += "Frame {";
    deep += std::string(300, '}');
    const std::string emptyElements = kHeader + "template E" + kGuid +
                                      "}\ntemplate H { <01234567-89AB-CDEF-0123-456789ABCDEE> DWORD n; array E e[n]; }\n"
                                      "H { 4000000000; }";
    const std::string shadow = kHeader + "template frame { <7E1D3C52-14B0-4F0E-A7A5-2C1E9F0B6D11> DWORD id; }\n";
    const struct
    {
        std::string Image;
        XResult Result;
        const char* Reason;
    } cases[] = {
        // Headers.
        {"xof 0302txt 003", kXErrBadFile, "byte 15: expected a 16-byte header"},
        {"xof 0302abc 0032", kXErrBadFileType, "byte 8: expected format"},
        {"xof 0402txt 0032", kXErrBadFileVersion, "byte 4: expected version 0302 or 0303"},
        {"xof 0302txt 0048", kXErrBadFileFloatSize, "byte 12: expected float size"},
        {"xof 0302tzip0032", kXErrParseError, "byte 16: expected the inflated size"},
        {kHeader, kXOK, ""}, // nothing in it is fine
        {kHeader + "\"unterminated", kXErrParseError,
         "line 2: expected a template or a data object, found a string without its closing quote"},
        {kHeader + "\nFrame A { & }", kXErrParseError,
         "line 3: expected a child object, a reference or '}', found the character '&'"},
        // Lines end at CR, LF or CRLF, inside strings and references too.
        {"xof 0302txt 0032\r\rFrame A { & }", kXErrParseError, "line 3: expected a child object"},
        {"xof 0302txt 0032\r\n\r\nFrame A { & }", kXErrParseError, "line 3: expected a child object"},
        {kHeader + "TextureFilename { \"a\nb\"; }\nFrame A { {B\n} }\n{", kXErrParseError,
         "line 6: expected a template"},
        // Integers: any size in FLOAT members, 32 bits at most in integer ones.
        {kHeader + "Vector { 1; 2; 99999999999; }", kXOK, ""},
        {kHeader + "Header { 1; 2; 4294967296; }", kXErrParseError,
         "line 2: expected an integer of 32 bits at most for Header.flags, found an integer beyond 32 bits"},
        {kHeader + "Header { 1; 2; nan; }", kXErrParseError, "expected an integer of 32 bits at most"},
        // References: dangling fails when walked, cycles and empty ones at
        // once. A name runs to the closing brace, punctuation and all.
        {kHeader + "Frame A { { Nowhere } }", kXErrBadReference, "line 2: the reference {Nowhere} names no object"},
        {kHeader + "Frame A { }\nAnimation { {x3ds_Gound4&6} }", kXErrBadReference,
         "line 3: the reference {x3ds_Gound4&6} names no object"},
        {kHeader + "Frame A&B { }", kXErrParseError, "found the character '&'"},
        {kHeader + "Frame A { { A } }", kXErrParseError, "line 2: Frame \"A\" holds itself through references"},
        {kHeader + "Frame A { { B } } Frame B { Frame C { { A } } }", kXErrParseError, "holds itself"},
        {kHeader + "Frame A { { } }", kXErrParseError, "line 2: expected a name or GUID in the reference"},
        {kHeader + "Frame A { { A ", kXErrParseError, "expected a reference's name and its closing '}'"},
        // Closed and restricted templates; a reference counts as the object it names.
        {kHeader + "TextureFilename { \"a\"; Frame { } }", kXErrParseError,
         "expected '}' closing the TextureFilename, which takes no child objects"},
        {kHeader + "MeshMaterialList { 0; 0; ; Frame { } }", kXErrParseError,
         "line 2: MeshMaterialList holds a Frame; expected only the child templates its restriction lists"},
        {kHeader + "MeshMaterialList { 0; 0; ; Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; } }", kXOK, ""},
        {kHeader + "Frame F { } MeshMaterialList { 0; 0; ; { F } }", kXErrParseError, "holds a Frame"},
        // A file's own template is found by its exact name first: "frame"
        // is its own, "Frame" stays the standard one, "FRAME" the first spelling.
        {shadow + "frame Tag { 7; } Frame A { " + kTriangle + " } FRAME B { }", kXOK, ""},
        {shadow + "frame Tag { 7; Frame B { } }", kXErrParseError, "closing the frame, which takes no child objects"},
        // Arrays sized by earlier members: too few elements, not an integer.
        {kGrid + "Grid { 2; 3; 1,2,3,4,5; 0; }", kXErrParseError,
         "line 3: expected an integer of 32 bits at most for Grid.n, found '}'"},
        {kGrid + "Grid { 1; 1; 1.5; 0; }", kXErrParseError, "found a number with a fraction"},
        // Template definitions: unknown member type, size naming no member or
        // a float, no GUID, containing itself.
        {kHeader + "template T" + kGuid + "Nothing a; }", kXErrParseError,
         "line 2: expected a primitive type or a template defined before, found the name \"Nothing\""},
        {kHeader + "template T" + kGuid + "array DWORD a[n]; }", kXErrParseError,
         "expected the name of an earlier member"},
        {kHeader + "template T" + kGuid + "FLOAT n; array DWORD a[n]; }", kXErrParseError,
         "expected an earlier member that is one integer"},
        {kHeader + "template T { DWORD a; }", kXErrParseError, "expected the template's GUID, found the type DWORD"},
        {kHeader + "template T" + kGuid + "T a; }", kXErrParseError,
         "expected a primitive type or a template defined before"},
        // Hostile structures fail fast: nesting deeper than allowed, walks
        // that double, a huge array of elements that take no input, counts
        // beyond the data.
        {deep, kXErrParseError, "line 2: expected objects nested at most 256 deep"},
        {Doubling(40), kXErrWalkLimit, "the walk through references reached"},
        {emptyElements, kXErrParseError, "expected values in each element of H.e"},
        {kHeader + "Mesh { 4000000000; 1;2;3;; 0;; }", kXErrParseError, "expected a number for Vector.y, found '}'"},
        {BinaryListTooLong(), kXErrParseError,
         "byte 28: expected an integer of 32 bits at most for Mesh.nVertices, found a token cut short"},
    };
    for (const auto& c : cases)
    {
        const auto got = ParseAndWalk(c.Image);
        EXPECT_EQ(got.first, c.Result) << c.Image.substr(0, 200);
        EXPECT_NE(got.second.find(c.Reason), std::string::npos) << c.Image.substr(0, 200) << "\n" << got.second;
    }
}

} // namespace
} // namespace gen
