// Bad input, end to end on the real gain: one row per case (the change to a
// cheap run's config.ini or command line, the exit status, a piece of the
// console). Every case must end promptly: each run is under a 60 s guard
// that only a hang reaches.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "configuration/cles.hpp"
#include "configuration/lecteur_ini.hpp"
#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

const std::string fin_normale = "Calculs terminés. Résultats disponibles dans ";
const int hors_delai = 124; // status of timeout(1) when the guard expires

struct modification {
    std::string section, cle;
    std::optional<std::string> valeur; // nothing: the key is removed
};

struct cas {
    const char* nom;
    std::vector<modification> mods;
    std::vector<std::string> arguments;
    int statut;
    std::string morceau; // of the console
    std::function<std::string(const std::string&)> texte = nullptr; // rewrites the whole config.ini
    std::function<void(const dossier_temporaire&)> preparer = nullptr;
};

resultat_execution executer_cas(const dossier_temporaire& d, const std::vector<modification>& mods,
                                const std::vector<std::string>& arguments,
                                const std::function<std::string(const std::string&)>& texte = nullptr)
{
    auto e = entrees_rapides();
    for (const auto& m : mods) changer_cle(e, m.section, m.cle, m.valeur);
    const std::string config = texte_config(e);
    d.ecrire_config(texte ? texte(config) : config);
    std::vector<std::string> mots{"60", GAIN_EXE};
    mots.insert(mots.end(), arguments.begin(), arguments.end());
    return executer_programme("/usr/bin/timeout", mots, d.chemin);
}

// gain --verifier on a case the run refuses before its first phase: the run's console (warnings and stop) and
// status, and no file left beside those the case prepared; with --json, the
// same status and the stop as "erreur".
void verifier_sans_calcul(const cas& c, const resultat_execution& run)
{
    dossier_temporaire d;
    if (c.preparer) c.preparer(d);
    auto arguments = c.arguments;
    arguments.insert(arguments.begin(), "--verifier");
    const auto avant = d.fichiers();
    const auto r = executer_cas(d, c.mods, arguments, c.texte);
    EXPECT_EQ(r.statut, run.statut);
    EXPECT_EQ(r.console, run.console);
    arguments.insert(arguments.begin() + 1, "--json");
    const auto j = executer_cas(d, c.mods, arguments, c.texte);
    EXPECT_EQ(j.statut, run.statut);
    // The stop's last line, as the JSON string holds it when it needs no escape.
    const std::string console = run.console.substr(0, run.console.find_last_not_of('\n') + 1);
    const std::string arret = console.substr(console.rfind('\n') + 1);
    EXPECT_NE(j.console.find("\"statut\": " + std::to_string(run.statut)), std::string::npos) << j.console;
    if (arret.find_first_of("\"\\\t") == std::string::npos) {
        EXPECT_NE(j.console.find(arret), std::string::npos) << j.console;
    }
    auto apres = d.fichiers(), attendus = avant;
    std::erase(apres, "config.ini");
    std::erase(attendus, "config.ini");
    EXPECT_EQ(apres, attendus);
}

void verifier(const cas& c)
{
    SCOPED_TRACE(c.nom);
    dossier_temporaire d;
    if (c.preparer) c.preparer(d);
    const auto r = executer_cas(d, c.mods, c.arguments, c.texte);
    EXPECT_EQ(r.statut, c.statut) << r.console;
    EXPECT_NE(r.console.find(c.morceau), std::string::npos) << r.console;
    if (c.statut != 0) {
        EXPECT_EQ(r.console.find(fin_normale), std::string::npos) << r.console;
        // A stop before the banner is one the verification must give too.
        if (r.console.find("###") == std::string::npos) verifier_sans_calcul(c, r);
    }
}

