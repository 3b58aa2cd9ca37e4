// Whole runs against committed references: every case folder of
// tests/regression holds a config.ini, the words of the command line
// (`arguments`) and, under reference/, the console, the exit status and every
// file the run wrote. The run must leave exactly those files, with the same
// text tokens and the same numbers to the last printed digit. Regenerate with
// tests/regression/regenerer, only in a commit that says why.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/harnais.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path dossier_cas = REGRESSION_DIR;

std::string lire_fichier(const fs::path& chemin)
{
    std::ifstream f(chemin, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> mots(const std::string& texte)
{
    std::istringstream s(texte);
    std::vector<std::string> m;
    for (std::string w; s >> w;) m.push_back(w);
    return m;
}

// A printed number and the value of one unit of its last printed digit
// ("1.234567e+18": 1e12, "97.760000": 1e-6); 0 for an integer, which is
// printed exactly ("57", a count); nothing for text.
std::optional<std::pair<double, double>> nombre_imprime(const std::string& t)
{
    char* fin = nullptr;
    const double v = std::strtod(t.c_str(), &fin);
    if (t.empty() || fin != t.c_str() + t.size() || !std::isfinite(v)) return std::nullopt;
    const std::size_t e = t.find_first_of("eE");
    const std::string mantisse = t.substr(0, e);
    const std::size_t point = mantisse.find('.');
    const int decimales = point == std::string::npos ? 0 : static_cast<int>(mantisse.size() - point - 1);
    const int exposant = e == std::string::npos ? 0 : std::atoi(t.c_str() + e + 1);
    if (point == std::string::npos && e == std::string::npos) return std::pair{v, 0.0};
    return std::pair{v, std::pow(10.0, exposant - decimales)};
}

// Mismatches of `obtenu` against `attendu`, line by line and token by token:
// text exactly, numbers within one unit of the last printed digit.
std::vector<std::string> ecarts(const std::string& attendu, const std::string& obtenu)
{
    std::vector<std::string> e;
    std::istringstream a(attendu), o(obtenu);
    std::string la, lo;
    for (int ligne = 1;; ++ligne) {
        const bool fa = !std::getline(a, la), fo = !std::getline(o, lo);
        if (fa || fo) {
            if (fa != fo) e.push_back("ligne " + std::to_string(ligne) + " : nombre de lignes différent");
            return e;
        }
        const auto ma = mots(la), mo = mots(lo);
        if (ma.size() != mo.size()) {
            e.push_back("ligne " + std::to_string(ligne) + " : « " + lo + " » au lieu de « " + la + " »");
            continue;
        }
        for (std::size_t k = 0; k < ma.size(); ++k) {
            const auto na = nombre_imprime(ma[k]), no = nombre_imprime(mo[k]);
            const bool egal = na && no ? std::fabs(na->first - no->first) <= 1.01 * std::max(na->second, no->second)
                                       : ma[k] == mo[k];
            if (!egal)
                e.push_back("ligne " + std::to_string(ligne) + ", colonne " + std::to_string(k + 1) + " : " + mo[k] +
                            " au lieu de " + ma[k]);
        }
    }
}

std::vector<std::string> noms_des_cas()
{
    std::vector<std::string> n;
    for (const auto& e : fs::directory_iterator(dossier_cas))
        if (e.is_directory() && fs::exists(e.path() / "reference")) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
}

class Regression : public testing::TestWithParam<std::string> {};

TEST_P(Regression, SortiesIdentiquesALaReference)
{
    const fs::path cas = dossier_cas / GetParam();
    dossier_temporaire d;
    d.ecrire_config(lire_fichier(cas / "config.ini"));
    const auto r = executer_programme(GAIN_EXE, mots(lire_fichier(cas / "arguments")), d.chemin);
    d.ecrire("console.txt", r.console);
    d.ecrire("statut", std::to_string(r.statut) + "\n");

    std::vector<std::string> attendus;
    for (const auto& e : fs::directory_iterator(cas / "reference")) attendus.push_back(e.path().filename().string());
    std::sort(attendus.begin(), attendus.end());
    std::vector<std::string> obtenus = d.fichiers();
    std::erase(obtenus, "config.ini");
    EXPECT_EQ(obtenus, attendus);

    for (const auto& nom : attendus) {
        const auto e = ecarts(lire_fichier(cas / "reference" / nom), d.lire(nom).value_or(""));
        std::string liste;
        for (std::size_t k = 0; k < e.size() && k < 8; ++k) liste += "\n  " + e[k];
        EXPECT_TRUE(e.empty()) << nom << " : " << e.size() << " écart(s)" << liste;
    }
}

INSTANTIATE_TEST_SUITE_P(Cas, Regression, testing::ValuesIn(noms_des_cas()),
                         [](const testing::TestParamInfo<std::string>& i) { return i.param; });

TEST(Comparaison, DernierChiffreImprimeSeulementToleré)
{
    EXPECT_TRUE(ecarts("a\t1.234567e+18\t97.760000\n", "a\t1.234568e+18\t97.759999\n").empty());
    EXPECT_EQ(ecarts("1.234567e+18\n", "1.234569e+18\n").size(), 1u);
    EXPECT_EQ(ecarts("97.760000 12\n", "97.760002 13\n").size(), 2u);
    EXPECT_EQ(ecarts("Accroche puce\n", "Accroche Bragg\n").size(), 1u);
    EXPECT_EQ(ecarts("1\n2\n", "1\n").size(), 1u);
}

} // namespace
