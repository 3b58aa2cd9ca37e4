// Values that every check accepts and yet are almost surely a slip: a width
// in nm where Å are read, a wavelength in µm, a temperature in °C, a lifetime
// in ps, x and 1 - x swapped, a spectral window that misses the gain. Each is
// said once, with the key and the likely slip; the run goes on (a stored
// configuration may mean it), exactly as gain --verifier says it.
#pragma once

#include "configuration/journal.hpp"
#include "configuration/parametres.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

// From the keys and the material model: the layer widths, the temperature,
// the relaxation and non-radiative times, the grating's wavelength, the
// well's strain and the order of debut_E and fin_E.
void avertir_invraisemblances(const parametres_calcul& p, const resultats_materiau& m, const journal& j);

// Once the zone-centre levels are known: the first transition (E1 to the
// upper hole level) above fin_E, or more than kT below debut_E.
void avertir_transition_hors_fenetre(const parametres_calcul& p, const resultats_materiau& m, const resultats_k0& k0,
                                     const journal& j);