// Bytes of every value, NUL included, after a [sortie] section that opens
// the files: the byte check refuses the first NUL, naming its line.
std::string binaire(const std::string&)
{
    std::string t = "[sortie]\nfichier_gain=gain.txt\nfichier_param=parametres.txt\nfichier_P-I=P-I.txt\n[calcul]\n";
    std::mt19937 g(12);
    for (int i = 0; i < 8192; ++i) t.push_back(static_cast<char>(g() & 0xff));
    return t;
}

TEST(EntreesInvalides, TravailDemesureFichiersEtTextesAbsurdes)
{
    const std::string long_nom(5000, 'n');
    const cas table[] = {
        // Item by item, the bounds of the work.
        {"Nk trop grand", {{"calcul", "Nk", "200000"}}, {}, 1, "clé Nk [calcul] : 200000 ; accepté : [2, 100000]"},
        {"Nk au plus grand int", {{"calcul", "Nk", "2147483647"}, {"calcul", "variation_en_ky", "1"}}, {}, 1,
         "clé Nk [calcul]"},
        {"Nk en 2-D", {{"calcul", "Nk", "3200"}, {"calcul", "variation_en_ky", "1"}}, {}, 1, "Nk <= 3161 avec ky"},
        {"deltaE minuscule", {{"calcul", "deltaE", "1e-7"}}, {}, 1, "clé deltaE [calcul] : 1e-07 meV"},
        {"dispersion de plusieurs jours",
         {{"calcul", "Nk", "3000"}, {"calcul", "variation_en_ky", "1"}, {"calcul", "deltaE", "0.01"}}, {}, 1,
         "Calcul trop long : la dispersion demande"},
        {"spectre jusqu'à 1e17 meV", {{"calcul", "fin_E", "1e17"}}, {}, 1, "clé fin_E [calcul] : 1e+17"},
        {"spectre au-delà de 2^53", {{"calcul", "debut_E", "1e17"}, {"calcul", "fin_E", "1.00000000001e17"}}, {}, 1,
         "clé debut_E [calcul]"},
        {"P-I jusqu'au plus grand int", {{"calcul", "fin_courant", "2147483647"}}, {}, 1, "clé fin_courant"},
        {"puits de 1e17 Å", {{"puits", "largeur", "1e17"}}, {}, 1, "clé largeur [puits] : 1e+17"},
        {"barrière de -1e17 Å", {{"barriere", "largeur", "-1e17"}}, {}, 1, "clé largeur [barriere] : -1e+17"},
        {"température 1e30 K", {{"constantes", "temperature", "1e30"}}, {}, 1, "clé temperature [constantes]"},
        {"Ninj 1e30", {{"calcul", "Ninj", "1e30"}}, {}, 1, "clé Ninj [calcul] : 1e+30"},
        {"cent mille fils", {{"calcul", "nb_fils", "100000"}}, {}, 1, "clé nb_fils [calcul]"},
        {"un milliard de densités", {}, {"courant", "1e9", "1e17"}, 1, "Nombre de densités hors bornes : 1000000000"},
        {"série jusqu'à 2e23", {}, {"courant", "1000", "2e20"}, 1, "la série va jusqu'à 1.99801e+23 cm-3"},
        {"fichier de gain de 10 Go", {{"calcul", "debut_E", "1"}, {"calcul", "fin_E", "10000"}},
         {"courant", "20000", "1e14"}, 1, "Fichier de gain trop grand"},
        // A negative mass gives no density the Fermi search can reach.
        {"masse négative", {{"puits", "mc_x", "-1"}, {"puits", "mc_1-x", "-1"}}, {}, 1,
         "Niveau de Fermi de la BC introuvable : la densité de 1e+18 cm-3 n'est pas atteinte à 10000 meV"},
        // Texts.
        {"fichier binaire", {}, {}, 1, "Octet nul dans config.ini, ligne", binaire},
        {"fichier vide", {}, {}, 1, "clé", [](const std::string&) { return std::string(); }},
        {"ligne d'un mégaoctet", {}, {}, 0, fin_normale,
         [](const std::string& t) {
             std::string u = t;
             u.insert(u.find("[calcul]\n") + 9, std::string(1 << 20, 'x') + "=" + std::string(1000, '9') + "\n");
             return u;
         }},
        {"nom de fichier trop long", {{"sortie", "fichier_gain", long_nom}}, {}, 1,
         "Erreur creation fichier de sortie du gain : nnnn"},
        // Output files that cannot be created or written.
        {"dossier absent", {{"sortie", "fichier_P-I", "absent/P-I.txt"}}, {}, 1,
         "Erreur creation fichier de P-I : absent/P-I.txt"},
        // /proc takes no new file, not even from root.
        {"dossier du système en lecture seule", {{"sortie", "fichier_gain", "/proc/gain.txt"}}, {}, 1,
         "Erreur creation fichier de sortie du gain : /proc/gain.txt"},
        // /dev/null takes any output; another device or a named pipe is refused before anything is written (a
        // pipe would block the run for ever).
        {"gain sur /dev/full", {{"sortie", "fichier_gain", "/dev/full"}}, {}, 1,
         "Erreur creation fichier de sortie du gain : /dev/full (clé fichier_gain [sortie]) : ce n'est pas un "
         "fichier ordinaire (périphérique ou socket) ; seul /dev/null peut remplacer un fichier de résultats\n"},
        {"enveloppes sur /dev/zero", {{"sortie", "fichier_enveloppes", "/dev/zero"}}, {}, 1,
         "Erreur creation fichier des enveloppes : /dev/zero (clé fichier_enveloppes [sortie]) : ce n'est pas un"},
        {"P-I sur un tube nommé", {{"sortie", "fichier_P-I", "tube"}}, {}, 1,
         "Erreur creation fichier de P-I : tube (clé fichier_P-I [sortie]) : c'est un tube nommé (FIFO), que le "
         "calcul attendrait sans fin ; donnez un fichier ordinaire\n",
         nullptr, [](const dossier_temporaire& d) { mkfifo((d.chemin / "tube").c_str(), 0644); }},
        {"dispersion sur /dev/null", {{"sortie", "fichier_dispersion", "/dev/null"}}, {}, 0, fin_normale},
    };
    for (const auto& c : table) verifier(c);
}

