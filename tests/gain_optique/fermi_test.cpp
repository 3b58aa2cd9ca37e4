#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "gain_optique/fermi.hpp"
#include "configuration/arret.hpp"

namespace {

constexpr double q = 1.60218e-19, kB = 1.38066e-23, m0 = 9.1095e-31, pi_hbar2 = 3.493887638029113e-68;

// 2D electron density of the subbands at EF (meV), m^-2.
double n_2D(double EF, double mc, double T, const std::vector<double>& niveaux)
{
    double n = 0;
    for (double E : niveaux) n += mc * m0 * kB * T / pi_hbar2 * std::log(1 + std::exp((EF - E) * 1.60218e-22 / (kB * T)));
    return n;
}

// The scan grid -100 + 0.1 j, accumulated as the search does.
double grille(int j)
{
    double x = -100.0;
    for (int i = 0; i < j; ++i) x = x + 0.1;
    return x;
}

// The grid below the start, -100 - 0.1 j, each point the previous one minus
// the step.
double grille_bas(int j)
{
    double x = -100.0;
    for (int i = 0; i < j; ++i) x = x - 0.1;
    return x;
}

struct cas_EFC {
    resultats_k0 k0;
    resultats_materiau m;
    reglages_fermi p{300, 0, 0, false};
    cas_EFC(std::vector<double> niveaux)
    {
        k0.E.niveaux = std::move(niveaux);
        m.puits.mc = 0.067;
    }
};

// Dispersion of nb branches on the kx axis (Nky = 1) or on a full grid
// (Nky = Nk + 1) with E(i, j, s) from `energie`.
template <class F>
resultats_dispersion dispersion(int Nk, int Nky, int nb, F energie)
{
    resultats_dispersion d;
    d.Nk = Nk;
    d.Nky = Nky;
    d.nb_places = nb;
    d.nb_niveaux_max = nb;
    d.branche_lh.assign(nb, 0);
    d.niveaux_k.assign(static_cast<std::size_t>(Nk + 1) * Nky * nb, 0.0);
    for (int i = 0; i <= Nk; ++i)
        for (int j = 0; j < Nky; ++j)
            for (int s = 0; s < nb; ++s) d.niveaux_k[(static_cast<std::size_t>(i) * Nky + j) * nb + s] = energie(i, j, s);
    return d;
}

// Hole density of one flat branch at E0 over the k disc of radius Nk deltak:
// the trapezoid is exact for the linear integrand k.
double p_plat(double EFV, double E0, double K, double T)
{
    const double f = 1 / (std::exp((E0 - EFV) * q / 1000 / (kB * T)) + 1);
    return f * 2 * 3.141592653589793 * K * K / 2 * 0.05066059182116889;
}

std::string message_arret(const reglages_fermi& p, const resultats_dispersion& d, double N)
{
    try {
        chercher_EFV(N, p, d);
    } catch (const arret_calcul& a) {
        return a.message;
    }
    return "";
}

const std::string message_convergence =
    "Probleme de convergence lors du calcul du niveau de fermi dans la BV.\nAugmentez le nombre de k (Nk)\n";

} // namespace

TEST(NiveauxFermi, DensiteNulleOuNegativeRendLeDepart)
{
    cas_EFC c({10.0});
    // every row empty: a search would stop on the convergence failure
    const reglages_fermi p{300, 0, 1e7, false};
    const resultats_dispersion vide = dispersion(5, 1, 1, [](int, int, int) { return 0.0; });
    for (double N : {0.0, -1e15}) {
        EXPECT_EQ(chercher_EFC(N, c.p, c.m, c.k0), -100.0);
        EXPECT_EQ(chercher_EFV(N, p, vide), -100.0);
    }
}

