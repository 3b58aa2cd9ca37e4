// Light-current characteristic of the diode: optical power out of the
// fibre-side facet, linear in the drive current above threshold.
#pragma once

#include <cstdio>

#include "configuration/parametres.hpp"
#include "seuil_pi/seuil.hpp"

// Writes the header and one line "current (A), power (W)" per mA from
// debut_courant to fin_courant, from the effective reflectivity and threshold
// current density left by the last pass. Without any pass there is no
// threshold: the file keeps its header only and the console says so.
void courbe_pi(const parametres_calcul& p, const etat_seuil& etat, std::FILE* fichier_pi);
