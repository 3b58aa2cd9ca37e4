// End-to-end harness: runs a real program in a fresh temporary folder, as a
// user would from the folder that holds config.ini, and hands back its exit
// status, its console text and the files it left there.
//
// Header only, so that any test program (e2e, calcul_pi) can include it.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

struct resultat_execution {
    int statut = -1;     // exit status; 128 + signal number when killed by a signal
    std::string console; // everything written on standard output
};

// A temporary folder, removed with everything in it when the object goes.
struct dossier_temporaire {
    std::filesystem::path chemin;

    dossier_temporaire()
    {
        std::string modele = (std::filesystem::temp_directory_path() / "gain_e2e_XXXXXX").string();
        if (mkdtemp(modele.data()) == nullptr) throw std::runtime_error("mkdtemp a echoue");
        chemin = modele;
    }
    ~dossier_temporaire()
    {
        std::error_code ignore;
        std::filesystem::remove_all(chemin, ignore);
    }
    dossier_temporaire(const dossier_temporaire&) = delete;
    dossier_temporaire& operator=(const dossier_temporaire&) = delete;

    void ecrire(const std::string& nom, const std::string& texte) const
    {
        std::ofstream f(chemin / nom, std::ios::binary);
        f << texte;
    }
    void ecrire_config(const std::string& texte) const { ecrire("config.ini", texte); }

    bool existe(const std::string& nom) const { return std::filesystem::exists(chemin / nom); }

    // Contents of a file of the folder, nothing when it does not exist.
    std::optional<std::string> lire(const std::string& nom) const
    {
        std::ifstream f(chemin / nom, std::ios::binary);
        if (!f) return std::nullopt;
        std::ostringstream contenu;
        contenu << f.rdbuf();
        return contenu.str();
    }

    // Names of the entries of the folder, sorted.
    std::vector<std::string> fichiers() const
    {
        std::vector<std::string> noms;
        for (const auto& e : std::filesystem::directory_iterator(chemin)) noms.push_back(e.path().filename().string());
        std::sort(noms.begin(), noms.end());
        return noms;
    }
};

// Runs `executable` with `arguments` (argv[1]...) in `dossier`, its standard
// input fed with `entree`, its standard output captured (standard error is
// left to the test's own, where sanitizer reports then show).
inline resultat_execution executer_programme(const std::string& executable, const std::vector<std::string>& arguments,
                                             const std::filesystem::path& dossier, const std::string& entree = "")
{
    // The input goes through a file so that a program that does not read it
    // cannot block the writer.
    const std::filesystem::path fichier_entree = dossier.parent_path() / (dossier.filename().string() + ".entree");
    {
        std::ofstream f(fichier_entree, std::ios::binary);
        f << entree;
    }
    int tube[2];
    if (pipe(tube) != 0) throw std::runtime_error("pipe a echoue");

    std::vector<std::string> mots{executable};
    mots.insert(mots.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& m : mots) argv.push_back(m.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork a echoue");
    if (pid == 0) {
        // Child: only async-signal-safe calls until exec.
        const int fd_entree = open(fichier_entree.c_str(), O_RDONLY);
        if (fd_entree < 0 || dup2(fd_entree, STDIN_FILENO) < 0 || dup2(tube[1], STDOUT_FILENO) < 0) _exit(126);
        close(fd_entree);
        close(tube[0]);
        close(tube[1]);
        if (chdir(dossier.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(tube[1]);
    resultat_execution r;
    char tampon[4096];
    for (;;) {
        const ssize_t lu = read(tube[0], tampon, sizeof tampon);
        if (lu > 0) r.console.append(tampon, static_cast<std::size_t>(lu));
        else if (lu == 0 || errno != EINTR) break;
    }
    close(tube[0]);
    int etat = 0;
    while (waitpid(pid, &etat, 0) < 0 && errno == EINTR) {
    }
    std::error_code ignore;
    std::filesystem::remove(fichier_entree, ignore);
    if (WIFEXITED(etat)) r.statut = WEXITSTATUS(etat);
    else if (WIFSIGNALED(etat)) r.statut = 128 + WTERMSIG(etat);
    return r;
}

#ifdef GAIN_EXE
// gain in `dossier`, config.ini written there first from `config` (when given).
inline resultat_execution executer_gain_dans(const dossier_temporaire& dossier,
                                             const std::optional<std::string>& config,
                                             const std::vector<std::string>& arguments = {})
{
    if (config) dossier.ecrire_config(*config);
    return executer_programme(GAIN_EXE, arguments, dossier.chemin);
}
#endif
