#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "gain_optique/banc_spectres.hpp"
#include "gain_optique/spectres.hpp"

namespace {

constexpr double q = 1.60218e-19, m0 = 9.1095e-31, hbar = 1.05458e-34, hbar2 = 1.1121389764000003e-68;

std::vector<ligne_gain> calculer(banc& b, double EFC, double EFV, spectres& s)
{
    b.calculer(EFC, EFV, s);
    return s.lignes;
}

} // namespace

TEST(Spectres, UneLigneParMeVDeDebutAFin)
{
    struct {
        double debut, fin;
        std::vector<double> energies;
    } cas[] = {
        {1040, 1042.5, {1040, 1041, 1042}},
        {1040, 1040, {1040}},
        {1040, 1039.5, {}},
    };
    for (const auto& c : cas) {
        banc b;
        b.p.calcul.debut_E = c.debut;
        b.p.calcul.fin_E = c.fin;
        spectres s;
        s.Gmax = 7; // left over from an earlier pass
        const std::vector<ligne_gain> l = calculer(b, 30, 40, s);
        ASSERT_EQ(l.size(), c.energies.size()) << c.fin;
        for (std::size_t i = 0; i < l.size(); ++i) {
            EXPECT_EQ(l[i].E, c.energies[i]);
            // the file shows the tables that the threshold step reads
            EXPECT_EQ(l[i].gain_te, s.gain_te[i]);
            EXPECT_EQ(l[i].gain_tm, s.gain_tm[i]);
            EXPECT_EQ(l[i].rsp, s.rsp[i]);
        }
        const std::size_t taille = static_cast<std::size_t>(std::max(0.0, std::trunc(c.fin - c.debut))) + 2;
        ASSERT_GE(s.gain_te.size(), taille);
        EXPECT_EQ(s.gain_te[c.energies.size()], 0.0); // one past the last point
        EXPECT_EQ(s.rsp[c.energies.size()], 0.0);
        if (c.energies.empty()) {
            EXPECT_EQ(s.Gmax, 0.0);
            EXPECT_FALSE(s.energie_gmax_definie);
        }
    }
}

TEST(Spectres, PolarisationDesTrousLegersEtLourds)
{
    banc lourds, legers;
    lourds.r.LH[0][0] = 0; // only the heavy-hole branch weighs
    legers.r.HH[0][0] = 0; // only the light-hole branch weighs
    for (banc* b : {&lourds, &legers}) {
        b->p.calcul.debut_E = 1030;
        b->p.calcul.fin_E = 1100;
    }
    spectres s_lourds, s_legers;
    const std::vector<ligne_gain> l_lourds = calculer(lourds, 30, 40, s_lourds);
    const std::vector<ligne_gain> l_legers = calculer(legers, 30, 40, s_legers);
    ASSERT_EQ(l_lourds.size(), 71u);
    for (std::size_t i = 0; i < l_lourds.size(); ++i) {
        EXPECT_EQ(s_lourds.gain_tm[i], 0.0);
        EXPECT_NE(s_lourds.gain_te[i], 0.0);
        // light holes: TE is 1/4 of TM, spontaneous emission from both kinds
        EXPECT_NEAR(s_legers.gain_te[i], 0.25 * s_legers.gain_tm[i], 1e-12 * std::fabs(s_legers.gain_tm[i]));
        EXPECT_GT(s_lourds.rsp[i], 0.0);
        EXPECT_GT(s_legers.rsp[i], 0.0);
    }
}

