#pragma once
// Stand-ins for the graphics side in headless tests: a camera that is never
// looked into, and a mesh device half that records what the mesh asks of it.
// These test binaries do not link the scene library, so the empty camera
// class is the only definition they see.

#include "Mesh/CMesh.h"

#include <memory>
#include <vector>

namespace gen
{

class CCamera
{
};

struct SDeviceLog
{
    int SubMeshBuffers = 0;
    int Materials = 0;
    int Destroys = 0;
    int FailSubMeshAt = -1; // refuse the n-th submesh (0-based)
    int FailMaterialAt = -1;
    struct SRenderCall
    {
        const CMesh* Mesh;
        std::vector<CMatrix4x4> WorldMatrices;
        bool PostProcessPass;
    };
    std::vector<SRenderCall> Renders;
};

inline SDeviceLog& DeviceLog()
{
    static SDeviceLog log;
    return log;
}

class CRecordingMeshDevice : public CMeshDevice
{
public:
    bool CreateSubMeshBuffers(const SSubMesh&) override
    {
        return DeviceLog().SubMeshBuffers++ != DeviceLog().FailSubMeshAt;
    }
    bool LoadMaterial(const SMaterialDesc&) override { return DeviceLog().Materials++ != DeviceLog().FailMaterialAt; }
    void Render(const CMesh& mesh, const std::vector<CMatrix4x4>& worldMatrices, CCamera&,
                bool postProcessPass) override
    {
        DeviceLog().Renders.push_back({&mesh, worldMatrices, postProcessPass});
    }
    void Destroy() override { ++DeviceLog().Destroys; }

    static std::unique_ptr<CMeshDevice> Create() { return std::unique_ptr<CMeshDevice>(new CRecordingMeshDevice); }
};

// Starts a fresh log for the recording device halves made in its scope.
class CRecordingDeviceScope
{
public:
    CRecordingDeviceScope() { DeviceLog() = {}; }
};

// Mesh file names as a template gives them: relative to the media folder.
inline const char* const kHierarchyMesh = "../tests/data/mesh/Hierarchy.x";
inline const char* const kTwoMaterialsMesh = "../tests/data/mesh/TwoMaterials.x";

} // namespace gen
