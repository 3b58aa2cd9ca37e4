#include "configuration/pilote.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "configuration/lecteur_ini.hpp"
#include "configuration/parametres.hpp"
#include "numerique/arret.hpp"

namespace {

struct fermeture_fichier {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using fichier = std::unique_ptr<std::FILE, fermeture_fichier>;

// The output streams, open for the whole run; a stop closes them on the way
// out, so what was written stays.
struct fichiers_sortie {
    fichier gain, param, pi, dispersion, enveloppes;
};

fichier ouvrir(const std::optional<std::string>& chemin)
{
    return fichier(chemin ? std::fopen(chemin->c_str(), "w") : nullptr);
}

void verifier_ouverture(const fichier& f, const std::optional<std::string>& chemin, const char* quoi)
{
    if (!f) arreter(std::string("Erreur creation ") + quoi + " : " + (chemin ? *chemin : "(clé absente)") + "\n");
}

// Every file is opened before any result is tested, so that each one whose
// opening succeeds exists (empty) whatever happens to the others.
fichiers_sortie ouvrir_fichiers(const parametres_calcul& p)
{
    fichiers_sortie f;
    f.gain = ouvrir(p.fichier_gain);
    f.param = ouvrir(p.fichier_param);
    f.pi = ouvrir(p.fichier_PI);
    if (p.fichier_dispersion) f.dispersion = ouvrir(p.fichier_dispersion);
    if (p.fichier_enveloppes) f.enveloppes = ouvrir(p.fichier_enveloppes);
    verifier_ouverture(f.gain, p.fichier_gain, "fichier de sortie du gain");
    verifier_ouverture(f.param, p.fichier_param, "fichier de sortie des parametres");
    verifier_ouverture(f.pi, p.fichier_PI, "fichier de P-I");
    if (p.fichier_dispersion) verifier_ouverture(f.dispersion, p.fichier_dispersion, "fichier de dispersion");
    if (p.fichier_enveloppes) verifier_ouverture(f.enveloppes, p.fichier_enveloppes, "fichier des enveloppes");
    return f;
}

void afficher_banniere()
{
    std::puts("###################################################");
    std::puts("#                                                 #");
    std::puts("#    Calcul du gain dans une diode laser SQW      #");
    std::printf("#%-49s#\n", "    gain 1.0 : gain, seuil et courbe P-I");
    std::puts("#                                                 #");
    std::puts("###################################################\n");
}

// Command line: nothing, or exactly "courant" with a count and a step (cm-3).
struct ligne_commande {
    double nombre_iterations = 1.0;
    double pas_porteurs_cm3 = 0.0;
};

bool mode_courant(int argc, const char* const* argv) { return argc >= 2 && std::strcmp(argv[1], "courant") == 0; }

void verifier_ligne_commande(int argc, const char* const* argv)
{
    if (mode_courant(argc, argv) && argc < 4)
        arreter("Le mode courant demande deux nombres : gain courant <nombre de densites> <pas en cm-3>\n");
}

ligne_commande lire_ligne_commande(int argc, const char* const* argv)
{
    ligne_commande l;
    if (mode_courant(argc, argv)) {
        l.nombre_iterations = std::atof(argv[2]);
        l.pas_porteurs_cm3 = std::atof(argv[3]);
    }
    return l;
}

int executer(int argc, const char* const* argv)
{
    // Numbers are read and written with '.' whatever the user's locale: the
    // program stays in the C locale.
    if (!fichier_lisible(fichier_config))
        arreter(std::string("Impossible de lire le fichier de configuration ") + fichier_config +
                " (absent ou illisible) dans le dossier courant.\n");
    verifier_ligne_commande(argc, argv);

    parametres_calcul p;
    lire_fichiers_sortie(fichier_config, p);
    fichiers_sortie fichiers = ouvrir_fichiers(p);
    lire_parametres(fichier_config, p);

    afficher_banniere();

    const ligne_commande commande = lire_ligne_commande(argc, argv);
    (void)commande;

    fichiers.gain.reset();
    fichiers.param.reset();
    std::printf("Calculs terminés. Résultats disponibles dans %s\n", p.fichier_gain->c_str());
    return 0;
}

} // namespace

int executer_gain(int argc, const char* const* argv)
{
    int statut = 0;
    try {
        statut = executer(argc, argv);
    } catch (const arret_calcul& arret) {
        std::fputs(arret.message.c_str(), stdout);
        statut = arret.statut;
    } catch (const std::bad_alloc&) {
        std::puts("Impossible d'initialiser avec malloc");
        statut = statut_erreur_allocation;
    }
    std::fflush(stdout);
    return statut;
}
