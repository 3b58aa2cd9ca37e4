#include "niveaux_k0/niveaux_k0.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "configuration/arret.hpp"
#include "configuration/parametres.hpp"
#include "materiau/materiau.hpp"

namespace {

constexpr double m0 = 9.1095e-31;
constexpr double hbar2 = 1.1121389764000003e-68;
constexpr double q = 1.60218e-19;

parametres_bande bande(double mw, double mb, double bord_puits, double V)
{
    parametres_bande b;
    b.masse_puits = mw * m0;
    b.masse_barriere = mb * m0;
    b.facteur_puits = 2 * mw * 9.1095e-31 / hbar2;
    b.facteur_barriere = 2 * mb * 9.1095e-31 / hbar2;
    b.bord_puits = bord_puits;
    b.bord_barriere = V;
    b.titre = "Titre :";
    return b;
}

complexe i_fois(complexe z) { return {-z.im, z.re}; }
double ecart_relatif(complexe a, complexe b)
{
    return c_module(c_difference(a, b)) / std::fmax(c_module(a), c_module(b));
}

// Bound levels of the finite square well, found independently: psi and psi'/m
// continuous give (k/mw) tan(kL/2) = kappa/mb (even) and -(k/mw) cot(kL/2) =
// kappa/mb (odd); roots by bisection on a fine bracket of the
// sign-regularised forms (k/mw) sin - (kappa/mb) cos and (k/mw) cos + (kappa/mb) sin.
std::vector<double> niveaux_exacts(double mw, double mb, double bord, double V, double Lw)
{
    const double L = Lw * 1e-10;
    auto f = [&](double E, int parite) {
        const double k = std::sqrt(2 * mw * m0 * (E - bord) * q / 1000 / hbar2);
        const double kappa = std::sqrt(2 * mb * m0 * (V - E) * q / 1000 / hbar2);
        const double s = std::sin(k * L / 2), co = std::cos(k * L / 2);
        return parite == 0 ? k / mw * s - kappa / mb * co : k / mw * co + kappa / mb * s;
    };
    std::vector<double> racines;
    const int n = 200000;
    for (int parite = 0; parite < 2; ++parite) {
        for (int j = 0; j < n; ++j) {
            double a = bord + (V - bord) * j / n, b = bord + (V - bord) * (j + 1) / n;
            if (j == 0) a += 1e-9;
            if (f(a, parite) * f(b, parite) >= 0) continue;
            for (int it = 0; it < 100; ++it) {
                const double m = 0.5 * (a + b);
                (f(a, parite) * f(m, parite) <= 0 ? b : a) = m;
            }
            racines.push_back(0.5 * (a + b));
        }
    }
    std::sort(racines.begin(), racines.end());
    return racines;
}

// Worked example: GaAs-like well in a wider-mass barrier.
TEST(ChercherNiveaux, ExempleTraite)
{
    const parametres_bande b = bande(0.067, 0.09, 0, 200);
    std::vector<double> grille;
    const int count = remplir_grille_energie(200, 0.25, grille);
    ASSERT_EQ(count, 800);
    EXPECT_NEAR(grille[799], 199.76, 1e-9);
    const niveaux_bande r = chercher_niveaux(b, grille, count, 80, 200);
    ASSERT_EQ(r.nb(), 2);
    EXPECT_EQ(r.niveaux[0], (grille[157] + grille[156]) * 0.5);
    EXPECT_NEAR(r.niveaux[1], 148.135, 1e-9);

    const double Lw = 80e-10, Lb = 200e-10;
    for (int n = 0; n < 2; ++n) {
        const double E = r.niveaux[n];
        complexe kb, kw;
        vecteurs_onde(b, E, kb, kw);
        const complexe A = r.coef_puits_plus[n], B = r.coef_puits_moins[n], G = r.coef_barriere_gauche[n];
        const complexe F = fonction_quantification(b, E, 80, 200);
        // z2: right barrier (1, 0) referred to z3 = z2 + Lb; well referred to z2.
        const complexe droite = c_exp_ikx(kb, -Lb);
        EXPECT_LT(ecart_relatif(c_somme(A, B), droite), 1e-9);
        EXPECT_LT(ecart_relatif(c_echelle(i_fois(c_produit(kw, c_difference(A, B))), 1 / b.masse_puits),
                                c_echelle(i_fois(c_produit(kb, droite)), 1 / b.masse_barriere)),
                  1e-9);
        // z1: well referred to z2 = z1 + Lw; left barrier (F, G) referred to z1.
        const complexe ea = c_exp_ikx(kw, -Lw), eb = c_exp_ikx(kw, Lw);
        const complexe psi_puits = c_somme(c_produit(A, ea), c_produit(B, eb));
        EXPECT_LT(ecart_relatif(psi_puits, c_somme(F, G)), 1e-9);
        EXPECT_LT(ecart_relatif(c_echelle(i_fois(c_produit(kw, c_difference(c_produit(A, ea), c_produit(B, eb)))),
                                          1 / b.masse_puits),
                                c_echelle(i_fois(c_produit(kb, c_difference(F, G))), 1 / b.masse_barriere)),
                  1e-9);
        // Real envelope: B = conj(A), G real, F small.
        EXPECT_LT(ecart_relatif(B, c_conjugue(A)), 1e-9);
        EXPECT_LT(std::fabs(G.im), 1e-9 * std::fabs(G.re));
        EXPECT_LT(c_module(F), c_module(G) / 100);
    }
}

struct cas_puits {
    double mw, mb, bord, V, Lw, Lb, deltaE;
};

TEST(ChercherNiveaux, AccordAvecLePuitsCarreFini)
{
    const cas_puits cas[] = {
        {0.067, 0.09, 0, 200, 80, 200, 0.25},   // electrons
        {0.35, 0.38, 12.5, 150, 60, 250, 0.1},  // heavy holes, shifted well edge
        {0.08, 0.095, -8, 120, 100, 300, 0.05}, // light holes, well edge below zero
        {0.05, 0.05, 0, 300, 150, 250, 0.3},    // equal masses, many levels
    };
    for (const auto& w : cas) {
        const parametres_bande b = bande(w.mw, w.mb, w.bord, w.V);
        std::vector<double> grille;
        const int count = remplir_grille_energie(w.V, w.deltaE, grille);
        const niveaux_bande r = chercher_niveaux(b, grille, count, w.Lw, w.Lb);
        const std::vector<double> exacts = niveaux_exacts(w.mw, w.mb, w.bord, w.V, w.Lw);
        ASSERT_GT(r.nb(), 0);
        // Exact levels that the grid can reach: above E_0, below the last examined point.
        int attendus = 0;
        for (double e : exacts) attendus += e > grille[0] && e < grille[count - 2];
        EXPECT_EQ(r.nb(), attendus) << "V = " << w.V;
        for (int n = 0; n < r.nb(); ++n) {
            double ecart = 1e300;
            for (double e : exacts) ecart = std::fmin(ecart, std::fabs(e - r.niveaux[n]));
            EXPECT_LE(ecart, w.deltaE / 2 + 1e-9) << "niveau " << r.niveaux[n];
        }
    }
}

// The level between 39.01 and 39.26 (i = 156, 157) of the worked example is
// found as soon as the scan holds both ends, the last interval included.
TEST(ChercherNiveaux, DernierIntervalleExamine)
{
    const parametres_bande b = bande(0.067, 0.09, 0, 200);
    std::vector<double> grille;
    remplir_grille_energie(200, 0.25, grille);
    EXPECT_EQ(chercher_niveaux(b, grille, 157, 80, 200).nb(), 0);
    const niveaux_bande r = chercher_niveaux(b, grille, 158, 80, 200);
    ASSERT_EQ(r.nb(), 1);
    EXPECT_NEAR(r.niveaux[0], 39.135, 1e-9);
    for (int count : {-3, 0, 1}) EXPECT_EQ(chercher_niveaux(b, grille, count, 80, 200).nb(), 0);
}

// Above the barrier edge F is complex and its products change sign: none of
// these crossings is a level.
TEST(ChercherNiveaux, ChangementsDeSigneAuDessusDeLaBarriereIgnores)
{
    const parametres_bande b = bande(0.067, 0.09, 0, 200);
    std::vector<double> grille;
    const int count = remplir_grille_energie(600, 0.25, grille);
    int au_dessus = 0;
    for (int i = 1; i < count - 1; ++i)
        au_dessus += grille[i] >= 200 && c_produit(fonction_quantification(b, grille[i - 1], 80, 200),
                                                   fonction_quantification(b, grille[i], 80, 200))
                                                 .re < 0;
    ASSERT_GT(au_dessus, 0);
    const niveaux_bande r = chercher_niveaux(b, grille, count, 80, 200);
    ASSERT_EQ(r.nb(), 2);
    EXPECT_NEAR(r.niveaux[1], 148.135, 1e-9);

    // A grid point at the edge itself: zero barrier wave vector, finite F.
    const complexe F = fonction_quantification(b, 200, 80, 200);
    EXPECT_TRUE(std::isfinite(F.re) && std::isfinite(F.im));
    const complexe F0 = fonction_quantification(bande(0.067, 0.09, 5, 200), 5, 80, 200);
    EXPECT_TRUE(std::isfinite(F0.re) && std::isfinite(F0.im));
}

TEST(RemplirGrilleEnergie, PasAccumulesEtTroncature)
{
    struct cas {
        double V, deltaE;
        int count;
        std::size_t taille;
    };
    const cas table[] = {
        {10, 3, 3, 3}, {9.99, 1, 9, 9}, {2.9, 1, 2, 2}, {0.5, 1, 0, 1}, {-5, 3, -1, 1}, {0, 0.1, 0, 1},
    };
    for (const auto& t : table) {
        std::vector<double> grille(7, -1.0);
        EXPECT_EQ(remplir_grille_energie(t.V, t.deltaE, grille), t.count) << t.V;
        ASSERT_EQ(grille.size(), t.taille) << t.V;
        EXPECT_EQ(grille[0], 0.01);
    }
    std::vector<double> grille;
    ASSERT_EQ(remplir_grille_energie(200, 0.1, grille), 2000);
    double e = 0.01;
    bool difference_avec_produit = false;
    for (int i = 1; i < 2000; ++i) {
        e += 0.1;
        EXPECT_EQ(grille[i], e) << i;
        difference_avec_produit = difference_avec_produit || grille[i] != 0.01 + i * 0.1;
    }
    EXPECT_TRUE(difference_avec_produit); // the test can tell the two rules apart
}

TEST(RemplirGrilleEnergie, GrilleTropGrandeRefusee)
{
    struct cas {
        double V, deltaE;
        const char* extrait;
    };
    const cas table[] = {
        {200, 1e-5, "V / deltaE = 2e+07 points (10 millions au plus)"},
        {1e300, 0.1, "10 millions au plus"},
        {std::nan(""), 0.1, "deltaE"},
        {-1e300, 0.1, "deltaE"},
    };
    for (const auto& t : table) {
        std::vector<double> grille(3, 7.0);
        try {
            remplir_grille_energie(t.V, t.deltaE, grille);
            ADD_FAILURE() << t.V << " : pas d'arret";
        } catch (const arret_calcul& a) {
            EXPECT_NE(a.message.find(t.extrait), std::string::npos) << a.message;
            EXPECT_EQ(a.message.back(), '\n');
        }
        EXPECT_EQ(grille, std::vector<double>(3, 7.0));
    }
    std::vector<double> grille;
    EXPECT_EQ(remplir_grille_energie(1e6, 0.1, grille), 10000000); // the limit itself is accepted
}

resultats_materiau materiau_simple(double Vc, double Vv)
{
    resultats_materiau m;
    m.Vc = Vc;
    m.Vv = Vv;
    m.puits.mc = 0.067, m.barriere.mc = 0.09;
    m.puits.gamma1 = 6.98, m.puits.gamma2 = 2.06;
    m.barriere.gamma1 = 6.0, m.barriere.gamma2 = 1.8;
    return m;
}

// The bands as the search reports them, each as soon as it is done.
struct bande_annoncee {
    std::string titre;
    std::vector<double> niveaux;
};

std::vector<bande_annoncee> lancer(const parametres_niveaux_k0& p, const resultats_materiau& m, resultats_k0& r)
{
    std::vector<bande_annoncee> annonces;
    r = calculer_niveaux_k0(p, m, [&](const parametres_bande& b, const niveaux_bande& n) {
        annonces.push_back({b.titre, n.niveaux});
    });
    return annonces;
}

const parametres_niveaux_k0 puits_80{0.25, 80, 200}; // deltaE (meV), well and barrier widths (Å)

TEST(CalculerNiveauxK0, TroisBandesDansLOrdre)
{
    resultats_k0 r;
    const auto annonces = lancer(puits_80, materiau_simple(200, 100), r);
    ASSERT_EQ(annonces.size(), 3u);
    EXPECT_EQ(annonces[0].titre, "Niveaux E dans la BC (meV) :");
    EXPECT_EQ(annonces[1].titre, "Niveaux HH dans la BV (meV) :");
    EXPECT_EQ(annonces[2].titre, "Niveaux LH dans la BV (meV) :");
    EXPECT_EQ(annonces[0].niveaux, r.E.niveaux);
    EXPECT_EQ(annonces[1].niveaux, r.HH.niveaux);
    EXPECT_EQ(annonces[2].niveaux, r.LH.niveaux);
    ASSERT_EQ(r.E.nb(), 2);
    EXPECT_NEAR(r.E.niveaux[1], 148.135, 1e-9);
    EXPECT_GT(r.HH.nb(), r.LH.nb());
    ASSERT_GT(r.LH.nb(), 0);
    // Hole factors: 2 m0 stored as 1.8219e-30 over (gamma1 -/+ 2 gamma2) hbar^2.
    EXPECT_EQ(r.bande_HH.facteur_puits, 1.8219e-30 / ((6.98 - 2 * 2.06) * hbar2));
    EXPECT_EQ(r.bande_LH.facteur_barriere, 1.8219e-30 / ((6.0 + 2 * 1.8) * hbar2));
    EXPECT_EQ(r.bande_E.facteur_puits, 2 * 0.067 * 9.1095e-31 / hbar2);
    EXPECT_EQ(r.bande_HH.masse_puits, m0 / (6.98 - 2 * 2.06));
    EXPECT_EQ(r.bande_HH.bord_barriere, 100.0);
}

// The light-hole search takes the grid and count built for Vv, even when the
// conduction grid is empty.
TEST(CalculerNiveauxK0, BandesSansNiveau)
{
    resultats_k0 r;
    auto annonces = lancer(puits_80, materiau_simple(0.2, 100), r);
    EXPECT_EQ(r.E.nb(), 0);
    ASSERT_EQ(annonces.size(), 3u);
    EXPECT_TRUE(annonces[0].niveaux.empty());
    EXPECT_GT(r.LH.nb(), 0);

    annonces = lancer(puits_80, materiau_simple(200, -40), r);
    EXPECT_EQ(r.HH.nb(), 0);
    EXPECT_EQ(r.LH.nb(), 0);
    ASSERT_EQ(annonces.size(), 3u);
    EXPECT_TRUE(annonces[2].niveaux.empty());

    // A heavy-hole edge too deep for the grid stops the run once the
    // conduction band has been reported, as its levels were printed.
    resultats_materiau profond = materiau_simple(200, 100);
    profond.dE_cisaillement = -3e6;
    annonces.clear();
    EXPECT_THROW(calculer_niveaux_k0(puits_80, profond,
                                     [&](const parametres_bande& b, const niveaux_bande& n) {
                                         annonces.push_back({b.titre, n.niveaux});
                                     }),
                 arret_calcul);
    ASSERT_EQ(annonces.size(), 1u);
    EXPECT_EQ(annonces[0].niveaux.size(), 2u);
}

// Strain moves the well edges: dEv_hydro = -dE_hydro/3, HH edge at
// dE_cisaillement + dEv_hydro, LH edge at dEv_hydro - dE_cisaillement.
TEST(CalculerNiveauxK0, BordsDesPuitsContraints)
{
    resultats_materiau m = materiau_simple(200, 100);
    m.epsilon = -0.01;
    m.rapport_C12_C11 = 0.5;
    m.puits.aH = -8;
    m.dE_cisaillement = 15;
    m.dEc_hydro = 20;
    const resultats_k0 r = calculer_niveaux_k0(puits_80, m);
    EXPECT_NEAR(r.dEv_hydro, 2 * (1000 * -0.01 * 0.5 * -8) / 3, 1e-12);
    EXPECT_EQ(r.bande_E.bord_puits, 20.0);
    EXPECT_EQ(r.bande_HH.bord_puits, 15 + r.dEv_hydro);
    EXPECT_EQ(r.bande_LH.bord_puits, r.dEv_hydro - 15);
    ASSERT_GT(r.E.nb(), 0);
    EXPECT_GT(r.E.niveaux[0], 20.0); // above the shifted edge
}

// Whole devices read from their config.ini: every bound level of every band
// against the exact finite well with the strained edges, each the midpoint of
// the grid interval that holds its root. Tensile GaAsP wells put E1 and LH1
// below the unstrained edges from 70 A on; the 980 nm well at 81 A holds an E2
// bound 0.08 meV under Vc, in the last whole step below the barrier edge.
TEST(CalculerNiveauxK0, TousLesNiveauxDesPuitsReels)
{
    const std::string traction = std::string(REGRESSION_DIR) + "/traction_60/config.ini";
    const std::string exemple_980 = std::string(EXEMPLES_DIR) + "/in020ga080as_980nm/config.ini";
    const struct {
        const std::string& exemple;
        double largeur;
        int nb_E, nb_HH, nb_LH;
    } cas[] = {
        {traction, 60, 2, 2, 2},
        {traction, 80, 2, 3, 2},
        {traction, 100, 2, 3, 2},
        {exemple_980, 81, 2, 3, 1},
    };
    for (const auto& c : cas) {
        parametres_calcul p;
        std::vector<std::string> avertissements;
        lire_parametres(c.exemple, p, journal{&avertissements});
        p.couches.largeur_puits = c.largeur;
        const resultats_materiau m = modele_materiau(p.couches, p.calcul.Ninj, p.calcul.demi_largeur_lorentz);
        const resultats_k0 r =
            calculer_niveaux_k0({p.calcul.deltaE, p.couches.largeur_puits, p.couches.largeur_barriere}, m);
        const struct {
            const parametres_bande& b;
            const niveaux_bande& n;
            int attendus;
        } bandes[] = {{r.bande_E, r.E, c.nb_E}, {r.bande_HH, r.HH, c.nb_HH}, {r.bande_LH, r.LH, c.nb_LH}};
        for (const auto& [b, n, attendus] : bandes) {
            const std::vector<double> exacts =
                niveaux_exacts(b.masse_puits / m0, b.masse_barriere / m0, b.bord_puits, b.bord_barriere, c.largeur);
            ASSERT_EQ(n.nb(), static_cast<int>(exacts.size())) << c.exemple << " " << c.largeur << " " << b.titre;
            EXPECT_EQ(n.nb(), attendus) << c.exemple << " " << c.largeur << " " << b.titre;
            for (int j = 0; j < n.nb(); ++j)
                EXPECT_LE(std::fabs(n.niveaux[j] - exacts[j]), p.calcul.deltaE / 2 + 1e-9)
                    << c.exemple << " " << c.largeur << " " << b.titre << " " << j;
        }
    }
}

// The grid below E_0: whole steps down to the last point above the edge, the
// upward points untouched, and the scan count taking the last whole step
// under V (200 / 0.25 truncates to 800 points, 199.76 < 200 - 0.25 + 0.25).
TEST(RemplirGrilleEnergie, DescendJusquAuBordContraint)
{
    std::vector<double> haut, grille;
    const int count = remplir_grille_energie(200.3, 0.25, haut);
    const int n = remplir_grille_energie(200.3, 0.25, -1.0, grille);
    ASSERT_EQ(grille.size(), haut.size() + 5); // 0.01 - 5 x 0.25 = -1.24 is below the edge
    EXPECT_EQ(n, 4 + count + 1);               // 200.01 < 200.3 joins the scan
    EXPECT_EQ(grille[0], (((0.01 - 0.25) - 0.25) - 0.25) - 0.25);
    EXPECT_GT(grille[0], -1.0);
    for (int i = 0; i < count; ++i) EXPECT_EQ(grille[4 + i], haut[i]);
    EXPECT_EQ(grille[4 + count], haut[count - 1] + 0.25);
    // An edge above the first point adds nothing below it.
    EXPECT_EQ(remplir_grille_energie(200, 0.25, 0.0, grille), 800);
    EXPECT_EQ(grille[0], 0.01);
}

} // namespace
