// The figures of merit of the closing summary against what independent runs
// give: the differential gain and alpha_H from single-density runs at the two
// densities the summary names, over the whole band it names (an independent
// discretisation of the principal value), and the transparency point against
// a finer series.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

double nombre_apres(const std::string& texte, const std::string& repere)
{
    const std::size_t i = texte.find(repere);
    if (i == std::string::npos) throw std::runtime_error("absent de la console : " + repere);
    return std::stod(texte.substr(i + repere.size()));
}

// The table of a result file after its header line.
std::vector<std::vector<double>> colonnes(const std::string& texte)
{
    std::istringstream f(texte);
    std::string ligne;
    std::getline(f, ligne);
    std::vector<std::vector<double>> t;
    while (std::getline(f, ligne)) {
        std::istringstream l(ligne);
        std::vector<double> v;
        for (double x; l >> x;) v.push_back(x);
        t.push_back(v);
    }
    return t;
}

// The TE gain spectrum of one density on the window [debut, fin] (meV).
std::vector<std::vector<double>> spectre_unique(double N_cm3, double debut, double fin)
{
    auto e = entrees_exemple();
    char N[32];
    std::snprintf(N, sizeof N, "%.6e", N_cm3);
    changer_cle(e, "calcul", "Ninj", N);
    changer_cle(e, "calcul", "debut_E", std::to_string(debut));
    changer_cle(e, "calcul", "fin_E", std::to_string(fin));
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte_config(e));
    if (r.statut != 0) throw std::runtime_error(r.console);
    return colonnes(*d.lire("gain.txt"));
}

TEST(FiguresDeMerite, GainDifferentielEtAlphaHDeDeuxCoursesADensiteUnique)
{
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, config_exemple(), {"courant", "20", "2e17"});
    ASSERT_EQ(r.statut, 0) << r.console;
    const double dg_dN = nombre_apres(r.console, "gain différentiel dg/dN : ");
    const double E_laser = nombre_apres(r.console, "(gain matériau TE à ");
    const double alpha_H = nombre_apres(r.console, "alpha_H : ");
    // "entre N1 et N2 cm-3", "de debut à fin meV"
    double N1 = 0, N2 = 0, debut = 0, fin = 0;
    std::string mot;
    std::istringstream(r.console.substr(r.console.find(" meV, entre ") + 12)) >> N1 >> mot >> N2;
    std::istringstream(r.console.substr(r.console.find("changement de gain de ") + 22)) >> debut >> mot >> fin;
    EXPECT_EQ(N2 - N1, 2e17);

    const auto bas = spectre_unique(N1, debut, fin), haut = spectre_unique(N2, debut, fin);
    ASSERT_EQ(bas.size(), haut.size());
    std::vector<double> E, dg;
    for (std::size_t i = 0; i < bas.size(); ++i) {
        E.push_back(bas[i][0]);
        dg.push_back(haut[i][1] - bas[i][1]);
    }
    const std::size_t i0 = static_cast<std::size_t>(E_laser - E.front());
    ASSERT_EQ(E[i0], E_laser);
    EXPECT_NEAR(dg[i0] / (N2 - N1), dg_dN, 1e-5 * dg_dN);

    // P int dg / (E'^2 - E0^2) = int (F - F0) / (E' - E0) + F0 ln((b - E0) / (E0 - a)),
    // F = dg / (E' + E0), the removable point by the central difference; trapezoids.
    std::vector<double> F(E.size()), h(E.size());
    for (std::size_t i = 0; i < E.size(); ++i) F[i] = dg[i] / (E[i] + E_laser);
    for (std::size_t i = 0; i < E.size(); ++i)
        h[i] = i == i0 ? (F[i + 1] - F[i - 1]) / (E[i + 1] - E[i - 1]) : (F[i] - F[i0]) / (E[i] - E_laser);
    double integrale = F[i0] * std::log((E.back() - E_laser) / (E_laser - E.front()));
    for (std::size_t i = 1; i < E.size(); ++i) integrale += (E[i] - E[i - 1]) * (h[i] + h[i - 1]) / 2;
    const double pi = 3.141592653589793, hbar_c = 1.05458e-34 * 3e8 / 1.60218e-22 * 100; // meV cm
    const double dn = -hbar_c / pi * integrale;
    const double lambda_cm = 1240000 / E_laser * 1e-7;
    EXPECT_NEAR(-(4 * pi / lambda_cm) * dn / dg[i0], alpha_H, 1e-3 * alpha_H);
    // compressive InGaAs wells at threshold: alpha_H of 1 to 3, dg/dN some 1e-16 to 2e-15 cm^2
    EXPECT_GT(alpha_H, 1.0);
    EXPECT_LT(alpha_H, 3.0);
}

