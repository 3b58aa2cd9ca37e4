// The departures of [modele] in the spectra: the line shapes, the whole-band
// radiative current, the rows at their computed wave vector, the gap shrinkage.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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
        std::FILE* nul = std::tmpfile();
        calculer_spectres(30, 20, b.r, b.p, b.m, b.k0, b.d, nul, s);
        std::fclose(nul);
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
        nul = std::tmpfile();
        calculer_spectres(30, 20, etroit.r, etroit.p, etroit.m, etroit.k0, etroit.d, nul, s2);
        std::fclose(nul);
        EXPECT_DOUBLE_EQ(s2.Jrad_bande, s.Jrad_bande);
    }
}

TEST(KAligne, RangeesOuLaDispersionLesACalculees)
{
    parametres_calcul p;
    p.calcul.deltak = 1.5e7;
    EXPECT_EQ(k_ligne(p, 3, false), 3 * 1.5e7);
    p.modele.k_aligne = true;
    EXPECT_EQ(k_ligne(p, 0, false), 0.0);
    EXPECT_EQ(k_ligne(p, 1, false), 1e6);
    EXPECT_EQ(k_ligne(p, 3, false), 1e6 + 2 * 1.5e7);
    // diagonal: the modulus of (1e6 + 2 dk, 3 dk) over sqrt 2
    EXPECT_NEAR(k_ligne(p, 3, true), std::hypot(3.1e7, 4.5e7) / std::sqrt(2.0), 1e-6);
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
    EXPECT_NEAR(retrecissement_gap(b.p, N), 50.0, 1e-9);
    spectres avant, apres;
    std::FILE* nul = std::tmpfile();
    calculer_spectres(30, 20, b.r, b.p, b.m, b.k0, b.d, nul, avant, 0.0);
    calculer_spectres(30, 20, b.r, b.p, b.m, b.k0, b.d, nul, apres, N);
    std::fclose(nul);
    EXPECT_NEAR(avant.energie_gmax - apres.energie_gmax, 50.0, 1.0);
    // the same peak, scaled by the 1/E of the gain prefactor only
    EXPECT_NEAR(apres.Gmax / avant.Gmax, avant.energie_gmax / apres.energie_gmax, 2e-3);
}

} // namespace
