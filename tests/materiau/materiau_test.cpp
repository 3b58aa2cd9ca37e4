#include "materiau/materiau.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "configuration/arret.hpp"

namespace {

// End members with values distinct enough that a swapped member, a wrong
// weight or a wrong sign shows up in the results.
parametres_couches materiaux_test()
{
    parametres_couches p;
    p.T = 300;
    p.ratio_x = 0.8;
    p.ratio_y = 0.3;
    p.K_delta_Ec = 0.62;
    p.largeur_puits = 100;
    // X
    p.X.mc = 0.067, p.X.gamma1 = 6.98, p.X.gamma2 = 2.06, p.X.gamma3 = 2.9, p.X.Eg_0K = 1.519,
    p.X.alpha_Eg = 5.405e-4, p.X.beta_Eg = 204, p.X.a = 5.65325, p.X.aH = -8.33, p.X.bS = -2.0, p.X.C11 = 1221,
    p.X.C12 = 566, p.X.Ep = 28.8, p.X.nr = 3.5;
    // Y
    p.Y.mc = 0.15, p.Y.gamma1 = 3.76, p.Y.gamma2 = 0.82, p.Y.gamma3 = 0.15, p.Y.Eg_0K = 3.099,
    p.Y.alpha_Eg = 8.85e-4, p.Y.beta_Eg = 530, p.Y.a = 5.6611;
    // Z
    p.Z.mc = 0.026, p.Z.gamma1 = 20.0, p.Z.gamma2 = 8.5, p.Z.gamma3 = 9.2, p.Z.Eg_0K = 0.417,
    p.Z.alpha_Eg = 2.76e-4, p.Z.beta_Eg = 93, p.Z.a = 6.0583, p.Z.aH = -6.08, p.Z.bS = -1.8,
    p.Z.C11 = 832.9, p.Z.C12 = 452.6, p.Z.Ep = 21.5, p.Z.nr = 3.7;
    p.bowing_Eg_puits = 0.477, p.bowing_Eg_x_puits = 0.1, p.bowing_Eg_barriere = 0.2, p.bowing_Eg_x_barriere = 0.3;
    return p;
}

double varshni(double Eg0, double a, double b, double T) { return Eg0 - (a * T * T) / (b + T); }

TEST(ModeleMateriau, CompositionsExtremesDonnentLesMembresPurs)
{
    parametres_couches p = materiaux_test();
    p.ratio_x = 1;
    p.ratio_y = 0;
    resultats_materiau m = modele_materiau(p, 1e18, 1e-13);
    const double Eg_X = varshni(p.X.Eg_0K, p.X.alpha_Eg, p.X.beta_Eg, p.T);
    EXPECT_DOUBLE_EQ(m.Eg_Puits, Eg_X);
    EXPECT_DOUBLE_EQ(m.Eg_Barriere, Eg_X);
    EXPECT_EQ(m.Vc, 0.0);
    EXPECT_EQ(m.Vv, 0.0);
    EXPECT_EQ(m.puits.mc, p.X.mc);
    EXPECT_EQ(m.puits.gamma2, p.X.gamma2);
    EXPECT_EQ(m.puits.nr, p.X.nr);
    EXPECT_EQ(m.barriere.mc, p.X.mc);
    EXPECT_EQ(m.barriere.gamma1, p.X.gamma1);
    EXPECT_EQ(m.epsilon, 0.0);

    p.ratio_x = 0;
    p.ratio_y = 1;
    m = modele_materiau(p, 1e18, 1e-13);
    EXPECT_DOUBLE_EQ(m.Eg_Puits, varshni(p.Z.Eg_0K, p.Z.alpha_Eg, p.Z.beta_Eg, p.T));
    EXPECT_DOUBLE_EQ(m.Eg_Barriere, varshni(p.Y.Eg_0K, p.Y.alpha_Eg, p.Y.beta_Eg, p.T));
    EXPECT_EQ(m.puits.mc, p.Z.mc);
    EXPECT_EQ(m.puits.gamma3, p.Z.gamma3);
    EXPECT_EQ(m.puits.Ep, p.Z.Ep);
    EXPECT_EQ(m.puits.aH, p.Z.aH);
    EXPECT_EQ(m.barriere.mc, p.Y.mc);
    EXPECT_EQ(m.barriere.gamma2, p.Y.gamma2);
    EXPECT_EQ(m.barriere.gamma3, p.Y.gamma3);
}

TEST(ModeleMateriau, ZeroKelvinDonneLesGapsA0K)
{
    parametres_couches p = materiaux_test();
    p.T = 0;
    p.bowing_Eg_puits = p.bowing_Eg_x_puits = p.bowing_Eg_barriere = p.bowing_Eg_x_barriere = 0;
    p.ratio_x = 0.25;
    p.ratio_y = 0.5;
    const resultats_materiau m = modele_materiau(p, 1e18, 1e-13);
    EXPECT_DOUBLE_EQ(m.Eg_Puits, 0.25 * p.X.Eg_0K + 0.75 * p.Z.Eg_0K);
    EXPECT_DOUBLE_EQ(m.Eg_Barriere, 0.5 * p.Y.Eg_0K + 0.5 * p.X.Eg_0K);
}

// The x-bowing term is weighted by the fraction of the second member.
TEST(ModeleMateriau, PoidsDesCourbures)
{
    parametres_couches p = materiaux_test();
    p.T = 0;
    p.ratio_x = 0.25;
    p.ratio_y = 0.4;
    p.bowing_Eg_puits = 0.5, p.bowing_Eg_x_puits = 1.0;
    p.bowing_Eg_barriere = 0.2, p.bowing_Eg_x_barriere = 2.0;
    const resultats_materiau m = modele_materiau(p, 1e18, 1e-13);
    EXPECT_NEAR(m.Eg_Puits, 0.25 * p.X.Eg_0K + 0.75 * p.Z.Eg_0K - 0.25 * 0.75 * (1.0 * 0.75 + 0.5), 1e-14);
    EXPECT_NEAR(m.Eg_Barriere, 0.4 * p.Y.Eg_0K + 0.6 * p.X.Eg_0K - 0.4 * 0.6 * (2.0 * 0.6 + 0.2), 1e-14);
}

TEST(ModeleMateriau, PartageDesDecalages)
{
    parametres_couches p = materiaux_test();
    p.T = 0;
    p.ratio_x = 1;
    p.ratio_y = 1;
    p.X.Eg_0K = 1.0;
    p.Y.Eg_0K = 1.5;
    p.K_delta_Ec = 0.6;
    const resultats_materiau m = modele_materiau(p, 1e18, 1e-13);
    EXPECT_NEAR(m.Vc, 300.0, 1e-9);
    EXPECT_NEAR(m.Vv, 200.0, 1e-9);
    EXPECT_NEAR(m.Vc + m.Vv, 1000 * (m.Eg_Barriere - m.Eg_Puits), 1e-9);
}

// Well lattice constant larger than the barrier's: compressive, epsilon < 0,
// the conduction edge rises (aH < 0 gives dEc_hydro > 0 for epsilon < 0).
TEST(ModeleMateriau, ContrainteEtDecalages)
{
    parametres_couches p = materiaux_test();
    p.ratio_x = 0.8;
    p.ratio_y = 0;
    const resultats_materiau m = modele_materiau(p, 1e18, 1e-13);
    const double a_puits = 0.8 * p.X.a + 0.2 * p.Z.a;
    const double C11 = 0.8 * p.X.C11 + 0.2 * p.Z.C11, C12 = 0.8 * p.X.C12 + 0.2 * p.Z.C12;
    const double aH = 0.8 * p.X.aH + 0.2 * p.Z.aH, bS = 0.8 * p.X.bS + 0.2 * p.Z.bS;
    const double eps = (p.X.a - a_puits) / p.X.a;
    EXPECT_LT(m.epsilon, 0.0);
    EXPECT_NEAR(m.epsilon, eps, 1e-15);
    EXPECT_NEAR(m.rapport_C12_C11, C12 / C11, 1e-15);
    EXPECT_NEAR(m.dE_hydro, -2 * (1 - C12 / C11) * aH * eps * 1000, 1e-9);
    EXPECT_NEAR(m.dE_cisaillement, -(1 + 2 * C12 / C11) * bS * eps * 1000, 1e-9);
    // In0.2Ga0.8As on GaAs (the members above): the textbook shear term of biaxial
    // strain, -(1 + 2 C12/C11) b epsilon, is -54.78 meV (the HH-LH splitting twice it).
    EXPECT_NEAR(m.dE_cisaillement, -54.779, 1e-3);
    EXPECT_GT(m.dEc_hydro, 0.0);
    EXPECT_NEAR(m.dEc_hydro, -2.0 / 3.0 * m.dE_hydro, 1e-9);

    p.Z.a = p.X.a;
    p.Y.a = p.X.a;
    p.ratio_y = 0.3;
    const resultats_materiau sans = modele_materiau(p, 1e18, 1e-13);
    EXPECT_EQ(sans.epsilon, 0.0);
    EXPECT_EQ(sans.dE_hydro, 0.0);
    EXPECT_EQ(sans.dE_cisaillement, 0.0);
    EXPECT_EQ(sans.dEc_hydro, 0.0);
}

TEST(ModeleMateriau, DensiteSurfaciqueGamma3BarriereLorentz)
{
    parametres_couches p = materiaux_test();
    p.ratio_y = 0.3;
    const resultats_materiau m = modele_materiau(p, 1e18, 1e-13);
    EXPECT_NEAR(m.Ninj_surf, 1e16, 1e16 * 1e-14);
    EXPECT_NEAR(m.barriere.gamma3, 2.075, 1e-14); // gamma3_y = 0.15, gamma3_x = 2.9
    EXPECT_NEAR(m.largeur_lorentz_carre, 1.05458e-21 * 1.05458e-21, 1e-55);
}

struct cas_non_fini {
    const char* nom;
    void (*modifier)(parametres_couches&);
    const char* quantite;
    const char* cle;
};

TEST(ModeleMateriau, ResultatNonFiniArreteLeCalcul)
{
    const cas_non_fini cas[] = {
        {"beta_Eg_x = -T", [](parametres_couches& p) { p.X.beta_Eg = -p.T; }, "Eg_Puits", "beta_Eg_x"},
        {"beta_Eg_1-x = -T", [](parametres_couches& p) { p.Z.beta_Eg = -p.T; }, "Eg_Puits", "beta_Eg_1-x"},
        {"beta_Eg_y = -T", [](parametres_couches& p) { p.Y.beta_Eg = -p.T; }, "Eg_Barriere", "beta_Eg_y"},
        {"C11 du puits nul", [](parametres_couches& p) { p.X.C11 = p.Z.C11 = 0; }, "dEc_hydro", "C11_x"},
        {"a de la barriere nul", [](parametres_couches& p) { p.Y.a = 0, p.ratio_y = 1; }, "dEc_hydro", "a_y"},
    };
    for (const auto& c : cas) {
        parametres_couches p = materiaux_test();
        c.modifier(p);
        try {
            modele_materiau(p, 1e18, 1e-13);
            ADD_FAILURE() << c.nom << " : pas d'arret";
        } catch (const arret_calcul& a) {
            EXPECT_NE(a.message.find(c.quantite), std::string::npos) << c.nom << " : " << a.message;
            EXPECT_NE(a.message.find(c.cle), std::string::npos) << c.nom << " : " << a.message;
            EXPECT_EQ(a.message.back(), '\n');
        }
    }
}

} // namespace
