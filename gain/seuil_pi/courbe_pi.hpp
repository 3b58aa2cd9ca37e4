// Light-current characteristic of the diode: optical power out of the
// fibre-side facet, linear in the drive current above threshold.
#pragma once

#include <cstdio>

#include "configuration/parametres.hpp"
#include "seuil_pi/seuil.hpp"

// Writes the header and, when the series reached threshold, one line
// "current (A), power (W)" per mA from debut_courant to fin_courant, from the
// effective reflectivity and the threshold current density of the pass where
// threshold was first crossed. Without any pass the console says so. Returns
// the slope of the curve above threshold, W/A.
double courbe_pi(const parametres_calcul& p, const etat_seuil& etat, std::FILE* fichier_pi);
