#include "Math/CVector.h"

namespace gen
{

const float kEpsilon = 0.0000005f;
const CVector3 kZero(0.0f, 0.0f, 0.0f);
const CVector3 kOne(1.0f, 1.0f, 1.0f);

void CVector3::Normalise()
{
    // The squared length, not the length, is compared with kEpsilon.
    const float s = x * x + y * y + z * z;
    if (std::fabs(s) < kEpsilon)
    {
        x = y = z = 0.0f;
        return;
    }
    const float inv = 1.0f / std::sqrt(s);
    x *= inv;
    y *= inv;
    z *= inv;
}

} // namespace gen
