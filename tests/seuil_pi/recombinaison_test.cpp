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

// With the barrier continuum: the well's Auger term on the carriers it keeps,
// C (n^2 p + n p^2)/2; the defects on every injected carrier; the barriers'
// radiative current joins Jrad and has its own part of Jth, and what they hold
// is interpolated to threshold with the currents.
TEST(Recombinaison, ContinuumDesBarrieres)
{
    options_modele m;
    m.recombinaison_abc = true;
    m.A_srh = 1e8;
    m.C_auger = 7e-30;
    const double Lw = 100, N = 2e18 * 1e6 * 100e-10;
    const courants seul = courant_non_radiatif(m, 1e-9, Lw, N);
    const courants egal = courant_non_radiatif_puits(m, 1e-9, Lw, N, N, N);
    EXPECT_NEAR(egal.auger / seul.auger, 1.0, 1e-15);
    EXPECT_EQ(egal.defauts, seul.defauts);
    const courants partage = courant_non_radiatif_puits(m, 1e-9, Lw, N, 0.7 * N, 0.9 * N);
    EXPECT_EQ(partage.defauts, seul.defauts);
    EXPECT_NEAR(partage.auger / seul.auger, (0.49 * 0.9 + 0.7 * 0.81) / 2, 1e-14);
    EXPECT_DOUBLE_EQ(partage.total, partage.defauts + partage.auger);
    // N / tau_nr, without A and C: every carrier, as without the continuum
    options_modele tau;
    EXPECT_EQ(courant_non_radiatif_puits(tau, 1e-9, Lw, N, 0.5 * N, 0.5 * N).total,
              courant_non_radiatif(tau, 1e-9, Lw, N).total);

    parametres_calcul p;
    p.cavite.Rmin = p.cavite.Rmax = 0.3;
    p.cavite.longueur_puce = 0.05;
    p.cavite.pertes_internes = 10;
    p.cavite.facteur_confinement = 0.01;
    p.bragg.lambda = 1550;
    p.calcul.arret_seuil = 1;
    p.calcul.debut_E = 700;
    p.calcul.fin_E = 900;
    p.couches.largeur_puits = Lw;
    p.modele.present = p.modele.recombinaison_abc = true;
    p.modele.A_srh = 1e8;
    p.modele.C_auger = 7e-30;
    p.modele.continuum = 1;
    std::vector<double> gain(400, 0.0), rsp(400, 1e46); // Jrad of the well 51 A/cm^2
    etat_seuil etat;
    const reglages_seuil r{p.cavite, p.bragg, p.calcul, p.modele, Lw};
    const double N0 = 2e18 * 1e6 * 100e-10, N1 = 3e18 * 1e6 * 100e-10;
    const barrieres_passe b0{0.2 * N0, 0.1 * N0, 3.0}, b1{0.3 * N1, 0.15 * N1, 5.0};
    const ligne_seuil l0 = calculer_seuil(0, 2, N0, {gain, rsp, 0.01, 20, 850, true}, r, etat, &b0);
    const double Jrad_puits = l0.Jrad - 3.0;
    EXPECT_GT(Jrad_puits, 0.0);
    EXPECT_NEAR(l0.Jth, l0.Jnr + l0.Jrad, 1e-12 * l0.Jth);
    // Gmax 20 then 60 cm^-1 against 10 + ln(1/0.09)/0.1 = 34.08: threshold at
    // t = 0.352 of the way from N0 to N1.
    const ligne_seuil l1 = calculer_seuil(1, 2, N1, {gain, rsp, 0.01, 60, 850, true}, r, etat, &b1);
    ASSERT_TRUE(etat.seuil_atteint);
    const double t = (etat.Nth - N0) / (N1 - N0);
    EXPECT_GT(t, 0.3);
    EXPECT_LT(t, 0.4);
    EXPECT_NEAR(etat.Jth.barrieres, 3.0 + 2.0 * t, 1e-9);
    EXPECT_NEAR(etat.barrieres_seuil.n, b0.n + (b1.n - b0.n) * t, 1e-9 * b1.n);
    EXPECT_NEAR(etat.barrieres_seuil.p, b0.p + (b1.p - b0.p) * t, 1e-9 * b1.p);
    EXPECT_NEAR(etat.Jth.radiatif + etat.Jth.defauts + etat.Jth.auger + etat.Jth.barrieres, etat.Jth.total,
                1e-9 * etat.Jth.total);
    EXPECT_EQ(l1.Jth, etat.Jth.total);
}

} // namespace
