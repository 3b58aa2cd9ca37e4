// The barrier continuum of [modele] continuum: the Fermi-Dirac integral of
// order 1/2, the three-dimensional densities it gives, and the quasi-Fermi
// searches that share their levels with it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gain_optique/continuum.hpp"
#include "gain_optique/fermi.hpp"

namespace {

constexpr double q = 1.60218e-19, kB = 1.38066e-23, m0 = 9.1095e-31, hbar2 = 1.1121389764000003e-68;
constexpr double pi = 3.141592653589793;

// 2/sqrt(pi) int_0^inf sqrt(e) de / (1 + exp(e - eta)) by Simpson's rule in
// u = sqrt(e) (the integrand 2 u^2 f is smooth at 0), up to 60 kT past eta.
double fermi_reference(double eta)
{
    const double fin = std::sqrt(std::fmax(eta, 0.0) + 60.0);
    const int n = 200000;
    const double h = fin / n;
    double s = 0;
    for (int i = 0; i <= n; ++i) {
        const double u = i * h;
        const double f = 2 * u * u / (1 + std::exp(u * u - eta));
        s += (i == 0 || i == n ? 1 : (i % 2 ? 4 : 2)) * f;
    }
    return 2 / std::sqrt(pi) * s * h / 3;
}

continuum_barrieres barrieres_gaas()
{
    continuum_barrieres c;
    c.largeur = 250;
    c.Vc = 180;
    c.Vv = 110;
    c.masse_c = 0.067 * m0;
    c.masse_hh = m0 / (6.98 - 2 * 2.06);
    c.masse_lh = m0 / (6.98 + 2 * 2.06);
    c.B = 7.2e-10;
    return c;
}

} // namespace

TEST(Continuum, IntegraleDeFermiContreLaQuadrature)
{
    // Both sides of the change of method at eta = -1, the non-degenerate and
    // the degenerate ranges.
    for (double eta : {-30.0, -8.0, -2.0, -1.0000001, -1.0, -0.9999999, -0.3, 0.0, 1.5, 6.0, 25.0, 80.0}) {
        SCOPED_TRACE(eta);
        const double F = integrale_fermi_demi(eta), R = fermi_reference(eta);
        EXPECT_NEAR(F / R, 1.0, 1e-11);
    }
    // Limits: exp(eta) (1 - exp(eta)/2^(3/2)) far below the edge, the Sommerfeld
    // expansion (4/(3 sqrt pi)) eta^(3/2) (1 + pi^2/(8 eta^2)) far above.
    const double e = std::exp(-25.0);
    EXPECT_NEAR(integrale_fermi_demi(-25.0) / (e * (1 - e / std::pow(2.0, 1.5))), 1.0, 1e-15);
    const double eta = 200;
    EXPECT_NEAR(integrale_fermi_demi(eta) / (4 / (3 * std::sqrt(pi)) * std::pow(eta, 1.5) * (1 + pi * pi / (8 * eta * eta))),
                1.0, 1e-9);
}

TEST(Continuum, DensitesTridimensionnellesDesDeuxBarrieres)
{
    const continuum_barrieres c = barrieres_gaas();
    const double T = 300, kT = kB * T;
    // Nc of GaAs at 300 K, 4.35e17 cm^-3 in the handbooks (mc = 0.067).
    const double Nc = 2 * std::pow(0.067 * m0 * kT / (2 * pi * hbar2), 1.5);
    EXPECT_NEAR(Nc * 1e-6 / 4.35e17, 1.0, 0.01);
    const double Nv = 2 * std::pow(kT / (2 * pi * hbar2), 1.5) * (std::pow(c.masse_hh, 1.5) + std::pow(c.masse_lh, 1.5));
    const double epaisseur = 2 * 250e-10; // both barriers, m
    for (double EF : {60.0, 150.0, 180.0, 230.0}) {
        SCOPED_TRACE(EF);
        const double eta_c = (EF - c.Vc) * q / 1000 / kT;
        EXPECT_NEAR(electrons_continuum(EF, T, c) / (epaisseur * Nc * fermi_reference(eta_c)), 1.0, 1e-11);
        // holes: EFV on the hole axis, the band filling as EFV passes Vv downwards
        const double eta_v = (EF - c.Vv) * q / 1000 / kT;
        EXPECT_NEAR(trous_continuum(EF, T, c) / (epaisseur * Nv * fermi_reference(eta_v)), 1.0, 1e-11);
    }
    // q B n p over the two barriers' volume: n = p = 1e17 cm^-3 over 500 Å.
    const double n = 1e17 * 1e6 * epaisseur; // m^-2
    EXPECT_NEAR(courant_radiatif_continuum(n, n, c) / (q * 7.2e-10 * 1e17 * 1e17 * 500e-8), 1.0, 1e-12);
}

// The searches hold N in the well and the barriers together: the level returned
// is the first trial past the one where the sum reaches N.
TEST(Continuum, LesNiveauxDeFermiPartagesAvecLesBarrieres)
{
    const continuum_barrieres c = barrieres_gaas();
    resultats_k0 k0;
    k0.E.niveaux = {30.0, 120.0};
    resultats_materiau m;
    m.mc_puits = 0.067;
    const reglages_fermi seul{300, 100, 1e7, false}, partage{300, 100, 1e7, false, &c};
    const double pi_hbar2 = 3.493887638029113e-68, kT = kB * 300;
    auto n_puits = [&](double EF) {
        double n = 0;
        for (double E : k0.E.niveaux) n += 0.067 * m0 * kT / pi_hbar2 * std::log(1 + std::exp((EF - E) * q / 1000 / kT));
        return n;
    };
    for (double N_cm2 : {1e11, 1e12, 4e12}) {
        SCOPED_TRACE(N_cm2);
        const double N = N_cm2 * 1e4;
        const double EFC = chercher_EFC(N, partage, m, k0);
        EXPECT_GE(n_puits(EFC - 0.1) + electrons_continuum(EFC - 0.1, 300, c), N * (1 - 1e-12));
        EXPECT_LT(n_puits(EFC - 0.2) + electrons_continuum(EFC - 0.2, 300, c), N);
        // the barriers take carriers: the level lies below the well's alone
        EXPECT_LT(EFC, chercher_EFC(N, seul, m, k0));
    }
    // Holes: one flat heavy-hole branch at 10 meV over the k disc.
    resultats_dispersion d;
    d.Nk = 60;
    d.Nky = 1;
    d.nb_places = d.nb_niveaux_max = 1;
    d.branche_lh = {0};
    d.niveaux_k.assign(61, 10.0);
    const double N = 1e12 * 1e4;
    const double EFV = chercher_EFV(N, partage, d), EFV_seul = chercher_EFV(N, seul, d);
    EXPECT_LT(EFV, EFV_seul);
    const double p_barrieres = trous_continuum(EFV - 0.1, 300, c);
    EXPECT_GT(p_barrieres, 0.0);
    EXPECT_LT(p_barrieres, N);
}
