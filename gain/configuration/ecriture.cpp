#include "configuration/ecriture.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "configuration/arret.hpp"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void echec_ecriture(const std::string& nom, int erreur)
{
    // A write that failed earlier may leave nothing for the flush to redo,
    // and errno has been reused since: the reason is then the general one.
    const char* raison = erreur != 0 ? std::strerror(erreur) : std::strerror(EIO);
    arreter("Erreur d'écriture dans le fichier " + nom + " : " + raison + "\n");
}

// The process number of a temporary of `base` (".<base>.tmp.<pid>"), or 0
// when the name is not one.
long pid_provisoire(const std::string& nom, const std::string& base)
{
    // (appended piece by piece: GCC 12 warns wrongly of "." + base)
    std::string debut = ".";
    debut.append(base).append(".tmp.");
    if (nom.size() <= debut.size() || nom.size() > debut.size() + 9 || nom.compare(0, debut.size(), debut) != 0)
        return 0;
    long pid = 0;
    for (std::size_t i = debut.size(); i < nom.size(); ++i) {
        if (nom[i] < '0' || nom[i] > '9') return 0;
        pid = pid * 10 + (nom[i] - '0');
    }
    return pid;
}

// A process that no longer runs: kill(pid, 0) finds nobody. One that runs
// under another user (EPERM) is alive.
bool processus_disparu(long pid)
{
    return pid > 0 && pid != static_cast<long>(getpid()) && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The temporaries of `cible` that a killed run left beside it.
void effacer_orphelins(const fs::path& cible)
{
    const fs::path dossier = cible.has_parent_path() ? cible.parent_path() : fs::path(".");
    const std::string base = cible.filename().string();
    std::error_code e;
    for (fs::directory_iterator it(dossier, e), fin; !e && it != fin; it.increment(e)) {
        const std::string nom = it->path().filename().string();
        if (processus_disparu(pid_provisoire(nom, base)) && it->symlink_status(e).type() == fs::file_type::regular)
            ::unlink(it->path().c_str());
    }
}

} // namespace

void vider_fichier(std::FILE* f, const std::string& nom)
{
    errno = 0;
    if (std::fflush(f) != 0) echec_ecriture(nom, errno);
    if (std::ferror(f)) echec_ecriture(nom, 0);
}

void fermer_fichier(fichier& f, const std::string& nom)
{
    if (!f) return;
    vider_fichier(f.get(), nom);
    errno = 0;
    if (std::fclose(f.release()) != 0) echec_ecriture(nom, errno);
}

fichier_provisoire& fichier_provisoire::operator=(fichier_provisoire&& autre) noexcept
{
    if (this != &autre) {
        if (!chemin.empty()) ::unlink(chemin.c_str());
        chemin = std::move(autre.chemin);
        autre.chemin.clear();
    }
    return *this;
}

fichier_provisoire::~fichier_provisoire()
{
    if (!chemin.empty()) ::unlink(chemin.c_str());
}

// The file a path designates, through its symbolic links; the path itself
// when it cannot be resolved (a new file, a dangling link).
std::string fichier_designe(const std::string& chemin)
{
    struct stat l {};
    if (lstat(chemin.c_str(), &l) != 0 || !S_ISLNK(l.st_mode)) return chemin;
    char resolu[PATH_MAX];
    return realpath(chemin.c_str(), resolu) ? std::string(resolu) : chemin;
}

std::string nom_provisoire(const std::string& cible, long pid)
{
    const fs::path c(cible);
    std::string nom = ".";
    nom.append(c.filename().string()).append(".tmp.").append(std::to_string(pid));
    return (c.parent_path() / nom).string();
}

sortie_atomique ouvrir_sortie(const std::string& chemin)
{
    sortie_atomique s;
    s.nom = chemin;
    s.cible = fichier_designe(chemin);
    struct stat avant {};
    const bool existe = stat(s.cible.c_str(), &avant) == 0;
    if (existe && !S_ISREG(avant.st_mode)) {
        s.flux.reset(std::fopen(s.cible.c_str(), "w"));
        return s;
    }
    effacer_orphelins(s.cible);
    const std::string provisoire = nom_provisoire(s.cible, static_cast<long>(getpid()));
    // A name of this process left by an earlier one that bore the same number.
    ::unlink(provisoire.c_str());
    const int fd = ::open(provisoire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return s;
    s.provisoire = fichier_provisoire(provisoire);
    // The results replace the file with its permissions, not the umask's.
    if (existe) (void)fchmod(fd, avant.st_mode & 07777);
    s.flux.reset(fdopen(fd, "w"));
    if (!s.flux) {
        const int erreur = errno;
        ::close(fd);
        errno = erreur;
    }
    return s;
}

void terminer_sortie(sortie_atomique& s)
{
    if (!s.flux) return;
    vider_fichier(s.flux.get(), s.nom);
    // On the disk before the rename, so that a crash of the machine cannot
    // leave an empty file where the previous results were.
    errno = 0;
    if (!s.provisoire.chemin.empty() && fsync(fileno(s.flux.get())) != 0) echec_ecriture(s.nom, errno);
    fermer_fichier(s.flux, s.nom);
}

void publier_sortie(sortie_atomique& s)
{
    if (s.provisoire.chemin.empty()) return;
    errno = 0;
    if (std::rename(s.provisoire.chemin.c_str(), s.cible.c_str()) != 0) echec_ecriture(s.nom, errno);
    s.provisoire.chemin.clear();
}
