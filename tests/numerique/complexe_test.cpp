// Complex and scalar helpers: the edge cases the band computations rely on
// (band edges, zero wave vectors, signed zeros).
#include <gtest/gtest.h>

#include <cmath>

#include "numerique/complexe.hpp"

namespace {

void attendre_egal(complexe obtenu, complexe attendu)
{
    EXPECT_EQ(obtenu.re, attendu.re);
    EXPECT_EQ(obtenu.im, attendu.im);
}

TEST(Complexe, OperationsElementaires)
{
    const complexe z{1.5, -2.0}, w{-0.5, 4.0};
    attendre_egal(c_somme(z, w), {1.0, 2.0});
    attendre_egal(c_difference(z, w), {2.0, -6.0});
    attendre_egal(c_produit(z, w), {1.5 * -0.5 - (-2.0) * 4.0, -2.0 * -0.5 + 1.5 * 4.0});
    attendre_egal(c_echelle(z, -2.0), {-3.0, 4.0});
    attendre_egal(c_plus_reel(z, 0.25), {1.75, -2.0});
    attendre_egal(c_conjugue(z), {1.5, 2.0});
    EXPECT_EQ(c_module({3.0, -4.0}), 5.0);
}

TEST(Complexe, InverseDuZeroExactEstZero)
{
    attendre_egal(c_inverse({0.0, 0.0}), {0.0, 0.0});
    attendre_egal(c_inverse({0.0, 2.0}), {0.0, -0.5});
    attendre_egal(c_inverse({4.0, 0.0}), {0.25, -0.0});
    // Only the exact zero is special: a tiny value is inverted as it is.
    EXPECT_EQ(c_inverse({1e-100, 0.0}).re, 1e-100 / (1e-100 * 1e-100));
}

TEST(Complexe, RacinesDeReelsSignesEtDeComplexes)
{
    attendre_egal(c_racine_reel(-4.0), {0.0, 2.0});
    attendre_egal(c_racine_reel(0.0), {0.0, 0.0});
    attendre_egal(c_racine_reel(9.0), {3.0, 0.0});
    attendre_egal(c_racine({-4.0, 0.0}), {0.0, 2.0});
    // b = -0 does not count as negative.
    attendre_egal(c_racine({-4.0, -0.0}), {0.0, 2.0});
    attendre_egal(c_racine({0.0, -2.0}), {1.0, -1.0});
    attendre_egal(c_racine({0.0, 0.0}), {0.0, 0.0});
}

TEST(Complexe, OndesPlanes)
{
    attendre_egal(c_exp_ikx({0.0, 1.0}, 1.0), {std::exp(-1.0), 0.0});
    const complexe e = c_exp_ikx({M_PI, 0.0}, 1.0);
    EXPECT_EQ(e.re, -1.0);
    EXPECT_EQ(e.im, std::sin(M_PI));
    EXPECT_GT(e.im, 0.0);
}

TEST(Scalaires, InterpolationFermiDiracTrapeze)
{
    EXPECT_EQ(interpolation(1.0, 2.5, 7.0), 2.5);
    EXPECT_EQ(interpolation(0.0, 2.5, 7.0), 7.0);
    EXPECT_EQ(interpolation(0.25, 4.0, 8.0), 7.0);
    for (double s : {0.0, 1.0, 38.7, 1e6}) EXPECT_EQ(fermi_dirac(12.0, 12.0, s), 0.5);
    EXPECT_EQ(fermi_dirac(1e3, 0.0, 1.0), 0.0);
    EXPECT_EQ(fermi_dirac(-1e3, 0.0, 1.0), 1.0);
    EXPECT_EQ(trapeze(0.0, 2.0, 1.0, 3.0), 4.0);
    EXPECT_EQ(trapeze(2.0, 0.0, 1.0, 3.0), -4.0);
}

} // namespace
