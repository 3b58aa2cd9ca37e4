#include "programme/preparation.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "configuration/arret.hpp"
#include "programme/bornes.hpp"
#include "configuration/cles.hpp"
#include "configuration/ecriture.hpp"
#include "configuration/lecteur_ini.hpp"
#include "programme/plausibilite.hpp"

namespace {

struct sortie {
    const char* cle;
    const char* quoi;
    const std::optional<std::string>& chemin;
    bool requise;
};

struct vu {
    dev_t dev;
    ino_t ino;
    const char* cle;
};

// An output that lies outside the run folder, or is a symbolic link, is
// written all the same (stored configurations may mean it) but said: it may
// overwrite another run's results. /dev/null is the one place outside that
// is plainly meant.
void avertir_hors_dossier(const sortie& s, const struct stat* avant, const journal& j)
{
    namespace fs = std::filesystem;
    const std::string nom = std::string(s.cle) + " [sortie] = " + *s.chemin;
    std::error_code e;
    if (fs::is_symlink(fs::symlink_status(*s.chemin, e))) {
        const fs::path cible = fs::read_symlink(*s.chemin, e);
        avertir(j, "Attention : " + nom + " est un lien symbolique vers " + cible.string() +
                       " : les résultats vont à un autre fichier que celui que le chemin nomme.\n");
        return;
    }
    if (avant != nullptr && !S_ISREG(avant->st_mode)) return; // /dev/null
    const fs::path dossier = fs::weakly_canonical(fs::current_path(e), e);
    const fs::path cible = fs::weakly_canonical(fs::absolute(*s.chemin, e), e);
    const auto [fin_dossier, reste] = std::mismatch(dossier.begin(), dossier.end(), cible.begin(), cible.end());
    if (fin_dossier != dossier.end() || reste == cible.end())
        avertir(j, "Attention : " + nom + " est hors du dossier du calcul (" + cible.string() +
                       ") : un fichier d'un autre calcul peut y être remplacé.\n");
}

// Every output path is tried before any output file is created or emptied:
// each must be creatable (its folder exists and takes a new file; an existing
// file must open for writing, which leaves its bytes alone), no two may be the
// same file, and none may be config.ini. A failure names the file, its path,
// its key and the system's reason; the files this check created are removed
// again, so every file is left as it was. /dev/null may take any output (and
// be shared); any other device, and a named pipe, are refused: a pipe
// blocks the run until someone reads it, and a device is no results file.
void verifier_chemins_sortie(const parametres_sortie& p, const journal& j)
{
    const sortie sorties[] = {
        {"fichier_gain", "fichier de sortie du gain", p.fichier_gain, true},
        {"fichier_param", "fichier de sortie des parametres", p.fichier_param, true},
        {"fichier_P-I", "fichier de P-I", p.fichier_PI, true},
        {"fichier_dispersion", "fichier de dispersion", p.fichier_dispersion, false},
        {"fichier_enveloppes", "fichier des enveloppes", p.fichier_enveloppes, false},
        {"fichier_resultats", "fichier des résultats", p.fichier_resultats, false},
    };
    std::vector<vu> fichiers;
    struct stat config {};
    if (stat(fichier_config, &config) == 0) fichiers.push_back({config.st_dev, config.st_ino, nullptr});
    std::vector<std::filesystem::path> crees;
    auto refuser = [&](const sortie& s, const std::string& raison) {
        for (const auto& c : crees) ::unlink(c.c_str());
        if (!s.chemin) arreter(std::string("Erreur creation ") + s.quoi + " : (clé absente)\n");
        arreter(std::string("Erreur creation ") + s.quoi + " : " + *s.chemin + " (clé " + s.cle + " [sortie]) : " +
                raison + "\n");
    };
    for (const sortie& s : sorties) {
        if (!s.chemin) {
            if (s.requise) refuser(s, "");
            continue;
        }
        const char* chemin = s.chemin->c_str();
        struct stat avant {};
        const bool existait = stat(chemin, &avant) == 0;
        if (existait && !S_ISREG(avant.st_mode)) {
            if (S_ISDIR(avant.st_mode)) refuser(s, std::strerror(EISDIR));
            if (S_ISFIFO(avant.st_mode))
                refuser(s, "c'est un tube nommé (FIFO), que le calcul attendrait sans fin ; donnez un fichier ordinaire");
            struct stat nul {};
            const bool dev_null = stat("/dev/null", &nul) == 0 && nul.st_rdev == avant.st_rdev &&
                                  S_ISCHR(avant.st_mode) && S_ISCHR(nul.st_mode);
            if (!dev_null)
                refuser(s, "ce n'est pas un fichier ordinaire (périphérique ou socket) ; seul /dev/null peut "
                           "remplacer un fichier de résultats");
            if (access(chemin, W_OK) != 0) refuser(s, std::strerror(errno));
            avertir_hors_dossier(s, &avant, j);
            continue;
        }
        // The results go to a temporary beside the file first: its folder
        // must take a new file even when the file exists.
        if (existait) {
            const std::string provisoire = nom_provisoire(fichier_designe(chemin), static_cast<long>(getpid()));
            ::unlink(provisoire.c_str()); // a dead process's, that bore this number
            const int essai_fd = ::open(provisoire.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            if (essai_fd < 0) refuser(s, std::strerror(errno));
            ::close(essai_fd);
            ::unlink(provisoire.c_str());
        }
        const int fd = ::open(chemin, existait ? O_WRONLY : O_WRONLY | O_CREAT, 0666);
        if (fd < 0) refuser(s, std::strerror(errno));
        struct stat apres {};
        const int etat = fstat(fd, &apres);
        ::close(fd);
        if (!existait) {
            std::error_code ignore;
            crees.push_back(std::filesystem::canonical(chemin, ignore));
        }
        if (etat != 0) continue;
        for (const vu& v : fichiers)
            if (v.dev == apres.st_dev && v.ino == apres.st_ino)
                refuser(s, v.cle ? std::string("même fichier que la clé ") + v.cle + " [sortie]"
                                 : std::string("c'est le fichier de configuration ") + fichier_config);
        fichiers.push_back({apres.st_dev, apres.st_ino, s.cle});
        avertir_hors_dossier(s, existait ? &avant : nullptr, j);
    }
    // The trial leaves nothing: the run writes each file beside it and puts
    // it in place at its end, so a later stop leaves no empty file behind.
    for (const auto& c : crees) ::unlink(c.c_str());
}

} // namespace

calcul_prepare preparer_calcul(int argc, const char* const* argv, const journal& j)
{
    verifier_ligne_commande(argc, argv);
    // Numbers are read and written with '.' whatever the user's locale: the
    // program stays in the C locale.
    // A folder, a pipe or a device named config.ini would read as an empty
    // file (or block), and the run would stop on its first key.
    struct stat config {};
    if (stat(fichier_config, &config) == 0 && !S_ISREG(config.st_mode))
        arreter(std::string("Le fichier de configuration ") + fichier_config + " du dossier courant n'est pas un " +
                "fichier ordinaire (" +
                (S_ISDIR(config.st_mode)    ? "c'est un dossier"
                 : S_ISFIFO(config.st_mode) ? "c'est un tube nommé"
                                            : "c'est un périphérique ou une socket") +
                ") : rien n'est calculé ni écrit.\n");
    if (!fichier_lisible(fichier_config))
        arreter(std::string("Impossible de lire le fichier de configuration ") + fichier_config +
                " (absent ou illisible) dans le dossier courant.\n");
    verifier_octets(fichier_config, j);

    // Every key is read and checked, and the material model formed, before
    // any output file is created or emptied: a slip leaves the results of
    // the previous run alone.
    calcul_prepare c;
    avertir_structure(fichier_config, cles_config(), j);
    lire_fichiers_sortie(fichier_config, c.p, j);
    lire_parametres(fichier_config, c.p, j);
    c.commande = lire_ligne_commande(argc, argv);
    verifier_serie(c.p.calcul.Ninj, c.commande);
    c.m = modele_materiau(c.p.couches, c.p.calcul.Ninj, c.p.calcul.demi_largeur_lorentz);
    avertir_invraisemblances(c.p, c.m, j);
    verifier_bornes(c.p, {c.m.Vc, c.m.Vv, c.m.dE_hydro},
                    {nombre_de_passes(c.commande.nombre_iterations), c.commande.pas_porteurs_cm3},
                    memoire_disponible());
    verifier_chemins_sortie(c.p.sortie, j);
    return c;
}
