#include <gtest/gtest.h>
#include <sched.h>

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "dispersion/dispersion.hpp"
#include "configuration/arret.hpp"
#include "numerique/matrices.hpp"

// clang's OpenMP runtime (libomp 14) loses a few descriptors of the threads it
// adds when a loop asks for a larger team than an earlier one, as the
// thread-count test does; a leak of the runtime, not of the scan.
extern "C" const char* __lsan_default_suppressions() { return "leak:libomp.so\n"; }

namespace {

constexpr double q_e = 1.60218e-19;
constexpr double A_cin = 6.104281115319173e-39;
constexpr double vers_meV = 6.241495961752113e+21;

struct cas_puits {
    parametres_dispersion p;
    resultats_materiau m;
    resultats_k0 k0;
};

// InGaAs-like well between wider-gap barriers, 60 Å, deltaE = 0.1 meV.
cas_puits puits_exemple(bool contraint)
{
    cas_puits c;
    c.p.Nk = 2;
    c.p.Nky = 1;
    c.p.deltak = 1e6;
    c.p.deltaE = 0.1;
    c.p.largeur_puits = 60;
    c.p.nb_fils = 1;
    c.m.puits.gamma1 = 6.98;
    c.m.puits.gamma2 = 2.06;
    c.m.puits.gamma3 = 2.93;
    c.m.barriere.gamma1 = 5.6;
    c.m.barriere.gamma2 = 1.6;
    c.m.barriere.gamma3 = 2.3;
    c.m.Vv = 150;
    if (contraint) {
        c.m.dE_cisaillement = 10;
        c.m.dE_hydro = 15;
        c.k0.dEv_hydro = -5;
        c.k0.HH.niveaux = {22.2, 72.0};
        c.k0.LH.niveaux = {29.5};
    } else {
        c.k0.HH.niveaux = {17.3, 67.6};
        c.k0.LH.niveaux = {42.8, 144.05};
    }
    return c;
}

// Straightforward evaluation: full field matrices, both inverses and the three
// full 4x4 products, written independently of the scan's evaluator.
// axiale: the in-plane coupling in the axial approximation, its discriminant
// formed as b^2 - a c0 from the determinant's constant c0 (not the expanded
// form of the scan), so that it checks the algebra too.
complexe f_reference(const modele_valence& m, double kx, double ky, double E, bool axiale = false)
{
    matrice_c4 M[2]{};
    complexe kz[2][2];
    const couche_valence* couches[2] = {&m.puits, &m.barriere};
    for (int c = 0; c < 2; ++c) {
        const couche_valence& L = *couches[c];
        const double kx2 = kx * kx, ky2 = ky * ky, kt2 = kx2 + ky2;
        const double r3 = std::sqrt(3.0);
        const double gm = (L.gamma2 + L.gamma3) / 2;
        const complexe R = axiale ? c_echelle({-gm * (kx2 - ky2), 2 * gm * kx * ky}, r3 * A_cin)
                                  : c_echelle({-L.gamma2 * (kx2 - ky2), 2 * L.gamma3 * kx * ky}, r3 * A_cin);
        const complexe S = c_echelle({kx, -ky}, 2 * r3 * A_cin * L.gamma3);
        const double mR = c_module(R), mS = c_module(S);
        const double c_s = r3 * L.gamma3 * A_cin * std::sqrt(kt2) * vers_meV;
        const double Ep = E - L.V;
        const double a = L.gT * L.gT - L.gS * L.gS, gR2 = L.gR * L.gR;
        double D = L.zeta * L.zeta * L.gT * L.gT + kx2 * ky2 * gR2 * a + L.gS * L.gS * Ep * Ep +
                   Ep * kt2 * L.gT * gR2 - kt2 * kt2 * gR2 * (a - gR2 / 4) -
                   L.zeta * L.gS * (2 * L.gT * Ep - 3 * kt2 * a + gR2 * kt2);
        const double b = L.gT * Ep - kt2 * (a - gR2 / 2) - L.zeta * L.gS;
        if (axiale) {
            // det(H - E') = (P - E')^2 - (Q + zeta)^2 - |R|^2 - |S|^2 kz^2, a quadratic
            // a x^2 - 2 b x + c0 in x = kz^2.
            const double P0 = L.gT * kt2 - Ep, Q0 = L.gS * kt2 / 2 + L.zeta;
            D = b * b - a * (P0 * P0 - Q0 * Q0 - mR * mR);
        }
        const complexe s = c_racine_reel(D);
        kz[c][0] = c_racine(c_echelle(c_plus_reel(s, b), 1.0 / a));
        kz[c][1] = c_racine(c_echelle(c_plus_reel(c_echelle(s, -1.0), b), 1.0 / a));
        if (c == 1)
            for (auto& k : kz[c])
                if (k.im <= 0.0) k = c_echelle(k, -1.0);
        const complexe qs[4] = {kz[c][0], kz[c][1], c_echelle(kz[c][0], -1.0), c_echelle(kz[c][1], -1.0)};
        for (int j = 0; j < 4; ++j) {
            const complexe q = qs[j], q2 = c_produit(q, q), iq = {-q.im, q.re};
            const complexe P = c_echelle(c_plus_reel(q2, kt2), L.gamma1 * A_cin);
            const complexe Q = c_echelle(c_plus_reel(c_echelle(q2, -2.0), kt2), L.gamma2 * A_cin);
            const complexe H11 = c_plus_reel(c_somme(P, Q), L.zeta);
            const complexe H22 = c_plus_reel(c_difference(P, Q), -L.zeta);
            const complexe H12 = c_plus_reel(c_echelle(c_echelle(iq, mS), -1.0), mR);
            const complexe H21 = c_plus_reel(c_echelle(iq, mS), mR);
            complexe F1, F2;
            if (j % 2 == 0) {
                F1 = c_echelle(c_plus_reel(H22, -Ep), vers_meV);
                F2 = c_echelle(H21, -vers_meV);
            } else {
                F1 = c_echelle(H12, vers_meV);
                F2 = c_echelle(c_plus_reel(H11, -Ep), -vers_meV);
            }
            M[c][0][j] = F1;
            M[c][1][j] = F2;
            M[c][2][j] = c_somme(c_produit(c_echelle(iq, L.c_hh), F1), c_echelle(F2, c_s));
            M[c][3][j] = c_difference(c_produit(c_echelle(iq, L.c_lh), F2), c_echelle(F1, c_s));
        }
    }
    matrice_c4 Phi{}, Wi, Bi, X, BW, Y, T;
    Phi[0][0] = c_exp_ikx(kz[0][0], -m.L);
    Phi[1][1] = c_exp_ikx(kz[0][1], -m.L);
    Phi[2][2] = c_exp_ikx(kz[0][0], m.L);
    Phi[3][3] = c_exp_ikx(kz[0][1], m.L);
    inverse_c4(M[0], Wi);
    inverse_c4(M[1], Bi);
    produit_c4(Wi, M[1], X);
    produit_c4(Bi, M[0], BW);
    produit_c4(BW, Phi, Y);
    produit_c4(Y, X, T);
    return c_difference(c_produit(T[0][0], T[1][1]), c_produit(T[1][0], T[0][1]));
}

std::vector<double> niveaux_reference(const cas_puits& c, double kx, double ky, int i0)
{
    const auto grille = grille_energie_valence(c.p.deltaE, c.m);
    const auto mod = former_modele_valence(c.p.largeur_puits, c.m, c.k0);
    std::vector<double> n;
    double prec = f_reference(mod, kx, ky, grille[i0]).re;
    for (std::size_t i = i0 + 1; i < grille.size(); ++i) {
        const double f = f_reference(mod, kx, ky, grille[i]).re;
        if (prec * f < 0.0) n.push_back((grille[i - 1] + grille[i]) / 2 * vers_meV);
        prec = f;
    }
    return n;
}

std::vector<double> niveaux_point(const resultats_dispersion& d, int i, int j)
{
    std::vector<double> v;
    for (const auto& pt : d.points)
        if (pt.i == i && pt.j == j)
            for (int n = 0; n < pt.nb; ++n) v.push_back(d.niveau(i, j, n));
    return v;
}

// What the scan announced: -1 for its start, then the kx of each row reached.
resultats_dispersion calculer_suivi(const cas_puits& c, std::vector<double>* annonces = nullptr)
{
    std::vector<double> ignorees;
    std::vector<double>& a = annonces ? *annonces : ignorees;
    const suivi_dispersion suivi{[&] { a.push_back(-1); }, [&](double kx) { a.push_back(kx); }};
    return calculer_dispersion(c.p, c.m, c.k0, suivi);
}

void attendre_niveaux(const std::vector<double>& obtenus, const std::vector<double>& attendus)
{
    ASSERT_EQ(obtenus.size(), attendus.size());
    for (std::size_t n = 0; n < attendus.size(); ++n) EXPECT_NEAR(obtenus[n], attendus[n], 0.005) << "niveau " << n;
}

} // namespace

