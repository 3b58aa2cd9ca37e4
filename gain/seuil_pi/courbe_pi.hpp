// Light-current characteristic of the diode: optical power out of the
// fibre-side facet, linear in the drive current above threshold.
#pragma once

#include <vector>

#include "configuration/parametres.hpp"
#include "seuil_pi/seuil.hpp"

struct point_pi {
    double I; // drive current, A
    double P; // optical power, W (negative below threshold, as computed)
};

struct caracteristique_pi {
    std::vector<point_pi> points; // one per mA from debut_courant to fin_courant; none below threshold
    double pente = 0;             // slope above threshold, W/A
};

// From the threshold current density of the pass where threshold was first
// crossed and the cavity that crossed it: the curve when the series reached
// threshold, and its slope when any pass was made (0 without one). The chip
// cavity emits at that pass's emission wavelength through its facet Rmin; the
// grating's cavity at lambda (the grating's wavelength, nm) through the
// effective reflectivity. Currents in mA.
caracteristique_pi courbe_pi(const parametres_cavite& cavite, double lambda, int debut_courant, int fin_courant,
                             const etat_seuil& etat);