// The transparency of the example's series (steps of 2e17 cm^-3) against that
// of a series ten times finer from 1.2e18 cm^-3, whose bracketing pair pins it
// within 1e16 cm^-3; the photon lifetime from the parameter file's Gth.
TEST(FiguresDeMerite, TransparenceDUneSerieContreUneSerieFine)
{
    dossier_temporaire d, fine;
    const auto r = executer_gain_dans(d, config_exemple(), {"courant", "20", "2e17"});
    ASSERT_EQ(r.statut, 0) << r.console;
    auto e = entrees_exemple();
    changer_cle(e, "calcul", "Ninj", "1.2e18");
    const auto rf = executer_gain_dans(fine, texte_config(e), {"courant", "80", "1e16"});
    ASSERT_EQ(rf.statut, 0) << rf.console;
    const double N = nombre_apres(r.console, "densité de transparence Ntr : ");
    const double J = nombre_apres(r.console, "densité de courant de transparence Jtr : ");
    const double N_fin = nombre_apres(rf.console, "densité de transparence Ntr : ");
    const double J_fin = nombre_apres(rf.console, "densité de courant de transparence Jtr : ");
    // the fine series' pair of passes around its zero (N, Gmax, Gth, Jnr, Jrad, Jth, lambda)
    const auto t = colonnes(*fine.lire("parametres.txt"));
    std::size_t i = 1;
    while (i < t.size() && !(t[i - 1][1] <= 0 && t[i][1] > 0)) ++i;
    ASSERT_LT(i, t.size());
    EXPECT_GE(N_fin, t[i - 1][0]);
    EXPECT_LE(N_fin, t[i][0]);
    EXPECT_GE(J_fin, t[i - 1][3] + t[i - 1][4]);
    EXPECT_LE(J_fin, t[i][3] + t[i][4]);
    EXPECT_NEAR(N, N_fin, 0.005 * N_fin);
    EXPECT_NEAR(J, J_fin, 0.005 * J_fin);
    // n_g / (c Gth), the well's index 3.5 and the chip cavity's threshold gain
    const auto param = colonnes(*d.lire("parametres.txt"));
    EXPECT_NEAR(nombre_apres(r.console, "durée de vie des photons : "), 3.5 / (3e10 * param.back()[2]), 1e-17);
}

// A stack of two identical wells under the same total confinement reaches
// threshold at the same density per well for twice the current: the carriers'
// own recombination rate is that of one well, and the D-factor, over twice
// the volume, falls by sqrt 2.
TEST(FiguresDeMerite, EmpilementDeDeuxPuits)
{
    double taux[2], D[2];
    for (int n : {1, 2}) {
        auto e = entrees_exemple();
        changer_cle(e, "systeme", "nombre_puits", std::to_string(n));
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, texte_config(e), {"courant", "20", "2e17"});
        ASSERT_EQ(r.statut, 0) << r.console;
        taux[n - 1] = nombre_apres(r.console, "taux de recombinaison différentiel des porteurs : ");
        D[n - 1] = nombre_apres(r.console, "facteur D : ");
    }
    EXPECT_NEAR(taux[1], taux[0], 1e-6 * taux[0]);
    EXPECT_NEAR(D[1], D[0] / std::sqrt(2.0), 1e-5 * D[0]);
}

} // namespace
