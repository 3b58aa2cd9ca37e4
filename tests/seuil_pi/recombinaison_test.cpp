// Non-radiative current of [modele] (A N + C N^3) against its formula, and
// the parts of Jth interpolated to threshold.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "seuil_pi/seuil.hpp"

namespace {

constexpr double q = 1.60218e-19;

TEST(Recombinaison, JnrContreLaFormule)
{
    struct cas {
        bool abc;
        double A, C, tau, Lw_A, N_cm3;
    };
    const cas table[] = {
        {false, 0, 0, 1e-9, 75, 2e18},   // q Lw N / tau
        {true, 1e8, 0, 1e-9, 75, 2e18},  // defects only; tau_nr no longer counts
        {true, 0, 3e-30, 1e-9, 100, 3e18},
        {true, 2e7, 7e-29, 1e-9, 60, 1.5e18},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(std::to_string(c.A) + " " + std::to_string(c.C));
        options_modele m;
        m.recombinaison_abc = c.abc;
        m.A_srh = c.A;
        m.C_auger = c.C;
        const double Lw_cm = c.Lw_A * 1e-8, N = c.N_cm3 * 1e6 * c.Lw_A * 1e-10; // cm^-3 -> m^-2
        const double A_attendu = c.abc ? q * Lw_cm * c.A * c.N_cm3 : q * Lw_cm * c.N_cm3 / c.tau;
        const double C_attendu = c.abc ? q * Lw_cm * c.C * std::pow(c.N_cm3, 3) : 0.0;
        const courants J = courant_non_radiatif(m, c.tau, c.Lw_A, N);
        EXPECT_NEAR(J.defauts, A_attendu, 1e-9 * (A_attendu + 1));
        EXPECT_NEAR(J.auger, C_attendu, 1e-9 * (C_attendu + 1));
        EXPECT_DOUBLE_EQ(J.total, J.defauts + J.auger);
        EXPECT_EQ(J.radiatif, 0.0);
    }
}

// Two passes across threshold: the parts, interpolated as Jth is, add up to it.
TEST(Recombinaison, PartsDuSeuilEtCourantAuxBornes)
{
    parametres_calcul p;
    p.cavite.Rmin = p.cavite.Rmax = 0.3;
    p.cavite.longueur_puce = 0.05;
    p.cavite.pertes_internes = 10;
    p.cavite.facteur_confinement = 0.01;
    p.bragg.Rbragg = 0;
    p.bragg.lambda = 1550;
    p.bragg.longueur_fibre = 1;
    p.calcul.arret_seuil = 1;
    p.calcul.debut_E = 700;
    p.calcul.fin_E = 900;
    p.couches.largeur_puits = 80;
    p.modele.present = p.modele.recombinaison_abc = true;
    p.modele.A_srh = 1e8;
    p.modele.C_auger = 5e-29;
    std::vector<double> gain(400, 0.0), rsp(400, 1e28);
    etat_seuil etat;
    const reglages_seuil r{p.cavite, p.bragg, p.calcul, p.modele, p.couches.largeur_puits};
    const double N0 = 2e18 * 1e6 * 80e-10, N1 = 3e18 * 1e6 * 80e-10; // m^-2
    calculer_seuil(0, 2, N0, {gain, rsp, p.cavite.facteur_confinement, 20, 850, true}, r, etat);
    rsp.assign(400, 2e28);
    const ligne_seuil l = calculer_seuil(1, 2, N1, {gain, rsp, p.cavite.facteur_confinement, 60, 850, true}, r, etat);
    ASSERT_TRUE(etat.seuil_atteint);
    EXPECT_EQ(l.Jth, etat.Jth.total);
    EXPECT_NEAR(etat.Jth.radiatif + etat.Jth.defauts + etat.Jth.auger, etat.Jth.total, 1e-9 * etat.Jth.total);
    EXPECT_GT(etat.Jth.auger, 0.0);
}

} // namespace
