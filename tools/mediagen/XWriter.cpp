#include "XWriter.h"

#include <cstdio>
#include <cstring>

namespace gen
{
namespace
{

// ---- Text form ----

std::string Num(float value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6f", static_cast<double>(value));
    // "-0.000000" and "0.000000" mean the same; keep the files stable and tidy.
    if (std::strcmp(buffer, "-0.000000") == 0)
    {
        return "0.000000";
    }
    return buffer;
}

class CTextWriter
{
public:
    std::string Out;

    void Line(int depth, const std::string& text)
    {
        Out.append(static_cast<std::size_t>(depth), ' ');
        Out += text;
        Out += '\n';
    }

    void Faces(int depth, const std::vector<std::vector<std::uint32_t>>& faces)
    {
        Line(depth, std::to_string(faces.size()) + ";");
        for (std::size_t f = 0; f < faces.size(); ++f)
        {
            std::string text = std::to_string(faces[f].size()) + ";";
            for (std::size_t i = 0; i < faces[f].size(); ++i)
            {
                text += std::to_string(faces[f][i]) + (i + 1 < faces[f].size() ? "," : ";");
            }
            Line(depth, text + (f + 1 < faces.size() ? "," : ";"));
        }
    }

    void Vectors(int depth, const std::vector<SVec3>& vectors)
    {
        Line(depth, std::to_string(vectors.size()) + ";");
        for (std::size_t i = 0; i < vectors.size(); ++i)
        {
            const SVec3& v = vectors[i];
            Line(depth, Num(v.X) + ";" + Num(v.Y) + ";" + Num(v.Z) + ";" + (i + 1 < vectors.size() ? "," : ";"));
        }
    }

    void Material(int depth, const SXMaterial& m)
    {
        Line(depth, "Material " + m.Name + " {");
        Line(depth + 1, Num(m.Diffuse[0]) + ";" + Num(m.Diffuse[1]) + ";" + Num(m.Diffuse[2]) + ";" +
                            Num(m.Diffuse[3]) + ";;");
        Line(depth + 1, Num(m.Power) + ";");
        Line(depth + 1, Num(m.Specular[0]) + ";" + Num(m.Specular[1]) + ";" + Num(m.Specular[2]) + ";;");
        Line(depth + 1, Num(m.Emissive[0]) + ";" + Num(m.Emissive[1]) + ";" + Num(m.Emissive[2]) + ";;");
        if (!m.Texture.empty())
        {
            Line(depth + 1, "TextureFilename {");
            Line(depth + 2, "\"" + m.Texture + "\";");
            Line(depth + 1, "}");
        }
        Line(depth, "}");
    }

    void Mesh(int depth, const SXMesh& mesh)
    {
        Line(depth, "Mesh " + mesh.Name + " {");
        Vectors(depth + 1, mesh.Positions);
        Faces(depth + 1, mesh.Faces);
        if (!mesh.Normals.empty())
        {
            Line(depth + 1, "MeshNormals {");
            Vectors(depth + 2, mesh.Normals);
            Faces(depth + 2, mesh.NormalFaces);
            Line(depth + 1, "}");
        }
        if (!mesh.TexCoords.empty())
        {
            Line(depth + 1, "MeshTextureCoords {");
            Line(depth + 2, std::to_string(mesh.TexCoords.size()) + ";");
            for (std::size_t i = 0; i < mesh.TexCoords.size(); ++i)
            {
                Line(depth + 2, Num(mesh.TexCoords[i].U) + ";" + Num(mesh.TexCoords[i].V) + ";" +
                                    (i + 1 < mesh.TexCoords.size() ? "," : ";"));
            }
            Line(depth + 1, "}");
        }
        Line(depth + 1, "MeshMaterialList {");
        Line(depth + 2, std::to_string(mesh.Materials.size()) + ";");
        Line(depth + 2, std::to_string(mesh.FaceMaterials.size()) + ";");
        for (std::size_t i = 0; i < mesh.FaceMaterials.size(); ++i)
        {
            Line(depth + 2, std::to_string(mesh.FaceMaterials[i]) + (i + 1 < mesh.FaceMaterials.size() ? "," : ";"));
        }
        for (const SXMaterial& m : mesh.Materials)
        {
            Material(depth + 2, m);
        }
        Line(depth + 1, "}");
        Line(depth, "}");
    }

    void Frame(int depth, const SXFrame& frame)
    {
        Line(depth, "Frame " + frame.Name + " {");
        Line(depth + 1, "FrameTransformMatrix {");
        std::string matrix;
        for (std::size_t i = 0; i < 16; ++i)
        {
            matrix += Num(frame.Matrix[i]) + (i < 15 ? "," : ";;");
        }
        Line(depth + 2, matrix);
        Line(depth + 1, "}");
        for (const SXMesh& mesh : frame.Meshes)
        {
            Mesh(depth + 1, mesh);
        }
        for (const SXFrame& child : frame.Children)
        {
            Frame(depth + 1, child);
        }
        Line(depth, "}");
    }
};

// ---- Binary form: the little-endian token stream ----

enum EToken : std::uint16_t
{
    kTokenName = 1,
    kTokenIntegerList = 6,
    kTokenFloatList = 7,
    kTokenOpenBrace = 10,
    kTokenCloseBrace = 11,
};

class CBinaryWriter
{
public:
    std::string Out;

