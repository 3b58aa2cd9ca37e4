// Slips of unit or of key that every check accepts: the run goes on, and the
// run, gain --verifier and gain --verifier --json each say the same warning,
// naming the key and the likely slip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

struct modification {
    std::string section, cle, valeur;
};

struct cas {
    const char* nom;
    std::vector<modification> mods;
    std::vector<std::string> avertissements; // whole lines, or their beginning
};

std::string config_du_cas(const std::vector<modification>& mods)
{
    auto e = entrees_rapides();
    for (const auto& m : mods) changer_cle(e, m.section, m.cle, m.valeur);
    return texte_config(e);
}

const char* const transition = "Attention : la première transition E1-HH1 (";

TEST(Plausibilite, GlissadesDUniteAverties)
{
    const cas table[] = {
        // The key and its value, then the likely slip.
        {"puits en nm", {{"puits", "largeur", "7.5"}},
         {"Attention : largeur [puits] = 7.5 Å : un puits de moins de 20 Å", "pas nm (7.5 nm s'écrit largeur=75).\n",
          transition}},
        {"lambda en µm", {{"bragg", "lambda", "0.975"}},
         {"Attention : lambda [bragg] = 0.975 nm : une longueur d'onde de moins de 200 nm ; nm attendus, pas µm "
          "(0.975 µm s'écrit lambda=975).\n"}},
        {"tau en ps", {{"calcul", "demi_largeur_lorentz", "0.1"}},
         {"Attention : demi_largeur_lorentz [calcul] = 0.1 s : un temps de relaxation intrabande hors de 1e-15 à",
          "pas une largeur en meV ni un temps en ps (0.1 ps s'écrit 1e-13).\n"}},
        {"x et 1 - x échangés", {{"puits", "ratio_x", "0.2"}},
         {"Attention : contrainte du puits de 5.73 % (compression) : au-delà de 3 % la couche relaxe",
          "ratio_x [puits] = 0.2 est la fraction du matériau X (a_x = 5.65325), pas forcément celle de l'indium : avec "
          "ratio_x = 0.8 (x et 1 − x échangés) elle serait de 1.43 %.\n",
          transition}},
        {"fenêtre à l'envers", {{"calcul", "fin_E", "1250"}},
         {"Attention : fin_E [calcul] = 1250 meV est au-dessous de debut_E = 1260 meV", "échangés ?\n"}},
        {"température en °C", {{"constantes", "temperature", "25"}},
         {"Attention : temperature [constantes] = 25 K : au-dessous de 50 K ; K attendus, pas °C (25 °C s'écrit "
          "temperature=298.15).\n"}},
        {"fenêtre en eV", {{"calcul", "debut_E", "1.26"}, {"calcul", "fin_E", "1.28"}},
         {transition, "hors de la fenêtre des spectres [debut_E, fin_E] = [1.26, 1.28] meV", "pas en eV"}},
        {"tau_nr en ns, barrière et puits épais",
         {{"systeme", "tau_nr", "1"}, {"barriere", "largeur", "2500"}, {"puits", "largeur", "400"}},
         {"Attention : tau_nr [systeme] = 1 s", "pas en ns (1 ns s'écrit 1e-09).\n",
          "Attention : largeur [barriere] = 2500 Å : une barrière de plus de 2000 Å",
          "Attention : largeur [puits] = 400 Å : un puits de plus de 300 Å"}},
        // Every bound itself is plausible: nothing is said.
        {"aux bornes",
         {{"puits", "largeur", "20"}, {"constantes", "temperature", "50"}, {"calcul", "demi_largeur_lorentz", "1e-11"},
          {"systeme", "tau_nr", "1e-12"}, {"barriere", "largeur", "2000"}, {"bragg", "lambda", "200"}},
         {}},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        dossier_temporaire d;
        d.ecrire_config(config_du_cas(c.mods));
        const auto run = executer_programme(GAIN_EXE, {}, d.chemin);
        const auto texte = executer_programme(GAIN_EXE, {"--verifier"}, d.chemin);
        const auto json = executer_programme(GAIN_EXE, {"--verifier", "--json"}, d.chemin);
        EXPECT_EQ(run.statut, 0) << run.console;
        EXPECT_NE(run.console.find("Calculs terminés."), std::string::npos) << run.console;
        EXPECT_EQ(texte.statut, 0) << texte.console;
        EXPECT_EQ(json.statut, 0) << json.console;
        for (const auto& a : c.avertissements) {
            EXPECT_NE(run.console.find(a), std::string::npos) << a << "\n" << run.console;
            EXPECT_NE(texte.console.find(a), std::string::npos) << a << "\n" << texte.console;
            // In the JSON list, a string of its own without its line end.
            std::string ligne = a.starts_with("Attention") ? "\"" + a : a;
            if (ligne.ends_with('\n')) ligne.back() = '"';
            EXPECT_NE(json.console.find(ligne), std::string::npos) << ligne << "\n" << json.console;
        }
        // Not one key is said (a 20 Å well at 50 K moves the transition out of the window, and a 200 nm grating
        // out of it too: those are said).
        if (!c.avertissements.empty()) continue;
        for (const auto* r : {&run, &texte})
            for (const char* cle : {"largeur [", "temperature", "demi_largeur_lorentz", "tau_nr", "lambda ["}) {
                EXPECT_EQ(r->console.find(std::string("Attention : ") + cle), std::string::npos) << r->console;
            }
    }
}

// An output outside the run folder, or a symbolic link, is written where it
// points (stored configurations may rely on it) and said, in the run and in
// gain --verifier alike.
TEST(Plausibilite, SortiesHorsDuDossierAverties)
{
    dossier_temporaire d;
    const auto calcul = d.chemin / "calcul";
    std::filesystem::create_directory(calcul);
    std::filesystem::create_symlink("cible.txt", calcul / "lien.txt");
    auto e = entrees_rapides();
    changer_cle(e, "sortie", "fichier_param", "../hors.txt");
    changer_cle(e, "sortie", "fichier_gain", "lien.txt");
    std::ofstream(calcul / "config.ini") << texte_config(e);
    const std::string hors = "Attention : fichier_param [sortie] = ../hors.txt est hors du dossier du calcul (" +
                             std::filesystem::canonical(d.chemin).string() + "/hors.txt) : un fichier d'un autre "
                             "calcul peut y être remplacé.\n";
    const std::string lien = "Attention : fichier_gain [sortie] = lien.txt est un lien symbolique vers cible.txt : les "
                             "résultats vont à un autre fichier que celui que le chemin nomme.\n";
    const auto verification = executer_programme(GAIN_EXE, {"--verifier"}, calcul);
    EXPECT_EQ(verification.statut, 0) << verification.console;
    EXPECT_FALSE(std::filesystem::exists(d.chemin / "hors.txt"));
    const auto run = executer_programme(GAIN_EXE, {}, calcul);
    EXPECT_EQ(run.statut, 0) << run.console;
    for (const auto* r : {&verification, &run}) {
        EXPECT_NE(r->console.find(hors), std::string::npos) << r->console;
        EXPECT_NE(r->console.find(lien), std::string::npos) << r->console;
    }
    EXPECT_TRUE(std::filesystem::exists(d.chemin / "hors.txt"));
}

} // namespace
