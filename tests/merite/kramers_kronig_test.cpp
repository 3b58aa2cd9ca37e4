// The Kramers-Kronig transform of a gain change into an index change, on
// pairs whose index is known in closed form, and the linewidth enhancement
// factor of changes whose sign and zero are known.
#include "merite/kramers_kronig.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// One absorption line at E1 of half width w (meV) as a causal oscillator:
//   n - 1 + i kappa = K [1/(E1 - E - i w) + 1/(E1 + E + i w)],
// poles in the lower half plane, kappa odd and n even in E, so that
// n - 1 = (hbar c / pi) P int alpha / (E'^2 - E^2) dE' with alpha = 2 E kappa / (hbar c).
struct raie {
    double E1 = 1300, w = 10, K = 1e-3; // meV, meV, meV (K: n - 1 of about 0.05 at E1 +- w)
    double kappa(double E) const
    {
        return K * (w / ((E1 - E) * (E1 - E) + w * w) - w / ((E1 + E) * (E1 + E) + w * w));
    }
    double indice(double E) const
    {
        return K * ((E1 - E) / ((E1 - E) * (E1 - E) + w * w) + (E1 + E) / ((E1 + E) * (E1 + E) + w * w));
    }
    double gain(double E) const { return -2 * E * kappa(E) / hbar_c_meV_cm(); } // cm^-1
};

// 1 meV grid from 0 to E_fin, and g on it.
void grille(double E_fin, double (*f)(double, const void*), const void* x, std::vector<double>& E,
            std::vector<double>& g)
{
    E.clear();
    g.clear();
    for (double e = 0; e <= E_fin; e += 1.0) {
        E.push_back(e);
        g.push_back(f(e, x));
    }
}

TEST(KramersKronig, RaieLorentzienneEtSaDispersion)
{
    const raie r;
    std::vector<double> E, g;
    grille(20000, [](double e, const void* x) { return static_cast<const raie*>(x)->gain(e); }, &r, E, g);
    // on the grid and between its points, across the line and in its wings
    for (double E0 : {1200.0, 1270.0, 1285.5, 1290.0, 1295.0, 1297.5, 1303.0, 1305.0, 1310.0, 1320.7, 1350.0, 1500.0}) {
        const double attendu = r.indice(E0);
        EXPECT_NEAR(variation_indice(E, g, E0), attendu, 0.01 * std::fabs(attendu)) << "E0 = " << E0;
    }
    // at the centre the dispersion crosses zero: within 1 % of its extremum K / 2w
    EXPECT_NEAR(variation_indice(E, g, r.E1), r.indice(r.E1), 0.01 * r.K / (2 * r.w));
}

// A symmetric gain change of Gaussian shape around Ec: the dispersive part
// of its index change vanishes at Ec (what is left comes from the pole at
// -Ec, some 1/(2 pi Ec) per meV of width), and is odd about Ec.
double gaussienne(double e, const void*) { return 50 * std::exp(-std::pow((e - 1300) / 15, 2.0)); }

TEST(KramersKronig, AlphaHDUnChangementSymetrique)
{
    std::vector<double> E, g;
    grille(4000, gaussienne, nullptr, E, g);
    auto alpha_H = [&](double E0) {
        const double lambda = 1240000 / E0; // nm
        return facteur_alpha_H(lambda, variation_indice(E, g, E0), gaussienne(E0, nullptr));
    };
    EXPECT_NEAR(alpha_H(1300), 0.0, 0.01);
    // below the centre the gain grows above the photon energy: the index falls,
    // alpha_H > 0; above, the opposite, but for the pole at -Ec
    for (double x : {5.0, 15.0, 25.0}) {
        EXPECT_GT(alpha_H(1300 - x), 0.1) << x;
        EXPECT_NEAR(alpha_H(1300 - x), -alpha_H(1300 + x), 0.03 * alpha_H(1300 - x)) << x;
    }
}

// The principal value at a grid point is the limit of the integral at energies
// beside it: the two strips meeting there are handled together.
TEST(KramersKronig, ValeurPrincipaleContinueAuxPointsDeLaGrille)
{
    std::vector<double> E, g;
    grille(4000, gaussienne, nullptr, E, g);
    for (double E0 : {1290.0, 1300.0, 1312.0})
        EXPECT_NEAR(variation_indice(E, g, E0), variation_indice(E, g, E0 + 1e-6), 1e-9) << E0;
}

} // namespace
