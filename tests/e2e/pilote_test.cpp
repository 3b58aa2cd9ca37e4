// The real gain program, run in temporary folders: messages, exit statuses
// and the output files it leaves behind.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

const std::string banniere = "###################################################\n"
                             "#                                                 #\n"
                             "#    Calcul du gain dans une diode laser SQW      #\n";

std::string config_avec(const std::string& section, const std::string& cle, const std::optional<std::string>& valeur)
{
    auto e = entrees_exemple();
    changer_cle(e, section, cle, valeur);
    return texte_config(e);
}

bool finit_par(const std::string& texte, const std::string& fin)
{
    return texte.size() >= fin.size() && texte.compare(texte.size() - fin.size(), fin.size(), fin) == 0;
}

TEST(Pilote, SansConfigIniArretImmediatEnNommantLeFichier)
{
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, std::nullopt);
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(r.console,
              "Impossible de lire le fichier de configuration config.ini (absent ou illisible) dans le dossier "
              "courant.\n");
    EXPECT_TRUE(d.fichiers().empty());
}

TEST(Pilote, FichierDeGainDansUnDossierAbsentAucunNEstCree)
{
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, config_avec("sortie", "fichier_gain", "absent/gain.txt"));
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(r.console, "Erreur creation fichier de sortie du gain : absent/gain.txt (clé fichier_gain [sortie]) : "
                         "No such file or directory\n");
    EXPECT_EQ(d.fichiers(), std::vector<std::string>{"config.ini"});
}

TEST(Pilote, MessagesDesTroisFichiersDeSortieDansLOrdre)
{
    struct cas {
        std::string cle, message;
    };
    const cas table[] = {
        {"fichier_param", "Erreur creation fichier de sortie des parametres : absent/p.txt"},
        {"fichier_P-I", "Erreur creation fichier de P-I : absent/p.txt"},
        {"fichier_dispersion", "Erreur creation fichier de dispersion : absent/p.txt"},
        {"fichier_enveloppes", "Erreur creation fichier des enveloppes : absent/p.txt"},
        {"fichier_resultats", "Erreur creation fichier des résultats : absent/p.txt"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.cle);
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, config_avec("sortie", c.cle, "absent/p.txt"));
        EXPECT_EQ(r.statut, 1);
        EXPECT_EQ(r.console, c.message + " (clé " + c.cle + " [sortie]) : No such file or directory\n");
        EXPECT_EQ(d.fichiers(), std::vector<std::string>{"config.ini"});
    }
}

TEST(Pilote, EnteteSortieAvecBlancFinalNOuvreRien)
{
    dossier_temporaire d;
    std::string texte = config_exemple();
    texte.replace(texte.find("[sortie]"), 8, "[sortie] ");
    const auto r = executer_gain_dans(d, texte);
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(r.console, "Attention : section ignorée : « [sortie]  » (ligne 1) : écrivez [sortie], en minuscules "
                         "et sans blanc.\nErreur creation fichier de sortie du gain : (clé absente)\n");
    EXPECT_EQ(d.fichiers(), std::vector<std::string>{"config.ini"});
}

TEST(Pilote, CourantSansSesDeuxNombresArreteAvantToutFichier)
{
    for (const auto& arguments : {std::vector<std::string>{"courant"}, std::vector<std::string>{"courant", "3"}}) {
        SCOPED_TRACE(arguments.size());
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, config_exemple(), arguments);
        EXPECT_EQ(r.statut, 1);
        EXPECT_EQ(r.console.rfind(
                      "Le mode courant demande deux nombres : gain courant <nombre de densites> <pas en cm-3>\nUsage",
                      0),
                  0u)
            << r.console;
        EXPECT_EQ(d.fichiers(), std::vector<std::string>{"config.ini"});
    }
}

