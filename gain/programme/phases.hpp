// What each band phase takes of the run parameters.
#pragma once

#include "configuration/parametres.hpp"
#include "dispersion/balayage.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

inline parametres_niveaux_k0 parametres_k0(const parametres_calcul& p)
{
    return {p.calcul.deltaE, p.couches.largeur_puits, p.couches.largeur_barriere};
}

inline parametres_dispersion parametres_balayage(const parametres_calcul& p)
{
    return {p.calcul.Nk,     p.calcul.Nky,           p.calcul.deltak,
            p.calcul.deltaE, p.calcul.nb_fils,       p.couches.largeur_puits,
            p.modele.dispersion_axiale != 0};
}
