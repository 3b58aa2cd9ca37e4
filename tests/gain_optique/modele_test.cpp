// The departures of [modele] in the spectra: the line shapes, the whole-band
// radiative current, the rows at their computed wave vector, the gap shrinkage.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gain_optique/banc_spectres.hpp"
#include "gain_optique/fermi.hpp"
#include "gain_optique/spectres.hpp"

namespace {

constexpr double q = 1.60218e-19;
constexpr double meV = q / 1000;
const forme_raie formes[] = {forme_raie::lorentz, forme_raie::sech, forme_raie::gauss};

TEST(FormeDeRaie, AireUnLargeurAMiHauteurCommune)
{
    const double Gamma = 6.6 * meV;
    for (forme_raie f : formes) {
        SCOPED_TRACE(static_cast<int>(f));
        // Trapezoid over +-4000 Gamma: the Lorentzian's tails beyond hold 2/(pi 4000).
        const int n = 800000;
        const double h = 8000 * Gamma / n;
        double aire = 0;
        for (int i = 0; i <= n; ++i) {
            const double x = -4000 * Gamma + i * h;
            aire += (i == 0 || i == n ? 0.5 : 1.0) * forme_de_raie(f, x, Gamma) * h;
        }
        EXPECT_NEAR(aire, 1.0, f == forme_raie::lorentz ? 2e-4 : 1e-9);
        EXPECT_NEAR(forme_de_raie(f, Gamma, Gamma) / forme_de_raie(f, 0, Gamma), 0.5, 1e-12);
        EXPECT_NEAR(forme_de_raie(f, -Gamma, Gamma) / forme_de_raie(f, 0, Gamma), 0.5, 1e-12);
    }
    // The tails: 80 meV (12 half widths) below a transition only the
    // Lorentzian keeps a weight that matters.
    EXPECT_GT(forme_de_raie(forme_raie::lorentz, 12 * Gamma, Gamma) / forme_de_raie(forme_raie::lorentz, 0, Gamma), 6e-3);
    EXPECT_LT(forme_de_raie(forme_raie::sech, 12 * Gamma, Gamma) / forme_de_raie(forme_raie::sech, 0, Gamma), 1e-6);
    EXPECT_LT(forme_de_raie(forme_raie::gauss, 12 * Gamma, Gamma) / forme_de_raie(forme_raie::gauss, 0, Gamma), 1e-40);
}

// The bench of the spectra on a finer kx grid.
struct banc : ::banc {
    banc() : ::banc({0, 1}, 1, 1, 200) {}
};

// The whole-band radiative current is the photon-energy integral of the
// printed emission once the window holds the whole band: q^2 Lw 1e-11 times
// the integral over E in meV, as the threshold step sums it.
TEST(EmissionComplete, EgaleLIntegraleDeLaFenetreQuandElleCouvreLaBande)
{
    for (forme_raie f : {forme_raie::sech, forme_raie::gauss}) {
        SCOPED_TRACE(static_cast<int>(f));
        banc b;
        b.p.modele.present = true;
        b.p.modele.emission_complete = 1;
        b.p.modele.raie = f;
        b.p.calcul.debut_E = 900;
        b.p.calcul.fin_E = 1900;
        spectres s;
        b.calculer(30, 20, s);
        double integrale = 0;
        for (std::size_t i = 0; i + 1 < 1001; ++i) integrale += 0.5 * (s.rsp[i] + s.rsp[i + 1]);
        const double Jrad_fenetre = integrale * q * q * b.p.couches.largeur_puits * 1e-11;
        ASSERT_GT(Jrad_fenetre, 1.0);
        EXPECT_NEAR(s.Jrad_bande / Jrad_fenetre, 1.0, 1e-5);

        // A narrow window misses most of it; the whole-band value does not move.
        banc etroit = b;
        etroit.p.calcul.debut_E = 1040;
        etroit.p.calcul.fin_E = 1060;
        spectres s2;
        etroit.calculer(30, 20, s2);
        EXPECT_DOUBLE_EQ(s2.Jrad_bande, s.Jrad_bande);
    }
}

TEST(KAligne, RangeesOuLaDispersionLesACalculees)
{
    const double dk = 1.5e7;
    EXPECT_EQ(k_ligne(dk, false, 3, false), 3 * 1.5e7);
    EXPECT_EQ(k_ligne(dk, true, 0, false), 0.0);
    EXPECT_EQ(k_ligne(dk, true, 1, false), 1e6);
    EXPECT_EQ(k_ligne(dk, true, 3, false), 1e6 + 2 * 1.5e7);
    // diagonal: the modulus of (1e6 + 2 dk, 3 dk) over sqrt 2
    EXPECT_NEAR(k_ligne(dk, true, 3, true), std::hypot(3.1e7, 4.5e7) / std::sqrt(2.0), 1e-6);
}

// The shrinkage moves every transition, hence the gain peak, by the same
// energy: coefficient N^(1/3) with N in cm^-3.
TEST(Renormalisation, DecaleLeSpectreDeCoefficientFoisRacineCubiqueDeN)
{
    banc b;
    b.p.calcul.debut_E = 950;
    b.p.calcul.fin_E = 1150;
    const double N_cm3 = 8e18, N = N_cm3 * 1e6 * b.p.couches.largeur_puits * 1e-10; // cm^-3 -> m^-2
    b.p.modele.renormalisation_gap = 2.5e-8; // 2.5e-8 * 2e6 = 50 meV
    EXPECT_NEAR(retrecissement_gap(b.p.modele.renormalisation_gap, b.p.couches.largeur_puits, N), 50.0, 1e-9);
    spectres avant, apres;
    b.calculer(30, 20, avant, 0.0);
    b.calculer(30, 20, apres, N);
    EXPECT_NEAR(avant.energie_gmax - apres.energie_gmax, 50.0, 1.0);
    // the same peak, scaled by the 1/E of the gain prefactor only
    EXPECT_NEAR(apres.Gmax / avant.Gmax, avant.energie_gmax / apres.energie_gmax, 2e-3);
}

// melange_k in the spectra: weights that do not change with k, those of the
// zone-centre overlaps, give the spectra of the zone-centre weights; and every
// branch found is taken, where the walk by zone-centre level leaves a third
// branch out.
TEST(MelangeKSpectres, PoidsConstantsEgauxAuxRecouvrementsDuCentreDeZone)
{
    for (bool complete : {false, true}) {
        SCOPED_TRACE(complete);
        banc b;
        b.p.calcul.debut_E = 950;
        b.p.calcul.fin_E = 1150;
        b.p.modele.raie = forme_raie::sech;
        b.p.modele.emission_complete = complete;
        poids_melange w;
        w.nb_E = 1;
        w.nb_branches = 2;
        w.Nk = b.p.calcul.Nk;
        const std::size_t n = 2 * static_cast<std::size_t>(w.Nk + 1);
        w.te.assign(n, 0.0);
        w.tm.assign(n, 0.0);
        w.sp.assign(n, 0.0);
        for (int m = 0; m <= w.Nk; ++m) {
            w.te[w.indice(0, 0, m)] = 0.75 * 0.81; // HH, O = 0.9
            w.sp[w.indice(0, 0, m)] = 0.5 * 0.81;
            w.te[w.indice(0, 1, m)] = 0.25 * 0.64; // LH, O = 0.8
            w.tm[w.indice(0, 1, m)] = 0.64;
            w.sp[w.indice(0, 1, m)] = 0.5 * 0.64;
        }
        spectres zc, mk;
        b.calculer(30, 20, zc);
        calculer_spectres(30, 20, 0, {b.m, b.k0, b.d, b.r, &w}, b.reglages(), mk);
        ASSERT_EQ(zc.lignes.size(), mk.lignes.size());
        for (std::size_t i = 0; i < zc.lignes.size(); ++i) {
            EXPECT_NEAR(mk.lignes[i].gain_te, zc.lignes[i].gain_te, 1e-12 * std::fabs(zc.lignes[i].gain_te) + 1e-300);
            EXPECT_NEAR(mk.lignes[i].gain_tm, zc.lignes[i].gain_tm, 1e-12 * std::fabs(zc.lignes[i].gain_tm) + 1e-300);
            EXPECT_NEAR(mk.lignes[i].rsp, zc.lignes[i].rsp, 1e-12 * zc.lignes[i].rsp);
        }
        EXPECT_NEAR(mk.Jrad_bande, zc.Jrad_bande, 1e-12 * zc.Jrad_bande + 1e-300);
        EXPECT_NEAR(mk.Gmax, zc.Gmax, 1e-12 * zc.Gmax);
        EXPECT_GT(zc.Gmax, 0.0);
    }
    // Three branches for one HH and one LH level: the walk leaves the third
    // out, melange_k takes it with its own weights.
    ::banc b3({0, 1, 0}, 1, 1);
    b3.p.calcul.debut_E = 950;
    b3.p.calcul.fin_E = 1150;
    b3.p.modele.raie = forme_raie::gauss; // no tail 40 meV below a transition
    poids_melange w3;
    w3.nb_E = 1;
    w3.nb_branches = 3;
    w3.Nk = b3.p.calcul.Nk;
    w3.te.assign(3 * static_cast<std::size_t>(w3.Nk + 1), 0.0);
    w3.tm = w3.sp = w3.te;
    for (int m = 0; m <= w3.Nk; ++m) w3.te[w3.indice(0, 2, m)] = 0.5;
    spectres walk, seul;
    b3.calculer(30, 80, walk);
    calculer_spectres(30, 80, 0, {b3.m, b3.k0, b3.d, b3.r, &w3}, b3.reglages(), seul);
    EXPECT_GT(seul.Gmax, 0.0); // the third branch alone, 50 meV deep, inverted at EFV = 80 meV
    // its transitions start at 1050 meV, 40 meV above those of the first branch
    EXPECT_LT(std::fabs(seul.gain_te[60]), 1e-6 * seul.Gmax / b3.p.cavite.facteur_confinement);
    EXPECT_GT(walk.gain_te[60], 0.1 * walk.Gmax / b3.p.cavite.facteur_confinement);
    EXPECT_EQ(seul.gain_tm[100], 0.0);
}

} // namespace