// Slips after a run that worked, in its folder: every refusal leaves each
// result of that run byte for byte, and a key given twice (a warning only)
// writes the same results again, its first value being the one read.
TEST(EntreesInvalides, GlissadesLaissentLesResultatsPrecedents)
{
    const std::vector<modification> base = {{"sortie", "fichier_dispersion", "dispersion.txt"},
                                            {"sortie", "fichier_enveloppes", "enveloppes.txt"}};
    const std::string absent = " (clé fichier_P-I [sortie]) : No such file or directory\n";
    const cas table[] = {
        {"P-I dans /proc", {{"sortie", "fichier_P-I", "/proc/P-I.txt"}}, {}, 1,
         "Erreur creation fichier de P-I : /proc/P-I.txt" + absent},
        {"P-I dans un dossier absent", {{"sortie", "fichier_P-I", "absent/P-I.txt"}}, {}, 1,
         "Erreur creation fichier de P-I : absent/P-I.txt" + absent},
        {"P-I sur un dossier", {{"sortie", "fichier_P-I", "un_dossier"}}, {}, 1,
         "Erreur creation fichier de P-I : un_dossier (clé fichier_P-I [sortie]) : Is a directory\n"},
        {"P-I sur le fichier de gain", {{"sortie", "fichier_P-I", "./gain.txt"}}, {}, 1,
         "Erreur creation fichier de P-I : ./gain.txt (clé fichier_P-I [sortie]) : même fichier que la clé "
         "fichier_gain [sortie]\n"},
        {"enveloppes sur config.ini", {{"sortie", "fichier_enveloppes", "config.ini"}}, {}, 1,
         "Erreur creation fichier des enveloppes : config.ini (clé fichier_enveloppes [sortie]) : c'est le fichier de "
         "configuration config.ini\n"},
        {"clé donnée deux fois", {}, {}, 0, "Attention : clé donnée deux fois : « Ninj=3e18 » (ligne 15) : la valeur "
         "de la ligne 14 est lue.\n",
         [](const std::string& t) {
             std::string u = t;
             return u.insert(u.find("Ninj=1e18\n") + 10, "Ninj=3e18\n");
         }},
        {"gain foo", {}, {"foo"}, 1, "Ligne de commande non reconnue : « foo » ; rien n'est calculé ni écrit.\nUsage"},
        {"courant 0", {}, {"courant", "0", "1e17"}, 1, "Le mode courant demande au moins une densité : « 0 » densités."},
        {"courant -3", {}, {"courant", "-3", "1e17"}, 1, "au moins une densité : « -3 » densités.\nUsage"},
        {"courant de trop", {}, {"courant", "3", "1e17", "4"}, 1, "« 4 » est de trop.\nUsage"},
        {"nb_fils négatif", {{"calcul", "nb_fils", "-1"}}, {}, 1,
         "Valeur hors domaine pour la clé nb_fils [calcul] : -1 (accepté : nb_fils ≥ 0).\n"},
    };
    dossier_temporaire d;
    std::filesystem::create_directory(d.chemin / "un_dossier");
    ASSERT_EQ(executer_cas(d, base, {}).statut, 0);
    const char* sorties[] = {"gain.txt", "parametres.txt", "P-I.txt", "dispersion.txt", "enveloppes.txt"};
    std::vector<std::optional<std::string>> avant;
    for (const char* nom : sorties) avant.push_back(d.lire(nom));
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        std::vector<modification> mods = base;
        mods.insert(mods.end(), c.mods.begin(), c.mods.end());
        const auto r = executer_cas(d, mods, c.arguments, c.texte);
        EXPECT_EQ(r.statut, c.statut) << r.console;
        EXPECT_NE(r.console.find(c.morceau), std::string::npos) << r.console;
        for (std::size_t i = 0; i < avant.size(); ++i) {
            ASSERT_TRUE(avant[i] && !avant[i]->empty()) << sorties[i];
            EXPECT_EQ(d.lire(sorties[i]), avant[i]) << sorties[i];
        }
        EXPECT_FALSE(d.existe("absent"));
    }
}

