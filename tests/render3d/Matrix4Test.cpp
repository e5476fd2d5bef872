#include <gtest/gtest.h>

#include <cmath>

#include "render3d/Matrix4.h"

namespace render3d {
namespace {

Matrix4 sample() {
    Matrix4 m = Matrix4::zero();
    for (int i = 0; i < 16; ++i) {
        m.set(i / 4, i % 4, static_cast<float>(i + 1));
    }
    return m;
}

TEST(Matrix4, DefaultIsTheFlaggedIdentity) {
    const Matrix4 m;
    EXPECT_TRUE(m.isIdentity());
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(m.at(i, j), i == j ? 1.0f : 0.0f);
        }
    }
}

TEST(Matrix4, ZeroIsAllZerosAndNotFlagged) {
    const Matrix4 m = Matrix4::zero();
    EXPECT_FALSE(m.isIdentity());
    for (float e : m.elements()) {
        EXPECT_EQ(e, 0.0f);
    }
}

TEST(Matrix4, WritingAnElementClearsTheFlagEvenWithTheSameValue) {
    Matrix4 m;
    m.set(0, 0, 1.0f);
    EXPECT_FALSE(m.isIdentity());
    m.setIdentity();
    EXPECT_TRUE(m.isIdentity());
}

TEST(Matrix4, ProductRulesOfTheIdentityFlag) {
    const Matrix4 id;
    EXPECT_TRUE((id * id).isIdentity());
    const Matrix4 m = sample();
    EXPECT_EQ((id * m).elements(), m.elements());
    EXPECT_FALSE((id * m).isIdentity());
    EXPECT_EQ((m * id).elements(), m.elements());
    // Numerically the identity, but not known to be: the flag stays clear.
    const Matrix4 t = Matrix4::translation(1, 2, 3) * Matrix4::translation(-1, -2, -3);
    EXPECT_EQ(t.elements(), id.elements());
    EXPECT_FALSE(t.isIdentity());
    // An unflagged identity factor takes the arithmetic path.
    Matrix4 unflagged;
    unflagged.set(0, 0, 1.0f);
    EXPECT_EQ((m * unflagged).elements(), m.elements());
    EXPECT_FALSE((unflagged * unflagged).isIdentity());
}

TEST(Matrix4, ProductIsRowsTimesColumns) {
    const Matrix4 m = sample();
    const Matrix4 p = m * m;
    // Row 0 of m is 1 2 3 4; column 0 is 1 5 9 13.
    EXPECT_EQ(p.at(0, 0), 1 * 1 + 2 * 5 + 3 * 9 + 4 * 13);
    EXPECT_EQ(p.at(3, 2), 13 * 3 + 14 * 7 + 15 * 11 + 16 * 15);
}

TEST(Matrix4, TranslationCarriesTheOffsetInTheLastColumn) {
    const Matrix4 t = Matrix4::translation(1.5f, -2.0f, 3.0f);
    EXPECT_FALSE(t.isIdentity());
    EXPECT_EQ(t.at(0, 3), 1.5f);
    EXPECT_EQ(t.at(1, 3), -2.0f);
    EXPECT_EQ(t.at(2, 3), 3.0f);
    EXPECT_EQ(t.transformPoint({1, 1, 1}), (Vec3{2.5f, -1.0f, 4.0f}));
}

TEST(Matrix4, RotationsAreCounterClockwiseAboutTheAxis) {
    const float quarter = 1.5707964f;
    auto nearly = [](Vec3 a, Vec3 b) {
        return std::abs(a.x - b.x) < 1e-6f && std::abs(a.y - b.y) < 1e-6f &&
               std::abs(a.z - b.z) < 1e-6f;
    };
    EXPECT_TRUE(nearly(Matrix4::rotation(quarter, 0, 0, 1).transformPoint({1, 0, 0}), {0, 1, 0}));
    EXPECT_TRUE(nearly(Matrix4::rotation(quarter, 1, 0, 0).transformPoint({0, 1, 0}), {0, 0, 1}));
    EXPECT_TRUE(nearly(Matrix4::rotation(quarter, 0, 1, 0).transformPoint({0, 0, 1}), {1, 0, 0}));
}

TEST(Matrix4, ClosedFormsAgreeWithTheGeneralFormula) {
    // A scaled axis is not "exactly" a coordinate axis: it takes the general
    // formula after normalising.
    const float angles[] = {0.0f, 0.3f, -1.2f, 3.1415927f, 5.0f};
    const float axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (float angle : angles) {
        for (const auto& a : axes) {
            const Matrix4 closed = Matrix4::rotation(angle, a[0], a[1], a[2]);
            const Matrix4 general = Matrix4::rotation(angle, 3 * a[0], 3 * a[1], 3 * a[2]);
            for (int i = 0; i < 16; ++i) {
                EXPECT_NEAR(closed.elements()[i], general.elements()[i], 1e-6f)
                    << "angle " << angle << " element " << i;
            }
        }
    }
}

TEST(Matrix4, GeneralAxisTurnsAboutTheDiagonal) {
    // A third of a turn about (1, 1, 1) cycles the coordinate axes.
    const Matrix4 r = Matrix4::rotation(2.0943952f, 1, 1, 1);
    const Vec3 p = r.transformPoint({1, 0, 0});
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, 1.0f, 1e-6f);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);
    EXPECT_FALSE(r.isIdentity());
}

}  // namespace
}  // namespace render3d