// The two worked wells: levels at the first kx, at kx = 3e8 m^-1, branch flags.
TEST(Dispersion, ExemplesNonContraintEtContraint)
{
    struct attendu {
        bool contraint;
        std::vector<double> premier, a_3e8;
        std::vector<int> branches;
    };
    const std::vector<attendu> table = {
        {false, {17.25, 42.75, 67.55, 139.25, 144.05}, {}, {0, 1, 0, 0, 1}},
        {true, {22.15, 29.45, 71.95, 138.65, 141.85}, {25.75, 43.95, 93.65, 127.25}, {0, 1, 0, 0, 0}},
    };
    for (const auto& t : table) {
        cas_puits c = puits_exemple(t.contraint);
        c.p.deltak = 2.99e8; // kx = 1e6 then exactly 3e8
        const auto d = calculer_suivi(c);
        attendre_niveaux(niveaux_point(d, 1, 0), t.premier);
        if (!t.a_3e8.empty()) {
            ASSERT_EQ(d.points.size(), 2u);
            EXPECT_EQ(d.points[1].kx, 3e8);
            attendre_niveaux(niveaux_point(d, 2, 0), t.a_3e8);
        }
        EXPECT_EQ(d.branche_lh, t.branches);
        // Row 0 holds the sorted zone-centre levels.
        std::vector<double> zc(c.k0.LH.niveaux);
        zc.insert(zc.end(), c.k0.HH.niveaux.begin(), c.k0.HH.niveaux.end());
        std::sort(zc.begin(), zc.end());
        for (std::size_t n = 0; n < zc.size(); ++n) EXPECT_EQ(d.niveau(0, 0, static_cast<int>(n)), zc[n]);
    }
}