// A folder of the user made read-only; root writes there all the same.
TEST(EntreesInvalides, DossierEnLectureSeule)
{
    if (geteuid() == 0) GTEST_SKIP() << "root écrit dans un dossier en lecture seule";
    verifier({"dossier en lecture seule", {{"sortie", "fichier_param", "lecture_seule/p.txt"}}, {}, 1,
              "Erreur creation fichier de sortie des parametres : lecture_seule/p.txt", nullptr,
              [](const dossier_temporaire& d) {
                  std::filesystem::create_directory(d.chemin / "lecture_seule");
                  chmod((d.chemin / "lecture_seule").c_str(), 0555);
              }});
}

// A console that cannot be written is a failure too, said on the error stream.
TEST(EntreesInvalides, ConsoleSurDisquePleinEchoue)
{
    dossier_temporaire d;
    d.ecrire_config(texte_config(entrees_rapides()));
    const auto r = executer_programme("/bin/sh", {"-c", std::string(GAIN_EXE) + " >/dev/full 2>erreur.txt"}, d.chemin);
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(d.lire("erreur.txt"), std::optional<std::string>("Erreur d'écriture sur la sortie standard\n"));
}

// The physical domains of the keys and the texts of the numbers.
TEST(EntreesInvalides, DomainesEtTextesDesNombres)
{
    const cas table[] = {
        {"Rmin au-dessus de 1", {{"systeme", "Rmin", "1.5"}}, {}, 1, "(accepté : 0 < Rmin ≤ 1)"},
        {"Rbragg négatif", {{"bragg", "Rbragg", "-0.1"}}, {}, 1, "Rbragg"},
        {"confinement nul", {{"systeme", "facteur_confinement", "0"}}, {}, 1, "facteur_confinement"},
        {"eta_interne NaN", {{"systeme", "eta_interne", "nan"}}, {}, 1, "eta_interne"},
        {"temperature NaN", {{"constantes", "temperature", "nan"}}, {}, 1, "temperature"},
        {"tau_nr infini", {{"systeme", "tau_nr", "inf"}}, {}, 1, "tau_nr"},
        {"ratio_x au-dessus de 1", {{"puits", "ratio_x", "1.2"}}, {}, 1, "ratio_x"},
        {"deltaE pas un nombre", {{"calcul", "deltaE", "abc"}}, {}, 1, "clé deltaE [calcul] : « abc » (ce n'est pas un nombre)"},
        {"Nk avec du texte", {{"calcul", "Nk", "70abc"}}, {}, 1, "« 70abc » (texte après le nombre)"},
        {"virgule décimale", {{"puits", "largeur", "100,5"}}, {}, 1, "le séparateur décimal est le point"},
        {"pas de la série pas un nombre", {}, {"courant", "10", "abc"}, 1, "« abc » n'en est pas un.\nUsage : gain [courant"},
        {"série vers les densités négatives", {}, {"courant", "10", "-2e17"}, 1, "pas = -8e+17 cm-3"},
    };
    for (const auto& c : table) verifier(c);
}

