// Whole runs of gain through every phase: the stops right after the
// zone-centre levels, the thread count that must not change any result, and a
// carrier series that crosses threshold.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

std::string config_rapide_avec(const std::vector<std::pair<std::string, std::pair<std::string, std::string>>>& cles)
{
    auto e = entrees_rapides();
    for (const auto& [section, cle_valeur] : cles) changer_cle(e, section, cle_valeur.first, cle_valeur.second);
    return texte_config(e);
}

int compter_lignes(const std::string& texte)
{
    int n = 0;
    for (char c : texte) n += c == '\n';
    return n;
}

TEST(ChaineComplete, SansNiveauDeTrouArretApresLesNiveauxK0)
{
    // K_delta_Ec = 1 gives the whole gap difference to the conduction band:
    // Vv = 0, and with the well on its own lattice (no strain: compression
    // would lift the heavy-hole edge into a well of its own) no hole is bound.
    dossier_temporaire d;
    const auto r = executer_gain_dans(
        d, config_rapide_avec({{"systeme", {"K_delta_Ec", "1"}}, {"puits", {"a_1-x", "5.65325"}}}));
    EXPECT_EQ(r.statut, 1);
    EXPECT_NE(r.console.find("Niveaux LH dans la BV (meV) :\nAucun niveau de trou"), std::string::npos) << r.console;
    EXPECT_EQ(r.console.find("Progression"), std::string::npos);
    // A stopped run puts no output in place: none existed, none is created.
    EXPECT_FALSE(d.existe("gain.txt"));
}

TEST(ChaineComplete, SansNiveauDeConductionArretApresLesNiveauxK0)
{
    // K_delta_Ec = 0: Vc = 0, no electron is bound.
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, config_rapide_avec({{"systeme", {"K_delta_Ec", "0"}}}));
    EXPECT_EQ(r.statut, 1);
    EXPECT_NE(r.console.find("Aucun niveau de conduction"), std::string::npos) << r.console;
    EXPECT_EQ(r.console.find("Progression"), std::string::npos);
}

TEST(ChaineComplete, NombreDeFilsSansEffetSurLesResultats)
{
    std::string sorties[2];
    std::string consoles[2];
    for (int fils = 1; fils <= 2; ++fils) {
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, config_rapide_avec({{"calcul", {"nb_fils", std::to_string(fils)}}}),
                                          {"courant", "3", "5e17"});
        ASSERT_EQ(r.statut, 0) << r.console;
        consoles[fils - 1] = r.console;
        sorties[fils - 1] = *d.lire("gain.txt") + *d.lire("parametres.txt") + *d.lire("P-I.txt") +
                            d.lire("dispersion.txt").value_or("");
    }
    EXPECT_EQ(consoles[0], consoles[1]);
    EXPECT_EQ(sorties[0], sorties[1]);
}

TEST(ChaineComplete, SerieQuiFranchitLeSeuil)
{
    // From 1e18 cm-3 in steps of 2e17 the example reaches threshold; with
    // arret_seuil the series ends at the first density above it.
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, config_rapide_avec({{"calcul", {"arret_seuil", "1"}}}),
                                      {"courant", "20", "2e17"});
    ASSERT_EQ(r.statut, 0) << r.console;
    const std::string param = *d.lire("parametres.txt");
    const int lignes = compter_lignes(param) - 1;
    EXPECT_GT(lignes, 1);
    EXPECT_LT(lignes, 20);
    // Every pass wrote 21 spectrum lines (1260 to 1280 meV) after the header.
    EXPECT_EQ(compter_lignes(*d.lire("gain.txt")), 1 + 21 * lignes);
    // P-I: header and 21 currents (0 to 20 mA).
    EXPECT_EQ(compter_lignes(*d.lire("P-I.txt")), 22);
    EXPECT_NE(r.console.find("Accroche"), std::string::npos);
    EXPECT_NE(r.console.find("Calculs terminés. Résultats disponibles dans gain.txt\n"), std::string::npos);
}

} // namespace

