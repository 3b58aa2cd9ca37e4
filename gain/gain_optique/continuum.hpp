// Carriers of the barrier continuum ([modele] continuum): the states above the
// barrier edges. They share the well's quasi-Fermi levels, so that they hold
// their part of the injected carriers, and recombine radiatively with the
// barrier's own coefficient B.
//
// Over the structure (both barriers and the well, W = 2 Lb + Lw) the states
// above a barrier edge are those of the barrier material, three-dimensional
// with its mass, W Nc F(eta), changed by the well through its scattering phase
// shifts (Beth and Uhlenbeck): the states per unit energy of the motion along
// the growth axis change by (1/pi) d(delta_e + delta_o)/de, the even and odd
// phase shifts of the square well (psi and psi'/m continuous), each state with
// a two-dimensional in-plane density (the electrons' that of the well's
// subbands, the holes' that of the barrier's bands). The phase shifts carry
// the states the well binds (Levinson: pi per level), so that as a level binds
// at the edge the continuum gives up the states it takes: the carriers of the
// well and the continuum together do not jump when the well widens past the
// binding of a level. Integrated by parts, with delta_0 the phase shifts at
// the edge of a well holding the levels the search found,
//   dn = m / (pi^2 hbar^2) int_0^inf (delta(e) - delta_0) f(e) de,
// which vanishes far from a binding, where delta is flat over a few kT.
#pragma once

#include <vector>

#include "dispersion/table.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

// One band's scattering by the well: the square well of depth V (its barrier
// edge less its well edge, on the band's axis) and width L, the masses of the
// zone-centre search, the in-plane mass of the continuum, and the levels the
// search found there.
struct canal_continuum {
    double masse_puits = 0, masse_barriere = 0; // kg, motion along the growth axis
    double masse_plan = 0;                      // kg, in-plane motion of the continuum states
    double V = 0;                               // J
    double L = 0;                               // m
    int nb_lies = 0;                            // bound levels of the band
    double delta_0 = 0;                         // delta_e + delta_o at the edge with those levels
    // C_j = m / (pi^2 hbar^2) int (delta - delta_0) exp(-j e / kT) de, j = 1 ... : the
    // non-degenerate series of dn; empty when the channel is the free barrier.
    std::vector<double> C;
    // (delta - delta_0) 2 t at t_i = i h of the degenerate sum, i = 1 ...: the phase
    // shifts do not depend on the Fermi level, and each trial of the quasi-Fermi
    // searches would recompute them.
    std::vector<double> poids_t;
};

struct continuum_barrieres {
    double largeur = 0;                // W: both barriers and the well, Å
    double Vc = 0, Vv = 0;             // barrier edges, meV (electron axis, hole axis)
    double kT = 0;                     // J
    double masse_c = 0;                // conduction mass of the barrier, kg
    double masse_hh = 0, masse_lh = 0; // heavy- and light-hole masses of the barrier, kg
    double B = 0;                      // radiative coefficient of the barrier, cm^3/s
    canal_continuum E, HH, LH;
};

// The continuum of the run: the barrier edges Vc, Vv, the bands of the
// zone-centre search and their levels, largeur_puits and largeur_barriere (Å),
// B (cm^3/s), the temperature T (K).
continuum_barrieres former_continuum(const resultats_k0& k0, const resultats_materiau& m, double largeur_puits,
                                     double largeur_barriere, double B, double T);

// The Fermi-Dirac integral of order 1/2, F(eta) = 2/sqrt(pi) int_0^inf sqrt(e) de / (1 + exp(e - eta)),
// normalised so that F(eta) -> exp(eta) far below the edge; to the last digit
// or so (the alternating series of exp(k eta) below eta = -1, a trapezoid sum
// in sqrt(e) above, whose error falls exponentially with the step).
double integrale_fermi_demi(double eta);

// delta_e + delta_o of the channel at e (J) above its barrier edge, each the
// branch continuous from the free barrier (L = 0).
double dephasage(const canal_continuum& c, double e);
// The channel's change dn of the continuum's sheet density (m^-2) at
// eta = (EF - edge)/kT: the series of C below eta = -1, a trapezoid sum above.
double correction_dephasage(const canal_continuum& c, double eta, double kT);

// Sheet densities (m^-2) of the continuum at the quasi-Fermi levels EFC (meV,
// electron axis) and EFV (meV, hole axis): W Nc F((EFC - Vc)/kT), Nc =
// 2 (m kT / (2 pi hbar^2))^(3/2), and the holes' heavy and light bands
// together, each with its channel's dn.
double electrons_continuum(double EFC, const continuum_barrieres& c);
double trous_continuum(double EFV, const continuum_barrieres& c);

// Radiative current density (A/cm^2) of the continuum holding the sheet
// densities n and p (m^-2): q B (n / W)(p / W) W, the volume densities taken
// uniform over the structure.
double courant_radiatif_continuum(double n, double p, const continuum_barrieres& c);

// The probability in the well (between its two interfaces) of the envelope of
// each zone-centre level, E, HH and LH in the order of the levels.
struct presence_puits {
    std::vector<double> E, HH, LH;
};
presence_puits calculer_presence(double largeur_puits, double largeur_barriere, const resultats_k0& k0);

// The carriers in the well's own volume (sheet densities, m^-2), where the
// well's Auger recombination takes them: each subband's carriers times its
// probability in the well (a level just bound lies mostly in the barriers),
// and the share Lw / W of the continuum, spread over the structure; the holes
// of a branch take the presence of the zone-centre level the spectra's walk
// gives it, 1 past the levels. Their densities: holes_branches of each
// branch of the table, electrons_niveaux of each conduction level.
void porteurs_du_puits(double EFC, double EFV, const std::vector<double>& electrons_niveaux,
                       const std::vector<double>& trous_branches, const resultats_dispersion& d,
                       const presence_puits& presence, double largeur_puits, const continuum_barrieres& c, double& n,
                       double& p);
