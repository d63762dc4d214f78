#pragma once
// What a kind of scene object is: a type, a name and the mesh that every
// entity made from it draws.

#include <memory>
#include <string>

namespace gen
{

class CMesh;
class CMeshDevice;

class CEntityTemplate
{
public:
    // Loads the mesh at once ("Media\" + meshFileName), with meshDevice as
    // its device half (null: a mesh that never draws). The outcome is not
    // checked: a template whose mesh failed to load keeps an empty mesh.
    CEntityTemplate(const std::string& type, const std::string& name, const std::string& meshFileName,
                    std::unique_ptr<CMeshDevice> meshDevice);
    virtual ~CEntityTemplate();

    CEntityTemplate(const CEntityTemplate&) = delete;
    CEntityTemplate& operator=(const CEntityTemplate&) = delete;

    const std::string& GetType() const { return Type; }
    const std::string& GetName() const { return Name; }
    // The mesh's file as the template was given it ("Cube.x", or an absolute path).
    const std::string& GetMeshFile() const { return MeshFile; }
    CMesh* GetMesh() const { return Mesh.get(); }

private:
    std::string Type;
    std::string Name;
    std::string MeshFile;
    std::unique_ptr<CMesh> Mesh;
};

} // namespace gen
