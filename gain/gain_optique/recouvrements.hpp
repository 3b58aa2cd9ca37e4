// Envelope functions of the zone-centre levels, rebuilt from their transfer-
// matrix amplitudes and normalised analytically, and the overlap integrals of
// conduction and valence envelopes that weight each optical transition.
#pragma once

#include <vector>

#include "niveaux_k0/niveaux_k0.hpp"
#include "numerique/complexe.hpp"

struct recouvrements {
    // Integral over z (Å) of Re(psi_v) Re(psi_c), envelopes normalised in Å^-1/2:
    // HH[h][n] for heavy-hole level h and conduction level n, LH[l][n] likewise.
    std::vector<std::vector<double>> HH, LH;
};

// Normalising factor 1/sqrt(norm) of a level's envelope (norm in Å).
complexe facteur_normalisation(complexe k_barriere, complexe k_puits, complexe A, complexe B, complexe G,
                               double largeur_puits, double largeur_barriere);

// The probability in the well (between its interfaces) of the envelope of
// each zone-centre level, from the parts of its norm: [band][level], the
// bands E, HH, LH.
std::vector<std::vector<double>> presences_dans_le_puits(double largeur_puits, double largeur_barriere,
                                                         const resultats_k0& k0);

// Normalised envelope at z (Å) of a level with wave vectors k_barriere,
// k_puits (m^-1), amplitudes A, B, G and normalising factor `facteur`; the
// structure spans 0 < z <= 2 Lb + Lw and the envelope is 0 outside it.
complexe enveloppe(double z, complexe k_barriere, complexe k_puits, complexe A, complexe B, complexe G,
                   complexe facteur, double largeur_puits, double largeur_barriere);

// Overlaps on the 1 Å window Lb - 200 ... Lb + Lw + 200 (widths in Å);
// independent of the carrier density, computed once per run.
recouvrements calculer_recouvrements(double largeur_puits, double largeur_barriere, const resultats_k0& k0);

// The normalised envelopes on the same window, Re(envelope) in Å^-1/2: at
// each position z[i], valeurs[i] holds the levels E1.., HH1.., LH1.. in order.
struct table_enveloppes {
    int nb_E = 0, nb_HH = 0, nb_LH = 0;
    std::vector<double> z;                   // Å
    std::vector<std::vector<double>> valeurs;
};

table_enveloppes calculer_enveloppes(double largeur_puits, double largeur_barriere, const resultats_k0& k0);
