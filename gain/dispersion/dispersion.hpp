// Valence-band dispersion: hole subband energies over the in-plane wave
// vector, from the strained four-band model and 4x4 transfer matrices. The
// phase in three parts: the kernel (noyau.hpp), the scan (balayage.hpp) and
// the table it fills (table.hpp).
#pragma once

#include "dispersion/balayage.hpp"
#include "dispersion/noyau.hpp"
#include "dispersion/table.hpp"
