#include "configuration/bornes.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "configuration/arret.hpp"
#include "configuration/fichier.hpp"

namespace {

// The message, whatever the length of the numbers in it.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void refuser(const char* format, ...)
{
    std::va_list arguments, copie;
    va_start(arguments, format);
    va_copy(copie, arguments);
    const int n = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string message(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    std::vsnprintf(message.data(), message.size() + 1, format, copie);
    va_end(copie);
    arreter(message);
}

// "Valeur hors bornes pour la clé <key> [section] : <value> ; accepté : <range> (<reason>)."
[[noreturn]] void refuser_cle(const char* section, const char* cle, double valeur, const char* plage,
                              const char* raison)
{
    refuser("Valeur hors bornes pour la clé %s [%s] : %g ; accepté : %s (%s).\n", cle, section, valeur, plage,
            raison);
}

// v within [min, max]; NaN is outside every range.
void borner(double v, double min, double max, const char* section, const char* cle, const char* plage,
            const char* raison)
{
    if (!(v >= min && v <= max)) refuser_cle(section, cle, v, plage, raison);
}

// v within ]0, max].
void borner_positif(double v, double max, const char* section, const char* cle, const char* plage,
                    const char* raison)
{
    if (!(v > 0 && v <= max)) refuser_cle(section, cle, v, plage, raison);
}

// Points of the zone-centre grid of a band of height V (meV), as the level
// search counts them: trunc(V / deltaE), none when V <= 0.
double points_zone_centre(double V, double deltaE) { return V > 0 ? std::trunc(V / deltaE) : 0.0; }

// Points of the dispersion's energy grid: from -(|dE_hydro|/3 + |Vv|) up to
// Vv in steps of deltaE, as the scan builds it.
double points_dispersion(const ampleur_structure& a, double deltaE)
{
    return (a.Vv + std::fabs(a.dE_hydro / 3) + std::fabs(a.Vv)) / deltaE + 2.0;
}

// Photon energies of one spectrum: debut_E, debut_E + 1, ... up to fin_E.
double points_spectre(const parametres_calcul& p)
{
    return p.calcul.fin_E < p.calcul.debut_E ? 0.0 : std::floor(p.calcul.fin_E - p.calcul.debut_E) + 1;
}

void verifier_grilles(const parametres_calcul& p, const ampleur_structure& a)
{
    const double n_zone_centre = std::max(points_zone_centre(a.Vc, p.calcul.deltaE), points_zone_centre(a.Vv, p.calcul.deltaE));
    const double n_dispersion = a.Vv > 0 ? points_dispersion(a, p.calcul.deltaE) : 0.0;
    const double n = std::max(n_zone_centre, n_dispersion);
    if (!(n <= bornes::points_grille_max)) {
        // deltaE that brings the larger grid within the bound
        const double etendue = std::max({a.Vc, a.Vv, a.Vv > 0 ? n_dispersion * p.calcul.deltaE : 0.0});
        refuser("Valeur hors bornes pour la clé deltaE [calcul] : %g meV donne %.3g points d'énergie "
                "(Vc = %g meV, Vv = %g meV) ; accepté : au plus %.0f points, soit deltaE >= %g meV (au-delà, "
                "la recherche des niveaux et la dispersion ne finissent pas en un temps raisonnable).\n",
                p.calcul.deltaE, n, a.Vc, a.Vv, bornes::points_grille_max, etendue / bornes::points_grille_max);
    }
}

void verifier_plan(const parametres_calcul& p, const ampleur_structure& a)
{
    const double points_plan = static_cast<double>(p.calcul.Nk) * p.calcul.Nky;
    if (p.calcul.Nky > 1 && !(points_plan <= bornes::points_plan_max)) {
        refuser("Valeur hors bornes pour la clé Nk [calcul] : %d avec variation_en_ky = %d donne %.0f points "
                "(kx, ky) ; accepté : au plus %.0f points, soit Nk <= %d avec ky (au-delà, la table de la "
                "dispersion ne tient plus en mémoire).\n",
                p.calcul.Nk, p.calcul.variation_en_ky, points_plan, bornes::points_plan_max,
                static_cast<int>(std::sqrt(bornes::points_plan_max)) - 1);
    }
    // Every (kx, ky) point scans the whole energy grid at most once: the
    // nominal count bounds the time of the scan (about 130 ns an evaluation
    // on one core of a 2020s machine, so 1e11 is some 4 hours).
    if (a.Vv > 0) {
        const double evaluations = points_dispersion(a, p.calcul.deltaE) * points_plan;
        if (!(evaluations <= bornes::evaluations_dispersion_max)) {
            refuser("Calcul trop long : la dispersion demande %.3g évaluations (%.3g points d'énergie pour "
                    "deltaE = %g meV, fois %.0f points (kx, ky) pour Nk = %d et variation_en_ky = %d) ; "
                    "accepté : au plus %.0e (quelques heures) ; augmentez deltaE ou diminuez Nk.\n",
                    evaluations, points_dispersion(a, p.calcul.deltaE), p.calcul.deltaE, points_plan, p.calcul.Nk,
                    p.calcul.variation_en_ky, bornes::evaluations_dispersion_max);
        }
    }
}

void verifier_serie(const parametres_calcul& p, const serie_demandee& s)
{
    if (s.nombre_passes > bornes::passes_max) {
        refuser("Nombre de densités hors bornes : %d ; accepté : de 1 à %d (gain courant <nombre de densites> "
                "<pas en cm-3>).\n",
                s.nombre_passes, bornes::passes_max);
    }
    // The last density of the series is the largest when the step is positive.
    const double derniere = p.calcul.Ninj + (s.nombre_passes - 1) * s.pas_porteurs_cm3;
    if (s.nombre_passes > 1 && !(derniere <= bornes::densite_max)) {
        refuser("Densité hors bornes : la série va jusqu'à %g cm-3 (Ninj = %g cm-3, %d densités au pas de %g "
                "cm-3) ; accepté : au plus %g cm-3 (gain courant <nombre de densites> <pas en cm-3>).\n",
                derniere, p.calcul.Ninj, s.nombre_passes, s.pas_porteurs_cm3, bornes::densite_max);
    }
    const double lignes = s.nombre_passes * points_spectre(p);
    if (!(lignes <= bornes::lignes_gain_max)) {
        refuser("Fichier de gain trop grand : %d densités fois %.0f énergies (debut_E = %g, fin_E = %g meV) "
                "font %.3g lignes ; accepté : au plus %.0e lignes (environ 5 Go).\n",
                s.nombre_passes, points_spectre(p), p.calcul.debut_E, p.calcul.fin_E, lignes, bornes::lignes_gain_max);
    }
}

double lire_limite_cgroup(const char* chemin)
{
    fichier f(std::fopen(chemin, "r"));
    double v = 0;
    if (f && std::fscanf(f.get(), "%lf", &v) == 1 && v > 0) return v; // "max" (no limit) reads nothing
    return 0;
}

} // namespace

void verifier_borne_Nk(int Nk)
{
    borner(Nk, 2, bornes::Nk_max, "calcul", "Nk", "[2, 100000]",
           "au-delà, le balayage de la dispersion et les tables du gain ne finissent plus en un temps raisonnable");
}

double estimer_memoire(const parametres_calcul& p, const ampleur_structure& a)
{
    const double n_zone_centre = std::max(points_zone_centre(a.Vc, p.calcul.deltaE), points_zone_centre(a.Vv, p.calcul.deltaE));
    const double n_dispersion = a.Vv > 0 ? points_dispersion(a, p.calcul.deltaE) : 0.0;
    const double points_plan = static_cast<double>(p.calcul.Nk) * p.calcul.Nky;
    const double lignes_k = static_cast<double>(p.calcul.Nk) + 1;
    // A (kx, ky) point holds its task (32 bytes), its list of levels (24 and a
    // heap block of 32), its record for the E(k) file (32), its state and at
    // least one slot of the level table: some 130 bytes with one level.
    const double octets_par_point = 130;
    return 24 * n_zone_centre               // grid and quantisation function
           + 8 * n_dispersion                // energy grid of the dispersion
           + octets_par_point * points_plan  // the dispersion's tables
           + 64 * lignes_k                   // spectra and Fermi tables along k, one level and one branch
           + 24 * points_spectre(p);         // the three spectra of a pass
}

void verifier_bornes(const parametres_calcul& p, const ampleur_structure& a, const serie_demandee& s,
                     double memoire_octets)
{
    verifier_borne_Nk(p.calcul.Nk);
    borner_positif(p.couches.largeur_puits, bornes::largeur_puits_max, "puits", "largeur", "]0, 10000] Å",
           "le gain et les recouvrements se calculent Å par Å à travers le puits, et un puits de 1 µm n'est plus "
           "quantique");
    borner_positif(p.couches.largeur_barriere, bornes::largeur_barriere_max, "barriere", "largeur", "]0, 1000000] Å",
           "les enveloppes se calculent Å par Å à partir du bord de la barrière");
    borner_positif(p.couches.T, bornes::temperature_max, "constantes", "temperature", "]0, 10000] K",
           "la recherche des niveaux de Fermi s'étend sur des dizaines de kT");
    borner_positif(p.calcul.Ninj, bornes::densite_max, "calcul", "Ninj", "]0, 1e21] cm-3",
           "2 % des atomes du cristal ; au-delà, les niveaux de Fermi sont hors de toute bande");
    borner_positif(p.calcul.debut_E, bornes::energie_photon_max, "calcul", "debut_E", "]0, 100000] meV",
           "100 eV, loin au-delà de toute bande interdite ; la grille du spectre compte un point par meV");
    borner_positif(p.calcul.fin_E, bornes::energie_photon_max, "calcul", "fin_E", "]0, 100000] meV",
           "100 eV, loin au-delà de toute bande interdite ; la grille du spectre compte un point par meV");
    borner(p.calcul.debut_courant, 0, bornes::courant_max, "calcul", "debut_courant", "[0, 1000000] mA",
           "1 kA, au-delà de toute diode ; le fichier P-I compte une ligne par mA");
    borner_positif(p.calcul.fin_courant, bornes::courant_max, "calcul", "fin_courant", "]0, 1000000] mA",
           "1 kA, au-delà de toute diode ; le fichier P-I compte une ligne par mA");
    borner(p.calcul.nb_fils, -2147483648.0, bornes::fils_max, "calcul", "nb_fils", "au plus 1024 (0 : tous les coeurs)",
           "chaque fil a sa pile, et le système refuse d'en créer des milliers");
    verifier_grilles(p, a);
    verifier_plan(p, a);
    verifier_serie(p, s);

    const double besoin = estimer_memoire(p, a);
    if (!(besoin <= memoire_octets)) {
        refuser("Mémoire insuffisante : les tables du calcul demandent au moins %.3g Go (grilles d'énergie : "
                "deltaE = %g meV ; balayage dans le plan : Nk = %d, variation_en_ky = %d), la machine en donne "
                "%.3g Go ; augmentez deltaE ou diminuez Nk.\n",
                besoin / 1e9, p.calcul.deltaE, p.calcul.Nk, p.calcul.variation_en_ky, memoire_octets / 1e9);
    }
}

double memoire_disponible()
{
    const long pages = sysconf(_SC_PHYS_PAGES), taille = sysconf(_SC_PAGE_SIZE);
    double memoire = pages > 0 && taille > 0 ? static_cast<double>(pages) * static_cast<double>(taille) : 0.0;
    for (const char* chemin : {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes"}) {
        const double limite = lire_limite_cgroup(chemin);
        if (limite > 0 && (memoire == 0 || limite < memoire)) memoire = limite;
    }
    // Unknown: no refusal on memory grounds.
    return memoire > 0 ? memoire : HUGE_VAL;
}
