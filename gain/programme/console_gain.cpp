#include "programme/console_gain.hpp"

#include <cmath>
#include <cstddef>
#include <cstdio>

#include "numerique/constantes.hpp"
#include "programme/enregistrement.hpp"

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
    std::printf("  densité de seuil Nth : %e cm-3\n", densite_cm3(etat.Nth, Lw));
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
    std::printf("  courant de seuil : %f mA (ruban de %g cm × %g cm)\n", courant_ruban_mA(p.cavite, J.total),
                p.cavite.longueur_puce, p.cavite.largeur_contact);
    std::printf("  longueur d'onde d'émission : %f nm\n", etat.lambda_seuil);
    std::printf("  cavité : %s\n", etat.bragg_seuil ? "puce et réseau de Bragg (Accroche Bragg)"
                                                     : "puce seule (Accroche puce)");
    // Named when it is TM only: a run lasing in TE prints what it always printed.
    if (etat.tm_seuil) std::puts("  polarisation : TM (gain modal TM supérieur au gain modal TE)");
    std::printf("  rendement différentiel (pente P-I) : %f W/A\n", pente_pi);
}

void afficher_merite(const parametres_calcul& p, const figures_seuil& f, const modulation& m)
{
    if (!f.calcule) return;
    const double Lw = p.couches.largeur_puits;
    const double surface = p.cavite.longueur_puce * p.cavite.largeur_contact; // cm^2
    if (f.differentielles) {
        const figures_differentielles& d = f.d;
        std::printf("  gain différentiel dg/dN : %e cm² (gain matériau %s à %f meV, entre %e et %e cm-3)\n", d.dg_dN,
                    f.tm ? "TM" : "TE", f.E_laser, d.N_avant, d.N_seuil);
        std::printf("  gain différentiel dg/dJ : %e cm/A\n", d.dg_dJ);
        std::printf("  facteur de couplage phase-amplitude alpha_H : %f (dn/dN = %e cm³, Kramers-Kronig du "
                    "changement de gain de %.0f à %.0f meV)\n",
                    d.alpha_H, d.dn_dN, d.grille.debut, d.grille.fin);
    } else {
        std::puts(f.E_laser > 0 ? "  gain différentiel et alpha_H : indisponibles (seuil atteint à la première densité "
                                  "de la série : pas de densité sous le seuil)"
                                : "  gain différentiel et alpha_H : indisponibles (spectre vide)");
    }
    if (f.tr.trouvee) {
        std::printf("  densité de transparence Ntr : %e cm-3 (gain modal maximal nul %s, entre %e et %e cm-3)\n",
                    densite_cm3(f.tr.N, Lw),
                    f.tr.deux_passes_positives ? "sur la droite des deux premières densités de gain positif"
                                               : "interpolé",
                    densite_cm3(f.tr.N_bas, Lw), densite_cm3(f.tr.N_haut, Lw));
        std::printf("  densité de courant de transparence Jtr : %f A/cm² (courant %f mA)\n", f.tr.J,
                    f.tr.J * surface * 1000);
    } else {
        std::puts(f.tr.au_dessus_des_le_debut
                      ? "  transparence : indisponible (gain modal maximal déjà positif à la première densité : "
                        "commencez la série plus bas)"
                      : "  transparence : indisponible (le gain modal maximal ne passe pas par zéro avant le seuil)");
    }
    std::printf("  durée de vie des photons : %e s (indice de groupe %g)\n", f.duree_vie_photons, f.indice_groupe);
    if (!m.calculee) {
        std::puts("Réponse petit signal : indisponible (il faut un gain différentiel positif au seuil).");
        return;
    }
    std::printf("Réponse petit signal (équations d'évolution monomodes, compression du gain %g cm³) :\n",
                m.p.compression);
    std::printf("  facteur K : %f ns ; taux de recombinaison différentiel des porteurs : %f ns-1\n", m.K * 1e9,
                m.p.taux_recombinaison * 1e-9);
    std::printf("  facteur D : %f GHz/mA^1/2 ; bande passante maximale (limitée par l'amortissement) : %f GHz\n",
                m.D * 1e-9 / std::sqrt(1000.0), m.f_max * 1e-9);
    for (std::size_t i = 0; i < m.points.size(); ++i) {
        const point_petit_signal& r = m.points[i];
        std::printf("  à %g × Ith (%f mA) : fr = %f GHz, amortissement %f ns-1, bande passante à -3 dB %f GHz\n",
                    multiples_seuil_modulation[i], r.I * 1000, r.f_r * 1e-9, r.amortissement * 1e-9, r.f_3dB * 1e-9);
    }
}
