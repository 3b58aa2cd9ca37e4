#include "programme/verrou.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "configuration/arret.hpp"

namespace {

// The process number written in the lock file, as text ("?" when unreadable).
std::string pid_inscrit(int fd)
{
    char texte[32] = {};
    const ssize_t lu = pread(fd, texte, sizeof texte - 1, 0);
    std::string pid;
    for (ssize_t i = 0; i < lu && texte[i] >= '0' && texte[i] <= '9'; ++i) pid += texte[i];
    return pid.empty() ? "?" : pid;
}

// The file at the path is still the one the descriptor holds: a run that
// ended may have removed it between our open and our lock.
bool meme_fichier(int fd)
{
    struct stat ouvert {}, chemin {};
    return fstat(fd, &ouvert) == 0 && stat(fichier_verrou, &chemin) == 0 && ouvert.st_dev == chemin.st_dev &&
           ouvert.st_ino == chemin.st_ino;
}

} // namespace

verrou_dossier::~verrou_dossier()
{
    if (fd < 0) return;
    // Removed while still held, so that no other run can take the old file.
    ::unlink(fichier_verrou);
    ::close(fd);
}

verrou_dossier verrouiller_dossier()
{
    for (;;) {
        const int fd = ::open(fichier_verrou, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EACCES || errno == EROFS || errno == EPERM) return verrou_dossier{};
            arreter(std::string("Impossible de créer le verrou ") + fichier_verrou + " du dossier courant : " +
                    std::strerror(errno) + "\n");
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int erreur = errno;
            // The holder writes its number right after taking the lock.
            std::string pid = pid_inscrit(fd);
            for (int i = 0; i < 50 && pid == "?"; ++i) {
                usleep(2000);
                pid = pid_inscrit(fd);
            }
            ::close(fd);
            if (erreur != EWOULDBLOCK)
                arreter(std::string("Impossible de verrouiller ") + fichier_verrou + " : " + std::strerror(erreur) +
                        "\n");
            arreter("Un calcul gain tourne déjà dans ce dossier (processus " + pid +
                    ") : attendez sa fin ou arrêtez-le ; rien n'est calculé ni écrit.\n");
        }
        if (!meme_fichier(fd)) {
            ::close(fd);
            continue;
        }
        verrou_dossier v(fd);
        const std::string texte = std::to_string(static_cast<long>(getpid())) + "\n";
        if (ftruncate(fd, 0) != 0 || pwrite(fd, texte.data(), texte.size(), 0) != static_cast<ssize_t>(texte.size()))
            arreter(std::string("Impossible d'écrire le verrou ") + fichier_verrou + " : " + std::strerror(errno) +
                    "\n");
        return v;
    }
}