namespace {

std::vector<std::vector<double>> lignes_param(const std::string& texte)
{
    std::istringstream in(texte);
    std::string l;
    std::getline(in, l); // header
    std::vector<std::vector<double>> t;
    while (std::getline(in, l)) {
        std::istringstream c(l);
        t.emplace_back();
        for (double v; c >> v;) t.back().push_back(v);
    }
    return t;
}

// Past threshold without arret_seuil, each line interpolates from the
// previous density's own current: the threshold stays put (within the change
// of cavity that a rising gain at the grating wavelength brings), and the
// P-I curve uses the first crossing.
TEST(ChaineComplete, SerieSansArretAuDelaDuSeuil)
{
    auto e = entrees_exemple();
    changer_cle(e, "calcul", "arret_seuil", "0");
    changer_cle(e, "calcul", "Ninj", "1.7e18");
    changer_cle(e, "calcul", "fin_courant", "60");
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte_config(e), {"courant", "6", "1e17"});
    ASSERT_EQ(r.statut, 0) << r.console;
    const auto t = lignes_param(*d.lire("parametres.txt"));
    ASSERT_EQ(t.size(), 6u);
    const double Jth_seuil = t[2][5]; // first line with Gmax >= Gth
    ASSERT_LT(t[1][1], t[1][2]);
    ASSERT_GE(t[2][1], t[2][2]);
    for (std::size_t i = 3; i < t.size(); ++i) EXPECT_NEAR(t[i][5], Jth_seuil, 0.05 * Jth_seuil) << i;
    const auto pi = lignes_param(*d.lire("P-I.txt"));
    const double I_seuil = Jth_seuil * 0.2 * 4e-4; // A
    for (const auto& l : pi) EXPECT_EQ(l[1] > 0, l[0] > I_seuil) << l[0];
    EXPECT_NE(r.console.find("densité de courant de seuil Jth : " + std::to_string(Jth_seuil).substr(0, 7)),
              std::string::npos)
        << r.console;
}

// Quasi-Fermi levels printed on the console, in the order of the passes.
std::vector<double> niveaux_console(const std::string& console, const std::string& repere)
{
    std::vector<double> v;
    for (std::size_t i = console.find(repere); i != std::string::npos; i = console.find(repere, i + 1))
        v.push_back(std::stod(console.substr(i + repere.size())));
    return v;
}

// At low densities both carrier gases are non-degenerate: each quasi-Fermi
// level moves by kT ln(N2/N1) from one density to the next, and the
// radiative current, n p, grows as N^2. Both levels lie more than 100 meV
// into the gap here (the hole level 110-150 meV), below the searches' start.
TEST(ChaineComplete, SerieDeFaibleDensiteNonDegeneree)
{
    auto e = entrees_rapides();
    changer_cle(e, "calcul", "debut_E", "1150");
    changer_cle(e, "calcul", "fin_E", "1400");
    changer_cle(e, "calcul", "Ninj", "1e16");
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte_config(e), {"courant", "4", "1e16"});
    ASSERT_EQ(r.statut, 0) << r.console;
    const auto t = lignes_param(*d.lire("parametres.txt"));
    const std::vector<double> EFC = niveaux_console(r.console, "EFC : "), EFV = niveaux_console(r.console, "EFV : ");
    ASSERT_EQ(t.size(), 4u);
    ASSERT_EQ(EFC.size(), 4u);
    ASSERT_EQ(EFV.size(), 4u);
    const double kT = 1.38066e-23 * 300 / 1.60218e-22; // meV
    EXPECT_GT(EFV[0], 140.0) << r.console; // printed with its sign changed: 140 meV above the valence edge
    for (std::size_t i = 1; i < t.size(); ++i) {
        const double rapport = t[i][0] / t[0][0];
        EXPECT_NEAR(t[i][4] / t[0][4], rapport * rapport, 0.015 * rapport * rapport) << i;
        // within the grid and the onset of degeneracy (0.5 meV at 4e16 for the light electrons)
        EXPECT_NEAR(EFC[i] - EFC[0], kT * std::log(rapport), 0.5) << i;
        EXPECT_NEAR(EFV[0] - EFV[i], kT * std::log(rapport), 0.5) << i; // console: -EFV
    }
}

// A series that never reaches threshold: no light, and the console says why.
TEST(ChaineComplete, SeuilNonAtteint)
{
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte_config(entrees_rapides()), {"courant", "2", "1e17"});
    ASSERT_EQ(r.statut, 0) << r.console;
    EXPECT_EQ(d.lire("P-I.txt"), std::optional<std::string>("Courant (A)\tPopt (W)\n"));
    EXPECT_NE(r.console.find("Résumé du seuil :\n  seuil non atteint : gain modal maximal "), std::string::npos)
        << r.console;
}

} // namespace