TEST(Spectres, TransparenceALaSeparationDesNiveauxDeFermi)
{
    // long relaxation time: narrow Lorentzian, the sign change sits at
    // 1000 Eg + EFC + EFV (hole axis)
    banc b;
    b.p.calcul.demi_largeur_lorentz = 1e-12;
    b.m.largeur_lorentz_carre = std::pow(hbar / b.p.calcul.demi_largeur_lorentz, 2.0);
    const double EFC = 30, EFV = 40, transparence = 1000 * b.m.Eg_Puits + EFC + EFV;
    b.p.calcul.debut_E = transparence - 15;
    b.p.calcul.fin_E = transparence + 15;
    spectres s;
    const std::vector<ligne_gain> l = calculer(b, EFC, EFV, s);
    ASSERT_EQ(l.size(), 31u);
    for (const ligne_gain& x : l) {
        EXPECT_TRUE(x.E > transparence - 4 || x.gain_te > 0.0) << x.E;
        EXPECT_TRUE(x.E < transparence + 4 || x.gain_te < 0.0) << x.E;
    }
    // gain peak inside the inverted range, recorded with its energy
    EXPECT_TRUE(s.energie_gmax_definie);
    EXPECT_LT(s.energie_gmax, transparence);
    EXPECT_GT(s.Gmax, 0.0);
}

TEST(Spectres, MaximumDuGainModal)
{
    // no inversion: absorption grows with photon energy, the maximum stays at debut_E
    banc b;
    b.p.calcul.debut_E = 1040;
    b.p.calcul.fin_E = 1060;
    spectres s;
    calculer(b, -100, -100, s);
    EXPECT_EQ(s.energie_gmax, 1040);
    EXPECT_EQ(s.Gmax, b.p.cavite.facteur_confinement * s.gain_te[0]);
    // a modal gain of exactly 0 everywhere: every point takes the place of the
    // maximum, the last one stays
    banc nul;
    nul.r.HH[0][0] = nul.r.LH[0][0] = 0;
    nul.p.calcul.debut_E = 1040;
    nul.p.calcul.fin_E = 1045;
    calculer(nul, 30, 40, s);
    EXPECT_EQ(s.Gmax, 0.0);
    EXPECT_EQ(s.energie_gmax, 1045);
    // with inversion: the largest value, the earlier energy on a tie
    banc g;
    g.p.calcul.debut_E = 1020;
    g.p.calcul.fin_E = 1080;
    calculer(g, 30, 40, s);
    std::size_t i_max = 0;
    for (std::size_t i = 1; i < 61; ++i)
        if (g.p.cavite.facteur_confinement * s.gain_te[i] > g.p.cavite.facteur_confinement * s.gain_te[i_max]) i_max = i;
    EXPECT_EQ(s.energie_gmax, 1020 + static_cast<double>(i_max));
    EXPECT_EQ(s.Gmax, g.p.cavite.facteur_confinement * s.gain_te[i_max]);
}

TEST(Spectres, BrancheVideAuDelaDUneLigne)
{
    // the light-hole branch ends at row 40: its strips beyond are left out,
    // the ones below still count
    banc complet, tronque;
    for (banc* b : {&complet, &tronque}) {
        b->r.HH[0][0] = 0;
        b->p.calcul.debut_E = 1035;
        b->p.calcul.fin_E = 1036;
    }
    for (int i = 41; i <= tronque.p.calcul.Nk; ++i) tronque.d.niveaux_k[static_cast<std::size_t>(i) * 2 + 1] = 0.0;
    spectres s_complet, s_tronque;
    calculer(complet, 30, 40, s_complet);
    calculer(tronque, 30, 40, s_tronque);
    EXPECT_NE(s_tronque.gain_tm[1], s_complet.gain_tm[1]);
    EXPECT_GT(s_tronque.gain_tm[1], 0.0);
}

TEST(Spectres, ParcoursDesBranchesBorne)
{
    struct {
        std::vector<int> branches;
        int nb_HH, nb_LH;
        bool avertissement;
    } cas[] = {
        {{0, 1}, 1, 1, false},
        {{0}, 1, 1, true},     // fewer branches than zone-centre levels
        {{1, 1}, 1, 1, true},  // two light-hole branches, one LH overlap row
        {{0, 0, 1}, 1, 1, true}, // the second HH branch has no row
    };
    for (const auto& c : cas) {
        banc b(c.branches, c.nb_HH, c.nb_LH);
        b.p.calcul.debut_E = 1040;
        b.p.calcul.fin_E = 1042;
        spectres s;
        for (int passe = 0; passe < 2; ++passe) { // said at every pass, printed once by the driver
            calculer(b, 30, 40, s);
            EXPECT_EQ(s.branches_incompletes, c.avertissement);
        }
        EXPECT_TRUE(std::isfinite(s.gain_te[0]));
    }
}

