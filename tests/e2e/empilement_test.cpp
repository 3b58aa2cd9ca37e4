// A stack of identical, uncoupled wells against the single well. Each well of
// the stack holds the same density and the same gain as the lone well, so at
// one confinement factor every column of the parameter file is the single
// well's but the three currents, which the stack draws N times; and the
// threshold density follows the confinement factor alone, not N.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <vector>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

// The parameter file's lines as their printed words.
std::vector<std::vector<std::string>> lignes_param(const std::string& texte)
{
    std::istringstream f(texte);
    std::string ligne;
    std::getline(f, ligne); // header
    std::vector<std::vector<std::string>> lignes;
    while (std::getline(f, ligne)) {
        std::istringstream l(ligne);
        std::vector<std::string> mots;
        for (std::string m; l >> m;) mots.push_back(m);
        lignes.push_back(mots);
    }
    return lignes;
}

double nombre_apres(const std::string& texte, const std::string& repere)
{
    const std::size_t i = texte.find(repere);
    if (i == std::string::npos) throw std::runtime_error("absent de la console : " + repere);
    return std::stod(texte.substr(i + repere.size()));
}

struct course {
    std::string console, param;
};

course lancer(const std::string& gamma, const std::optional<std::string>& puits)
{
    auto e = entrees_exemple();
    changer_cle(e, "systeme", "facteur_confinement", gamma);
    changer_cle(e, "systeme", "nombre_puits", puits);
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte_config(e), {"courant", "20", "2e17"});
    EXPECT_EQ(r.statut, 0) << r.console;
    return {r.console, d.lire("parametres.txt").value_or("")};
}

TEST(Empilement, TroisPuitsContreLePuitsSeul)
{
    const char* const repere_N = "densité de seuil Nth : ";
    std::map<std::string, double> Nth_trois;
    for (const std::string gamma : {"0.015", "0.045"}) {
        SCOPED_TRACE("facteur_confinement = " + gamma);
        const course un = lancer(gamma, "1"), trois = lancer(gamma, "3");
        // nombre_puits = 1 is the absent key, byte for byte, and names no stack
        EXPECT_EQ(un.console, lancer(gamma, std::nullopt).console);
        EXPECT_EQ(un.console.find("empilement"), std::string::npos);
        EXPECT_NE(trois.console.find("  empilement : 3 puits identiques non couplés"), std::string::npos)
            << trois.console;

        const auto l1 = lignes_param(un.param), l3 = lignes_param(trois.param);
        ASSERT_EQ(l1.size(), l3.size());
        ASSERT_GE(l1.size(), 3u);
        for (std::size_t i = 0; i < l1.size(); ++i) {
            SCOPED_TRACE("ligne " + std::to_string(i + 1));
            ASSERT_EQ(l1[i].size(), 7u);
            // N, Gmax, Gth and lambda: per well, the same words
            for (std::size_t c : {0u, 1u, 2u, 6u}) EXPECT_EQ(l1[i][c], l3[i][c]) << "colonne " << c + 1;
            // Jnr, Jrad, Jth: three times, to the rounding of six decimals
            for (std::size_t c : {3u, 4u, 5u})
                EXPECT_NEAR(std::stod(l3[i][c]), 3 * std::stod(l1[i][c]), 2.1e-6) << "colonne " << c + 1;
        }
        EXPECT_EQ(nombre_apres(un.console, repere_N), nombre_apres(trois.console, repere_N));
        const char* const repere_I = "courant de seuil : ";
        EXPECT_NEAR(nombre_apres(trois.console, repere_I), 3 * nombre_apres(un.console, repere_I), 4e-6);
        Nth_trois[gamma] = nombre_apres(trois.console, repere_N);
    }
    // Three wells confining three times the light need a third of the
    // material gain each: a lower density per well.
    EXPECT_LT(Nth_trois["0.045"], 0.9 * Nth_trois["0.015"]);
}

} // namespace
