// What a run does before its first phase, shared by the run and by
// `gain --verifier`: the command line, every key read and checked, the
// material model, the bounds of the work and the output paths. A failure
// stops (arret_calcul) before any output file is created or emptied.
#pragma once

#include "configuration/journal.hpp"
#include "configuration/ligne_commande.hpp"
#include "configuration/parametres.hpp"
#include "materiau/materiau.hpp"

struct calcul_prepare {
    parametres_calcul p;
    ligne_commande commande;
    resultats_materiau m;
};

// argv: the run's words (argv[0], then nothing or "courant <n> <pas>").
// The output paths are tried and every file the trial created is removed
// again, so that nothing is left written (the run creates its files only at
// its end, gain --verifier never).
calcul_prepare preparer_calcul(int argc, const char* const* argv, const journal& j);
