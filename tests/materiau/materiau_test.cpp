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
    p.mc_x = 0.067, p.gamma1_x = 6.98, p.gamma2_x = 2.06, p.gamma3_x = 2.9, p.Eg_0K_x = 1.519,
    p.alpha_Eg_x = 5.405e-4, p.beta_Eg_x = 204, p.a_x = 5.65325, p.aH_x = -8.33, p.bS_x = -2.0, p.C11_x = 1221,
    p.C12_x = 566, p.Ep_x = 28.8, p.nr_x = 3.5;
    // Y
    p.mc_y = 0.15, p.gamma1_y = 3.76, p.gamma2_y = 0.82, p.gamma3_y = 0.15, p.Eg_0K_y = 3.099,
    p.alpha_Eg_y = 8.85e-4, p.beta_Eg_y = 530, p.a_y = 5.6611;
    // Z
    p.mc_1_x = 0.026, p.gamma1_1_x = 20.0, p.gamma2_1_x = 8.5, p.gamma3_1_x = 9.2, p.Eg_0K_1_x = 0.417,
    p.alpha_Eg_1_x = 2.76e-4, p.beta_Eg_1_x = 93, p.a_1_x = 6.0583, p.aH_1_x = -6.08, p.bS_1_x = -1.8,
    p.C11_1_x = 832.9, p.C12_1_x = 452.6, p.Ep_1_x = 21.5, p.nr_1_x = 3.7;
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
    const double Eg_X = varshni(p.Eg_0K_x, p.alpha_Eg_x, p.beta_Eg_x, p.T);
    EXPECT_DOUBLE_EQ(m.Eg_Puits, Eg_X);
    EXPECT_DOUBLE_EQ(m.Eg_Barriere, Eg_X);
    EXPECT_EQ(m.Vc, 0.0);
    EXPECT_EQ(m.Vv, 0.0);
    EXPECT_EQ(m.mc_puits, p.mc_x);
    EXPECT_EQ(m.gamma2_puits, p.gamma2_x);
    EXPECT_EQ(m.nr_puits, p.nr_x);
    EXPECT_EQ(m.mc_barriere, p.mc_x);
    EXPECT_EQ(m.gamma1_barriere, p.gamma1_x);
    EXPECT_EQ(m.epsilon, 0.0);

    p.ratio_x = 0;
    p.ratio_y = 1;
    m = modele_materiau(p, 1e18, 1e-13);
    EXPECT_DOUBLE_EQ(m.Eg_Puits, varshni(p.Eg_0K_1_x, p.alpha_Eg_1_x, p.beta_Eg_1_x, p.T));
    EXPECT_DOUBLE_EQ(m.Eg_Barriere, varshni(p.Eg_0K_y, p.alpha_Eg_y, p.beta_Eg_y, p.T));
    EXPECT_EQ(m.mc_puits, p.mc_1_x);
    EXPECT_EQ(m.gamma3_puits, p.gamma3_1_x);
    EXPECT_EQ(m.Ep_puits, p.Ep_1_x);
    EXPECT_EQ(m.aH_puits, p.aH_1_x);
    EXPECT_EQ(m.mc_barriere, p.mc_y);
    EXPECT_EQ(m.gamma2_barriere, p.gamma2_y);
    EXPECT_EQ(m.gamma3_barriere, p.gamma3_y);
}

TEST(ModeleMateriau, ZeroKelvinDonneLesGapsA0K)
{
    parametres_couches p = materiaux_test();
    p.T = 0;
    p.bowing_Eg_puits = p.bowing_Eg_x_puits = p.bowing_Eg_barriere = p.bowing_Eg_x_barriere = 0;
    p.ratio_x = 0.25;
    p.ratio_y = 0.5;
    const resultats_materiau m = modele_materiau(p, 1e18, 1e-13);
    EXPECT_DOUBLE_EQ(m.Eg_Puits, 0.25 * p.Eg_0K_x + 0.75 * p.Eg_0K_1_x);
    EXPECT_DOUBLE_EQ(m.Eg_Barriere, 0.5 * p.Eg_0K_y + 0.5 * p.Eg_0K_x);
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
    EXPECT_NEAR(m.Eg_Puits, 0.25 * p.Eg_0K_x + 0.75 * p.Eg_0K_1_x - 0.25 * 0.75 * (1.0 * 0.75 + 0.5), 1e-14);
    EXPECT_NEAR(m.Eg_Barriere, 0.4 * p.Eg_0K_y + 0.6 * p.Eg_0K_x - 0.4 * 0.6 * (2.0 * 0.6 + 0.2), 1e-14);
}

TEST(ModeleMateriau, PartageDesDecalages)
{
    parametres_couches p = materiaux_test();
    p.T = 0;
    p.ratio_x = 1;
    p.ratio_y = 1;
    p.Eg_0K_x = 1.0;
    p.Eg_0K_y = 1.5;
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
    const double a_puits = 0.8 * p.a_x + 0.2 * p.a_1_x;
    const double C11 = 0.8 * p.C11_x + 0.2 * p.C11_1_x, C12 = 0.8 * p.C12_x + 0.2 * p.C12_1_x;
    const double aH = 0.8 * p.aH_x + 0.2 * p.aH_1_x, bS = 0.8 * p.bS_x + 0.2 * p.bS_1_x;
    const double eps = (p.a_x - a_puits) / p.a_x;
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

    p.a_1_x = p.a_x;
    p.a_y = p.a_x;
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
    EXPECT_NEAR(m.gamma3_barriere, 2.075, 1e-14); // gamma3_y = 0.15, gamma3_x = 2.9
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
        {"beta_Eg_x = -T", [](parametres_couches& p) { p.beta_Eg_x = -p.T; }, "Eg_Puits", "beta_Eg_x"},
        {"beta_Eg_1-x = -T", [](parametres_couches& p) { p.beta_Eg_1_x = -p.T; }, "Eg_Puits", "beta_Eg_1-x"},
        {"beta_Eg_y = -T", [](parametres_couches& p) { p.beta_Eg_y = -p.T; }, "Eg_Barriere", "beta_Eg_y"},
        {"C11 du puits nul", [](parametres_couches& p) { p.C11_x = p.C11_1_x = 0; }, "dEc_hydro", "C11_x"},
        {"a de la barriere nul", [](parametres_couches& p) { p.a_y = 0, p.ratio_y = 1; }, "dEc_hydro", "a_y"},
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
