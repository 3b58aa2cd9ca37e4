// The launcher, run as a user runs it: a copy of calcul_pi in a folder of its
// own next to a stand-in `gain` script that records the arguments it gets,
// driven through a pipe or a pseudo-terminal from another (working) folder.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harnais.hpp"

namespace fs = std::filesystem;

namespace {

const std::string accueil = "Calcul du P-I d'une diode laser.\n"
                            "Le fichier gain doit impérativement se trouver dans le même répertoire que ce "
                            "programme.\n\n";
const std::string question_1 = "Nombre d'itérations : ";
const std::string question_2 = "Pas du nombre de porteurs injectés : ";

// Writes one argument per line, each between brackets, to "arguments" next to
// itself, and ends with the status found in the file "statut" (0 without it).
const std::string faux_gain = "#!/bin/sh\n"
                              "d=$(dirname \"$0\")\n"
                              ": > \"$d/arguments\"\n"
                              "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$d/arguments\"; done\n"
                              "echo gain-lance\n"
                              "if [ -f \"$d/statut\" ]; then exit $(cat \"$d/statut\"); fi\n"
                              "exit 0\n";

struct installation {
    dossier_temporaire programmes; // calcul_pi and the stand-in gain
    dossier_temporaire travail;    // current folder of the run

    explicit installation(bool avec_gain = true, int statut_gain = 0)
    {
        fs::copy_file(CALCUL_PI_EXE, programmes.chemin / "calcul_pi");
        if (avec_gain) {
            programmes.ecrire("gain", faux_gain);
            fs::permissions(programmes.chemin / "gain", fs::perms::owner_all);
            if (statut_gain != 0) programmes.ecrire("statut", std::to_string(statut_gain));
        }
    }
    std::string calcul_pi() const { return (programmes.chemin / "calcul_pi").string(); }
    std::optional<std::string> arguments() const { return programmes.lire("arguments"); }
};

int statut_de(int etat)
{
    if (WIFEXITED(etat)) return WEXITSTATUS(etat);
    if (WIFSIGNALED(etat)) return 128 + WTERMSIG(etat);
    return -1;
}

// Runs calcul_pi with both standard input and output on pipes; the whole input
// is written, then the pipe is closed.
resultat_execution par_tube(const installation& inst, const std::string& entree)
{
    int vers_enfant[2], depuis_enfant[2];
    if (pipe(vers_enfant) != 0 || pipe(depuis_enfant) != 0) throw std::runtime_error("pipe a echoue");
    const std::string exe = inst.calcul_pi();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork a echoue");
    if (pid == 0) {
        if (dup2(vers_enfant[0], STDIN_FILENO) < 0 || dup2(depuis_enfant[1], STDOUT_FILENO) < 0) _exit(126);
        close(vers_enfant[0]);
        close(vers_enfant[1]);
        close(depuis_enfant[0]);
        close(depuis_enfant[1]);
        if (chdir(inst.travail.chemin.c_str()) != 0) _exit(126);
        execl(exe.c_str(), "calcul_pi", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(vers_enfant[0]);
    close(depuis_enfant[1]);
    signal(SIGPIPE, SIG_IGN);
    std::size_t ecrit = 0;
    while (ecrit < entree.size()) {
        const ssize_t n = write(vers_enfant[1], entree.data() + ecrit, entree.size() - ecrit);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        ecrit += static_cast<std::size_t>(n);
    }
    close(vers_enfant[1]);
    resultat_execution r;
    char tampon[4096];
    for (;;) {
        const ssize_t lu = read(depuis_enfant[0], tampon, sizeof tampon);
        if (lu > 0) r.console.append(tampon, static_cast<std::size_t>(lu));
        else if (lu == 0 || errno != EINTR) break;
    }
    close(depuis_enfant[0]);
    int etat = 0;
    while (waitpid(pid, &etat, 0) < 0 && errno == EINTR) {
    }
    r.statut = statut_de(etat);
    return r;
}

std::string arguments_attendus(const std::string& n, const std::string& pas)
{
    return "[courant]\n[" + n + "]\n[" + pas + "]\n";
}

TEST(CalculPi, ReponsesTransmisesMotPourMot)
{
    const std::string quarante(40, '7');
    const std::string metacaracteres = "$(touch${IFS}pirate);rm*|&>x'\"`\\";
    struct cas {
        const char* nom;
        std::string entree, n, pas;
    };
    const cas tous[] = {
        {"deux lignes", "5\n2e16\n", "5", "2e16"},
        {"deux mots sur la première ligne", "1 2\n", "1", "2"},
        {"blancs avant et après", "  \t\n 10\t \n\n1e17   ", "10", "1e17"},
        {"réponse de 40 caractères", quarante + "\n" + quarante + "\n", quarante, quarante},
    };
    for (const cas& c : tous) {
        installation inst;
        const resultat_execution r = par_tube(inst, c.entree);
        EXPECT_EQ(r.statut, 0) << c.nom;
        EXPECT_EQ(r.console, accueil + question_1 + question_2 + "gain-lance\n") << c.nom;
        EXPECT_EQ(inst.arguments().value_or("(gain non lancé)"), arguments_attendus(c.n, c.pas)) << c.nom;
        EXPECT_FALSE(inst.travail.existe("pirate")) << c.nom;
        EXPECT_FALSE(inst.programmes.existe("pirate")) << c.nom;
        EXPECT_FALSE(inst.travail.existe("x")) << c.nom;
    }
}

// An answer that is no number, or a count below 1, is refused and the
// question asked again; gain never sees it (nor a shell its characters).
TEST(CalculPi, ReponsesInvalidesRedemandees)
{
    const std::string metacaracteres = "$(touch${IFS}pirate);rm*|&>x'\"`\\";
    struct cas {
        std::string entree, refus, n, pas;
    };
    const cas tous[] = {
        {"abc\n5\n2e16\n", "« abc » n'est pas un nombre de densités (1 au moins) : recommencez.\n" + question_1, "5", "2e16"},
        {"-5\n5\n2e16\n", "« -5 » n'est pas un nombre de densités", "5", "2e16"},
        {"5\n2,5e16\n2e16\n", "« 2,5e16 » n'est pas un nombre (pas en cm-3) : recommencez.\n" + question_2, "5", "2e16"},
        {metacaracteres + "\n3\n1e16\n", "n'est pas un nombre de densités", "3", "1e16"},
    };
    for (const cas& c : tous) {
        SCOPED_TRACE(c.entree);
        installation inst;
        const resultat_execution r = par_tube(inst, c.entree);
        EXPECT_EQ(r.statut, 0);
        EXPECT_NE(r.console.find(c.refus), std::string::npos) << r.console;
        EXPECT_EQ(inst.arguments().value_or("(gain non lancé)"), arguments_attendus(c.n, c.pas));
        EXPECT_FALSE(inst.travail.existe("pirate"));
        EXPECT_FALSE(inst.travail.existe("x"));
    }
    installation inst; // refused to the end of the input: gain is not started
    EXPECT_EQ(par_tube(inst, "abc\nx\n").statut, 1);
    EXPECT_FALSE(inst.arguments());
}

TEST(CalculPi, FinDeLEntreeAvantUneReponse)
{
    struct cas {
        const char* nom;
        std::string entree, invites, manque;
    };
    const cas tous[] = {
        {"aucune réponse", "", question_1, "nombre d'itérations"},
        {"blancs seulement", " \n\t\n", question_1, "nombre d'itérations"},
        {"une seule réponse", "5\n", question_1 + question_2, "pas du nombre de porteurs"},
    };
    for (const cas& c : tous) {
        installation inst;
        const resultat_execution r = par_tube(inst, c.entree);
        EXPECT_EQ(r.statut, 1) << c.nom;
        EXPECT_EQ(r.console.rfind(accueil + c.invites, 0), 0u) << c.nom << "\n" << r.console;
        EXPECT_NE(r.console.find(c.manque), std::string::npos) << c.nom << "\n" << r.console;
        EXPECT_FALSE(inst.arguments()) << c.nom;
    }
}

TEST(CalculPi, GainAbsent)
{
    installation inst(false);
    const resultat_execution r = par_tube(inst, "5\n2e16\n");
    EXPECT_EQ(r.statut, 1);
    const std::string chemin = (inst.programmes.chemin / "gain").string();
    EXPECT_NE(r.console.find("Impossible de lancer " + chemin), std::string::npos) << r.console;
}

TEST(CalculPi, StatutDeGainTransmis)
{
    for (int statut : {1, 7, 255}) {
        installation inst(true, statut);
        const resultat_execution r = par_tube(inst, "5\n2e16\n");
        EXPECT_EQ(r.statut, statut);
        EXPECT_EQ(inst.arguments().value_or(""), arguments_attendus("5", "2e16"));
    }
}

// Interactive use on a terminal: each prompt must be on screen before the
// program waits for its answer.
std::string lire_jusqu_a(int fd, const std::string& attendu, std::string& vu)
{
    char tampon[256];
    while (vu.find(attendu) == std::string::npos) {
        const ssize_t n = read(fd, tampon, sizeof tampon);
        if (n > 0) vu.append(tampon, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR) continue;
        else break; // EOF, or EIO once the terminal's last user has gone
    }
    return vu;
}

TEST(CalculPi, TerminalInteractif)
{
    installation inst;
    const int maitre = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(maitre, 0);
    ASSERT_EQ(grantpt(maitre), 0);
    ASSERT_EQ(unlockpt(maitre), 0);
    const std::string esclave = ptsname(maitre);
    const std::string exe = inst.calcul_pi();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setsid();
        const int fd = open(esclave.c_str(), O_RDWR);
        if (fd < 0 || dup2(fd, STDIN_FILENO) < 0 || dup2(fd, STDOUT_FILENO) < 0) _exit(126);
        close(fd);
        close(maitre);
        if (chdir(inst.travail.chemin.c_str()) != 0) _exit(126);
        execl(exe.c_str(), "calcul_pi", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string vu;
    lire_jusqu_a(maitre, "itérations : ", vu);
    ASSERT_NE(vu.find("itérations : "), std::string::npos) << vu;
    ASSERT_EQ(write(maitre, "5\n", 2), 2);
    lire_jusqu_a(maitre, "injectés : ", vu);
    ASSERT_NE(vu.find("injectés : "), std::string::npos) << vu;
    ASSERT_EQ(write(maitre, "2e16\n", 5), 5);
    lire_jusqu_a(maitre, "gain-lance", vu);
    int etat = 0;
    while (waitpid(pid, &etat, 0) < 0 && errno == EINTR) {
    }
    close(maitre);
    EXPECT_EQ(statut_de(etat), 0);
    EXPECT_NE(vu.find("gain-lance"), std::string::npos) << vu;
    EXPECT_EQ(inst.arguments().value_or(""), arguments_attendus("5", "2e16"));
}

} // namespace
