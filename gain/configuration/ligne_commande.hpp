// Command line of gain: nothing (one carrier density, Ninj), or exactly
// "courant" followed by the number of densities and the density step (cm-3);
// --help, -h and --version answer before anything else.
#pragma once

struct ligne_commande {
    double nombre_iterations = 1.0;
    double pas_porteurs_cm3 = 0.0;
};

// The usage lines, with the pointer to the README.
extern const char* const usage_gain;

bool mode_courant(int argc, const char* const* argv);

// Any command line but none and "courant <count> <step>" (--help, -h and
// --version are answered before), "courant" without its two numbers or with
// more words, a word that is not a number, or a count below 1 stops the run
// with the usage line.
void verifier_ligne_commande(int argc, const char* const* argv);

ligne_commande lire_ligne_commande(int argc, const char* const* argv);

// Pass count: the count of the command line truncated toward zero, 0 below 1,
// at most 2147483647 (the bounds of the run refuse far fewer).
int nombre_de_passes(double nombre_iterations);

// Every density of the series from Ninj (cm-3) must be positive: the last
// one is the lowest when the step is negative. Stops the run otherwise.
void verifier_serie(double Ninj, const ligne_commande& commande);
