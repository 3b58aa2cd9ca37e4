// calcul_pi: asks for the number of carrier densities and the density step of
// a light-current series (asking again until each answer is a number), then
// runs gain in its "courant" mode with the two answers, word for word, and
// ends with gain's exit status.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

// One word of standard input as scanf "%s" reads it (leading white space
// skipped, the word ends at the next white space), of any length. Nothing when
// the input ends before a word starts.
std::optional<std::string> lire_mot()
{
    int c = std::getchar();
    while (c != EOF && std::isspace(c)) c = std::getchar();
    if (c == EOF) return std::nullopt;
    std::string mot;
    while (c != EOF && !std::isspace(c)) {
        mot.push_back(static_cast<char>(c));
        c = std::getchar();
    }
    if (c != EOF) std::ungetc(c, stdin); // the separator stays for the next read
    return mot;
}

std::optional<std::string> demander(const char* question)
{
    std::printf("%s", question);
    std::fflush(stdout);
    return lire_mot();
}

// An answer must be a number whole (strtod's, nothing after it), and the
// count at least 1; otherwise the question is asked again. Nothing at the end
// of the input.
std::optional<std::string> demander_nombre(const char* question, bool nombre_de_densites)
{
    for (;;) {
        std::optional<std::string> mot = demander(question);
        if (!mot) return std::nullopt;
        char* fin = nullptr;
        const double v = std::strtod(mot->c_str(), &fin);
        const bool nombre = fin != mot->c_str() && *fin == '\0' && std::isfinite(v);
        if (nombre && (!nombre_de_densites || v >= 1)) return mot;
        std::printf("« %s » n'est pas %s : recommencez.\n", mot->c_str(),
                    nombre_de_densites ? "un nombre de densités (1 au moins)" : "un nombre (pas en cm-3)");
    }
}

// gain lies next to this program: the folder of the running executable, not
// the current one (which holds config.ini).
std::optional<std::string> chemin_gain()
{
    std::vector<char> chemin(4096);
    const ssize_t n = readlink("/proc/self/exe", chemin.data(), chemin.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= chemin.size()) return std::nullopt;
    std::string exe(chemin.data(), static_cast<std::size_t>(n));
    const std::size_t barre = exe.rfind('/');
    return exe.substr(0, barre == std::string::npos ? 0 : barre + 1) + "gain";
}

// Starts gain with the two answers as its own arguments (no shell in between,
// so no character of an answer is interpreted) and returns its exit status.
int lancer_gain(const std::string& chemin, const std::string& iterations, const std::string& pas)
{
    std::string nom = "gain", mode = "courant", a1 = iterations, a2 = pas;
    char* argv[] = {nom.data(), mode.data(), a1.data(), a2.data(), nullptr};
    std::fflush(stdout); // our prompts before gain's own output
    pid_t pid = 0;
    const int erreur = posix_spawn(&pid, chemin.c_str(), nullptr, nullptr, argv, environ);
    if (erreur != 0) {
        std::printf("Impossible de lancer %s : %s\n", chemin.c_str(), std::strerror(erreur));
        return 1;
    }
    int statut = 0;
    while (waitpid(pid, &statut, 0) < 0) {
        if (errno != EINTR) {
            std::printf("Attente de %s impossible : %s\n", chemin.c_str(), std::strerror(errno));
            return 1;
        }
    }
    if (WIFEXITED(statut)) return WEXITSTATUS(statut);
    if (WIFSIGNALED(statut)) {
        std::printf("%s interrompu par le signal %d\n", chemin.c_str(), WTERMSIG(statut));
        return 128 + WTERMSIG(statut);
    }
    return 1;
}

} // namespace

int main()
{
    std::puts("Calcul du P-I d'une diode laser.");
    std::puts("Le fichier gain doit impérativement se trouver dans le même répertoire que ce programme.\n");

    const std::optional<std::string> iterations = demander_nombre("Nombre d'itérations : ", true);
    if (!iterations) {
        std::puts("\nFin de l'entrée sans réponse : le nombre d'itérations manque, gain n'est pas lancé.");
        return 1;
    }
    const std::optional<std::string> pas = demander_nombre("Pas du nombre de porteurs injectés : ", false);
    if (!pas) {
        std::puts("\nFin de l'entrée sans réponse : le pas du nombre de porteurs manque, gain n'est pas lancé.");
        return 1;
    }

    const std::optional<std::string> chemin = chemin_gain();
    if (!chemin) {
        std::puts("Impossible de lancer gain : le dossier de calcul_pi est introuvable (/proc/self/exe illisible).");
        return 1;
    }
    const int statut = lancer_gain(*chemin, *iterations, *pas);
    std::fflush(stdout);
    return statut;
}