// The scan's evaluator against the step-by-step one, bit for bit on Re f, over
// strains, directions and energies below and above the barrier edge.
TEST(Dispersion, EvaluationIdentiqueALaReference)
{
    for (bool contraint : {false, true}) {
        const cas_puits c = puits_exemple(contraint);
        const auto mod = former_modele_valence(c.p.largeur_puits, c.m, c.k0);
        const auto grille = grille_energie_valence(c.p.deltaE, c.m);
        const double ks[][2] = {{1e6, 0}, {3e8, 0}, {2e8, 1.5e8}, {0, 4e8}, {7e8, 7e8}, {0, 0}};
        for (const auto& k : ks) {
            const plan_k plan = former_plan_k(mod, k[0], k[1]);
            for (std::size_t i = 0; i < grille.size(); i += 37) {
                const complexe f = evaluer_fonction_dispersion(mod, plan, grille[i]);
                const complexe r = f_reference(mod, k[0], k[1], grille[i]);
                if (std::isnan(r.re)) {
                    EXPECT_TRUE(std::isnan(f.re));
                    continue;
                }
                ASSERT_EQ(f.re, r.re) << k[0] << " " << k[1] << " E=" << grille[i];
                ASSERT_EQ(f.im, r.im);
            }
            // A batch of energies per call, spread over the grid so that the
            // lanes meet different root types (and at kt = 0 zero pivots in some
            // lanes only), with the processor's kernel, the scalar one and the
            // x86-64 baseline one.
            const std::size_t n = grille.size();
            for (std::size_t i = 0; i < n; i += 41) {
                double E[energies_par_lot];
                for (int l = 0; l < energies_par_lot; ++l) E[l] = grille[(i + l * (n / energies_par_lot + 7)) % n];
                complexe f[3][energies_par_lot];
                int nb_noyaux = 0;
                evaluer_fonction_dispersion(mod, plan, E, f[nb_noyaux++]);
                evaluer_fonction_dispersion_scalaire(mod, plan, E, f[nb_noyaux++]);
#if defined(__x86_64__)
                evaluer_fonction_dispersion_sse2(mod, plan, E, f[nb_noyaux++]);
#endif
                for (int a = 0; a < nb_noyaux; ++a)
                    for (int l = 0; l < energies_par_lot; ++l) {
                        const complexe r = f_reference(mod, k[0], k[1], E[l]);
                        if (std::isnan(r.re)) {
                            EXPECT_TRUE(std::isnan(f[a][l].re));
                            continue;
                        }
                        ASSERT_EQ(f[a][l].re, r.re) << k[0] << " " << k[1] << " noyau " << a << " voie " << l;
                        ASSERT_EQ(f[a][l].im, r.im);
                    }
            }
        }
        // And the levels of whole scans at a few k points, the scan starting one
        // grid point apart so that it ends on a pair and on a lone point.
        for (double decalage : {0.0, 0.05, 0.1}) {
            cas_puits c2 = c;
            c2.p.Nk = 4;
            c2.p.deltak = 1.5e8;
            c2.k0.HH.niveaux[0] += decalage;
            const int i0 = static_cast<int>(c2.k0.HH.niveaux[0] / c.p.deltaE) - 1;
            const auto d = calculer_suivi(c2);
            for (const auto& pt : d.points)
                EXPECT_EQ(niveaux_point(d, pt.i, pt.j), niveaux_reference(c, pt.kx, pt.ky, i0)) << decalage;
        }
    }
}

