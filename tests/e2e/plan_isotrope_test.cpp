// With gamma2 = gamma3 the hole bands are isotropic in the plane, so the
// kx = ky diagonal of a 2-D scan holds the same states as the kx axis, at
// |k| = sqrt 2 m deltak: the hole density (ring 2 k dk on the diagonal) and
// the k-conserving pairs (the electron at the same |k|) must give the 1-D
// mode's quasi-Fermi levels and threshold, to within the two grids.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

// Every "EFV : x meV" line of the console, and the summary's Jth.
std::vector<double> niveaux_EFV(const std::string& console)
{
    std::vector<double> efv;
    const std::string repere = "EFV : ";
    for (std::size_t i = console.find(repere); i != std::string::npos; i = console.find(repere, i + 1))
        efv.push_back(std::stod(console.substr(i + repere.size())));
    return efv;
}

double seuil_Jth(const std::string& console)
{
    const std::string repere = "densité de courant de seuil Jth : ";
    const std::size_t i = console.find(repere);
    return i == std::string::npos ? NAN : std::stod(console.substr(i + repere.size()));
}

TEST(PlanIsotrope, LaDiagonaleDonneLesNiveauxEtLeSeuilDeLAxe)
{
    std::string console[2];
    for (int ky = 0; ky < 2; ++ky) {
        auto e = entrees_rapides();
        changer_cle(e, "calcul", "Nk", "60");
        changer_cle(e, "calcul", "deltak", "1.75e7");
        changer_cle(e, "calcul", "debut_E", "1230");
        changer_cle(e, "calcul", "variation_en_ky", ky ? "1" : "0");
        changer_cle(e, "puits", "gamma3_x", "2.06");
        changer_cle(e, "puits", "gamma3_1-x", "8.5");
        changer_cle(e, "barriere", "gamma3_y", "2.06");
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, texte_config(e), {"courant", "4", "2e17"});
        ASSERT_EQ(r.statut, 0) << r.console;
        console[ky] = r.console;
    }
    const std::vector<double> axe = niveaux_EFV(console[0]), diagonale = niveaux_EFV(console[1]);
    ASSERT_EQ(axe.size(), 4u);
    ASSERT_EQ(diagonale.size(), axe.size());
    // The grids differ (steps deltak and sqrt 2 deltak): 0.8 meV and 0.4 % apart
    // here, where the diagonal weighted sqrt 2 k and paired with the electron at
    // k_m was 11 meV and 12 % off.
    for (std::size_t i = 0; i < axe.size(); ++i) EXPECT_NEAR(diagonale[i], axe[i], 1.5) << "passe " << i;
    EXPECT_NEAR(seuil_Jth(console[1]) / seuil_Jth(console[0]), 1.0, 0.01);
}

} // namespace
