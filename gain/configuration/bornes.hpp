// The stops of the bounds of the run. Each key's own work bound lies in the
// key table (cles.hpp: max_travail); the other bounds need the material model
// and the grids of the phases, and the driver checks them
// (programme/bornes.hpp) with the stops below.
#pragma once

// Stops the run (arret_calcul) with the message printf forms of format and
// the values, whatever their length.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void refuser_bornes(const char* format, ...);

// Stops the run with "Valeur hors bornes pour la clé <key> [section] : <value> ;
// accepté : <range> (<reason>).".
[[noreturn]] void refuser_cle(const char* section, const char* cle, double valeur, const char* plage,
                              const char* raison);
