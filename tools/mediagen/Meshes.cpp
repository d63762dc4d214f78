// The scene's meshes. Faces are wound clockwise seen from the front (the default
// culling removes counter-clockwise ones), texture v runs downwards, and every mesh
// carries normals, texture coordinates and a material list, which the drawing code needs.

#include "Common/ReadFile.h"
#include "MediaGen.h"
#include "XWriter.h"

#include <cmath>
#include <cstdio>

namespace gen
{
namespace
{

constexpr float kPi = 3.14159265f;

SVec3 Add(SVec3 a, SVec3 b) { return {a.X + b.X, a.Y + b.Y, a.Z + b.Z}; }
SVec3 Sub(SVec3 a, SVec3 b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
SVec3 Mul(SVec3 a, float s) { return {a.X * s, a.Y * s, a.Z * s}; }
SVec3 Cross(SVec3 a, SVec3 b) { return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X}; }
SVec3 Normalise(SVec3 a)
{
    const float l = std::sqrt(a.X * a.X + a.Y * a.Y + a.Z * a.Z);
    return l > 0.0f ? Mul(a, 1.0f / l) : a;
}

SXMaterial Material(const std::string& name, const std::string& texture, std::array<float, 4> diffuse,
                    float specular, float power)
{
    SXMaterial m;
    m.Name = name;
    m.Texture = texture;
    m.Diffuse = diffuse;
    m.Specular = {specular, specular, specular};
    m.Power = power;
    return m;
}

// One quad seen from its front: centre, half-extent vectors pointing right and up on
// the face, texture repeats across and down, material index. Four own vertices, so
// each face has its own normal and texture coordinates.
void Quad(SXMesh& mesh, SVec3 centre, SVec3 right, SVec3 up, float uRepeat, float vRepeat, std::uint32_t material)
{
    const SVec3 normal = Normalise(Cross(up, right));
    const std::uint32_t base = static_cast<std::uint32_t>(mesh.Positions.size());
    const SVec3 corners[4] = {Add(Sub(centre, right), up), Add(Add(centre, right), up), Sub(Add(centre, right), up),
                              Sub(Sub(centre, right), up)};
    const SVec2 uvs[4] = {{0.0f, 0.0f}, {uRepeat, 0.0f}, {uRepeat, vRepeat}, {0.0f, vRepeat}};
    for (int i = 0; i < 4; ++i)
    {
        mesh.Positions.push_back(corners[i]);
        mesh.Normals.push_back(normal);
        mesh.TexCoords.push_back(uvs[i]);
    }
    mesh.Faces.push_back({base, base + 1, base + 2, base + 3});
    mesh.NormalFaces.push_back({base, base + 1, base + 2, base + 3});
    mesh.FaceMaterials.push_back(material);
}

// Axis-aligned box from its base centre; texture repeats every `tile` units.
SXMesh Box(const std::string& name, float sx, float sy, float sz, float baseY, float tile, const SXMaterial& material)
{
    SXMesh mesh;
    mesh.Name = name;
    mesh.Materials = {material};
    const float hx = sx * 0.5f, hy = sy * 0.5f, hz = sz * 0.5f;
    const float cy = baseY + hy;
    Quad(mesh, {0, cy, -hz}, {hx, 0, 0}, {0, hy, 0}, sx / tile, sy / tile, 0);  // front (-z)
    Quad(mesh, {hx, cy, 0}, {0, 0, hz}, {0, hy, 0}, sz / tile, sy / tile, 0);   // right (+x)
    Quad(mesh, {0, cy, hz}, {-hx, 0, 0}, {0, hy, 0}, sx / tile, sy / tile, 0);  // back (+z)
    Quad(mesh, {-hx, cy, 0}, {0, 0, -hz}, {0, hy, 0}, sz / tile, sy / tile, 0); // left (-x)
    Quad(mesh, {0, baseY + sy, 0}, {hx, 0, 0}, {0, 0, hz}, sx / tile, sz / tile, 0); // top
    Quad(mesh, {0, baseY, 0}, {hx, 0, 0}, {0, 0, -hz}, sx / tile, sz / tile, 0);     // bottom
    return mesh;
}

// UV sphere: u runs east once around, v from the north pole down. `inward` turns
// the faces and normals to the inside (for the sky).
SXMesh Sphere(const std::string& name, float radius, std::uint32_t slices, std::uint32_t stacks, bool inward,
              const SXMaterial& material)
{
    SXMesh mesh;
    mesh.Name = name;
    mesh.Materials = {material};
    for (std::uint32_t j = 0; j <= stacks; ++j)
    {
        const float theta = static_cast<float>(j) / static_cast<float>(stacks) * kPi;
        for (std::uint32_t i = 0; i <= slices; ++i)
        {
            const float phi = static_cast<float>(i) / static_cast<float>(slices) * 2.0f * kPi;
            SVec3 n = {std::sin(phi) * std::sin(theta), std::cos(theta), -std::cos(phi) * std::sin(theta)};
            if (j == 0 || j == stacks)
            {
                n = {0.0f, j == 0 ? 1.0f : -1.0f, 0.0f};
            }
            mesh.Positions.push_back(Mul(n, radius));
            mesh.Normals.push_back(inward ? Mul(n, -1.0f) : n);
            mesh.TexCoords.push_back({static_cast<float>(i) / static_cast<float>(slices),
                                      static_cast<float>(j) / static_cast<float>(stacks)});
        }
    }
    auto index = [&](std::uint32_t i, std::uint32_t j) { return j * (slices + 1) + i; };
    for (std::uint32_t j = 0; j < stacks; ++j)
    {
        for (std::uint32_t i = 0; i < slices; ++i)
        {
            const std::uint32_t tl = index(i, j), tr = index(i + 1, j), br = index(i + 1, j + 1), bl = index(i, j + 1);
            std::vector<std::vector<std::uint32_t>> faces;
            if (j == 0)
            {
                faces.push_back({tl, br, bl});
            }
            else if (j == stacks - 1)
            {
                faces.push_back({tl, tr, br});
            }
            else
            {
                faces.push_back({tl, tr, br, bl});
            }
            for (auto& face : faces)
            {
                if (inward)
                {
                    std::vector<std::uint32_t> reversed(face.rbegin(), face.rend());
                    face = reversed;
                }
                mesh.Faces.push_back(face);
                mesh.NormalFaces.push_back(face);
                mesh.FaceMaterials.push_back(0);
            }
        }
    }
    return mesh;
}

// Flat grid in the XZ plane facing up, base at y = 0.
SXMesh Ground(const std::string& name, float size, std::uint32_t cells, float tile, const SXMaterial& material)
{
    SXMesh mesh;
    mesh.Name = name;
    mesh.Materials = {material};
    const float step = size / static_cast<float>(cells);
    for (std::uint32_t j = 0; j < cells; ++j)
    {
        for (std::uint32_t i = 0; i < cells; ++i)
        {
            const float cx = -size * 0.5f + (static_cast<float>(i) + 0.5f) * step;
            const float cz = size * 0.5f - (static_cast<float>(j) + 0.5f) * step;
            Quad(mesh, {cx, 0, cz}, {step * 0.5f, 0, 0}, {0, 0, step * 0.5f}, step / tile, step / tile, 0);
        }
    }
    return mesh;
}

// Regular prism standing on y = 0, sides offset by half a side so a face (not an
// edge) points along -z. Each side is split into `bands` stacked panels; panel b of
// side i uses side material (i + 2b) mod count, so with four materials and two bands
// any two neighbouring sides show all four. The top and bottom (one polygon each)
// use the given materials.
SXMesh Prism(const std::string& name, std::uint32_t sides, float radius, float height, std::uint32_t bands,
             std::uint32_t sideMaterials, std::uint32_t topMaterial, std::uint32_t bottomMaterial,
             std::vector<SXMaterial> materials)
{
    SXMesh mesh;
    mesh.Name = name;
    mesh.Materials = std::move(materials);
    const float apothem = radius * std::cos(kPi / static_cast<float>(sides));
    const float halfSide = radius * std::sin(kPi / static_cast<float>(sides));
    const float bandHeight = height / static_cast<float>(bands);
    for (std::uint32_t i = 0; i < sides; ++i)
    {
        const float a = static_cast<float>(i) * 2.0f * kPi / static_cast<float>(sides);
        const SVec3 outward = {std::sin(a), 0.0f, -std::cos(a)};
        const SVec3 right = Cross({0, 1, 0}, Mul(outward, -1.0f));
        for (std::uint32_t b = 0; b < bands; ++b)
        {
            const float centreY = height - (static_cast<float>(b) + 0.5f) * bandHeight;
            Quad(mesh, {outward.X * apothem, centreY, outward.Z * apothem}, Mul(right, halfSide),
                 {0, bandHeight * 0.5f, 0}, 1.0f, 1.0f, (i + 2 * b) % sideMaterials);
        }
    }
    // Caps: one polygon each (fan-triangulated by the reader), planar texture coordinates.
    for (int cap = 0; cap < 2; ++cap)
    {
        const float y = cap == 0 ? height : 0.0f;
        const SVec3 normal = {0.0f, cap == 0 ? 1.0f : -1.0f, 0.0f};
        std::vector<std::uint32_t> face;
        for (std::uint32_t k = 0; k < sides; ++k)
        {
            // Corners clockwise seen from outside: going one way round for the top, the other for the bottom.
            const std::uint32_t i = cap == 0 ? sides - 1 - k : k;
            const float a = (static_cast<float>(i) - 0.5f) * 2.0f * kPi / static_cast<float>(sides);
            const SVec3 p = {std::sin(a) * radius, y, -std::cos(a) * radius};
            face.push_back(static_cast<std::uint32_t>(mesh.Positions.size()));
            mesh.Positions.push_back(p);
            mesh.Normals.push_back(normal);
            mesh.TexCoords.push_back({p.X / (2.0f * radius) + 0.5f, (cap == 0 ? -p.Z : p.Z) / (2.0f * radius) + 0.5f});
        }
        mesh.Faces.push_back(face);
        mesh.NormalFaces.push_back(face);
        mesh.FaceMaterials.push_back(cap == 0 ? topMaterial : bottomMaterial);
    }
    return mesh;
}

// Octahedral crystal sharing its six corners between faces, with one normal per face:
// the reader has to split the corners by normal.
SXMesh Crystal(const std::string& name, float radius, float height, const SXMaterial& material)
{
    SXMesh mesh;
    mesh.Name = name;
    mesh.Materials = {material};
    mesh.Positions = {{0, height, 0}, {0, -height, 0}, {radius, 0, 0}, {0, 0, radius}, {-radius, 0, 0}, {0, 0, -radius}};
    mesh.TexCoords = {{0.5f, 0.0f}, {0.5f, 1.0f}, {0.0f, 0.5f}, {0.25f, 0.5f}, {0.5f, 0.5f}, {0.75f, 0.5f}};
    const std::uint32_t ring[4] = {2, 5, 4, 3}; // clockwise seen from above: +x, -z, -x, +z
    for (std::uint32_t k = 0; k < 4; ++k)
    {
        const std::uint32_t a = ring[k], b = ring[(k + 1) % 4];
        for (std::uint32_t apex : {0u, 1u})
        {
            std::vector<std::uint32_t> face = apex == 0 ? std::vector<std::uint32_t>{0, a, b}
                                                        : std::vector<std::uint32_t>{1, b, a};
            const SVec3 n = Normalise(Cross(Sub(mesh.Positions[face[1]], mesh.Positions[face[0]]),
                                            Sub(mesh.Positions[face[2]], mesh.Positions[face[0]])));
            const std::uint32_t normalIndex = static_cast<std::uint32_t>(mesh.Normals.size());
            mesh.Normals.push_back(n);
            mesh.Faces.push_back(face);
            mesh.NormalFaces.push_back({normalIndex, normalIndex, normalIndex});
            mesh.FaceMaterials.push_back(0);
        }
    }
    return mesh;
}

SXFile Single(const std::string& frameName, SXMesh mesh)
{
    SXFile file;
    SXFrame frame;
    frame.Name = frameName;
    frame.Meshes.push_back(std::move(mesh));
    file.Frames.push_back(std::move(frame));
    return file;
}

bool HasTextures(const SXFrame& frame)
{
    for (const SXMesh& mesh : frame.Meshes)
    {
        for (const SXMaterial& m : mesh.Materials)
        {
            if (!m.Texture.empty())
            {
                return true;
            }
        }
    }
    for (const SXFrame& child : frame.Children)
    {
        if (HasTextures(child))
        {
            return true;
        }
    }
    return false;
}

bool WriteText(const std::string& dir, const std::string& name, const SXFile& file)
{
    return WriteWholeFile(dir + "/" + name, WriteXText(file));
}

bool WriteBinary(const std::string& dir, const std::string& name, const SXFile& file)
{
    for (const SXFrame& frame : file.Frames)
    {
        if (HasTextures(frame))
        {
            std::fprintf(stderr, "mediagen: %s: binary meshes carry no texture names\n", name.c_str());
            return false;
        }
    }
    return WriteWholeFile(dir + "/" + name, WriteXBinary(file));
}

} // namespace

bool WriteMeshes(const std::string& dir)
{
    bool ok = true;
    const std::array<float, 4> white = {1.0f, 1.0f, 1.0f, 1.0f};

    ok &= WriteText(dir, "Sky.x", Single("Sky", Sphere("SkyMesh", 6000.0f, 32, 16, true, Material("PlainSky", "Sky.png", white, 0.0f, 1.0f))));
    ok &= WriteText(dir, "Ground.x", Single("Ground", Ground("GroundMesh", 500.0f, 5, 25.0f, Material("DeckPlating", "Ground.png", white, 0.25f, 30.0f))));
    ok &= WriteText(dir, "Cubey.x", Single("Cubey", Box("CubeyMesh", 12.0f, 12.0f, 12.0f, -6.0f, 12.0f, Material("VertexLitCubey", "Cubey.png", white, 0.6f, 40.0f))));
    // The wall is centred on its origin: the heat-haze square 5 units above
    // "Wall1"'s origin then straddles the top edge, so the haze rises off the wall
    // instead of sitting inside it, behind its near face.
    ok &= WriteText(dir, "Wall.x", Single("Wall", Box("WallMesh", 30.0f, 8.0f, 2.0f, -4.0f, 8.0f, Material("NormalMapBricks", "Bricks.png", white, 0.15f, 20.0f))));
    ok &= WriteText(dir, "TallWall.x", Single("TallWall", Box("TallWallMesh", 80.0f, 24.0f, 3.0f, 0.0f, 8.0f, Material("NormalMapBricks", "Bricks.png", white, 0.15f, 20.0f))));
    ok &= WriteText(dir, "Pillar.x", Single("Pillar", Box("PillarMesh", 8.0f, 40.0f, 8.0f, 0.0f, 10.0f, Material("NormalMapStone", "Stone.png", white, 0.3f, 25.0f))));
    ok &= WriteText(dir, "Plinth.x", Single("Plinth", Box("PlinthMesh", 60.0f, 4.0f, 60.0f, 0.0f, 15.0f, Material("ParallaxMapTiles", "Tiles.png", white, 0.5f, 40.0f))));
    ok &= WriteText(dir, "TileBlock.x", Single("TileBlock", Box("TileBlockMesh", 12.0f, 12.0f, 12.0f, 0.0f, 12.0f, Material("ParallaxMapTiles", "Tiles.png", white, 0.5f, 40.0f))));
    ok &= WriteText(dir, "Crate.x", Single("Crate", Box("CrateMesh", 10.0f, 10.0f, 10.0f, 0.0f, 10.0f, Material("Crate", "Crate.png", white, 0.1f, 10.0f))));
    ok &= WriteText(dir, "Earth.x", Single("Earth", Sphere("EarthMesh", 1.0f, 48, 24, false, Material("Earth", "Earth.png", white, 0.6f, 30.0f))));
    ok &= WriteText(dir, "Clouds.x", Single("Clouds", Sphere("CloudsMesh", 1.015f, 48, 24, false, Material("Clouds", "Clouds.png", white, 0.0f, 1.0f))));
    ok &= WriteText(dir, "Moon.x", Single("Moon", Sphere("MoonMesh", 1.0f, 32, 16, false, Material("Moon", "Moon.png", white, 0.05f, 10.0f))));
    ok &= WriteText(dir, "GasGiant.x", Single("GasGiant", Sphere("GasGiantMesh", 1.0f, 48, 24, false, Material("GasGiant", "GasGiant.png", white, 0.1f, 15.0f))));

    // The post-processing block: an octagonal glass column of two rows of panels
    // cycling through the four scene-reading materials, all four in view from any side.
    // The three colour-only materials still name a texture, which is what selects
    // their methods; they load none. Colours differ so the importer keeps them apart.
    {
        std::vector<SXMaterial> materials = {
            Material("CutGlass", "Glass.png", {0.9f, 0.97f, 1.0f, 1.0f}, 0.8f, 60.0f),
            Material("TintPoly", "Glass.png", {1.0f, 0.9f, 0.95f, 1.0f}, 0.0f, 20.0f),
            Material("PolyHighContrast", "Glass.png", {0.95f, 1.0f, 0.9f, 1.0f}, 0.0f, 20.0f),
            Material("PolyGrayScale", "Glass.png", {0.9f, 0.9f, 0.9f, 1.0f}, 0.0f, 20.0f),
        };
        ok &= WriteText(dir, "PostProcessBlock.x",
                        Single("PostProcessBlock", Prism("PostProcessBlockMesh", 8, 22.0f, 36.0f, 2, 4, 0, 3, materials)));
    }

    // Binary files: the atmosphere shell and the crystal (a frame hierarchy with a
    // transformed child), both untextured.
    {
        SXMaterial atmosphere = Material("Atmosphere", "", {0.35f, 0.6f, 1.0f, 1.0f}, 0.0f, 1.0f);
        ok &= WriteBinary(dir, "Atmosphere.x", Single("Atmosphere", Sphere("AtmosphereMesh", 1.06f, 48, 24, false, atmosphere)));

        SXFile crystal;
        SXFrame root;
        root.Name = "Crystal";
        root.Meshes.push_back(Crystal("CrystalMesh", 2.0f, 4.0f, Material("GlowCrystal", "", {0.4f, 0.95f, 1.0f, 1.0f}, 0.0f, 1.0f)));
        SXFrame shard;
        shard.Name = "Shard";
        // Half size, tilted 30 degrees about z, beside the main crystal.
        const float c = std::cos(kPi / 6.0f) * 0.5f, s = std::sin(kPi / 6.0f) * 0.5f;
        shard.Matrix = {c, s, 0, 0, -s, c, 0, 0, 0, 0, 0.5f, 0, 2.5f, -1.5f, 0, 1};
        shard.Meshes.push_back(Crystal("ShardMesh", 2.0f, 4.0f, Material("GlowShard", "", {1.0f, 0.45f, 0.9f, 1.0f}, 0.0f, 1.0f)));
        root.Children.push_back(std::move(shard));
        crystal.Frames.push_back(std::move(root));
        ok &= WriteBinary(dir, "Crystal.x", crystal);
    }
    return ok;
}

} // namespace gen
