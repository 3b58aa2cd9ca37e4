#include "configuration/ligne_commande.hpp"

#include <cstdlib>
#include <cstring>

#include "configuration/arret.hpp"

bool mode_courant(int argc, const char* const* argv) { return argc >= 2 && std::strcmp(argv[1], "courant") == 0; }

void verifier_ligne_commande(int argc, const char* const* argv)
{
    if (mode_courant(argc, argv) && argc < 4)
        arreter("Le mode courant demande deux nombres : gain courant <nombre de densites> <pas en cm-3>\n");
}

ligne_commande lire_ligne_commande(int argc, const char* const* argv)
{
    ligne_commande l;
    if (mode_courant(argc, argv)) {
        l.nombre_iterations = std::atof(argv[2]);
        l.pas_porteurs_cm3 = std::atof(argv[3]);
    }
    return l;
}

int nombre_de_passes(double nombre_iterations)
{
    if (!(nombre_iterations >= 1.0)) return 0;
    if (nombre_iterations >= 2147483647.0) return 2147483647;
    return static_cast<int>(nombre_iterations);
}