// A failed check stops before the banner and before any output file is
// created or emptied: the results of the previous run stay.
TEST(Pilote, VerificationsEchoueesParLeProgramme)
{
    struct cas {
        std::string section, cle;
        std::optional<std::string> valeur;
        std::string message; // the whole console, or its end when it starts with "..."
    };
    const cas table[] = {
        {"calcul", "Nk", "1", "Il faut au moins 2 valeurs sur kx pour effectuer les calculs (Nkx>2)\n"},
        {"calcul", "Nk", std::nullopt, "Attention : la clé Nk [calcul] est absente, lue comme 0.\nIl faut au moins 2"},
        {"calcul", "deltak", "0", "deltak doit etre strictement positif.\n"},
        {"calcul", "deltaE", "nan", "deltaE doit etre strictement positif.\n"},
        {"calcul", "fin_courant", std::nullopt,
         "Attention : la clé fin_courant [calcul] est absente, lue comme 0.\nfin_i doit etre strictement positif.\n"},
        {"calcul", "debut_courant", "-1", "debut_i doit etre positif.\n"},
        {"calcul", "arret_seuil", "oui", "Valeur illisible pour la clé arret_seuil [calcul] : « oui » (ce n'est pas un nombre).\n"},
        {"constantes", "temperature", std::nullopt, "Probleme dans le fichier .ini\nParametre : temperature\n"},
        {"constantes", "temperature", "0", "Valeur hors domaine pour la clé temperature [constantes] : 0 (accepté : temperature > 0).\n"},
        {"systeme", "K_delta_Ec", std::nullopt, "Probleme dans le fichier .ini\nParametre : K_delta_Ec\n"},
        {"systeme", "facteur_confinement", "0,03",
         "Valeur illisible pour la clé facteur_confinement [systeme] : « 0,03 » (le séparateur décimal est le point).\n"},
        {"systeme", "facteur_confinement", "0",
         "Valeur hors domaine pour la clé facteur_confinement [systeme] : 0 (accepté : 0 < facteur_confinement ≤ 1).\n"},
        {"systeme", "Rmin", "1.5", "Valeur hors domaine pour la clé Rmin [systeme] : 1.5 (accepté : 0 < Rmin ≤ 1).\n"},
        {"systeme", "Rmax", "0", "Valeur hors domaine pour la clé Rmax [systeme] : 0 (accepté : 0 < Rmax ≤ 1).\n"},
        {"systeme", "eta_interne", "1.2", "...(accepté : 0 < eta_interne ≤ 1).\n"},
        {"systeme", "nombre_puits", "0", "...(accepté : 1 ≤ nombre_puits ≤ 100).\n"},
        {"systeme", "nombre_puits", "2.5", "...« 2.5 » (un nombre entier est attendu).\n"},
        {"systeme", "tau_nr", "-1e-9", "...(accepté : tau_nr > 0).\n"},
        {"puits", "largeur", "100,5", "...« 100,5 » (le séparateur décimal est le point).\n"},
        {"puits", "ratio_x", "1.2", "...(accepté : 0 ≤ ratio_x ≤ 1).\n"},
        {"bragg", "Rbragg", "2", "...(accepté : 0 ≤ Rbragg ≤ 1).\n"},
        {"bragg", "couplage_puce_fibre", "inf", "...(accepté : 0 ≤ couplage_puce_fibre ≤ 1).\n"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.cle + " = " + c.valeur.value_or("(absente)"));
        dossier_temporaire d;
        for (const char* nom : {"gain.txt", "parametres.txt", "P-I.txt", "dispersion.txt"}) d.ecrire(nom, "ancien\n");
        const auto r = executer_gain_dans(d, config_avec(c.section, c.cle, c.valeur));
        EXPECT_EQ(r.statut, 1);
        if (c.message.rfind("...", 0) == 0) EXPECT_TRUE(finit_par(r.console, c.message.substr(3))) << r.console;
        else EXPECT_EQ(r.console.substr(0, c.message.size()), c.message);
        for (const char* nom : {"gain.txt", "parametres.txt", "P-I.txt", "dispersion.txt"})
            EXPECT_EQ(d.lire(nom), std::optional<std::string>("ancien\n")) << nom;
    }
}

// Slips that do not stop the run get a warning that names the line.
TEST(Pilote, AvertissementsDesFautesDeFrappe)
{
    struct cas {
        std::string de, vers, avertissement;
    };
    const cas table[] = {
        {"[calcul]", "[Calcul]", "section ignorée : « [Calcul] » (ligne 7) : écrivez [calcul]"},
        {"nb_fils=0", "nb_fil=0", "clé inconnue : « nb_fil=0 » (ligne 19)"},
        {"fichier_dispersion=", "fichier_dispersio=", "clé inconnue : « fichier_dispersio=dispersion.txt » (ligne 5)"},
        {"nb_fils=0", "nb_fils=0\nnb_fils=4",
         "clé donnée deux fois : « nb_fils=4 » (ligne 20) : la valeur de la ligne 19 est lue."},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.vers);
        auto e = entrees_rapides();
        changer_cle(e, "calcul", "nb_fils", "0");
        changer_cle(e, "sortie", "fichier_dispersion", "dispersion.txt");
        std::string texte = texte_config(e);
        ASSERT_NE(texte.find(c.de), std::string::npos);
        texte.replace(texte.find(c.de), c.de.size(), c.vers);
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, texte);
        EXPECT_NE(r.console.find("Attention : " + c.avertissement), std::string::npos) << r.console;
    }
    // A UTF-8 byte-order mark before the first header is skipped.
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, "\xEF\xBB\xBF" + texte_config(entrees_rapides()));
    EXPECT_EQ(r.statut, 0) << r.console;
    EXPECT_EQ(r.console.find("Attention"), std::string::npos) << r.console;
}

