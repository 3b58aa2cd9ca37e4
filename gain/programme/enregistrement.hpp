// The record of one run: what the phases returned, kept by the driver as it
// goes. The console, the parameter and P-I files and the JSON record of
// [sortie] fichier_resultats are views of it, so that every one of them
// prints the same numbers.
#pragma once

#include <vector>

#include "merite/figures.hpp"
#include "seuil_pi/courbe_pi.hpp"
#include "seuil_pi/seuil.hpp"

// One pass of the density series.
struct passe_calcul {
    double N_cm3 = 0;                  // carrier density of one well, cm^-3
    double N = 0;                      // the same as a sheet density, m^-2
    double EFC = 0, EFV = 0;           // quasi-Fermi levels, meV (electron axis, hole axis)
    // Peak modal gains of the two modes (cm^-1) and their photon energies
    // (meV, known only when the spectrum is not empty).
    double Gmax_te = 0, E_te = 0, Gmax_tm = 0, E_tm = 0;
    bool pic_defini = false;
    bool tm = false;                   // the TM mode has the larger modal gain: it lases
    ligne_seuil seuil;                 // the parameter file's line and the cavity that lases
    bool continuum = false;            // [modele] continuum: what the barriers hold
    barrieres_passe barrieres;
};

struct enregistrement_calcul {
    double Vc = 0, Vv = 0;             // band offsets, meV
    double Eg_Puits = 0, Eg_Barriere = 0; // band gaps, eV
    std::vector<double> niveaux_E, niveaux_HH, niveaux_LH; // zone-centre levels, meV
    std::vector<passe_calcul> passes;
    etat_seuil seuil;
    caracteristique_pi pi;
    figures_seuil merite;
    modulation reponse;
};

// Threshold current of the stripe, mA, from a current density in A/cm^2.
inline double courant_ruban_mA(const parametres_cavite& c, double J)
{
    return J * c.longueur_puce * c.largeur_contact * 1000;
}
