// Test bench of the spectra: one conduction level at 0 meV and parabolic
// hole branches (a heavy-hole and a light-hole one by default) on the kx axis,
// with fixed overlaps.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "gain_optique/spectres.hpp"

namespace banc_spectres {
inline constexpr double q = 1.60218e-19, m0 = 9.1095e-31, hbar = 1.05458e-34, hbar2 = 1.1121389764000003e-68;
}

struct banc {
    parametres_calcul p;
    resultats_materiau m;
    resultats_k0 k0;
    resultats_dispersion d;
    recouvrements r;
    banc(std::vector<int> branches = {0, 1}, int nb_HH = 1, int nb_LH = 1, int Nk = 100)
    {
        using namespace banc_spectres;
        p.couches.T = 300;
        p.calcul.Nk = Nk;
        p.calcul.deltak = 5e6;
        p.calcul.Nky = 1;
        p.cavite.facteur_confinement = 0.01;
        p.couches.largeur_puits = 80;
        p.calcul.demi_largeur_lorentz = 1e-13;
        m.Eg_Puits = 1.0;
        m.puits.mc = 0.067;
        m.puits.nr = 3.5;
        m.puits.Ep = 20;
        m.largeur_lorentz_carre = std::pow(hbar / p.calcul.demi_largeur_lorentz, 2.0);
        k0.E.niveaux = {0.0};
        const int nb = static_cast<int>(branches.size());
        d.Nk = p.calcul.Nk;
        d.Nky = 1;
        d.nb_places = nb;
        d.nb_niveaux_max = nb;
        d.branche_lh = branches;
        d.niveaux_k.assign(static_cast<std::size_t>(p.calcul.Nk + 1) * nb, 0.0);
        for (int i = 0; i <= p.calcul.Nk; ++i)
            for (int s = 0; s < nb; ++s) {
                const double k = i * p.calcul.deltak;
                d.niveaux_k[static_cast<std::size_t>(i) * nb + s] =
                    10.0 + 20.0 * s + 1000 * hbar2 * k * k / (2 * m0 * 0.3 * q);
            }
        r.HH.assign(nb_HH, std::vector<double>{0.9});
        r.LH.assign(nb_LH, std::vector<double>{0.8});
    }
    bandes_puits bandes() const { return {m, k0, d, r}; }
    reglages_spectres reglages() const { return {p.calcul, p.cavite, p.modele, p.couches.T, p.couches.largeur_puits}; }
    // One pass at the quasi-Fermi levels EFC, EFV and sheet density N.
    void calculer(double EFC, double EFV, spectres& s, double N = 0) const
    {
        calculer_spectres(EFC, EFV, N, bandes(), reglages(), s);
    }
};

