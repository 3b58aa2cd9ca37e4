// Small-signal modulation response of the laser above threshold, from the
// single-mode rate equations of the carrier density N (cm^-3, in the well)
// and the photon density S (cm^-3, in the mode):
//   dN/dt = eta_i I / (q V) - R(N) - v_g g S,
//   dS/dt = Gamma v_g g S - S / tau_p,      g = g(N) / (1 + epsilon S),
// with V the volume of the wells under the stripe (N is the density of each
// well of a stack, Gamma that of all of them), spontaneous emission into the
// mode left out. Above threshold the gain is clamped at 1/(Gamma v_g
// tau_p), so S0 = Gamma tau_p eta_i (I - I_th) / (q V), and the linearised
// equations around (N_th, S0) give a two-pole response
//   H(w) = w_R^2 / (w_R^2 - w^2 + i w gamma).
#pragma once

struct parametres_petit_signal {
    double duree_vie_photons = 0; // tau_p, s
    double vitesse_groupe = 0;    // v_g = c / n_g, cm/s
    double gain_differentiel = 0; // dg/dN of the material gain, cm^2
    double confinement = 0;       // Gamma of the lasing mode
    double compression = 0;       // epsilon, cm^3
    // dR/dN at threshold, s^-1: the carriers' own differential recombination
    // rate, (dJ/dN) / (q Lw) from the passes on either side of threshold.
    double taux_recombinaison = 0;
    double eta_interne = 0;
    double volume = 0;            // V, cm^3
    double courant_seuil = 0;     // I_th, A
};

struct point_petit_signal {
    double I = 0;            // drive current, A
    double S0 = 0;           // photon density, cm^-3
    double f_r = 0;          // relaxation-oscillation frequency w_R / 2 pi, Hz
    double amortissement = 0; // damping gamma, s^-1
    double f_3dB = 0;        // 3-dB modulation bandwidth, Hz
};

// The response at drive current I (A), above threshold.
point_petit_signal reponse_petit_signal(const parametres_petit_signal& p, double I);

// |H(f)| at modulation frequency f (Hz), the linearised equations solved at f
// and divided by their solution at f = 0.
double module_reponse(const parametres_petit_signal& p, double I, double f);

// K-factor (s): gamma = K f_r^2 + gamma_0, K = 4 pi^2 (tau_p + epsilon / (v_g dg/dN)),
// exact without compression and to first order in epsilon S0 with it.
double facteur_K(const parametres_petit_signal& p);

// D-factor (Hz A^-1/2): f_r = D sqrt(I - I_th) without compression,
// D = sqrt(Gamma v_g (dg/dN) eta_i / (q V)) / (2 pi).
double facteur_D(const parametres_petit_signal& p);

// Largest 3-dB bandwidth the damping allows, 2 pi sqrt 2 / K (Hz).
double bande_passante_max(const parametres_petit_signal& p);
