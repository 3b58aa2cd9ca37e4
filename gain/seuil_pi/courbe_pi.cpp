#include "seuil_pi/courbe_pi.hpp"

#include <cmath>

#include "numerique/constantes.hpp"

using constantes::q;

caracteristique_pi courbe_pi(const parametres_cavite& cavite, double lambda, int debut_courant, int fin_courant,
                             const etat_seuil& etat)
{
    caracteristique_pi c;
    if (!etat.calcule) return c;

    // The cavity that reached threshold first: the chip alone emits at its own
    // wavelength between its two facets, the grating's cavity at the grating's
    // wavelength through the fibre-side facet seen with the grating. Without a
    // threshold (the slope alone) or a chip wavelength, the latter.
    const bool puce = etat.seuil_atteint && !etat.bragg_seuil && etat.lambda_seuil > 0;
    const double R_sortie = puce ? cavite.Rmin : etat.reflectivite_effective;
    const double lambda_photon = puce ? etat.lambda_seuil : lambda; // nm
    const double L = cavite.longueur_puce, W = cavite.largeur_contact; // cm
    const double Rmax = cavite.Rmax, eta = cavite.eta_interne, alpha_i = cavite.pertes_internes;
    // Share of the power leaving through the fibre-side facet.
    const double fraction_sortie = std::sqrt(Rmax) * (1 - R_sortie) /
                                   (std::sqrt(R_sortie) * (1 - Rmax) + std::sqrt(Rmax) * (1 - R_sortie));
    // Photon energy of the emission per electron charge, V.
    const double energie_photon = constantes::h_c / (lambda_photon * 1e-9) / q;
    const double pertes_miroirs = std::log(1 / (Rmax * R_sortie)) / (2 * L); // cm^-1
    const double courant_seuil = etat.Jth.total * L * W;                   // A/cm^2 -> A
    // Above threshold every extra carrier becomes a photon with probability
    // eta_interne, and photons leave through the mirrors in the share of
    // mirror loss to total loss: the slope of the curve, W/A.
    c.pente = eta * fraction_sortie * energie_photon * pertes_miroirs / (pertes_miroirs + alpha_i);
    // Below threshold the laser does not lase: no curve to draw.
    if (!etat.seuil_atteint) return c;

    // fin_courant <= 1000000 mA (bounds of the run): i never reaches the
    // largest int, so the loop ends after fin_courant - debut_courant + 1 lines.
    for (int i = debut_courant; i <= fin_courant; ++i) {
        const double I = i / 1000.0; // mA -> A
        // The same line is kept below the threshold current.
        const double P = (I - courant_seuil) * eta * fraction_sortie * energie_photon * pertes_miroirs /
                         (pertes_miroirs + alpha_i);
        c.points.push_back({I, P});
    }
    return c;
}