// At kx = ky = 0 the four-band roots are the zone-centre heavy- and light-hole
// wave vectors, and the heavy and light columns decouple.
TEST(Dispersion, LimiteZoneCentre)
{
    const cas_puits c = puits_exemple(true);
    const auto mod = former_modele_valence(c.p.largeur_puits, c.m, c.k0);
    const double E = 40 * q_e / 1000;
    const double m0 = 9.1095e-31, hb2 = 1.1121389764000003e-68;
    // Well: E' - zeta = (g1 - 2 g2) A kz1^2 and E' + zeta = (g1 + 2 g2) A kz2^2.
    const double Ep = E - mod.puits.V;
    const double kz_hh = std::sqrt((Ep - mod.puits.zeta) / ((6.98 - 2 * 2.06) * A_cin));
    const double kz_lh = std::sqrt((Ep + mod.puits.zeta) / ((6.98 + 2 * 2.06) * A_cin));
    const double kz_hh_k0 = std::sqrt(2 * (m0 / (6.98 - 2 * 2.06)) / hb2 * (40 - (10 - 5)) * q_e / 1000);
    EXPECT_NEAR(kz_hh / kz_hh_k0, 1.0, 1e-12);
    // At kt = 0, |R| = |S| = c_s = 0: F2 = -H21 = 0 in the heavy columns and
    // F1 = H12 = 0 in the light ones, and no flux row mixes them.
    const plan_k plan = former_plan_k(mod, 0, 0);
    for (const plan_couche* pc : {&plan.puits, &plan.barriere}) {
        EXPECT_EQ(pc->module_R, 0.0);
        EXPECT_EQ(pc->module_S, 0.0);
        EXPECT_EQ(pc->c_s, 0.0);
    }
    // The two kz^2 of the quadratic are the heavy- and light-hole ones, in the
    // well (with the shear split edges) and in the barrier (edge Vv).
    for (int c = 0; c < 2; ++c) {
        const couche_valence& w = c == 0 ? mod.puits : mod.barriere;
        const double E_c = c == 0 ? E : 160 * q_e / 1000;
        const double Epc = E_c - w.V;
        const double a = w.gT * w.gT - w.gS * w.gS;
        const double D = w.zeta * w.zeta * w.gT * w.gT + w.gS * w.gS * Epc * Epc - w.zeta * w.gS * (2 * w.gT * Epc);
        const double b = w.gT * Epc - w.zeta * w.gS;
        const double hh = (Epc - w.zeta) / ((w.gamma1 - 2 * w.gamma2) * A_cin);
        const double lh = (Epc + w.zeta) / ((w.gamma1 + 2 * w.gamma2) * A_cin);
        EXPECT_NEAR((b + std::sqrt(D)) / a / std::max(hh, lh), 1.0, 1e-9);
        EXPECT_NEAR((b - std::sqrt(D)) / a / std::min(hh, lh), 1.0, 1e-9);
        if (c == 0) {
            EXPECT_NEAR(hh / (kz_hh * kz_hh), 1.0, 1e-12);
            EXPECT_NEAR(lh / (kz_lh * kz_lh), 1.0, 1e-12);
        }
    }
    // Just off the zone centre f is finite everywhere on the grid.
    const auto grille = grille_energie_valence(c.p.deltaE, c.m);
    const plan_k proche = former_plan_k(mod, 1e6, 0);
    for (std::size_t i = 0; i < grille.size(); i += 11)
        EXPECT_TRUE(std::isfinite(evaluer_fonction_dispersion(mod, proche, grille[i]).re)) << i;
}

