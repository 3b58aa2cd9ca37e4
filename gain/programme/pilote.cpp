#include "programme/pilote.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "configuration/arret.hpp"
#include "configuration/fichier.hpp"
#include "configuration/lecteur_ini.hpp"
#include "configuration/parametres.hpp"
#include "dispersion/dispersion.hpp"
#include "gain_optique/fermi.hpp"
#include "gain_optique/recouvrements.hpp"
#include "gain_optique/spectres.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"
#include "seuil_pi/courbe_pi.hpp"
#include "seuil_pi/seuil.hpp"

namespace {

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

// Pass count: the count of the command line truncated toward zero.
int nombre_de_passes(double nombre_iterations)
{
    if (!(nombre_iterations >= 1.0)) return 0;
    if (nombre_iterations >= 2147483647.0) return 2147483647;
    return static_cast<int>(nombre_iterations);
}

// The carrier-density series: one pass per density, each finding the
// quasi-Fermi levels, the spectra and the threshold line. The overlaps do not
// depend on the density and are computed once.
etat_seuil boucle_porteurs(const parametres_calcul& p, const resultats_materiau& m, const resultats_k0& k0,
                           const resultats_dispersion& d, const ligne_commande& commande, fichiers_sortie& f)
{
    const double Ninj_depart = m.Ninj_surf;
    // cm-3 -> m-3, times the well width in metres: a sheet density step.
    const double pas_porteurs = commande.pas_porteurs_cm3 / 1e-6 * (p.largeur_puits * 1e-10);

    ecrire_entete_gain(f.gain.get());
    ecrire_entete_param(f.param.get());

    const recouvrements r = calculer_recouvrements(p, m, k0);
    if (f.enveloppes) {
        ecrire_fichier_enveloppes(f.enveloppes.get(), p, m, k0);
        f.enveloppes.reset();
    }

    etat_seuil seuil;
    spectres s;
    const int n = nombre_de_passes(commande.nombre_iterations);
    for (int i = 0; i < n; ++i) {
        const double N = Ninj_depart + i * pas_porteurs;
        double EFC = -100.0;
        double EFV = -100.0;
        if (N > 0) {
            EFC = chercher_EFC(N, p, m, k0);
            EFV = chercher_EFV(N, p, d);
        }
        std::printf("Calcul du gain pour N = %e...\n", N * 1e-6 / (p.largeur_puits * 1e-10));
        std::printf("EFC : %f meV\n", EFC);
        std::printf("EFV : %f meV\n", -EFV);
        calculer_spectres(EFC, EFV, r, p, m, k0, d, f.gain.get(), s);
        if (calculer_seuil(i, commande.nombre_iterations, N, s.gain_te, s.rsp, s.Gmax, s.energie_gmax,
                           s.energie_gmax_definie, p, f.param.get(), seuil))
            break;
    }
    return seuil;
}

// The gain needs electrons and holes: without a bound level in either band
// nothing after the zone-centre levels has a meaning.
void verifier_niveaux_k0(const resultats_k0& k0)
{
    if (k0.E.nb() == 0)
        arreter("Aucun niveau de conduction lié dans le puits : le gain ne peut pas être calculé "
                "(vérifiez Vc, la largeur du puits et deltaE).\n");
    if (k0.HH.nb() + k0.LH.nb() == 0)
        arreter("Aucun niveau de trou (HH ou LH) lié au centre de zone : la dispersion de la bande de valence "
                "ne peut pas être calculée (vérifiez Vv, la largeur du puits et deltaE).\n");
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
    fichiers_sortie f = ouvrir_fichiers(p);
    lire_parametres(fichier_config, p);

    const resultats_materiau m = modele_materiau(p);
    afficher_banniere();
    afficher_resume_materiau(m);

    const resultats_k0 k0 = calculer_niveaux_k0(p, m);
    verifier_niveaux_k0(k0);

    const resultats_dispersion d = calculer_dispersion(p, m, k0);
    if (f.dispersion) {
        ecrire_fichier_dispersion(f.dispersion.get(), d);
        f.dispersion.reset();
    }

    const ligne_commande commande = lire_ligne_commande(argc, argv);
    const etat_seuil seuil = boucle_porteurs(p, m, k0, d, commande, f);
    courbe_pi(p, seuil, f.pi.get());

    f.gain.reset();
    f.param.reset();
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
