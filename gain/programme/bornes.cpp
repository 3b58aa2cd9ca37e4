#include "programme/bornes.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "configuration/cles.hpp"
#include "configuration/fichier.hpp"
#include "dispersion/balayage.hpp"
#include "dispersion/table.hpp"
#include "gain_optique/spectres.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

namespace {

// Photon energies of one spectrum, as the spectra count them.
double points_spectre(const parametres_calcul& p) { return ::points_spectre(p.calcul.debut_E, p.calcul.fin_E); }

void verifier_grilles(const parametres_calcul& p, const ampleur_structure& a, const estimations_bornes& e)
{
    const double n = std::max(e.points_grille_k0, e.points_grille_dispersion);
    if (!(n <= points_grille_max)) {
        // deltaE that brings the larger grid within the bound
        const double etendue = std::max({a.Vc, a.Vv, a.Vv > 0 ? e.points_grille_dispersion * p.calcul.deltaE : 0.0});
        refuser_bornes("Valeur hors bornes pour la clé deltaE [calcul] : %g meV donne %.3g points d'énergie "
                       "(Vc = %g meV, Vv = %g meV) ; accepté : au plus %.0f points, soit deltaE >= %g meV (au-delà, "
                       "la recherche des niveaux et la dispersion ne finissent pas en un temps raisonnable).\n",
                       p.calcul.deltaE, n, a.Vc, a.Vv, points_grille_max, etendue / points_grille_max);
    }
}

void verifier_plan(const parametres_calcul& p, const ampleur_structure& a, const estimations_bornes& e)
{
    if (p.calcul.Nky > 1 && !(e.points_plan <= points_plan_max)) {
        refuser_bornes("Valeur hors bornes pour la clé Nk [calcul] : %d avec variation_en_ky = %d donne %.0f points "
                       "(kx, ky) ; accepté : au plus %.0f points, soit Nk <= %d avec ky (au-delà, la table de la "
                       "dispersion ne tient plus en mémoire).\n",
                       p.calcul.Nk, p.calcul.variation_en_ky, e.points_plan, points_plan_max,
                       static_cast<int>(std::sqrt(points_plan_max)) - 1);
    }
    // Every (kx, ky) point scans the whole energy grid at most once: the
    // nominal count bounds the time of the scan.
    if (a.Vv > 0 && !(e.evaluations_dispersion <= evaluations_dispersion_max)) {
        refuser_bornes("Calcul trop long : la dispersion demande %.3g évaluations (%.3g points d'énergie pour "
                       "deltaE = %g meV, fois %.0f points (kx, ky) pour Nk = %d et variation_en_ky = %d) ; "
                       "accepté : au plus %.0e (quelques heures) ; augmentez deltaE ou diminuez Nk.\n",
                       e.evaluations_dispersion, e.points_grille_dispersion, p.calcul.deltaE, e.points_plan,
                       p.calcul.Nk, p.calcul.variation_en_ky, evaluations_dispersion_max);
    }
}

void verifier_serie(const parametres_calcul& p, const serie_demandee& s)
{
    if (s.nombre_passes > bornes::passes_max) {
        refuser_bornes("Nombre de densités hors bornes : %d ; accepté : de 1 à %d (gain courant <nombre de "
                       "densites> <pas en cm-3>).\n",
                       s.nombre_passes, bornes::passes_max);
    }
    // The last density of the series is the largest when the step is positive.
    const double derniere = p.calcul.Ninj + (s.nombre_passes - 1) * s.pas_porteurs_cm3;
    const double densite_max = cle_de("calcul", "Ninj")->domaine.max_travail;
    if (s.nombre_passes > 1 && !(derniere <= densite_max)) {
        refuser_bornes("Densité hors bornes : la série va jusqu'à %g cm-3 (Ninj = %g cm-3, %d densités au pas de "
                       "%g cm-3) ; accepté : au plus %g cm-3 (gain courant <nombre de densites> <pas en cm-3>).\n",
                       derniere, p.calcul.Ninj, s.nombre_passes, s.pas_porteurs_cm3, densite_max);
    }
    const double lignes = s.nombre_passes * points_spectre(p);
    if (!(lignes <= bornes::lignes_gain_max)) {
        refuser_bornes("Fichier de gain trop grand : %d densités fois %.0f énergies (debut_E = %g, fin_E = %g meV) "
                       "font %.3g lignes ; accepté : au plus %.0e lignes (environ 5 Go).\n",
                       s.nombre_passes, points_spectre(p), p.calcul.debut_E, p.calcul.fin_E, lignes,
                       bornes::lignes_gain_max);
    }
}

// The work bound of every key that has one, in the order of the key table.
void verifier_cles(const parametres_calcul& p)
{
    parametres_calcul lu = p; // the table's accessors write as well as read
    for (const cle_config& c : table_cles()) {
        if (c.domaine.max_travail == HUGE_VAL) continue;
        verifier_borne_travail(c, c.type == type_cle::reel ? c.reel(lu) : c.entier(lu));
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

estimations_bornes estimer_bornes(const parametres_calcul& p, const ampleur_structure& a)
{
    estimations_bornes e;
    e.points_grille_k0 = std::max(points_grille_k0(a.Vc, p.calcul.deltaE), points_grille_k0(a.Vv, p.calcul.deltaE));
    e.points_grille_dispersion = points_grille_valence(a.Vv, a.dE_hydro, p.calcul.deltaE);
    e.points_plan = points_plan_dispersion(p.calcul.Nk, p.calcul.Nky);
    e.evaluations_dispersion = e.points_grille_dispersion * e.points_plan;
    e.memoire_octets = memoire_niveaux_k0(e.points_grille_k0)                 // grids and quantisation function
                       + memoire_grille_valence(e.points_grille_dispersion)   // energy grid of the dispersion
                       + memoire_table_dispersion(e.points_plan)              // the dispersion's tables
                       + memoire_lignes_k(p.calcul.Nk)                        // Fermi and spectra tables along k
                       + memoire_spectres(points_spectre(p));                 // the three spectra of a pass
    return e;
}

double estimer_memoire(const parametres_calcul& p, const ampleur_structure& a)
{
    return estimer_bornes(p, a).memoire_octets;
}

void verifier_bornes(const parametres_calcul& p, const ampleur_structure& a, const serie_demandee& s,
                     double memoire_octets)
{
    verifier_cles(p);
    const estimations_bornes e = estimer_bornes(p, a);
    verifier_grilles(p, a, e);
    verifier_plan(p, a, e);
    verifier_serie(p, s);

    const double besoin = e.memoire_octets;
    if (!(besoin <= memoire_octets)) {
        refuser_bornes("Mémoire insuffisante : les tables du calcul demandent au moins %.3g Go (grilles d'énergie : "
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
