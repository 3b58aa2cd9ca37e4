// The realistic model through a width sweep of the bundled 980 nm well: with
// every key of [modele] (those the composer writes for the realistic model,
// the barrier continuum among them) the threshold current density has no
// step where the second electron level binds (80 to 85 Å), as it has without
// the continuum, whose states the binding level takes over.
#include <gtest/gtest.h>

#include <cmath>
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

// Jth (A/cm^2) of the example at each width, with the [modele] keys given.
std::vector<double> balayage_largeur(const std::vector<std::pair<std::string, std::string>>& modele,
                                     const std::vector<double>& largeurs)
{
    std::vector<double> Jth;
    for (double L : largeurs) {
        auto e = entrees_exemple();
        changer_cle(e, "puits", "largeur", std::to_string(L));
        changer_cle(e, "calcul", "nb_fils", "1");
        for (const auto& [cle, valeur] : modele) changer_cle(e, "modele", cle, valeur);
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, texte_config(e), {"courant", "40", "1e17"});
        EXPECT_EQ(r.statut, 0) << r.console;
        Jth.push_back(nombre_apres(r.console, "densité de courant de seuil Jth : "));
    }
    return Jth;
}

const std::vector<std::pair<std::string, std::string>> realiste = {
    {"forme_raie", "sech"},      {"A_srh", "1e8"},         {"C_auger", "2.2e-29"},    {"emission_complete", "1"},
    {"k_aligne", "1"},           {"renormalisation_gap", "1.6e-8"}, {"melange_k", "1"}, {"dispersion_axiale", "1"},
    {"continuum", "1"},          {"B_barriere", "7.2e-10"}};

} // namespace

TEST(ModeleRealiste, SeuilContinuEnLargeurDePuits)
{
    std::vector<double> largeurs;
    for (double L = 60; L <= 100; L += 5) largeurs.push_back(L);
    const std::vector<double> J = balayage_largeur(realiste, largeurs);
    ASSERT_EQ(J.size(), largeurs.size());
    for (std::size_t i = 1; i < J.size(); ++i)
        EXPECT_LT(std::fabs(J[i] / J[i - 1] - 1), 0.05) << largeurs[i - 1] << " -> " << largeurs[i] << " Å";
    // Without the continuum the binding of E2 shows as a step.
    auto sans = realiste;
    sans.pop_back();
    sans.pop_back();
    const std::vector<double> J_sans = balayage_largeur(sans, {80, 85});
    EXPECT_GT(J_sans[1] / J_sans[0] - 1, 0.07);
}
