#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "configuration/parametres.hpp"
#include "gain_optique/recouvrements.hpp"
#include "materiau/materiau.hpp"

namespace {

constexpr double q = 1.60218e-19, m0 = 9.1095e-31, hbar2 = 1.1121389764000003e-68;

// Square well of depth V (meV), equal masses: the band as the level search forms it.
parametres_bande bande(double V)
{
    parametres_bande b;
    b.masse_puits = b.masse_barriere = 0.067 * m0;
    b.facteur_puits = b.facteur_barriere = 2 * 0.067 * m0 / hbar2;
    b.bord_puits = 0;
    b.bord_barriere = V;
    return b;
}

// Mismatch of psi'/psi at the left interface for the amplitudes referred to the
// right barrier (1 at its outer face), and those amplitudes.
struct etat {
    double E;
    complexe A, B, G;
};

etat amplitudes(double E, double V, double Lw, double Lb, double& ecart)
{
    const parametres_bande b = bande(V);
    const double k = std::sqrt(b.facteur_puits * E * q / 1000);
    const double kappa = std::sqrt(b.facteur_barriere * (V - E) * q / 1000);
    const double psi_droite = std::exp(kappa * Lb * 1e-10);
    const double rho = kappa / k;
    const double u = -Lw * 1e-10;
    const double psi_gauche = psi_droite * (std::cos(k * u) - rho * std::sin(k * u));
    const double dpsi_gauche = psi_droite * k * (-std::sin(k * u) - rho * std::cos(k * u));
    ecart = dpsi_gauche - kappa * psi_gauche;
    return {E, {psi_droite / 2, psi_droite * rho / 2}, {psi_droite / 2, -psi_droite * rho / 2}, {psi_gauche, 0}};
}

// Bound level by bisection of the interface mismatch on [E1, E2] (meV).
etat niveau_lie(double E1, double E2, double V, double Lw, double Lb)
{
    double e1, e2;
    amplitudes(E1, V, Lw, Lb, e1);
    amplitudes(E2, V, Lw, Lb, e2);
    EXPECT_LT(e1 * e2, 0.0);
    for (int i = 0; i < 200; ++i) {
        const double Em = 0.5 * (E1 + E2);
        double em;
        amplitudes(Em, V, Lw, Lb, em);
        if ((em < 0) == (e1 < 0)) {
            E1 = Em;
            e1 = em;
        } else {
            E2 = Em;
        }
    }
    double e;
    return amplitudes(0.5 * (E1 + E2), V, Lw, Lb, e);
}

void ajouter(niveaux_bande& nb, const etat& s)
{
    nb.niveaux.push_back(s.E);
    nb.coef_puits_plus.push_back(s.A);
    nb.coef_puits_moins.push_back(s.B);
    nb.coef_barriere_gauche.push_back(s.G);
}

// Well of 80 Å and 200 meV: an even ground level and an odd one.
struct structure {
    double V = 200, Lw = 80, Lb;
    etat pair, impair;
    resultats_k0 k0;
    structure(double Lb_) : Lb(Lb_)
    {
        pair = niveau_lie(1, 60, V, Lw, Lb);
        impair = niveau_lie(60, 199, V, Lw, Lb);
        k0.bande_E = k0.bande_HH = k0.bande_LH = bande(V);
    }
};

complexe kb_de(const parametres_bande& b, double E) { return c_racine_reel(b.facteur_barriere * (E - b.bord_barriere) * q / 1000); }
complexe kw_de(const parametres_bande& b, double E) { return c_racine_reel(b.facteur_puits * (E - b.bord_puits) * q / 1000); }

} // namespace

TEST(Enveloppes, NormeUnitePourUnNiveauLie)
{
    for (double Lb : {300.0, 150.0}) {
        const structure s(Lb);
        for (const etat& e : {s.pair, s.impair}) {
            const complexe kb = kb_de(s.k0.bande_E, e.E), kw = kw_de(s.k0.bande_E, e.E);
            const complexe f = facteur_normalisation(kb, kw, e.A, e.B, e.G, s.Lw, s.Lb);
            double somme = 0, precedent = 0;
            for (double z = 0; z <= 2 * s.Lb + s.Lw; z += 1.0) {
                const complexe psi = enveloppe(z, kb, kw, e.A, e.B, e.G, f, s.Lw, s.Lb);
                EXPECT_NEAR(psi.im, 0.0, 1e-9);
                const double f2 = psi.re * psi.re;
                if (z > 0) somme += trapeze(z - 1, z, precedent, f2);
                precedent = f2;
            }
            EXPECT_NEAR(somme, 1.0, 1e-3) << "Lb " << Lb << " E " << e.E;
        }
    }
}

TEST(Enveloppes, InterfacesAppartiennentALaRegionDeGauche)
{
    // amplitudes chosen unrelated so that each region gives a different value
    const complexe kb{0, 3e8}, kw{4e8, 0}, A{1, 0}, B{2, 0}, G{5, 0}, f{1, 0};
    const double Lw = 50, Lb = 100;
    struct {
        double z, attendu;
    } cas[] = {
        {Lb, 5.0},                 // left barrier: G exp(0)
        {Lb + Lw, 3.0},            // well, u = 0: A + B
        {2 * Lb + Lw, 1.0},        // right barrier at its outer face
        {0.0, 0.0},                // outside the structure
        {2 * Lb + Lw + 1, 0.0},
        {-50.0, 0.0},
    };
    for (const auto& c : cas) EXPECT_NEAR(enveloppe(c.z, kb, kw, A, B, G, f, Lw, Lb).re, c.attendu, 1e-12) << c.z;
}