// Anisotropy through |R|; the flux coupling from the in-plane modulus makes
// (kx, ky) and (ky, kx) equivalent.
TEST(Dispersion, AnisotropieDansLePlan)
{
    const cas_puits c = puits_exemple(true);
    const auto mod = former_modele_valence(c.p.largeur_puits, c.m, c.k0);
    const auto grille = grille_energie_valence(c.p.deltaE, c.m);
    const int i0 = static_cast<int>(22.2 / c.p.deltaE) - 1;
    auto niveaux = [&](double kx, double ky) {
        const plan_k plan = former_plan_k(mod, kx, ky);
        std::vector<double> n;
        double prec = evaluer_fonction_dispersion(mod, plan, grille[i0]).re;
        for (std::size_t i = i0 + 1; i < grille.size(); ++i) {
            const double f = evaluer_fonction_dispersion(mod, plan, grille[i]).re;
            if (prec * f < 0.0) n.push_back(grille[i] * vers_meV);
            prec = f;
        }
        return n;
    };
    const double k = 6e8;
    EXPECT_NE(niveaux(k, 0), niveaux(k / std::sqrt(2.0), k / std::sqrt(2.0)));
    EXPECT_EQ(niveaux(4e8, 2e8), niveaux(2e8, 4e8));
    const plan_k a = former_plan_k(mod, 4e8, 2e8), b = former_plan_k(mod, 2e8, 4e8);
    EXPECT_EQ(a.puits.c_s, b.puits.c_s);
    EXPECT_NEAR(a.puits.c_s, a.puits.module_S / 2 * vers_meV, 1e-12 * a.puits.c_s);
}

// Early ends: along kx alone the first empty kx ends the scan; with ky scanned
// an empty point ends only its own ky row. Threads change nothing.
// The axial approximation ([modele] dispersion_axiale): one modulus |R| in
// every in-plane direction, so that a cut stands for them all, the roots
// those of the four-band determinant, and without warping (gamma2 = gamma3)
// the very scan of the exact coupling, bit for bit.
TEST(DispersionAxiale, SansGauchissementLaDispersionExacte)
{
    for (int Nky : {1, 5}) {
        cas_puits c = puits_exemple(true);
        c.m.puits.gamma3 = c.m.puits.gamma2;
        c.m.barriere.gamma3 = c.m.barriere.gamma2;
        c.p.Nk = 6;
        c.p.Nky = Nky;
        c.p.deltak = 1e8;
        c.p.deltaE = 0.2;
        const auto exacte = calculer_suivi(c);
        c.p.axiale = true;
        const auto axiale = calculer_suivi(c);
        ASSERT_GT(exacte.points.size(), 5u);
        EXPECT_EQ(exacte.niveaux_k, axiale.niveaux_k) << Nky;
        EXPECT_EQ(exacte.branche_lh, axiale.branche_lh);
    }
}