TEST(NiveauxFermi, EFCDepasseDUnPasLePointAtteignantN)
{
    cas_EFC c({5.0, 40.0});
    for (int j : {500, 1100, 1300}) {
        const double N_j = n_2D(grille(j), 0.067, 300, c.k0.E.niveaux);
        // N just below n at grid point j, and above n at j - 1: the search returns point j + 1
        ASSERT_GT(N_j * (1 - 1e-9), n_2D(grille(j - 1), 0.067, 300, c.k0.E.niveaux));
        EXPECT_NEAR(chercher_EFC(N_j * (1 - 1e-9), c.p, c.m, c.k0), grille(j + 1), 1e-9) << j;
        EXPECT_NEAR(chercher_EFC(N_j * (1 + 1e-9), c.p, c.m, c.k0), grille(j + 2), 1e-9) << j;
    }
}

TEST(NiveauxFermi, EFVDepasseDUnPasLePointAtteignantN)
{
    const reglages_fermi p{300, 0, 1e7, false};
    const int Nk = 30;
    const double E0 = 25.0;
    const resultats_dispersion d = dispersion(Nk, 1, 1, [&](int, int, int) { return E0; });
    const double K = Nk * p.deltak;
    for (int j : {900, 1250, 1400}) {
        const double N_j = p_plat(grille(j), E0, K, p.T);
        ASSERT_GT(N_j * (1 - 1e-9), p_plat(grille(j - 1), E0, K, p.T));
        EXPECT_NEAR(chercher_EFV(N_j * (1 - 1e-9), p, d), grille(j + 1), 1e-9) << j;
    }
}

TEST(NiveauxFermi, BrancheVideAuDelaDUneLigneNeCompteQueSesBandes)
{
    const reglages_fermi p{300, 0, 1e7, false};
    // branch 1 stops at row 6; branch 0 is full
    auto tronquee = [](int i, int, int s) { return s == 1 && i > 6 ? 0.0 : 20.0 + 10.0 * s; };
    const resultats_dispersion d = dispersion(12, 1, 2, tronquee);
    const double N = 0.5 * (p_plat(20, 20, 12e7, p.T) + p_plat(20, 30, 6e7, p.T));
    const double EFV = chercher_EFV(N, p, d);
    // the same with the truncated branch spelled out: densities of both at the
    // returned level and one step below bracket N
    EXPECT_GE(p_plat(EFV - 0.1, 20, 12e7, p.T) + p_plat(EFV - 0.1, 30, 6e7, p.T), N * (1 - 1e-12));
    EXPECT_LT(p_plat(EFV - 0.2, 20, 12e7, p.T) + p_plat(EFV - 0.2, 30, 6e7, p.T), N);
}

TEST(NiveauxFermi, DiagonaleLueQuandKyVarie)
{
    const reglages_fermi p{300, 0, 1e7, false};
    const int Nk = 10;
    // off-diagonal entries differ; only the diagonal may matter
    const resultats_dispersion a = dispersion(Nk, Nk + 1, 1, [](int i, int j, int) { return i == j ? 25.0 : 3.0; });
    const resultats_dispersion b = dispersion(Nk, Nk + 1, 1, [](int i, int j, int) { return i == j ? 25.0 : 90.0; });
    const resultats_dispersion axe = dispersion(Nk, 1, 1, [](int, int, int) { return 25.0; });
    const double N = p_plat(30, 25, Nk * p.deltak, p.T);
    const double EFV = chercher_EFV(N, p, a);
    EXPECT_EQ(EFV, chercher_EFV(N, p, b));
    // row m of the diagonal lies at |k| = sqrt 2 k_m, its ring twice the axis's:
    // the same density is reached at a lower level, twice it at the axis's level
    EXPECT_LT(EFV, chercher_EFV(N, p, axe));
    EXPECT_NEAR(chercher_EFV(N * 2, p, a), chercher_EFV(N, p, axe), 0.1 + 1e-9);
}