// Bytes, section headers and results that would not be finite: each refused
// with its line or key before anything is written, or, after the banner, a
// stop naming the quantity, the density and the likely key.
TEST(EntreesInvalides, OctetsEntetesEtResultatsNonFinis)
{
    const auto remplacer = [](std::string de, std::string vers) {
        return [de, vers](const std::string& t) {
            std::string u = t;
            u.replace(u.find(de), de.size(), vers);
            return u;
        };
    };
    const cas table[] = {
        {"NUL dans un nombre", {}, {}, 1, "Octet nul dans config.ini, ligne 36 : ce n'est pas un fichier texte",
         remplacer("largeur=75", std::string("largeur=7\0 5", 12))},
        {"NUL après un choix", {{"modele", "forme_raie", "sech"}}, {}, 1, "Octet nul dans config.ini, ligne",
         remplacer("forme_raie=sech", std::string("forme_raie=sech\0x", 17))},
        {"hexadécimal", {{"modele", "A_srh", "0x10"}}, {}, 1,
         "clé A_srh [modele] : « 0x10 » (nombre décimal attendu : ni hexadécimal, ni inf, ni nan)"},
        {"inf", {{"puits", "mc_x", "inf"}}, {}, 1, "clé mc_x [puits] : « inf » (nombre décimal attendu"},
        {"au-delà d'un double", {{"puits", "Ep_x", "1e400"}}, {}, 1, "(nombre trop grand pour un réel double)"},
        {"config.ini est un dossier", {}, {}, 1,
         "Le fichier de configuration config.ini du dossier courant n'est pas un fichier ordinaire (c'est un dossier)",
         nullptr, [](const dossier_temporaire& d) { std::filesystem::create_directory(d.chemin / "config.ini"); }},
        {"en-tête vide", {}, {}, 1, "En-tête de section « [] » (ligne 1) : il ouvrirait toutes les sections",
         remplacer("[sortie]", "[]")},
        {"en-tête abrégé", {}, {}, 0, "Attention : section inconnue : « [pui] » (ligne 34) : lue comme [puits]",
         remplacer("[puits]", "[pui]")},
        {"section inconnue", {}, {}, 0, "Attention : section inconnue : « [notes] » (ligne 1) : ses lignes ne sont pas lues",
         [](const std::string& t) { return "[notes]\nauteur=x\n" + t; }},
        {"octet Latin-1", {}, {}, 0, "Attention : octet 0xE9 hors UTF-8 dans config.ini, ligne 1",
         [](const std::string& t) { return "essai du d\xE9" "but\n" + t; }},
        // Results that used to be printed as inf or -nan with status 0.
        {"Auger de 1e300", {{"modele", "C_auger", "1e300"}}, {}, 1,
         "clé C_auger [modele] : 1e+300 (accepté : 0 ≤ C_auger ≤ 1e-25)"},
        {"renormalisation d'un mégaélectronvolt", {{"modele", "renormalisation_gap", "1"}}, {}, 1,
         "(accepté : 0 ≤ renormalisation_gap ≤ 1e-06)"},
        {"Auger au bord du domaine", {{"modele", "C_auger", "5e-27"}}, {}, 0,
         "Attention : C_auger = 5e-27 : un coefficient Auger au-dessus de 1e-27"},
        {"tau_nr de 1e-320 s", {{"systeme", "tau_nr", "1e-320"}}, {}, 1,
         "Résultat non fini : Jnr = inf à N = 1.000000e+18 cm-3 ; clé probable : tau_nr [systeme]. Le calcul "
         "s'arrête ; les fichiers de résultats précédents sont gardés.\n"},
        {"barrière de 2000 Å", {{"barriere", "largeur", "2000"}, {"sortie", "fichier_enveloppes", "env.txt"}}, {},
         0, fin_normale},
    };
    for (const auto& c : table) verifier(c);
}