// The command line is checked before anything is computed or written.
TEST(Pilote, LigneDeCommande)
{
    struct cas {
        std::vector<std::string> arguments;
        int statut;
        std::string debut;
    };
    const cas table[] = {
        {{"courant", "10", "abc"}, 1, "Le mode courant demande deux nombres : « abc » n'en est pas un.\nUsage : gain"},
        {{"courant", "dix", "2e17"}, 1, "Le mode courant demande deux nombres : « dix » n'en est pas un.\n"},
        {{"courant", "10", "-2e17"}, 1, "Le mode courant donnerait des densites negatives ou nulles"},
        {{"--help"}, 0, "Usage : gain [courant <nombre de densites> <pas en cm-3>]\n"},
        {{"-h"}, 0, "Usage : gain"},
        {{"--version"}, 0, "gain 1.0.0\n"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.arguments.back());
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, config_exemple(), c.arguments);
        EXPECT_EQ(r.statut, c.statut);
        EXPECT_EQ(r.console.rfind(c.debut, 0), 0u) << r.console;
        EXPECT_EQ(d.fichiers(), std::vector<std::string>{"config.ini"});
    }
}

// Normal runs go through every phase: only the frame of the console text is
// checked here (banner first, final message last), and the exit status.
TEST(Pilote, BanniereEnTeteEtMessageFinalNommantLeCheminAvecSonBlanc)
{
    auto e = entrees_rapides();
    changer_cle(e, "sortie", "fichier_gain", " gain.txt");
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte_config(e));
    EXPECT_EQ(r.statut, 0) << r.console;
    EXPECT_EQ(r.console.rfind(banniere, 0), 0u) << r.console;
    // The credits line keeps the 51-character frame.
    std::istringstream lignes(r.console);
    std::string ligne;
    for (int i = 0; i < 6 && std::getline(lignes, ligne); ++i) EXPECT_EQ(ligne.size(), 51u) << ligne;
    std::getline(lignes, ligne);
    EXPECT_EQ(ligne, "") << "an empty line follows the frame";
    EXPECT_TRUE(finit_par(r.console, "Calculs terminés. Résultats disponibles dans  gain.txt\n")) << r.console;
    EXPECT_TRUE(d.existe(" gain.txt"));
}

TEST(Pilote, UnMotAutreQueCourantEstRefuseAvantTout)
{
    for (const char* mot : {"COURANT", "courants", "cour"}) {
        SCOPED_TRACE(mot);
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, texte_config(entrees_rapides()), {mot});
        EXPECT_EQ(r.statut, 1) << r.console;
        EXPECT_EQ(r.console.rfind("Ligne de commande non reconnue : « " + std::string(mot) + " »", 0), 0u) << r.console;
        EXPECT_EQ(d.fichiers(), std::vector<std::string>{"config.ini"});
    }
}

TEST(Pilote, ExempleFourniEstUneConfigurationValide)
{
    std::ifstream f(std::string(EXEMPLES_DIR) + "/in020ga080as_980nm/config.ini", std::ios::binary);
    ASSERT_TRUE(f);
    std::ostringstream texte;
    texte << f.rdbuf();
    // Same keys and values as the test configuration: the tests run what the
    // users are given.
    EXPECT_EQ(texte.str().find("\r"), std::string::npos);
    for (const auto& e : entrees_exemple()) {
        SCOPED_TRACE(e.cle);
        const std::string ligne = "\n" + e.cle + "=" + e.valeur + "\n";
        const auto entete = texte.str().find("[" + e.section + "]");
        ASSERT_NE(entete, std::string::npos);
        const auto fin_section = texte.str().find("\n[", entete);
        const auto trouve = texte.str().find(ligne, entete);
        EXPECT_TRUE(trouve != std::string::npos && trouve < fin_section);
    }
}

// A file saved with Windows line ends runs the same: no carriage return in
// the section headers or in the file names.
TEST(Pilote, ConfigAvecFinsDeLigneCRLF)
{
    std::string texte;
    for (char c : texte_config(entrees_rapides())) {
        if (c == '\n') texte += '\r';
        texte += c;
    }
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte);
    EXPECT_EQ(r.statut, 0) << r.console;
    EXPECT_TRUE(finit_par(r.console, "Calculs terminés. Résultats disponibles dans gain.txt\n")) << r.console;
    for (const char* nom : {"gain.txt", "parametres.txt", "P-I.txt"}) EXPECT_TRUE(d.existe(nom)) << nom;
}

TEST(Pilote, Gamma3DeLaBarriereAbsentAvertitAvantLaBanniere)
{
    auto e = entrees_rapides();
    changer_cle(e, "barriere", "gamma3_y", std::nullopt);
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte_config(e));
    EXPECT_EQ(r.statut, 0) << r.console;
    EXPECT_EQ(r.console.rfind("Attention : gamma3 de la barriere pris egal a mc_y ; donnez la cle gamma3_y dans la "
                              "section [barriere].\n" +
                                  banniere,
                              0),
              0u)
        << r.console;
}

} // namespace
