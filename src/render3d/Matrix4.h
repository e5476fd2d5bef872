#pragma once

#include <array>

#include "render3d/Vec3.h"

namespace render3d {

// A 4 x 4 single-precision matrix, row-major, applied to column vectors
// (x' = m00 x + m01 y + m02 z + m03), with a flag that says it is known to
// be the identity. The flag lets the common products with the identity skip
// the arithmetic; it is only ever a promise, never inferred from the values.
class Matrix4 {
  public:
    // A default matrix is the identity.
    Matrix4() { setIdentity(); }

    static Matrix4 identity() { return Matrix4(); }
    // All sixteen elements zero, not flagged identity.
    static Matrix4 zero();
    // The identity carrying (x, y, z) in its last column.
    static Matrix4 translation(float x, float y, float z);
    // A turn of `angle` radians about the axis (x, y, z), counter-clockwise
    // when the axis points at the viewer. The three coordinate axes take the
    // closed forms; any other axis is normalised first (it must not be zero).
    static Matrix4 rotation(float angle, float x, float y, float z);

    void setIdentity();
    bool isIdentity() const { return identity_; }

    float at(int row, int column) const { return m_[row * 4 + column]; }
    // Writing an element clears the identity flag.
    void set(int row, int column, float value);

    // The product this x other. Two identities give the identity; with one
    // identity factor the result is a copy of the other factor (flag
    // included); otherwise the flag is clear.
    Matrix4 operator*(const Matrix4& other) const;

    // The first three rows applied to (x, y, z, 1).
    Vec3 transformPoint(const Vec3& p) const;

    const std::array<float, 16>& elements() const { return m_; }

  private:
    std::array<float, 16> m_{};
    bool identity_ = false;
};

}  // namespace render3d
