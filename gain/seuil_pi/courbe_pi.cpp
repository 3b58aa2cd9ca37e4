#include "seuil_pi/courbe_pi.hpp"

#include <cmath>
#include <cstdio>

#include "numerique/constantes.hpp"

using constantes::q;

double courbe_pi(const parametres_calcul& p, const etat_seuil& etat, std::FILE* fichier_pi)
{
    std::fputs("Courant (A)\tPopt (W)\n", fichier_pi);
    if (!etat.calcule) {
        std::puts("Aucune densité de porteurs traitée : pas de seuil calculé, le fichier P-I ne contient que son "
                  "en-tête.");
        return 0.0;
    }

    const double R_eff = etat.reflectivite_effective;
    const double L = p.cavite.longueur_puce, W = p.cavite.largeur_contact; // cm
    // Share of the power leaving through the fibre-side facet.
    const double fraction_sortie = std::sqrt(p.cavite.Rmax) * (1 - R_eff) /
                                   (std::sqrt(R_eff) * (1 - p.cavite.Rmax) + std::sqrt(p.cavite.Rmax) * (1 - R_eff));
    // Photon energy at the grating wavelength per electron charge, V.
    const double energie_photon = constantes::h_c / (p.bragg.lambda * 1e-9) / q;
    const double pertes_miroirs = std::log(1 / (p.cavite.Rmax * R_eff)) / (2 * L); // cm^-1
    const double courant_seuil = etat.Jth_seuil * L * W;                     // A/cm^2 -> A
    // Above threshold every extra carrier becomes a photon with probability
    // eta_interne, and photons leave through the mirrors in the share of
    // mirror loss to total loss: the slope of the curve, W/A.
    const double pente = p.cavite.eta_interne * fraction_sortie * energie_photon * pertes_miroirs /
                         (pertes_miroirs + p.cavite.pertes_internes);
    // Below threshold the laser does not lase: no curve to draw.
    if (!etat.seuil_atteint) return pente;

    // fin_courant <= 1000000 mA (bounds of the run): i never reaches the
    // largest int, so the loop ends after fin_courant - debut_courant + 1 lines.
    for (int i = p.calcul.debut_courant; i <= p.calcul.fin_courant; ++i) {
        const double I = i / 1000.0; // mA -> A
        // The same line is kept below the threshold current.
        const double Popt = (I - courant_seuil) * p.cavite.eta_interne * fraction_sortie * energie_photon * pertes_miroirs /
                            (pertes_miroirs + p.cavite.pertes_internes);
        std::fprintf(fichier_pi, "%f\t%f\n", I, Popt);
    }
    return pente;
}