// A Latin-1 byte in a value: --verifier --json stays valid UTF-8, the byte
// written as \u00XX and warned of with its line.
TEST(EntreesInvalides, VerificationJsonEnUTF8)
{
    dossier_temporaire d;
    const auto r = executer_cas(d, {{"sortie", "fichier_P-I", "r\xE9sultat.txt"}}, {"--verifier", "--json"});
    EXPECT_EQ(r.statut, 0) << r.console;
    EXPECT_NE(r.console.find("\"r\\u00e9sultat.txt\""), std::string::npos) << r.console;
    EXPECT_NE(r.console.find("octet 0xE9 hors UTF-8 dans config.ini, ligne 4"), std::string::npos) << r.console;
    for (std::size_t i = 0, n = 0; i < r.console.size(); i += n) {
        n = sequence_utf8(r.console, i);
        ASSERT_GT(n, 0u) << "octet " << i << " hors UTF-8";
    }
}

// Every key of the program, with every kind of bad value: missing, empty, not
// a number, NaN, infinite, negative, zero and huge. Whatever the key, the run
// ends in time with status 0 (the value happens to be usable) and the closing
// line, or status 1 and a message; never a signal, a sanitizer report or a hang.
class ChaqueCle : public testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(ChaqueCle, ToutesLesValeursAbsurdesFinissentProprement)
{
    const auto& [section, cle] = GetParam();
    const std::optional<std::string> valeurs[] = {std::nullopt, "", "abc", "nan", "inf", "-1", "0", "1e300"};
    for (const auto& v : valeurs) {
        SCOPED_TRACE(v ? "« " + *v + " »" : std::string("absente"));
        dossier_temporaire d;
        const auto r = executer_cas(d, {{section, cle, v}}, {});
        ASSERT_NE(r.statut, hors_delai) << "plus de 60 s";
        EXPECT_TRUE(r.statut == 0 || r.statut == 1) << r.statut << "\n" << r.console;
        ASSERT_FALSE(r.console.empty());
        EXPECT_EQ(r.console.back(), '\n');
        EXPECT_EQ(r.console.find(fin_normale) != std::string::npos, r.statut == 0) << r.console;
    }
}

std::vector<std::pair<std::string, std::string>> cles_du_programme()
{
    std::vector<std::pair<std::string, std::string>> cles;
    for (const auto& c : cles_config()) cles.emplace_back(c.section, c.cle);
    return cles;
}

INSTANTIATE_TEST_SUITE_P(Cles, ChaqueCle, testing::ValuesIn(cles_du_programme()),
                         [](const testing::TestParamInfo<ChaqueCle::ParamType>& info) {
                             std::string nom = info.param.first + "_" + info.param.second;
                             for (char& c : nom)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return nom;
                         });

} // namespace
