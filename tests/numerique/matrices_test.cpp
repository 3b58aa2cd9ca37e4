// 4x4 complex inversion and product used by the valence-band transfer matrices.
#include <gtest/gtest.h>

#include <cmath>

#include "numerique/matrices.hpp"

namespace {

matrice_c4 identite()
{
    matrice_c4 m{};
    for (int i = 0; i < 4; ++i) m[i][i] = {1.0, 0.0};
    return m;
}

void attendre_egales(const matrice_c4& a, const matrice_c4& b, double tolerance = 0.0)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            SCOPED_TRACE(testing::Message() << "(" << i << ", " << j << ")");
            EXPECT_NEAR(a[i][j].re, b[i][j].re, tolerance);
            EXPECT_NEAR(a[i][j].im, b[i][j].im, tolerance);
        }
}

// A dense matrix with no zero element, well conditioned.
matrice_c4 pleine()
{
    matrice_c4 m{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = {1.0 / (i + j + 1) + (i == j ? 3.0 : 0.0), 0.5 * (i - j) + 0.25};
    return m;
}

TEST(InverseC4, IdentiteEtDiagonale)
{
    matrice_c4 b{};
    attendre_egales(inverse_c4(identite(), b), identite());

    matrice_c4 d{};
    d[0][0] = {2.0, 0.0};
    d[1][1] = {0.0, 2.0};
    d[2][2] = {-1.0, 0.0};
    d[3][3] = {1.0, 1.0};
    matrice_c4 attendu{};
    attendu[0][0] = {0.5, 0.0};
    attendu[1][1] = {0.0, -0.5};
    attendu[2][2] = {-1.0, 0.0};
    attendu[3][3] = {0.5, -0.5};
    attendre_egales(inverse_c4(d, b), attendu);
}

TEST(InverseC4, ProduitAvecLaMatriceDonneLIdentite)
{
    const matrice_c4 a = pleine();
    matrice_c4 inv{}, p{};
    inverse_c4(a, inv);
    attendre_egales(produit_c4(a, inv, p), identite(), 1e-14);
    attendre_egales(produit_c4(inv, a, p), identite(), 1e-14);
}

// A zero pivot takes the next row with a non-zero element in its column, so
// an invertible matrix is inverted whatever its (0, 0) element.
TEST(InverseC4, PivotNulEchangeDeLignes)
{
    matrice_c4 echange = identite();
    std::swap(echange[0], echange[1]);
    matrice_c4 b{};
    attendre_egales(inverse_c4(echange, b), echange);

    matrice_c4 a = pleine();
    a[0][0] = {0.0, 0.0};
    a[1][0] = {0.0, 0.0};
    matrice_c4 inv{}, p{};
    inverse_c4(a, inv);
    attendre_egales(produit_c4(a, inv, p), identite(), 1e-14);
}

TEST(InverseC4, MatriceSinguliereDonneNaN)
{
    matrice_c4 a = pleine();
    a[3] = a[1]; // two equal rows
    for (auto& ligne : a) ligne[0] = {0.0, 0.0};
    matrice_c4 b{};
    inverse_c4(a, b);
    for (const auto& ligne : b)
        for (const auto& e : ligne) {
            EXPECT_TRUE(std::isnan(e.re));
            EXPECT_TRUE(std::isnan(e.im));
        }
}

TEST(InverseC4, LaSourceResteIntacte)
{
    const matrice_c4 a = pleine();
    matrice_c4 copie = a, b{};
    inverse_c4(copie, b);
    attendre_egales(copie, a);
}

TEST(ProduitC4, IdentiteEtValeurConnue)
{
    const matrice_c4 a = pleine();
    matrice_c4 p{};
    attendre_egales(produit_c4(a, identite(), p), a);
    attendre_egales(produit_c4(identite(), a, p), a);

    // i * I times (1 + i) * I = (-1 + i) * I; the destination is overwritten.
    matrice_c4 x{}, y{};
    for (int i = 0; i < 4; ++i) {
        x[i][i] = {0.0, 1.0};
        y[i][i] = {1.0, 1.0};
    }
    for (auto& ligne : p)
        for (auto& e : ligne) e = {7.0, 7.0};
    matrice_c4 attendu{};
    for (int i = 0; i < 4; ++i) attendu[i][i] = {-1.0, 1.0};
    attendre_egales(produit_c4(x, y, p), attendu);
}

} // namespace
