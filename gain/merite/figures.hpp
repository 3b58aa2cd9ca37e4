// The figures of merit of a run, gathered for the driver: at the pass where
// threshold is first crossed (differential gain, alpha_H, transparency,
// photon lifetime), then the small-signal response above threshold.
#pragma once

#include <array>
#include <vector>

#include "configuration/parametres.hpp"
#include "merite/petit_signal.hpp"
#include "merite/seuil_differentiel.hpp"
#include "seuil_pi/seuil.hpp"

struct figures_seuil {
    bool calcule = false;          // threshold was crossed and the figures formed
    // The passes on either side of threshold exist (a series that starts
    // below it) and the lasing energy is known: the differential figures.
    bool differentielles = false;
    figures_differentielles d;
    double E_laser = 0;            // meV
    bool tm = false;               // the TM mode lases
    transparence tr;
    double duree_vie_photons = 0;  // s
    double indice_groupe = 0;
};

// passes: every pass up to and including the one where threshold is first
// crossed (the last), whose spectra s still holds; E_laser: the lasing photon
// energy (meV, 0 unknown), lambda_nm its emission wavelength, tm the mode,
// Gth the threshold gain of the lasing cavity (cm^-1), n_g the group index.
figures_seuil evaluer_seuil(const std::vector<passe_merite>& passes, double E_laser, double lambda_nm, bool tm,
                            double Gth, double indice_groupe, const spectres& s, const bandes_puits& b,
                            const reglages_spectres& r);

// Drive currents of the small-signal points, in multiples of the threshold current.
inline constexpr std::array<double, 3> multiples_seuil_modulation{2.0, 4.0, 8.0};

struct modulation {
    bool calculee = false;         // dg/dN > 0 and the photon lifetime known
    parametres_petit_signal p;
    double K = 0;                  // s
    double D = 0;                  // Hz A^-1/2
    double f_max = 0;              // Hz
    std::array<point_petit_signal, multiples_seuil_modulation.size()> points{};
};

// The rate equations of the lasing mode at the threshold of the run.
modulation reponse_modulation(const parametres_calcul& p, const etat_seuil& seuil, const figures_seuil& f);
