// The barrier continuum of [modele] continuum: the Fermi-Dirac integral of
// order 1/2, the three-dimensional densities it gives, and the quasi-Fermi
// searches that share their levels with it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "configuration/parametres.hpp"
#include "gain_optique/continuum.hpp"
#include "gain_optique/fermi.hpp"
#include "materiau/materiau.hpp"

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

// The two barriers of 250 Å around a 0 Å well: no scattering, the
// continuum of the barrier material alone.
continuum_barrieres barrieres_gaas()
{
    continuum_barrieres c;
    c.largeur = 500;
    c.Vc = 180;
    c.Vv = 110;
    c.kT = kB * 300;
    c.masse_c = 0.067 * m0;
    c.masse_hh = m0 / (6.98 - 2 * 2.06);
    c.masse_lh = m0 / (6.98 + 2 * 2.06);
    c.B = 7.2e-10;
    return c;
}

// The conduction band of the bundled example (In0.2Ga0.8As in GaAs) at a
// well width (Å), with its levels.
struct bande_exemple {
    parametres_calcul p;
    resultats_materiau m;
    resultats_k0 k0;
    explicit bande_exemple(double largeur)
    {
        lire_parametres(std::string(EXEMPLES_DIR) + "/in020ga080as_980nm/config.ini", p);
        p.couches.largeur_puits = largeur;
        m = modele_materiau(p.couches, p.calcul.Ninj, p.calcul.demi_largeur_lorentz);
        k0 = calculer_niveaux_k0({p.calcul.deltaE, largeur, p.couches.largeur_barriere}, m);
    }
};

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
    const double epaisseur = 500e-10; // m
    for (double EF : {60.0, 150.0, 180.0, 230.0}) {
        SCOPED_TRACE(EF);
        const double eta_c = (EF - c.Vc) * q / 1000 / kT;
        EXPECT_NEAR(electrons_continuum(EF, c) / (epaisseur * Nc * fermi_reference(eta_c)), 1.0, 1e-11);
        // holes: EFV on the hole axis, the band filling as EFV passes Vv downwards
        const double eta_v = (EF - c.Vv) * q / 1000 / kT;
        EXPECT_NEAR(trous_continuum(EF, c) / (epaisseur * Nv * fermi_reference(eta_v)), 1.0, 1e-11);
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
    m.puits.mc = 0.067;
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
        EXPECT_GE(n_puits(EFC - 0.1) + electrons_continuum(EFC - 0.1, c), N * (1 - 1e-12));
        EXPECT_LT(n_puits(EFC - 0.2) + electrons_continuum(EFC - 0.2, c), N);
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
    const double p_barrieres = trous_continuum(EFV - 0.1, c);
    EXPECT_GT(p_barrieres, 0.0);
    EXPECT_LT(p_barrieres, N);
}

// The well's phase shifts: at the edge they count the levels of the square
// well (Levinson), pi (n_e - 1/2) + pi n_o; the series below eta = -1 and the
// sum above agree where they meet; a free barrier scatters nothing.
TEST(Continuum, DephasagesDuPuits)
{
    const double V = 100 * q / 1000, mw = 0.0588 * m0, mb = 0.067 * m0;
    for (double L_A : {20.0, 60.0, 79.0, 81.0, 150.0, 260.0}) {
        SCOPED_TRACE(L_A);
        // levels of the square well: even ones bind at q0 L/2 = n pi, odd ones at (n + 1/2) pi
        const double theta0 = std::sqrt(2 * mw * V / hbar2) * L_A * 1e-10 / 2;
        const int n = static_cast<int>(std::floor(theta0 / pi)) + 1 + static_cast<int>(std::floor(theta0 / pi + 0.5));
        parametres_bande b;
        b.masse_puits = mw;
        b.masse_barriere = mb;
        b.bord_puits = 0;
        b.bord_barriere = 100;
        resultats_k0 k0;
        k0.bande_E = k0.bande_HH = k0.bande_LH = b;
        k0.E.niveaux.assign(static_cast<std::size_t>(n), 0.0);
        resultats_materiau m;
        const continuum_barrieres c = former_continuum(k0, m, L_A, 250, 0, 300);
        EXPECT_NEAR(dephasage(c.E, 1e-12 * q / 1000), c.E.delta_0, 1e-4);
        EXPECT_NEAR(c.E.delta_0, pi * ((n + 1) / 2 - 0.5) + pi * (n / 2), 1e-15);
        for (double eta : {-1.0 - 1e-9, -1.0}) {
            const double d = correction_dephasage(c.E, eta, c.kT), d2 = correction_dephasage(c.E, -1.0 + 1e-9, c.kT);
            EXPECT_NEAR(d / d2, 1.0, 1e-7) << eta;
        }
        // the tabulated phase shifts are those the sum would compute, within and past the table
        canal_continuum sans_table = c.E;
        sans_table.poids_t.clear();
        for (double eta : {-0.5, 4.0, 35.0})
            EXPECT_EQ(correction_dephasage(c.E, eta, c.kT), correction_dephasage(sans_table, eta, c.kT)) << eta;
    }
    // no depth and one mass: no channel
    parametres_bande libre;
    libre.masse_puits = libre.masse_barriere = mb;
    libre.bord_barriere = libre.bord_puits = 50;
    resultats_k0 k0;
    k0.bande_E = k0.bande_HH = k0.bande_LH = libre;
    const continuum_barrieres c = former_continuum(k0, resultats_materiau{}, 80, 250, 0, 300);
    EXPECT_TRUE(c.E.C.empty());
    EXPECT_EQ(correction_dephasage(c.E, 0.5, c.kT), 0.0);
    EXPECT_EQ(correction_dephasage(c.E, -3.0, c.kT), 0.0);
}

