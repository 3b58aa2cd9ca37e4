#include "dispersion/table.hpp"

#include <algorithm>
#include <cmath>

namespace {

// The levels of every point reached into their slots, the zone-centre levels
// into row 0 of each ky column reached, and the points in scan order.
void placer_niveaux(const balayage_fait& b, const std::vector<double>& zone_centre, resultats_dispersion& d)
{
    const int lignes = std::max(b.Nk, b.nb_kx) + 1;
    d.niveaux_k.assign(static_cast<std::size_t>(lignes) * static_cast<std::size_t>(d.Nky) *
                           static_cast<std::size_t>(d.nb_places),
                       0.0);
    auto cellule = [&](int i, int j) {
        return d.niveaux_k.begin() +
               static_cast<std::ptrdiff_t>((static_cast<std::size_t>(i) * d.Nky + j) * d.nb_places);
    };
    for (std::size_t s = 0; s < b.suites.size(); ++s)
        for (std::size_t a = 0; a < b.niveaux[s].size(); ++a) {
            const point_k& k = b.suites[s][a];
            const std::vector<double>& nv = b.niveaux[s][a];
            std::copy(nv.begin(), nv.end(), cellule(k.i, k.j));
            std::copy(zone_centre.begin(), zone_centre.end(), cellule(0, k.j));
            d.max_indice_k = std::max({d.max_indice_k, k.i, k.j});
            d.points.push_back({k.i, k.j, k.kx, k.ky, static_cast<int>(nv.size())});
        }
}

} // namespace

resultats_dispersion former_table(const balayage_fait& b, const std::vector<double>& zone_centre,
                                  const std::vector<double>& niveaux_lh)
{
    resultats_dispersion d;
    d.Nk = b.Nk;
    d.Nky = std::max(b.Nky, b.nb_ky);
    std::size_t nb_max = 0;
    for (const auto& suite : b.niveaux)
        for (const auto& nv : suite) nb_max = std::max(nb_max, nv.size());
    d.nb_niveaux_max = static_cast<int>(nb_max);
    d.nb_places = std::max(d.nb_niveaux_max, static_cast<int>(zone_centre.size()));
    placer_niveaux(b, zone_centre, d);

    // A light-hole zone-centre level names the branch closest to it at the
    // first k point (first minimum wins).
    d.branche_lh.assign(static_cast<std::size_t>(d.nb_niveaux_max), 0);
    if (d.nb_niveaux_max > 0)
        for (double l : niveaux_lh) {
            int n_min = 0;
            for (int n = 1; n < d.nb_niveaux_max; ++n)
                if (std::fabs(d.niveau(1, 0, n) - l) < std::fabs(d.niveau(1, 0, n_min) - l)) n_min = n;
            d.branche_lh[static_cast<std::size_t>(n_min)] = 1;
        }
    return d;
}

// A (kx, ky) point holds its task (32 bytes), its list of levels (24 and a
// heap block of 32), its record for the E(k) file (32), its state and at
// least one slot of the level table: some 130 bytes with one level.
double memoire_table_dispersion(double points_plan) { return 130 * points_plan; }
