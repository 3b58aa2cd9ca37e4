// gain --verifier on every whole-run case: accepted as the run accepts it,
// nothing written, and the material model the run prints.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harnais.hpp"

namespace {

std::string texte_de(const std::filesystem::path& chemin)
{
    std::ifstream f(chemin, std::ios::binary);
    std::ostringstream t;
    t << f.rdbuf();
    return t.str();
}

// The number after `"nom": ` in the JSON text.
double nombre_json(const std::string& json, const std::string& nom)
{
    const std::size_t i = json.find("\"" + nom + "\": ");
    if (i == std::string::npos) return -1e300;
    return std::strtod(json.c_str() + i + nom.size() + 4, nullptr);
}

} // namespace

TEST(Verification, ChaqueCasDeRegressionAccepteSansRienEcrire)
{
    for (const auto& cas : std::filesystem::directory_iterator(REGRESSION_DIR)) {
        if (!std::filesystem::exists(cas.path() / "config.ini")) continue;
        SCOPED_TRACE(cas.path().filename().string());
        dossier_temporaire d;
        d.ecrire_config(texte_de(cas.path() / "config.ini"));
        std::vector<std::string> mots = {"--verifier", "--json"};
        std::istringstream arguments(texte_de(cas.path() / "arguments"));
        for (std::string m; arguments >> m;) mots.push_back(m);
        const auto r = executer_gain_dans(d, std::nullopt, mots);
        EXPECT_EQ(r.statut, 0) << r.console;
        EXPECT_EQ(d.fichiers(), std::vector<std::string>{"config.ini"});
        // The run's summary line: "Vc: %f meV\tEg_Puits: %fmeV\tEg_Barriere: %fmeV".
        char attendu[160], lu[160];
        const std::string console = texte_de(cas.path() / "reference" / "console.txt");
        const std::size_t debut = console.find("Vc: ");
        ASSERT_NE(debut, std::string::npos);
        std::snprintf(lu, sizeof lu, "Vc: %f meV\tEg_Puits: %fmeV\tEg_Barriere: %fmeV", nombre_json(r.console, "Vc_meV"),
                      nombre_json(r.console, "Eg_puits_eV"), nombre_json(r.console, "Eg_barriere_eV"));
        std::snprintf(attendu, sizeof attendu, "%s", console.substr(debut, console.find('\n', debut) - debut).c_str());
        EXPECT_STREQ(lu, attendu);
    }
}
