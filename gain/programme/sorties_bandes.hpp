// The file of the band phases the driver writes: the hole dispersion table.
#pragma once

#include <cstdio>

#include "dispersion/table.hpp"

// "kx (m-1)\tky (m-1)\tniveaux (meV)" table and the branch flags.
void ecrire_fichier_dispersion(std::FILE* f, const resultats_dispersion& d);
