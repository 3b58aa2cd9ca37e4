// The bound of the one key that sizes another as it is read: Nk, before
// Nk + 1 is formed. The other bounds of the run need the material model and
// the grids of the phases; the driver checks them (programme/bornes.hpp)
// with the stops below.
#pragma once

namespace bornes {
inline constexpr int Nk_max = 100000; // kx points of the in-plane scan
} // namespace bornes

// Nk within [2, Nk_max]; called as soon as Nk is read.
void verifier_borne_Nk(int Nk);

// Stops the run (arret_calcul) with the message printf forms of format and
// the values, whatever their length.
[[noreturn]] [[gnu::format(printf, 1, 2)]] void refuser_bornes(const char* format, ...);

// Stops the run with "Valeur hors bornes pour la clé <key> [section] : <value> ;
// accepté : <range> (<reason>).".
[[noreturn]] void refuser_cle(const char* section, const char* cle, double valeur, const char* plage,
                              const char* raison);
