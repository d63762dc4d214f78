#include "Camera/CCamera.h"

#include "Device/Input.h"

#include <cmath>

namespace gen
{

CCamera::CCamera(const CVector3& position, const CVector3& rotation, float nearClip, float farClip, float fov, float aspect)
    : NearClip(nearClip), FarClip(farClip), FOV(fov), Aspect(aspect)
{
    WorldMatrix.MakeAffineEuler(position, rotation, kZXY, kOne);
    for (int i = 0; i < 6; ++i)
    {
        FrustumPoints[i] = kZero;
        FrustumNormals[i] = kZero;
    }
    UpdateMatrices();
}

void CCamera::UpdateMatrices()
{
    ViewMatrix = InverseAffine(WorldMatrix);
    // FOV is the horizontal angle for the projection.
    const float vertical = 2.0f * std::atan(std::tan(FOV * 0.5f) / Aspect);
    ProjMatrix = MatrixPerspectiveFovLH(vertical, Aspect, NearClip, FarClip);
    ViewProjMatrix = ViewMatrix * ProjMatrix;
}

void CCamera::CalculateFrustumPlanes()
{
    const CVector3 x = WorldMatrix.GetRow(0);
    const CVector3 y = WorldMatrix.GetRow(1);
    const CVector3 z = WorldMatrix.GetRow(2);
    const CVector3 p = WorldMatrix.GetRow(3);

    FrustumNormals[0] = Normalise(-z);
    const CVector3 p0 = p - FrustumNormals[0] * NearClip;
    FrustumPoints[0] = p0;

    FrustumNormals[1] = Normalise(z);
    FrustumPoints[1] = p + FrustumNormals[1] * FarClip;

    // The side planes take FOV as the vertical angle, unlike the projection,
    // so the culling volume contains the visible one for aspects of 1 or more.
    const float h = std::tan(FOV * 0.5f) * NearClip;
    const float w = Aspect * h;
    for (int i = 2; i < 6; ++i)
    {
        FrustumPoints[i] = p;
    }
    FrustumNormals[2] = Normalise(Cross((p0 - x * w) - p, y));
    FrustumNormals[3] = Normalise(Cross(y, (p0 + x * w) - p));
    FrustumNormals[4] = Normalise(Cross((p0 + y * h) - p, x));
    FrustumNormals[5] = Normalise(Cross(x, (p0 - y * h) - p));
}

bool CCamera::SphereInFrustum(const CVector3& centre, float radius) const
{
    for (int i = 0; i < 6; ++i)
    {
        if (Dot(FrustumNormals[i], centre - FrustumPoints[i]) > radius)
        {
            return false;
        }
    }
    return true;
}

void CCamera::Control(int upKey, int downKey, int leftKey, int rightKey, int forwardKey, int backKey,
                      int leftMoveKey, int rightMoveKey, float moveAmount, float turnAmount)
{
    if (KeyHeld(downKey))
    {
        WorldMatrix.RotateLocalX(turnAmount);
    }
    if (KeyHeld(upKey))
    {
        WorldMatrix.RotateLocalX(-turnAmount);
    }
    if (KeyHeld(rightKey))
    {
        WorldMatrix.RotateY(turnAmount);
    }
    if (KeyHeld(leftKey))
    {
        WorldMatrix.RotateY(-turnAmount);
    }
    if (KeyHeld(rightMoveKey))
    {
        WorldMatrix.MoveLocalX(moveAmount);
    }
    if (KeyHeld(leftMoveKey))
    {
        WorldMatrix.MoveLocalX(-moveAmount);
    }
    if (KeyHeld(forwardKey))
    {
        WorldMatrix.MoveLocalZ(moveAmount);
    }
    if (KeyHeld(backKey))
    {
        WorldMatrix.MoveLocalZ(-moveAmount);
    }
}

} // namespace gen
