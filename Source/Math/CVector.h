#pragma once
// Small single-precision vectors. Plain value types: default construction
// leaves the components undefined, as in the graphics APIs they mirror.

#include <cmath>

namespace gen
{

extern const float kEpsilon; // magnitudes below this count as zero

struct CVector2
{
    float u, v;
    CVector2() = default;
    constexpr CVector2(float u_, float v_) : u(u_), v(v_) {}
};

class CVector3
{
public:
    float x, y, z;

    CVector3() = default;
    constexpr CVector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    CVector3 operator+(const CVector3& b) const { return {x + b.x, y + b.y, z + b.z}; }
    CVector3 operator-(const CVector3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    CVector3 operator-() const { return {-x, -y, -z}; }
    CVector3 operator*(float s) const { return {x * s, y * s, z * s}; }
    CVector3& operator+=(const CVector3& b) { x += b.x; y += b.y; z += b.z; return *this; }
    CVector3& operator-=(const CVector3& b) { x -= b.x; y -= b.y; z -= b.z; return *this; }
    CVector3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }

    float Length() const { return std::sqrt(x * x + y * y + z * z); }

    // Normalises in place; a vector whose squared length is below kEpsilon
    // becomes the zero vector.
    void Normalise();
};

inline CVector3 operator*(float s, const CVector3& v) { return v * s; }

inline float Dot(const CVector3& a, const CVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline CVector3 Cross(const CVector3& a, const CVector3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline CVector3 Normalise(const CVector3& v)
{
    CVector3 r = v;
    r.Normalise();
    return r;
}

inline bool operator==(const CVector3& a, const CVector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline bool operator!=(const CVector3& a, const CVector3& b) { return !(a == b); }

class CVector4
{
public:
    float x, y, z, w;

    CVector4() = default;
    constexpr CVector4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr CVector4(const CVector3& v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
};

extern const CVector3 kZero; // (0, 0, 0)
extern const CVector3 kOne;  // (1, 1, 1)

} // namespace gen
