#include "configuration/ecriture.hpp"

#include <cerrno>
#include <cstring>

#include "configuration/arret.hpp"

namespace {

[[noreturn]] void echec_ecriture(const std::string& nom, int erreur)
{
    // A write that failed earlier may leave nothing for the flush to redo,
    // and errno has been reused since: the reason is then the general one.
    const char* raison = erreur != 0 ? std::strerror(erreur) : std::strerror(EIO);
    arreter("Erreur d'écriture dans le fichier " + nom + " : " + raison + "\n");
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