TEST(DispersionAxiale, LaMemeDansToutesLesDirections)
{
    const cas_puits c = puits_exemple(true);
    const auto exacte = former_modele_valence(c.p.largeur_puits, c.m, c.k0);
    const auto axiale = former_modele_valence(c.p.largeur_puits, c.m, c.k0, true);
    const auto grille = grille_energie_valence(c.p.deltaE, c.m);
    const int i0 = static_cast<int>(22.2 / c.p.deltaE) - 1;
    // Levels (sign changes of Re f from grid point i0) of the kernel, or of the
    // reference evaluation with its own discriminant.
    auto niveaux = [&](const modele_valence& mod, double kx, double ky, bool reference) {
        const plan_k plan = former_plan_k(mod, kx, ky);
        auto f = [&](double E) {
            return reference ? f_reference(mod, kx, ky, E, true).re : evaluer_fonction_dispersion(mod, plan, E).re;
        };
        std::vector<double> n;
        double prec = f(grille[i0]);
        for (std::size_t i = i0 + 1; i < grille.size(); ++i) {
            const double v = f(grille[i]);
            if (prec * v < 0.0) n.push_back(grille[i] * vers_meV);
            prec = v;
        }
        return n;
    };
    const double k = 6e8, kd = k / std::sqrt(2.0);
    const std::vector<double> coupe = niveaux(axiale, k, 0, false);
    ASSERT_GE(coupe.size(), 3u);
    EXPECT_EQ(niveaux(axiale, k, 0, true), coupe);
    for (const auto& d : std::vector<std::pair<double, double>>{{kd, kd}, {0, k}, {0.6 * k, 0.8 * k}}) {
        EXPECT_EQ(niveaux(axiale, d.first, d.second, false), coupe) << d.first << " " << d.second;
        const plan_k p = former_plan_k(axiale, d.first, d.second);
        EXPECT_NEAR(p.puits.module_R, std::sqrt(3.0) * A_cin * (2.06 + 2.93) / 2 * k * k, 1e-12 * p.puits.module_R);
    }
    // The warping the approximation removes: the exact [100] and [110] cuts differ,
    // and the axial one lies between them.
    const std::vector<double> c100 = niveaux(exacte, k, 0, false), c110 = niveaux(exacte, kd, kd, false);
    ASSERT_EQ(c100.size(), coupe.size());
    ASSERT_EQ(c110.size(), coupe.size());
    EXPECT_NE(c100, c110);
    EXPECT_GT(std::fabs(c100[0] - c110[0]), 1.0);
    EXPECT_GE(coupe[0], std::min(c100[0], c110[0]));
    EXPECT_LE(coupe[0], std::max(c100[0], c110[0]));
}

TEST(Dispersion, FinsAnticipeesEtFils)
{
    struct cas {
        int Nk, Nky;
        double deltak;
    };
    // 1.2e9 m^-1 steps leave the energy window quickly.
    const std::vector<cas> table = {{6, 1, 5e8}, {4, 5, 5e8}, {2, 1, 1e6}, {1, 1, 1e6}, {3, 1, 2e5}};
    for (const auto& t : table) {
        cas_puits c = puits_exemple(true);
        c.p.Nk = t.Nk;
        c.p.Nky = t.Nky;
        c.p.deltak = t.deltak;
        c.p.deltaE = 0.5;
        std::vector<double> annonces1;
        c.p.nb_fils = 1;
        const auto d1 = calculer_suivi(c, &annonces1);
        for (int nb_fils : {2, 3, 8, 0}) {
            std::vector<double> annonces2;
            c.p.nb_fils = nb_fils;
            const auto d2 = calculer_suivi(c, &annonces2);
            EXPECT_EQ(annonces1, annonces2) << nb_fils;
            EXPECT_EQ(d1.niveaux_k, d2.niveaux_k);
            EXPECT_EQ(d1.branche_lh, d2.branche_lh);
            EXPECT_EQ(d1.max_indice_k, d2.max_indice_k);
            ASSERT_EQ(d1.points.size(), d2.points.size());
        }
        // The start, then one announce per kx row reached, in order.
        std::vector<double> attendues{-1};
        for (const auto& pt : d1.points)
            if (pt.j == 0) attendues.push_back(pt.kx);
        EXPECT_EQ(annonces1, attendues);

        if (t.Nk * t.deltak <= 1e6) {
            EXPECT_TRUE(d1.points.empty());
            EXPECT_EQ(d1.nb_niveaux_max, 0);
            EXPECT_TRUE(d1.branche_lh.empty());
            EXPECT_EQ(d1.max_indice_k, 0);
            continue;
        }
        // Sequential rule replayed on the visited points.
        for (std::size_t a = 0; a < d1.points.size(); ++a) {
            const auto& pt = d1.points[a];
            const bool dernier = a + 1 == d1.points.size();
            if (t.Nky == 1) {
                EXPECT_EQ(pt.i, static_cast<int>(a) + 1);
                if (!dernier) {
                    EXPECT_GT(pt.nb, 0);
                }
            } else if (!dernier && d1.points[a + 1].i == pt.i) {
                EXPECT_GT(pt.nb, 0);
            } else if (pt.j + 1 < t.Nky) {
                EXPECT_EQ(pt.nb, 0) << "a ky row stops early only at an empty point";
            }
        }
        if (t.Nky > 1) {
            // Every kx row is visited, and at least one ends before its last ky.
            EXPECT_EQ(d1.points.back().i, t.Nk);
            EXPECT_LT(d1.points.size(), static_cast<std::size_t>(t.Nk * t.Nky));
        }
        if (t.Nk == 2 && t.deltak == 1e6) {
            ASSERT_EQ(d1.points.size(), 1u);
            EXPECT_EQ(annonces1, (std::vector<double>{-1, 1e6}));
        }
    }
}

