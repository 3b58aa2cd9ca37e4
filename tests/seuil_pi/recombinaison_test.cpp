// Non-radiative current of [modele] (A N + C N^3) against its formula, and
// the parts of Jth in the closing summary.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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
        parametres_calcul p;
        p.couches.largeur_puits = c.Lw_A;
        p.cavite.tau_nr = c.tau;
        p.modele.recombinaison_abc = c.abc;
        p.modele.A_srh = c.A;
        p.modele.C_auger = c.C;
        const double Lw_cm = c.Lw_A * 1e-8, N = c.N_cm3 * 1e6 * c.Lw_A * 1e-10; // cm^-3 -> m^-2
        const double A_attendu = c.abc ? q * Lw_cm * c.A * c.N_cm3 : q * Lw_cm * c.N_cm3 / c.tau;
        const double C_attendu = c.abc ? q * Lw_cm * c.C * std::pow(c.N_cm3, 3) : 0.0;
        double JA = -1, JC = -1;
        const double Jnr = courant_non_radiatif(p, N, JA, JC);
        EXPECT_NEAR(JA, A_attendu, 1e-9 * (A_attendu + 1));
        EXPECT_NEAR(JC, C_attendu, 1e-9 * (C_attendu + 1));
        EXPECT_DOUBLE_EQ(Jnr, JA + JC);
    }
}

// Two passes across threshold: the parts, interpolated as Jth is, add up to
// it, and the summary gives them with Jth / eta_interne.
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
    p.cavite.eta_interne = 0.8;
    p.cavite.largeur_contact = 1e-2;
    p.modele.present = p.modele.recombinaison_abc = true;
    p.modele.A_srh = 1e8;
    p.modele.C_auger = 5e-29;
    std::vector<double> gain(400, 0.0), rsp(400, 1e28);
    etat_seuil etat;
    std::FILE* f = std::tmpfile();
    testing::internal::CaptureStdout();
    const double N0 = 2e18 * 1e6 * 80e-10, N1 = 3e18 * 1e6 * 80e-10; // m^-2
    calculer_seuil(0, 2, N0, {gain, rsp, p.cavite.facteur_confinement, 20, 850, true}, p, f, etat);
    rsp.assign(400, 2e28);
    calculer_seuil(1, 2, N1, {gain, rsp, p.cavite.facteur_confinement, 60, 850, true}, p, f, etat);
    afficher_resume_seuil(p, etat, 0.5);
    const std::string console = testing::internal::GetCapturedStdout();
    std::fclose(f);
    ASSERT_TRUE(etat.seuil_atteint);
    EXPECT_NEAR(etat.Jrad_seuil + etat.JA_seuil + etat.JC_seuil, etat.Jth_seuil, 1e-9 * etat.Jth_seuil);
    EXPECT_GT(etat.JC_seuil, 0.0);
    char attendu[100];
    std::snprintf(attendu, sizeof attendu, "Jth/eta_interne : %f A/cm²", etat.Jth_seuil / 0.8);
    EXPECT_NE(console.find(attendu), std::string::npos) << console;
    EXPECT_NE(console.find("parts de Jth : radiative"), std::string::npos) << console;
}

} // namespace
