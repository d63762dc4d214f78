// The level file: templates for every mesh and the placed entities.
//
// Layout (world units; the camera starts at (0, 50, -150) looking along +z, 15
// degrees down): an octagonal post-processing block on a tiled plinth at the origin,
// "Cubey" circling it at radius 50 with the blue light, "Wall1" in the left
// foreground with heat rising off it (the wall mesh is centred, so walls stand at
// y = 4), pillars with spinning crystals, crates and tiled blocks, tall walls behind,
// and the Earth, a moon and a gas giant against a star field. The sun is far to the
// upper left, so most surfaces are turned a little towards -x to catch it.
// Order matters for the planet shells: the clouds and the atmosphere are drawn without
// depth testing, so they come right after the Earth and before anything that can
// stand in front of it.

#include "Common/ReadFile.h"
#include "MediaGen.h"

#include <cstdio>
#include <string>
#include <vector>

namespace gen
{
namespace
{

struct SPlacement
{
    std::string Template;
    std::string Name;
    float Position[3];
    float Rotation[3]; // degrees
    float Scale[3];
    float Spin;        // radians per second; written only when non-zero
    float Randomise[3]; // extents; written only when any is non-zero
};

std::string Num(float v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(v));
    return buffer;
}

std::string Xyz(const float v[3])
{
    return "X=\"" + Num(v[0]) + "\" Y=\"" + Num(v[1]) + "\" Z=\"" + Num(v[2]) + "\"";
}

} // namespace

