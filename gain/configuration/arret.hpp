// Stops of the run. A phase that cannot go on throws arret_calcul with the
// French message the user must read; the program prints it on standard output
// and ends with the status. Files already written stay as they are.
#pragma once

#include <string>
#include <utility>

inline constexpr int statut_erreur = 1;            // every stop with a message
inline constexpr int statut_erreur_allocation = 255; // historic -1 as the shell sees it

struct arret_calcul {
    std::string message; // printed as is: carries its own line end
    int statut = statut_erreur;
};

[[noreturn]] inline void arreter(std::string message, int statut = statut_erreur)
{
    throw arret_calcul{std::move(message), statut};
}
