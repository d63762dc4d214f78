#pragma once
// The scene's single viewpoint: placement, lens, the matrices derived from
// them each frame, and six planes for culling bounding spheres.

#include "Math/CMatrix4x4.h"

namespace gen
{

class CCamera
{
public:
    CCamera(const CVector3& position, const CVector3& rotation, float nearClip, float farClip, float fov, float aspect);

    void UpdateMatrices();
    void CalculateFrustumPlanes();

    // True unless the sphere lies wholly outside one of the six planes.
    bool SphereInFrustum(const CVector3& centre, float radius) const;

    // Flies the camera from held keys: turns about the world vertical, pitches
    // about its own X axis, moves along its own axes.
    void Control(int upKey, int downKey, int leftKey, int rightKey, int forwardKey, int backKey,
                 int leftMoveKey, int rightMoveKey, float moveAmount, float turnAmount);

    CMatrix4x4 WorldMatrix;
    float NearClip;
    float FarClip;
    float FOV; // radians; the projection takes it as the horizontal angle
    float Aspect;
    CMatrix4x4 ViewMatrix;
    CMatrix4x4 ProjMatrix;
    CMatrix4x4 ViewProjMatrix;

    // Planes in the order near, far, left, right, top, bottom; normals point
    // out of the volume.
    CVector3 FrustumPoints[6];
    CVector3 FrustumNormals[6];

    CVector3 GetPosition() const { return WorldMatrix.GetPosition(); }
};

} // namespace gen