bool WriteLevel(const std::string& dir)
{
    struct STemplate
    {
        const char* Type;
        const char* Name;
        const char* Mesh;
    };
    const std::vector<STemplate> templates = {
        {"Scenery", "Sky", "Sky.x"},
        {"Planet", "GasGiant", "GasGiant.x"},
        {"Planet", "Earth", "Earth.x"},
        {"Planet", "Clouds", "Clouds.x"},
        {"Scenery", "Atmosphere", "Atmosphere.x"},
        {"Planet", "Moon", "Moon.x"},
        {"Planet", "Asteroid", "Moon.x"},
        {"Scenery", "Ground", "Ground.x"},
        {"Scenery", "Plinth", "Plinth.x"},
        {"Scenery", "Pillar", "Pillar.x"},
        {"Planet", "Crystal", "Crystal.x"},
        {"Scenery", "Wall", "Wall.x"},
        {"Scenery", "TallWall", "TallWall.x"},
        {"Scenery", "Crate", "Crate.x"},
        {"Scenery", "TileBlock", "TileBlock.x"},
        {"Cube", "Cubey", "Cubey.x"},
        {"Scenery", "PostProcessBlock", "PostProcessBlock.x"},
    };

    const std::vector<SPlacement> entities = {
        {"Sky", "Sky", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"GasGiant", "Gas Giant", {770, 180, 2230}, {8, 0, -12}, {180, 180, 180}, 0.02f, {0, 0, 0}},
        {"Earth", "Earth", {-376, 127, 884}, {0, 0, 23}, {86, 86, 86}, 0.05f, {0, 0, 0}},
        {"Clouds", "Earth Clouds", {-376, 127, 884}, {0, 0, 23}, {86, 86, 86}, 0.065f, {0, 0, 0}},
        {"Atmosphere", "Earth Atmosphere", {-376, 127, 884}, {0, 0, 23}, {86, 86, 86}, 0, {0, 0, 0}},
        {"Moon", "Moon", {200, 110, 700}, {0, 0, 0}, {22, 22, 22}, 0.1f, {0, 0, 0}},
        {"Asteroid", "Asteroid", {-60, 75, 420}, {20, 0, 10}, {7, 5, 6}, 0.4f, {220, 30, 120}},
        {"Asteroid", "Asteroid", {-60, 75, 420}, {0, 30, 40}, {5, 4, 4}, -0.3f, {220, 30, 120}},
        {"Asteroid", "Asteroid", {-60, 75, 420}, {60, 0, 0}, {9, 7, 8}, 0.25f, {220, 30, 120}},
        {"Asteroid", "Asteroid", {-60, 75, 420}, {0, 0, 70}, {4, 4, 3}, 0.6f, {220, 30, 120}},
        {"Asteroid", "Asteroid", {-60, 75, 420}, {35, 35, 0}, {6, 5, 5}, -0.5f, {220, 30, 120}},
        {"Ground", "Ground", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Plinth", "Plinth", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Pillar", "Pillar", {-72, 0, -30}, {0, 45, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Pillar", "Pillar", {72, 0, -30}, {0, 45, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Pillar", "Pillar", {-60, 0, 70}, {0, 45, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Pillar", "Pillar", {60, 0, 70}, {0, 45, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Crystal", "Crystal", {-72, 47, -30}, {0, 0, 0}, {1.5f, 1.5f, 1.5f}, 1.2f, {0, 0, 0}},
        {"Crystal", "Crystal", {72, 47, -30}, {0, 30, 0}, {1.5f, 1.5f, 1.5f}, -1.0f, {0, 0, 0}},
        {"Crystal", "Crystal", {-60, 47, 70}, {0, 60, 0}, {1.5f, 1.5f, 1.5f}, 0.8f, {0, 0, 0}},
        {"Crystal", "Crystal", {60, 47, 70}, {0, 90, 0}, {1.5f, 1.5f, 1.5f}, -1.4f, {0, 0, 0}},
        {"Wall", "Wall1", {-35, 4, -70}, {0, 25, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Wall", "Wall2", {45, 4, -68}, {0, 35, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"TallWall", "Back Wall", {0, 0, 135}, {0, 12, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"TallWall", "Left Wall", {-115, 0, 75}, {0, 40, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"TallWall", "Right Wall", {115, 0, 90}, {0, 25, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Crate", "Crate", {85, 0, 30}, {0, 20, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Crate", "Crate", {86, 10, 31}, {0, 5, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"Crate", "Crate", {100, 0, 55}, {0, 35, 0}, {1, 1, 1}, 0, {20, 0, 20}},
        {"Crate", "Crate", {92, 0, -5}, {0, 50, 0}, {1.4f, 1.4f, 1.4f}, 0, {10, 0, 10}},
        {"TileBlock", "Tile Block", {-85, 0, 10}, {0, 30, 0}, {1, 1, 1}, 0, {16, 0, 16}},
        {"TileBlock", "Tile Block", {-95, 0, 40}, {0, 15, 0}, {1, 1.5f, 1}, 0, {16, 0, 16}},
        {"TileBlock", "Tile Block", {-98, 0, -12}, {0, 40, 0}, {0.8f, 0.8f, 0.8f}, 0, {10, 0, 10}},
        {"Cubey", "Cubey", {-40, 24, -30}, {0, 0, 0}, {1, 1, 1}, 0, {0, 0, 0}},
        {"PostProcessBlock", "PostProcessBlock", {0, 4, 0}, {0, 22.5f, 0}, {1, 1, 1}, 0, {0, 0, 0}},
    };

    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<!-- Generated by tools/mediagen: edit the generator, not this file. -->\n";
    xml += "<Level>\n  <Templates>\n";
    for (const STemplate& t : templates)
    {
        xml += std::string("    <EntityTemplate Type=\"") + t.Type + "\" Name=\"" + t.Name + "\" Mesh=\"" + t.Mesh + "\"/>\n";
    }
    xml += "  </Templates>\n  <Entities>\n";
    for (const SPlacement& e : entities)
    {
        xml += "    <Entity Type=\"" + e.Template + "\" Name=\"" + e.Name + "\">\n";
        xml += "      <Position " + Xyz(e.Position) + "/>\n";
        if (e.Randomise[0] != 0.0f || e.Randomise[1] != 0.0f || e.Randomise[2] != 0.0f)
        {
            xml += "      <Randomise " + Xyz(e.Randomise) + "/>\n";
        }
        xml += "      <Rotation " + Xyz(e.Rotation) + "/>\n";
        xml += "      <Scale " + Xyz(e.Scale) + "/>\n";
        if (e.Spin != 0.0f)
        {
            xml += "      <Spin Speed=\"" + Num(e.Spin) + "\"/>\n";
        }
        xml += "    </Entity>\n";
    }
    xml += "  </Entities>\n</Level>\n";

    return WriteWholeFile(dir + "/Entities.xml", xml);
}

} // namespace gen