    void Word(std::uint16_t v)
    {
        Out += static_cast<char>(v & 0xFF);
        Out += static_cast<char>(v >> 8);
    }

    void DWord(std::uint32_t v)
    {
        for (int shift = 0; shift < 32; shift += 8)
        {
            Out += static_cast<char>((v >> shift) & 0xFF);
        }
    }

    void Name(const std::string& name)
    {
        Word(kTokenName);
        DWord(static_cast<std::uint32_t>(name.size()));
        Out += name;
    }

    void Open(const std::string& templateName, const std::string& objectName)
    {
        Name(templateName);
        if (!objectName.empty())
        {
            Name(objectName);
        }
        Word(kTokenOpenBrace);
    }

    void Close() { Word(kTokenCloseBrace); }

    void Integers(const std::vector<std::uint32_t>& values)
    {
        Word(kTokenIntegerList);
        DWord(static_cast<std::uint32_t>(values.size()));
        for (std::uint32_t v : values)
        {
            DWord(v);
        }
    }

    void Floats(const std::vector<float>& values)
    {
        Word(kTokenFloatList);
        DWord(static_cast<std::uint32_t>(values.size()));
        for (float f : values)
        {
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            DWord(bits);
        }
    }

    static std::vector<float> Flatten(const std::vector<SVec3>& vectors)
    {
        std::vector<float> out;
        for (const SVec3& v : vectors)
        {
            out.insert(out.end(), {v.X, v.Y, v.Z});
        }
        return out;
    }

    static std::vector<std::uint32_t> FaceList(const std::vector<std::vector<std::uint32_t>>& faces)
    {
        std::vector<std::uint32_t> out = {static_cast<std::uint32_t>(faces.size())};
        for (const auto& face : faces)
        {
            out.push_back(static_cast<std::uint32_t>(face.size()));
            out.insert(out.end(), face.begin(), face.end());
        }
        return out;
    }

    void Mesh(const SXMesh& mesh)
    {
        Open("Mesh", mesh.Name);
        Integers({static_cast<std::uint32_t>(mesh.Positions.size())});
        Floats(Flatten(mesh.Positions));
        Integers(FaceList(mesh.Faces));
        if (!mesh.Normals.empty())
        {
            Open("MeshNormals", "");
            Integers({static_cast<std::uint32_t>(mesh.Normals.size())});
            Floats(Flatten(mesh.Normals));
            Integers(FaceList(mesh.NormalFaces));
            Close();
        }
        if (!mesh.TexCoords.empty())
        {
            Open("MeshTextureCoords", "");
            Integers({static_cast<std::uint32_t>(mesh.TexCoords.size())});
            std::vector<float> uv;
            for (const SVec2& t : mesh.TexCoords)
            {
                uv.insert(uv.end(), {t.U, t.V});
            }
            Floats(uv);
            Close();
        }
        Open("MeshMaterialList", "");
        std::vector<std::uint32_t> list = {static_cast<std::uint32_t>(mesh.Materials.size()),
                                           static_cast<std::uint32_t>(mesh.FaceMaterials.size())};
        list.insert(list.end(), mesh.FaceMaterials.begin(), mesh.FaceMaterials.end());
        Integers(list);
        for (const SXMaterial& m : mesh.Materials)
        {
            // Binary files carry no strings: a texture name needs the string token,
            // so textured materials are kept to the text files.
            Open("Material", m.Name);
            Floats({m.Diffuse[0], m.Diffuse[1], m.Diffuse[2], m.Diffuse[3], m.Power, m.Specular[0], m.Specular[1],
                    m.Specular[2], m.Emissive[0], m.Emissive[1], m.Emissive[2]});
            Close();
        }
        Close();
        Close();
    }

    void Frame(const SXFrame& frame)
    {
        Open("Frame", frame.Name);
        Open("FrameTransformMatrix", "");
        Floats(std::vector<float>(frame.Matrix.begin(), frame.Matrix.end()));
        Close();
        for (const SXMesh& mesh : frame.Meshes)
        {
            Mesh(mesh);
        }
        for (const SXFrame& child : frame.Children)
        {
            Frame(child);
        }
        Close();
    }
};

} // namespace

std::string WriteXText(const SXFile& file)
{
    CTextWriter writer;
    writer.Out = "xof 0303txt 0032\n\n";
    for (const SXFrame& frame : file.Frames)
    {
        writer.Frame(0, frame);
    }
    return writer.Out;
}

std::string WriteXBinary(const SXFile& file)
{
    CBinaryWriter writer;
    writer.Out = "xof 0303bin 0032";
    for (const SXFrame& frame : file.Frames)
    {
        writer.Frame(frame);
    }
    return writer.Out;
}

} // namespace gen
