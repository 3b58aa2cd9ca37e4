// Threshold on the polarisation that lases. A tensile GaAsP well has its light
// holes on top: the TM modal gain wins, and the threshold must be read from it,
// with the TM confinement factor. A compressive well lases in TE and the TM
// confinement factor changes none of its results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

std::vector<std::vector<double>> lignes_de(const std::string& texte)
{
    std::istringstream f(texte);
    std::string ligne;
    std::getline(f, ligne); // header
    std::vector<std::vector<double>> lignes;
    while (std::getline(f, ligne)) {
        std::istringstream l(ligne);
        std::vector<double> v;
        for (double x; l >> x;) v.push_back(x);
        lignes.push_back(v);
    }
    return lignes;
}

double nombre_apres(const std::string& texte, const std::string& repere)
{
    const std::size_t i = texte.find(repere);
    if (i == std::string::npos) throw std::runtime_error("absent de la console : " + repere);
    return std::stod(texte.substr(i + repere.size()));
}

TEST(SeuilPolarisation, PuitsEnTensionSeuilSurLeGainModalTM)
{
    // The tensile example as it stood when the TM threshold came (its regression copy).
    std::ifstream f(std::string(REGRESSION_DIR) + "/traction_60/config.ini");
    std::stringstream texte;
    texte << f.rdbuf();
    std::string config = texte.str();
    const std::string repere = "facteur_confinement=0.03\n";
    ASSERT_NE(config.find(repere), std::string::npos);
    config.insert(config.find(repere) + repere.size(), "facteur_confinement_tm=0.025\n");
    const double gamma_te = 0.03, gamma_tm = 0.025;

    dossier_temporaire d;
    const auto r = executer_gain_dans(d, config, {"courant", "20", "2e17"});
    ASSERT_EQ(r.statut, 0) << r.console;
    EXPECT_NE(r.console.find("  polarisation : TM"), std::string::npos) << r.console;

    const auto param = lignes_de(*d.lire("parametres.txt"));
    const auto gain = lignes_de(*d.lire("gain.txt"));
    const std::size_t par_densite = 1750 - 1450 + 1;
    ASSERT_GE(param.size(), 2u);
    ASSERT_EQ(gain.size(), param.size() * par_densite);
    for (std::size_t i = 0; i < param.size(); ++i) {
        double te = -1e300, tm = -1e300, E_tm = 0;
        for (std::size_t j = i * par_densite; j < (i + 1) * par_densite; ++j) {
            te = std::max(te, gamma_te * gain[j][1]);
            if (gamma_tm * gain[j][2] > tm) tm = gamma_tm * gain[j][2], E_tm = gain[j][0];
        }
        // Below transparency the TE peak stays the reference, as it always was.
        const bool lase_tm = tm > 0 && tm > te;
        EXPECT_NEAR(param[i][1], lase_tm ? tm : te, 1e-6 * std::fabs(lase_tm ? tm : te)) << i;
        if (lase_tm) {
            EXPECT_NEAR(param[i][6], 1240000 / E_tm, 1e-6) << i;
        }
        if (i + 2 >= param.size()) {
            EXPECT_TRUE(lase_tm) << i; // the crossing is TM's
        }
    }
    // The crossing by hand: the modal TM gain linear in N between the last two
    // densities meets the cavity's gain.
    const auto& a = param[param.size() - 2];
    const auto& b = param.back();
    ASSERT_LT(a[1], a[2]);
    ASSERT_GE(b[1], b[2]);
    const double Nth = a[0] + (b[2] - a[1]) * (b[0] - a[0]) / (b[1] - a[1]);
    EXPECT_NEAR(nombre_apres(r.console, "densité de seuil Nth : "), Nth, 1e-5 * Nth);
    const double J_a = a[3] + a[4], J_b = b[3] + b[4];
    EXPECT_NEAR(b[5], J_a + (J_b - J_a) * (Nth - a[0]) / (b[0] - a[0]), 1e-3);
}

TEST(SeuilPolarisation, PuitsEnCompressionInchangeParLeConfinementTM)
{
    auto e = entrees_rapides();
    dossier_temporaire sans, avec;
    const auto r_sans = executer_gain_dans(sans, texte_config(e), {"courant", "4", "3e17"});
    changer_cle(e, "systeme", "facteur_confinement_tm", "0.5");
    const auto r_avec = executer_gain_dans(avec, texte_config(e), {"courant", "4", "3e17"});
    ASSERT_EQ(r_sans.statut, 0) << r_sans.console;
    EXPECT_EQ(r_avec.statut, 0);
    EXPECT_EQ(r_avec.console, r_sans.console);
    for (const char* fichier : {"gain.txt", "parametres.txt", "P-I.txt"})
        EXPECT_EQ(avec.lire(fichier), sans.lire(fichier)) << fichier;
}

} // namespace
