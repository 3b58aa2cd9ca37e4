#include "programme/console_gain.hpp"

#include <cstdio>

void afficher_passe(double N_cm3, double EFC, double EFV)
{
    std::printf("Calcul du gain pour N = %e...\n", N_cm3);
    std::printf("EFC : %f meV\n", EFC);
    std::printf("EFV : %f meV\n", -EFV);
}

void afficher_barrieres_passe(double N, const barrieres_passe& b)
{
    std::printf("Continuum des barrières : électrons %e cm-2 (%.2f %%), trous %e cm-2 (%.2f %%), Jrad %e A/cm²\n",
                b.n * 1e-4, 100 * b.n / N, b.p * 1e-4, 100 * b.p / N, b.Jrad); // m^-2 -> cm^-2
}

void avertir_branches()
{
    std::printf("Attention : les branches de valence ne correspondent pas aux niveaux HH et LH ; "
                "les branches sans recouvrement sont ignorees dans les spectres.\n");
}

void avertir_reseau_hors_fenetre(const parametres_bragg& bragg, const parametres_numeriques& calcul)
{
    std::printf("Attention : la longueur d'onde du réseau de Bragg (%g nm, %g meV) est hors de la fenêtre des "
                "spectres [%g, %g[ meV : le réseau ne forme pas de cavité, seule la puce peut laser.\n",
                bragg.lambda, 1000 * energie_bragg(bragg), calcul.debut_E, calcul.fin_E); // eV -> meV
}

void afficher_seuil_passe(const ligne_seuil& l)
{
    std::puts(l.bragg ? "Accroche Bragg" : "Accroche puce");
    if (l.sans_point_precedent)
        std::puts("Seuil atteint à la densité unique du calcul : pas de point précédent pour interpoler, "
                  "Jth = Jnr + Jrad conservé.");
}

void afficher_resume_seuil(const parametres_calcul& p, const etat_seuil& etat, double pente_pi)
{
    if (!etat.calcule)
        std::puts("Aucune densité de porteurs traitée : pas de seuil calculé, le fichier P-I ne contient que son "
                  "en-tête.");
    std::puts("Résumé du seuil :");
    if (!etat.calcule) {
        std::puts("  aucune densité de porteurs traitée : pas de seuil.");
        return;
    }
    // A stack says so; a single well prints what it always printed.
    if (p.cavite.nombre_puits > 1)
        std::printf("  empilement : %d puits identiques non couplés (densités par puits, courants de "
                    "l'empilement, confinement de l'ensemble)\n",
                    p.cavite.nombre_puits);
    if (!etat.seuil_atteint) {
        std::printf("  seuil non atteint : gain modal maximal %e cm-1 pour %e cm-1 demandés par la cavité ; "
                    "le fichier P-I ne contient que son en-tête.\n",
                    etat.Gmax_serie, etat.Gth_serie);
        return;
    }
    const double Lw = p.couches.largeur_puits;
    std::printf("  densité de seuil Nth : %e cm-3\n", etat.Nth * 1e-6 / (Lw * 1e-10)); // m^-2 -> cm^-3
    const courants& J = etat.Jth;
    std::printf("  densité de courant de seuil Jth : %f A/cm²\n", J.total);
    // The model's departures print the current at the terminals and the parts
    // of Jth; the exact model keeps its summary as it was.
    if (p.modele.present) {
        std::printf("  densité de courant aux bornes Jth/eta_interne : %f A/cm² (eta_interne = %g)\n",
                    J.total / p.cavite.eta_interne, p.cavite.eta_interne);
        if (p.modele.recombinaison_abc)
            std::printf("  parts de Jth : radiative %.1f %% (%f A/cm²), défauts A·N %.1f %% (%f A/cm²), "
                        "Auger C·N³ %.1f %% (%f A/cm²)\n",
                        100 * J.radiatif / J.total, J.radiatif, 100 * J.defauts / J.total, J.defauts,
                        100 * J.auger / J.total, J.auger);
        else
            std::printf("  parts de Jth : radiative %.1f %% (%f A/cm²), non radiative N/tau_nr %.1f %% (%f A/cm²)\n",
                        100 * J.radiatif / J.total, J.radiatif, 100 * J.defauts / J.total, J.defauts);
        // the barriers' share: their radiative current, and the carriers they hold
        if (p.modele.continuum)
            std::printf("  continuum des barrières : radiative %.1f %% de Jth (%f A/cm²) ; il tient %.1f %% des "
                        "électrons et %.1f %% des trous injectés au seuil\n",
                        100 * J.barrieres / J.total, J.barrieres, 100 * etat.barrieres_seuil.n / etat.Nth,
                        100 * etat.barrieres_seuil.p / etat.Nth);
    }
    std::printf("  courant de seuil : %f mA (ruban de %g cm × %g cm)\n",
                J.total * p.cavite.longueur_puce * p.cavite.largeur_contact * 1000, p.cavite.longueur_puce,
                p.cavite.largeur_contact);
    std::printf("  longueur d'onde d'émission : %f nm\n", etat.lambda_seuil);
    std::printf("  cavité : %s\n", etat.bragg_seuil ? "puce et réseau de Bragg (Accroche Bragg)"
                                                     : "puce seule (Accroche puce)");
    // Named when it is TM only: a run lasing in TE prints what it always printed.
    if (etat.tm_seuil) std::puts("  polarisation : TM (gain modal TM supérieur au gain modal TE)");
    std::printf("  rendement différentiel (pente P-I) : %f W/A\n", pente_pi);
}