TEST(Dispersion, FinDuBalayageKxAuPremierPointVide)
{
    cas_puits c = puits_exemple(true);
    c.p.Nk = 40;
    c.p.deltak = 4e8; // far beyond the well's hole levels after a few steps
    c.p.deltaE = 0.5;
    const auto d = calculer_suivi(c);
    ASSERT_GE(d.points.size(), 2u);
    EXPECT_LT(d.points.size(), 40u);
    EXPECT_EQ(d.points.back().nb, 0);
    EXPECT_EQ(d.max_indice_k, d.points.back().i);
}

TEST(Dispersion, GrilleTropGrandeRefusee)
{
    cas_puits c = puits_exemple(false);
    c.p.deltaE = 1e-6;
    try {
        grille_energie_valence(c.p.deltaE, c.m);
        FAIL();
    } catch (const arret_calcul& a) {
        EXPECT_NE(a.message.find("(10000000 points au plus) ; augmenter deltaE."), std::string::npos);
        EXPECT_EQ(a.message.back(), '\n');
    }
    // The scan stops before it announces its start.
    std::vector<double> annonces;
    EXPECT_THROW(calculer_suivi(c, &annonces), arret_calcul);
    EXPECT_TRUE(annonces.empty());
}

namespace {

long fils_du_processus()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                         std::filesystem::directory_iterator());
}

} // namespace

// nb_fils = 0 takes the CPUs the process may run on: on one CPU (as under
// taskset -c 0, or in a Slurm task given one CPU) the scan starts no thread.
// ctest also runs this test under taskset -c 0 itself (fils_sous_taskset).
TEST(Fils, ZeroPrendLesCoeursPermis)
{
    cpu_set_t avant, un;
    ASSERT_EQ(sched_getaffinity(0, sizeof avant, &avant), 0);
    CPU_ZERO(&un);
    for (int i = 0; i < CPU_SETSIZE; ++i)
        if (CPU_ISSET(i, &avant)) {
            CPU_SET(i, &un);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof un, &un), 0);
    const char* omp = std::getenv("OMP_NUM_THREADS");
    const std::optional<std::string> omp_avant = omp ? std::optional<std::string>(omp) : std::nullopt;
    unsetenv("OMP_NUM_THREADS");

    EXPECT_EQ(fils_disponibles(), 1);
    const long fils = fils_du_processus();
    cas_puits c = puits_exemple(true);
    c.p.Nk = 6;
    c.p.deltak = 5e8;
    c.p.deltaE = 0.5;
    c.p.nb_fils = 0;
    calculer_suivi(c);
    EXPECT_EQ(fils_du_processus(), fils) << "un seul coeur permis : aucun fil de plus";

    if (omp_avant) setenv("OMP_NUM_THREADS", omp_avant->c_str(), 1);
    sched_setaffinity(0, sizeof avant, &avant);
}
