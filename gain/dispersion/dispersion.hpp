// Valence-band dispersion: hole subband energies over the in-plane wave
// vector, from the strained four-band model and 4x4 transfer matrices.
#pragma once

#include <cstdio>
#include <vector>

#include "configuration/parametres.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

struct resultats_dispersion {
    int Nk = 0, Nky = 1;
    int largeur = 0; // level slots per k point (>= nb_niveaux_max and the zone-centre count)
    // niveaux_k[(i * Nky + j) * largeur + n]: level n (meV, hole axis) at kx index i, ky index j.
    // Row i = 0 holds the sorted zone-centre levels; 0.0 marks an empty slot.
    std::vector<double> niveaux_k;
    std::vector<int> branche_lh; // nb_niveaux_max flags: 1 = light-hole branch
    int nb_niveaux_max = 0;
    int max_indice_k = 0;
    // Points visited by the scan (kx index >= 1), in scan order, for the E(k) file.
    struct point_visite {
        int i, j;
        double kx, ky; // m^-1
        int nb;        // levels found there
    };
    std::vector<point_visite> points;

    double niveau(int i, int j, int n) const
    {
        return n < largeur ? niveaux_k[(static_cast<std::size_t>(i) * Nky + j) * largeur + n] : 0.0;
    }
};

// The whole scan; prints the progress lines.
resultats_dispersion calculer_dispersion(const parametres_calcul& p, const resultats_materiau& m,
                                         const resultats_k0& k0);

// "kx (m-1)\tky (m-1)\tniveaux (meV)" table and the branch flags.
void ecrire_fichier_dispersion(std::FILE* f, const resultats_dispersion& d);
