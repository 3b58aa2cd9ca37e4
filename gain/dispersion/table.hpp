// The table of the valence-band dispersion: the hole levels found at each
// in-plane point of the scan and the branch flags (the driver writes its file).
#pragma once

#include <vector>

struct resultats_dispersion {
    int Nk = 0, Nky = 1;
    int nb_places = 0; // level slots per k point (>= nb_niveaux_max and the zone-centre count)
    // niveaux_k[(i * Nky + j) * nb_places + n]: level n (meV, hole axis) at kx index i, ky index j.
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
        return n < nb_places ? niveaux_k[(static_cast<std::size_t>(i) * Nky + j) * nb_places + n] : 0.0;
    }
};

// One k point of the scan.
struct point_k {
    int i, j;      // kx index (from 1), ky index
    double kx, ky; // m^-1
};

// What the scan found: its k points as sequences (each ending at its first
// empty point), and the levels (meV) of the points reached, the first ones of
// each sequence.
struct balayage_fait {
    int Nk = 0, Nky = 1;    // the scan asked for
    int nb_kx = 0, nb_ky = 0; // kx and ky values it formed
    std::vector<std::vector<point_k>> suites;
    std::vector<std::vector<std::vector<double>>> niveaux;
};

// The table of a scan, row 0 holding the sorted zone-centre levels; a
// light-hole zone-centre level (niveaux_lh) names the branch closest to it at
// the first k point.
resultats_dispersion former_table(const balayage_fait& b, const std::vector<double>& zone_centre,
                                  const std::vector<double>& niveaux_lh);

// Bytes of the table and of the scan's records per (kx, ky) point.
double memoire_table_dispersion(double points_plan);
