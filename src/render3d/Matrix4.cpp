#include "render3d/Matrix4.h"

#include <cmath>

namespace render3d {

Matrix4 Matrix4::zero() {
    Matrix4 m;
    m.m_.fill(0.0f);
    m.identity_ = false;
    return m;
}

Matrix4 Matrix4::translation(float x, float y, float z) {
    Matrix4 m;
    m.set(0, 3, x);
    m.set(1, 3, y);
    m.set(2, 3, z);
    return m;
}

Matrix4 Matrix4::rotation(float angle, float x, float y, float z) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    Matrix4 r;
    auto setRows = [&r](const float(&rows)[3][3]) {
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                r.set(i, j, rows[i][j]);
            }
        }
    };
    if (x == 1.0f && y == 0.0f && z == 0.0f) {
        setRows({{1, 0, 0}, {0, c, -s}, {0, s, c}});
    } else if (x == 0.0f && y == 1.0f && z == 0.0f) {
        setRows({{c, 0, s}, {0, 1, 0}, {-s, 0, c}});
    } else if (x == 0.0f && y == 0.0f && z == 1.0f) {
        setRows({{c, -s, 0}, {s, c, 0}, {0, 0, 1}});
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        x /= length;
        y /= length;
        z /= length;
        const float t = 1.0f - c;
        setRows({{x * x * t + c, x * y * t - z * s, x * z * t + y * s},
                 {x * y * t + z * s, y * y * t + c, y * z * t - x * s},
                 {x * z * t - y * s, y * z * t + x * s, z * z * t + c}});
    }
    return r;
}

void Matrix4::setIdentity() {
    m_.fill(0.0f);
    m_[0] = m_[5] = m_[10] = m_[15] = 1.0f;
    identity_ = true;
}

void Matrix4::set(int row, int column, float value) {
    m_[row * 4 + column] = value;
    identity_ = false;
}

Matrix4 Matrix4::operator*(const Matrix4& other) const {
    if (identity_) {
        return other;
    }
    if (other.identity_) {
        return *this;
    }
    Matrix4 product = zero();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += m_[i * 4 + k] * other.m_[k * 4 + j];
            }
            product.m_[i * 4 + j] = sum;
        }
    }
    return product;
}

Vec3 Matrix4::transformPoint(const Vec3& p) const {
    return {m_[0] * p.x + m_[1] * p.y + m_[2] * p.z + m_[3],
            m_[4] * p.x + m_[5] * p.y + m_[6] * p.z + m_[7],
            m_[8] * p.x + m_[9] * p.y + m_[10] * p.z + m_[11]};
}

}  // namespace render3d
