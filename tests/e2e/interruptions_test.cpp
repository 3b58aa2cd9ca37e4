// Runs that do not end normally (a signal, a kill, a stop with a message
// after the banner) leave the results of the previous run byte for byte, and
// the next run removes the temporaries a killed one left.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace fs = std::filesystem;

namespace {

const char* const sorties[] = {"gain.txt", "parametres.txt", "P-I.txt", "dispersion.txt", "enveloppes.txt"};

std::vector<entree_config> entrees_cinq_sorties(std::vector<entree_config> e = entrees_rapides())
{
    changer_cle(e, "sortie", "fichier_dispersion", "dispersion.txt");
    changer_cle(e, "sortie", "fichier_enveloppes", "enveloppes.txt");
    return e;
}

std::vector<std::optional<std::string>> contenus(const dossier_temporaire& d)
{
    std::vector<std::optional<std::string>> c;
    for (const char* nom : sorties) c.push_back(d.lire(nom));
    return c;
}

std::vector<std::string> provisoires(const dossier_temporaire& d)
{
    std::vector<std::string> p;
    for (const auto& nom : d.fichiers())
        if (nom.find(".tmp.") != std::string::npos) p.push_back(nom);
    return p;
}

// gain started in `d` with `arguments`, its console thrown away; the caller waits for it.
pid_t lancer_gain(const dossier_temporaire& d, const std::vector<std::string>& arguments)
{
    std::vector<std::string> mots{GAIN_EXE};
    mots.insert(mots.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& m : mots) argv.push_back(m.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(d.chemin.c_str()) != 0) _exit(126);
        if (!freopen("/dev/null", "w", stdout)) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// Waits until the gain file's temporary of `pid` holds `octets` bytes (the
// series is well under way); false when gain ended first or 120 s passed.
bool attendre_serie(const dossier_temporaire& d, pid_t pid, std::uintmax_t octets)
{
    const fs::path provisoire = d.chemin / (".gain.txt.tmp." + std::to_string(pid));
    for (int i = 0; i < 12000; ++i) {
        std::error_code e;
        if (fs::file_size(provisoire, e) >= octets && !e) return true;
        int etat = 0;
        if (waitpid(pid, &etat, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(Interruptions, SignalPendantUneSerieLaisseLesResultatsPrecedents)
{
    dossier_temporaire d;
    d.ecrire_config(texte_config(entrees_cinq_sorties()));
    ASSERT_EQ(executer_gain_dans(d, std::nullopt, {"courant", "3", "1e17"}).statut, 0);
    const auto avant = contenus(d);
    for (const auto& c : avant) ASSERT_TRUE(c && !c->empty());

    // A series that would run for hours, past threshold (arret_seuil=0).
    auto longue = entrees_cinq_sorties();
    changer_cle(longue, "calcul", "arret_seuil", "0");
    for (const int signal : {SIGKILL, SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        d.ecrire_config(texte_config(longue));
        const pid_t pid = lancer_gain(d, {"courant", "100000", "1e13"});
        ASSERT_GT(pid, 0);
        const bool en_cours = attendre_serie(d, pid, 5000);
        kill(pid, signal);
        int etat = 0;
        waitpid(pid, &etat, 0);
        ASSERT_TRUE(en_cours) << "la série a fini avant le signal";
        EXPECT_TRUE(WIFSIGNALED(etat) && WTERMSIG(etat) == signal);
        EXPECT_EQ(contenus(d), avant);
        EXPECT_FALSE(provisoires(d).empty()); // the killed run's, until the next run
    }
    // The next run is not refused by the lock the killed one left, removes
    // the temporaries of the dead runs and writes the same results again.
    EXPECT_TRUE(d.existe(".gain.verrou"));
    d.ecrire_config(texte_config(entrees_cinq_sorties()));
    ASSERT_EQ(executer_gain_dans(d, std::nullopt, {"courant", "3", "1e17"}).statut, 0);
    EXPECT_EQ(d.fichiers(), (std::vector<std::string>{"P-I.txt", "config.ini", "dispersion.txt", "enveloppes.txt",
                                                      "gain.txt", "parametres.txt"}));
    EXPECT_EQ(contenus(d), avant);
}

// A second run in a folder where one runs is refused at once, naming the
// first, and touches nothing; the first goes on.
TEST(Interruptions, DeuxCalculsDansUnDossier)
{
    dossier_temporaire d;
    auto e = entrees_cinq_sorties();
    changer_cle(e, "calcul", "arret_seuil", "0");
    d.ecrire_config(texte_config(e));
    const pid_t premier = lancer_gain(d, {"courant", "100000", "1e13"});
    ASSERT_GT(premier, 0);
    const bool en_cours = attendre_serie(d, premier, 1000);
    const auto debut = std::chrono::steady_clock::now();
    const auto r = executer_gain_dans(d, std::nullopt, {"courant", "3", "1e17"});
    const double duree = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    int etat = 0;
    const bool vivant = waitpid(premier, &etat, WNOHANG) == 0;
    kill(premier, SIGKILL);
    waitpid(premier, &etat, 0);
    ASSERT_TRUE(en_cours);
    EXPECT_TRUE(vivant) << "le premier calcul s'est arrêté";
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(r.console, "Un calcul gain tourne déjà dans ce dossier (processus " + std::to_string(premier) +
                             ") : attendez sa fin ou arrêtez-le ; rien n'est calculé ni écrit.\n");
    EXPECT_LT(duree, 10.0) << "refus immédiat";
    for (const char* nom : sorties) EXPECT_FALSE(d.existe(nom)) << nom;
}

// Stops after the banner, where files used to be half written.
TEST(Interruptions, ArretAvecMessageApresLaBanniereLaisseLesResultatsPrecedents)
{
    struct cas {
        const char* nom;
        std::string cle, valeur, message;
    };
    const cas table[] = {
        {"Ninj au-dessus du seuil", "Ninj", "5e18", "Valeur de Ninj trop élevée"},
        {"température en °C", "temperature", "25", "Valeur de Ninj trop élevée"},
    };
    // The example's window: at 25 K its gain peak lies inside, and its threshold below 1e18.
    const auto base = entrees_cinq_sorties(entrees_exemple());
    dossier_temporaire d;
    ASSERT_EQ(executer_gain_dans(d, texte_config(base), {"courant", "3", "1e17"}).statut, 0);
    const auto avant = contenus(d);
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        auto e = base;
        changer_cle(e, c.cle == "temperature" ? "constantes" : "calcul", c.cle, c.valeur);
        const auto r = executer_gain_dans(d, texte_config(e), {"courant", "3", "1e17"});
        EXPECT_EQ(r.statut, 1);
        EXPECT_NE(r.console.find("###"), std::string::npos) << "arrêt après la bannière";
        EXPECT_NE(r.console.find(c.message), std::string::npos) << r.console;
        EXPECT_EQ(r.console.find("Fichiers de résultats"), std::string::npos) << r.console;
        EXPECT_EQ(contenus(d), avant);
        EXPECT_EQ(provisoires(d), std::vector<std::string>{});
    }
}

// The results replace the previous files with their permissions, and the
// console names every file it put in place.
TEST(Interruptions, FinNormaleRemplaceLesFichiersEtLesNomme)
{
    dossier_temporaire d;
    d.ecrire("gain.txt", "ancien\n");
    fs::permissions(d.chemin / "gain.txt", fs::perms::owner_read | fs::perms::owner_write);
    const auto r = executer_gain_dans(d, texte_config(entrees_cinq_sorties()));
    EXPECT_EQ(r.statut, 0);
    EXPECT_NE(r.console.find("Fichiers de résultats : gain.txt, parametres.txt, P-I.txt, dispersion.txt, "
                             "enveloppes.txt\nCalculs terminés."),
              std::string::npos)
        << r.console;
    EXPECT_NE(d.lire("gain.txt"), std::optional<std::string>("ancien\n"));
    EXPECT_EQ(fs::status(d.chemin / "gain.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

} // namespace