TEST(Spectres, MemesValeursQueLeCalculPointParPoint)
{
    // one heavy-hole branch; the integrand evaluated strip by strip at each
    // photon energy, in the plain order, must give the very same doubles
    banc b({0}, 1, 0);
    b.d.niveaux_k[70] = 0.0; // an empty row inside the range
    b.p.calcul.debut_E = 1050;
    b.p.calcul.fin_E = 1053;
    spectres s;
    calculer(b, 30, 40, s);
    const double kB = 1.38066e-23, eps0 = 8.85418e-12, pi = 3.141592653589793;
    const double beta = q / (1000 * kB * b.p.couches.T);
    const double pref = 2.707086561865992e-72 /
                        (b.m.puits.nr * 3e8 * eps0 * std::pow(m0, 2.0) * b.p.couches.largeur_puits * 1e-10);
    const double M = std::sqrt(b.m.puits.Ep * m0 * q / 6);
    for (int idx = 0; idx < 4; ++idx) {
        const double E = 1050 + idx;
        double ig = 0;
        for (int m = 1; m <= b.p.calcul.Nk; ++m) {
            if (b.d.niveaux_k[m] == 0.0) continue;
            double f[2];
            for (int c = 0; c < 2; ++c) {
                const int j = m - 1 + c;
                const double k = j * b.p.calcul.deltak;
                const double Ec = 0.0 + 1000 * hbar2 * std::pow(k, 2.0) / (2 * m0 * b.m.puits.mc * q);
                const double Ev = b.d.niveaux_k[j];
                const double fc = fermi_dirac(Ec, 30, beta), fh = fermi_dirac(Ev, 40, beta);
                const double dE = (1000 * b.m.Eg_Puits + Ec + Ev - E) * q / 1000;
                const double D = std::pow(dE, 2.0) + b.m.largeur_lorentz_carre;
                f[c] = k * (fc + fh - 1) / D;
            }
            ig += trapeze((m - 1) * b.p.calcul.deltak, m * b.p.calcul.deltak, f[0], f[1]);
        }
        const double E_J = E * q / 1000;
        const double A = 2 * pref * std::pow(M, 2.0) * (hbar / b.p.calcul.demi_largeur_lorentz) / (100 * pi * E_J);
        double te = 0;
        te += (3.0 / 4.0) * A * std::pow(0.9, 2.0) * ig;
        EXPECT_EQ(s.gain_te[idx], te) << E;
    }
}

TEST(Spectres, LignesCommeCalculeesQuandDeuxEnergiesPartagentUnIndice)
{
    // From 1000.0015 meV the 24th and 25th accumulated energies both truncate
    // to index 23: the table keeps the later, the lines keep each as computed.
    banc b;
    b.p.calcul.debut_E = 1000.0015;
    b.p.calcul.fin_E = 1030;
    spectres s;
    const std::vector<ligne_gain> l = calculer(b, 30, 40, s);
    ASSERT_EQ(std::trunc(l[24].E - b.p.calcul.debut_E), 23.0);
    EXPECT_EQ(l[24].gain_te, s.gain_te[23]);
    EXPECT_NE(l[23].gain_te, s.gain_te[23]);
    b.p.calcul.debut_E = b.p.calcul.fin_E = l[23].E;
    spectres seul;
    EXPECT_EQ(calculer(b, 30, 40, seul)[0].gain_te, l[23].gain_te);
}

// The bounds of the run count the photon energies of a spectrum as the
// spectra step them: 1 meV at a time from debut_E while E <= fin_E.
TEST(Spectres, PointsDuSpectreCommeLaBoucle)
{
    for (const auto& [debut, fin] : {std::pair{1150.0, 1400.0}, std::pair{1000.0015, 1010.0}, std::pair{1150.3, 1150.2},
                                     std::pair{900.5, 1900.25}, std::pair{1.0, 1.0}}) {
        double n = 0;
        for (double E = debut; E <= fin; E += 1.0) ++n;
        EXPECT_EQ(points_spectre(debut, fin), n) << debut << " " << fin;
    }
}