TEST(Enveloppes, BarriereSansContributionQuandKbEstReel)
{
    // above the barrier edge: k_b real, no barrier term whatever G and Lb
    const complexe kb{2e8, 0}, kw{5e8, 0}, A{0.7, 0.1}, B{0.3, -0.2};
    const complexe f1 = facteur_normalisation(kb, kw, A, B, {1, 0}, 80, 100);
    const complexe f2 = facteur_normalisation(kb, kw, A, B, {9, 3}, 80, 400);
    EXPECT_EQ(f1.re, f2.re);
    EXPECT_EQ(f1.im, f2.im);
}

TEST(Recouvrements, OrthogonaliteEtNormeDesEnveloppes)
{
    for (double Lb : {300.0, 120.0}) {
        structure s(Lb);
        ajouter(s.k0.E, s.pair);
        ajouter(s.k0.E, s.impair);
        ajouter(s.k0.HH, s.pair);
        ajouter(s.k0.LH, s.impair);
        const recouvrements r = calculer_recouvrements(s.Lw, s.Lb, s.k0);
        ASSERT_EQ(r.HH.size(), 1u);
        ASSERT_EQ(r.LH.size(), 1u);
        ASSERT_EQ(r.HH[0].size(), 2u);
        // same envelope in both bands: overlap 1; opposite parities: 0
        EXPECT_NEAR(r.HH[0][0], 1.0, 2e-3) << Lb;
        EXPECT_NEAR(r.LH[0][1], 1.0, 2e-3) << Lb;
        EXPECT_NEAR(r.HH[0][1], 0.0, 1e-6) << Lb;
        EXPECT_NEAR(r.LH[0][0], 0.0, 1e-6) << Lb;
    }
}

TEST(Recouvrements, SansNiveauDeTrousTablesVides)
{
    structure s(300);
    ajouter(s.k0.E, s.pair);
    ajouter(s.k0.LH, s.pair);
    const recouvrements r = calculer_recouvrements(s.Lw, s.Lb, s.k0);
    EXPECT_TRUE(r.HH.empty());
    ASSERT_EQ(r.LH.size(), 1u);
    EXPECT_NEAR(r.LH[0][0], 1.0, 2e-3);
}

TEST(Recouvrements, TableDesEnveloppes)
{
    structure s(150);
    ajouter(s.k0.E, s.pair);
    ajouter(s.k0.HH, s.pair);
    ajouter(s.k0.HH, s.impair);
    const table_enveloppes t = calculer_enveloppes(s.Lw, s.Lb, s.k0);
    EXPECT_EQ(t.nb_E, 1);
    EXPECT_EQ(t.nb_HH, 2);
    EXPECT_EQ(t.nb_LH, 0);
    ASSERT_EQ(t.z.size(), 80u + 401);
    ASSERT_EQ(t.valeurs.size(), t.z.size());
    EXPECT_EQ(t.z.front(), -50.0);
    EXPECT_EQ(t.z.back(), 150.0 + 80 + 200);
    for (std::size_t i = 0; i < t.z.size(); ++i) {
        ASSERT_EQ(t.valeurs[i].size(), 3u);
        if (t.z[i] <= 0) {
            EXPECT_EQ(t.valeurs[i][0], 0.0); // beyond the 150 Å barrier
        }
        EXPECT_EQ(t.valeurs[i][0], t.valeurs[i][1]); // same level in both bands
    }
}

// The barriers are semi-infinite for the bound levels: widening them past
// the point where exp(κ Lb) would overflow (a 2000 Å barrier used to give NaN
// envelopes, 1e4 Å lost HH1 and HH2) changes neither the levels nor, beyond
// rounding, the envelopes and overlaps of the 980 nm example (against 1500 Å,
// just under the cap for its deepest level and wide enough that its
// shallowest one no longer feels the barrier's far end).
TEST(Recouvrements, BarrieresLargesCommeSemiInfinies)
{
    parametres_calcul p;
    lire_parametres(std::string(EXEMPLES_DIR) + "/in020ga080as_980nm/config.ini", p);
    const resultats_materiau m = modele_materiau(p.couches, p.calcul.Ninj, p.calcul.demi_largeur_lorentz);
    const double Lw = p.couches.largeur_puits;
    const auto niveaux = [&](double Lb) { return calculer_niveaux_k0({p.calcul.deltaE, Lw, Lb}, m); };
    const resultats_k0 ref = niveaux(1500);
    const table_enveloppes t_ref = calculer_enveloppes(Lw, 1500, ref);
    const recouvrements r_ref = calculer_recouvrements(Lw, 1500, ref);
    ASSERT_EQ(ref.HH.nb(), 3);
    for (const double Lb : {2000.0, 1e4, 1e6}) {
        SCOPED_TRACE(Lb);
        const resultats_k0 k0 = niveaux(Lb);
        EXPECT_EQ(k0.E.niveaux, ref.E.niveaux);
        EXPECT_EQ(k0.HH.niveaux, ref.HH.niveaux);
        EXPECT_EQ(k0.LH.niveaux, ref.LH.niveaux);
        const table_enveloppes t = calculer_enveloppes(Lw, Lb, k0);
        ASSERT_EQ(t.valeurs.size(), t_ref.valeurs.size());
        for (std::size_t i = 0; i < t.valeurs.size(); ++i)
            for (std::size_t n = 0; n < t.valeurs[i].size(); ++n)
                ASSERT_NEAR(t.valeurs[i][n], t_ref.valeurs[i][n], 1e-12) << "z = " << t.z[i] << ", niveau " << n;
        const recouvrements r = calculer_recouvrements(Lw, Lb, k0);
        for (std::size_t h = 0; h < r.HH.size(); ++h)
            for (std::size_t n = 0; n < r.HH[h].size(); ++n) EXPECT_NEAR(r.HH[h][n], r_ref.HH[h][n], 1e-12);
    }
}
