#include "programme/pilote.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
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

const char* const usage = "Usage : gain [courant <nombre de densites> <pas en cm-3>]\n"
                          "  sans argument : une densite, Ninj de config.ini (dossier courant) ;\n"
                          "  courant N pas : N densites, Ninj, Ninj + pas, ...\n"
                          "  gain --help : cette aide ; gain --version : la version.\n"
                          "Les cles de config.ini et les fichiers ecrits sont decrits dans le README du projet.\n";

bool mode_courant(int argc, const char* const* argv) { return argc >= 2 && std::strcmp(argv[1], "courant") == 0; }

// A whole number text: strtod's number and nothing after it but blanks.
std::optional<double> nombre_de(const char* texte)
{
    char* fin = nullptr;
    const double v = std::strtod(texte, &fin);
    if (fin == texte) return std::nullopt;
    while (*fin == ' ' || *fin == '\t') ++fin;
    if (*fin != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

// The two numbers of "courant", checked before anything is computed.
void verifier_ligne_commande(int argc, const char* const* argv)
{
    if (!mode_courant(argc, argv)) return;
    if (argc < 4)
        arreter(std::string("Le mode courant demande deux nombres : gain courant <nombre de densites> <pas en cm-3>\n") +
                usage);
    for (int i = 2; i < 4; ++i)
        if (!nombre_de(argv[i]))
            arreter(std::string("Le mode courant demande deux nombres : « ") + argv[i] + " » n'en est pas un.\n" + usage);
}

ligne_commande lire_ligne_commande(int argc, const char* const* argv)
{
    ligne_commande l;
    if (mode_courant(argc, argv)) {
        l.nombre_iterations = *nombre_de(argv[2]);
        l.pas_porteurs_cm3 = *nombre_de(argv[3]);
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

// Every density of the series must be positive: the last one is the lowest
// when the step is negative.
void verifier_serie(const parametres_calcul& p, const ligne_commande& commande)
{
    const int n = nombre_de_passes(commande.nombre_iterations);
    const double derniere = p.Ninj + (n - 1) * commande.pas_porteurs_cm3; // cm-3
    if (n > 1 && !(derniere > 0))
        arreter("Le mode courant donnerait des densites negatives ou nulles : Ninj + (" + std::to_string(n) +
                " - 1) x pas = " + std::to_string(derniere) + " cm-3 ; augmentez Ninj ou le pas.\n" + usage);
}

int executer(int argc, const char* const* argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("gain " GAIN_VERSION);
        return 0;
    }
    // Numbers are read and written with '.' whatever the user's locale: the
    // program stays in the C locale.
    if (!fichier_lisible(fichier_config))
        arreter(std::string("Impossible de lire le fichier de configuration ") + fichier_config +
                " (absent ou illisible) dans le dossier courant.\n");
    verifier_ligne_commande(argc, argv);

    // Every key is read and checked, and the material model formed, before
    // any output file is created or emptied: a slip leaves the results of
    // the previous run alone.
    avertir_structure(fichier_config, cles_config());
    parametres_calcul p;
    lire_fichiers_sortie(fichier_config, p);
    lire_parametres(fichier_config, p);
    const ligne_commande commande = lire_ligne_commande(argc, argv);
    verifier_serie(p, commande);
    const resultats_materiau m = modele_materiau(p);
    fichiers_sortie f = ouvrir_fichiers(p);

    afficher_banniere();
    afficher_resume_materiau(m);

    const resultats_k0 k0 = calculer_niveaux_k0(p, m);
    verifier_niveaux_k0(k0);

    const resultats_dispersion d = calculer_dispersion(p, m, k0);
    if (f.dispersion) {
        ecrire_fichier_dispersion(f.dispersion.get(), d);
        f.dispersion.reset();
    }

    const etat_seuil seuil = boucle_porteurs(p, m, k0, d, commande, f);
    const double pente = courbe_pi(p, seuil, f.pi.get());
    afficher_resume_seuil(p, seuil, pente);

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