TEST(NiveauxFermi, ArretQuandLaDensiteDeTrousNeCroitPlus)
{
    const reglages_fermi p{300, 0, 1e7, false};
    // no hole at the first trial (every row beyond the centre empty)
    const resultats_dispersion vide = dispersion(8, 1, 1, [](int i, int, int) { return i == 0 ? 10.0 : 0.0; });
    EXPECT_EQ(message_arret(p, vide, 1e10), message_convergence);
    // more holes than the k disc holds: saturation, then the same stop
    const resultats_dispersion plein = dispersion(4, 1, 1, [](int, int, int) { return 10.0; });
    EXPECT_EQ(message_arret(p, plein, 2 * p_plat(1e6, 10, 4e7, p.T)), message_convergence);
}

// A density already held at -100 meV: the trials go down from it, and the
// level is, as upward, one step past the lowest trial reaching N. Grid point
// j below the start (j = 0: the start itself, -99.9 as without trials below).
TEST(NiveauxFermi, DensiteAtteinteAuDepartDescendSousLeDepart)
{
    cas_EFC c({5.0, 40.0});
    const reglages_fermi p{300, 0, 1e7, false};
    const int Nk = 30;
    const double E0 = 25.0, K = Nk * p.deltak;
    const resultats_dispersion d = dispersion(Nk, 1, 1, [&](int, int, int) { return E0; });
    auto n = [&](double EF) { return n_2D(EF, 0.067, 300, c.k0.E.niveaux); };
    auto p_trous = [&](double EF) { return p_plat(EF, E0, K, p.T); };
    auto EFC = [&](double N) { return chercher_EFC(N, c.p, c.m, c.k0); };
    auto EFV = [&](double N) { return chercher_EFV(N, p, d); };
    const struct {
        const char* bande;
        std::function<double(double)> densite, chercher;
    } bandes[] = {{"BC", n, EFC}, {"BV", p_trous, EFV}};
    for (const auto& b : bandes)
        for (int j : {0, 1, 700, 4000}) {
            const double N_j = b.densite(grille_bas(j));
            // between the densities at points j + 1 and j: j is the lowest trial reaching N
            ASSERT_GT(N_j * (1 - 1e-9), b.densite(grille_bas(j + 1))) << b.bande << " " << j;
            EXPECT_EQ(b.chercher(N_j * (1 - 1e-9)), grille_bas(j) + 0.1) << b.bande << " " << j;
            // just above: one trial higher (from the start, the upward scan's -99.8)
            const double au_dessus = j == 0 ? grille(2) : grille_bas(j - 1) + 0.1;
            EXPECT_EQ(b.chercher(N_j * (1 + 1e-9)), au_dessus) << b.bande << " " << j;
        }
    // the start holds N, one step below does not: the level of the upward scan
    const double N_depart = n(-100.0) * (1 - 1e-12);
    ASSERT_LT(n(-100.1), N_depart);
    EXPECT_EQ(EFC(N_depart), -100.0 + 0.1);
}

// A density still exceeded 10 eV into the gap is no carrier density: the
// downward trials stop with a message at -10000 meV, never loop on.
TEST(NiveauxFermi, DescenteBorneeParUnMessage)
{
    cas_EFC chaud({5.0});
    chaud.p.T = 10000; // kT = 862 meV: the density falls slowly into the gap
    const reglages_fermi p{300, 100, 1e7, false};
    const resultats_dispersion d = dispersion(30, 1, 1, [](int, int, int) { return 25.0; });
    chaud.p.largeur_puits = 100;
    const struct {
        const char* bande;
        std::function<void()> chercher;
    } cas[] = {{"BC", [&] { chercher_EFC(1.0, chaud.p, chaud.m, chaud.k0); }},
               {"BV", [&] { chercher_EFV(1e-200, p, d); }}};
    for (const auto& c : cas) {
        try {
            c.chercher();
            ADD_FAILURE() << c.bande << " : pas d'arrêt";
        } catch (const arret_calcul& a) {
            EXPECT_EQ(a.message.rfind(std::string("Niveau de Fermi de la ") + c.bande + " introuvable : ", 0), 0u)
                << a.message;
            EXPECT_NE(a.message.find("encore dépassée à -10000 meV ; augmentez Ninj."), std::string::npos) << a.message;
        }
    }
}