// Through the binding of E2 (the example's well, 79 to 87 Å) the electrons
// of the bound subbands and of the continuum together grow smoothly at a fixed
// EFC; without the phase shifts they jump by the new subband's share. Those in
// the well's volume, where its Auger term takes them, do not jump either: the
// level binds spread over the barriers.
TEST(Continuum, PasDeSautQuandUnNiveauSeLie)
{
    const double EFC = 155.0;
    double total_avant = 0, libre_avant = 0, saut_max = 0, saut_libre_max = 0, puits_avant = 0, saut_puits_max = 0;
    int nb_avant = 0;
    bool lie = false;
    for (double L = 79.0; L <= 87.0; L += 0.5) {
        SCOPED_TRACE(L);
        const bande_exemple e(L);
        continuum_barrieres c = former_continuum(e.k0, e.m, L, e.p.couches.largeur_barriere, 0, 300);
        // the bound subbands alone: a search that already stops there gives them back
        const double kT = kB * 300, pi_hbar2 = 3.493887638029113e-68;
        double n_lies = 0;
        for (double Ej : e.k0.E.niveaux)
            n_lies += e.m.puits.mc * m0 * kT / pi_hbar2 * std::log(1 + std::exp((EFC - Ej) * q / 1000 / kT));
        const double total = n_lies + electrons_continuum(EFC, c);
        const presence_puits P = calculer_presence(L, e.p.couches.largeur_barriere, e.k0);
        ASSERT_EQ(P.E.size(), static_cast<std::size_t>(e.k0.E.nb()));
        EXPECT_GT(P.E[0], 0.5);
        EXPECT_LT(P.E[0], 1.0);
        if (P.E.size() == 2) {
            EXPECT_LT(P.E[1], 0.5 * P.E[0]);
        }
        double n_puits = 0, p_puits = 0;
        porteurs_du_puits(EFC, 0.0, electrons_par_niveau(EFC, 300, e.m, e.k0), {}, resultats_dispersion{}, P, L, c,
                          n_puits, p_puits);
        EXPECT_LT(n_puits, total);
        if (L > 79.0) {
            saut_puits_max = std::fmax(saut_puits_max, std::fabs(n_puits / puits_avant - 1));
        }
        puits_avant = n_puits;
        c.E.C.clear();
        const double libre = n_lies + electrons_continuum(EFC, c);
        if (L > 79.0) {
            saut_max = std::fmax(saut_max, std::fabs(total / total_avant - 1));
            saut_libre_max = std::fmax(saut_libre_max, std::fabs(libre / libre_avant - 1));
        }
        lie = lie || (e.k0.E.nb() > nb_avant && L > 79.0);
        nb_avant = e.k0.E.nb();
        total_avant = total;
        libre_avant = libre;
    }
    EXPECT_TRUE(lie) << "E2 binds in the range";
    EXPECT_EQ(nb_avant, 2);
    // E1 deepening alone adds some 0.4 % every 0.5 Å
    EXPECT_LT(saut_max, 0.005);
    EXPECT_GT(saut_libre_max, 0.05);
    // E2's presence follows its energy on the 0.1 meV grid of the search
    EXPECT_LT(saut_puits_max, 0.015);
}
