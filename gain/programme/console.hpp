// What the band phases found, on the console: the material summary, the
// zone-centre levels of each band and the progress of the dispersion scan, in
// the historic layout.
#pragma once

#include "dispersion/dispersion.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

// "Vc: %f meV\tEg_Puits: %fmeV\tEg_Barriere: %fmeV\n"
void afficher_resume_materiau(const resultats_materiau& m);

// The band's title, then its levels one a line ("%f \n", negative ones signed).
void afficher_niveaux_bande(const parametres_bande& b, const niveaux_bande& n);

// The scan's heading as it starts, then the percentage of the kx range at
// each kx row reached, written over itself.
suivi_dispersion suivi_console(const parametres_dispersion& p);

// The last kx or ky index reached and the end of the valence-band phase.
void afficher_fin_dispersion(const resultats_dispersion& d);
