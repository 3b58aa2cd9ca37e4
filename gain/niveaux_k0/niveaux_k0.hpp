// Bound subband levels at zero in-plane wave vector: conduction electrons (E),
// heavy holes (HH) and light holes (LH), by a 2x2 transfer-matrix search over
// an energy grid, with each level's envelope amplitudes.
#pragma once

#include <functional>
#include <vector>

#include "materiau/materiau.hpp"
#include "numerique/complexe.hpp"

// One band of the square well. Energies in meV on the band's own axis.
struct parametres_bande {
    double masse_puits = 0;     // kg
    double masse_barriere = 0;  // kg
    double facteur_puits = 0;   // 2 m_w / hbar^2 as the band forms it, kg/(J^2 s^2)
    double facteur_barriere = 0;// 2 m_b / hbar^2
    double bord_puits = 0;      // meV
    double bord_barriere = 0;   // meV, V
    const char* titre = "";     // the band's heading on the console
};

// What the search takes of the run: its energy step and the layer widths.
struct parametres_niveaux_k0 {
    double deltaE = 0;           // meV
    double largeur_puits = 0;    // Å
    double largeur_barriere = 0; // Å
};

// Most points of one energy grid, for every scan in energy of the program (the
// zone-centre searches here, the dispersion after them): one evaluation of a
// transfer matrix a point and a band, so that beyond it a search does not end
// in a reasonable time.
inline constexpr double points_grille_max = 1e7;

// Points of the upward grid of a band of height V (meV), for the bounds of the
// run: trunc(V / deltaE), none when V <= 0 (remplir_grille_energie refuses a
// V / deltaE above points_grille_max before truncating it).
double points_grille_k0(double V, double deltaE);
// Bytes of the search per grid point: the energy and the quantisation function.
double memoire_niveaux_k0(double points);

// Levels of one band and, for each, the amplitudes A, B (well) and G (left
// barrier) of its envelope, with (1, 0) in the right barrier.
struct niveaux_bande {
    std::vector<double> niveaux; // meV, increasing
    std::vector<complexe> coef_puits_plus, coef_puits_moins, coef_barriere_gauche;
    int nb() const { return static_cast<int>(niveaux.size()); }
};

struct resultats_k0 {
    parametres_bande bande_E, bande_HH, bande_LH;
    niveaux_bande E, HH, LH;
    double dEv_hydro = 0; // meV
};

// Wave vectors (m^-1) of the band at energy E (meV), in barrier and well.
void vecteurs_onde(const parametres_bande& b, double E, complexe& k_barriere, complexe& k_puits);

// The barriers are semi-infinite for a bound level: its envelope decays
// there as exp(-κz), and the transfer over a barrier of width Lb carries the
// common factor exp(κ Lb) of every amplitude, which neither the sign of the
// quantisation function nor the normalised envelope sees. Past κ Lb = 150
// that factor would overflow in the norm, whose modulus squares it twice
// (exp(709) is the largest double): the barrier is then taken 150/κ wide,
// which changes the level condition by nothing and the normalised envelope
// by exp(-300) relative. Width in Å, k_barriere in m^-1 (κ its imaginary
// part); Lb itself below the cap.
double largeur_barriere_effective(complexe k_barriere, double largeur_barriere);

// Quantisation function F(E) of the band at E (meV), widths in Å: the
// amplitude of the left-barrier wave growing away from the well when the right
// barrier holds (1, 0); real below the barrier edge, zero at a bound level.
complexe fonction_quantification(const parametres_bande& b, double E, double largeur_puits, double largeur_barriere);

// Grid of the band scan: E_0 = 0.01 meV, then E_i = E_(i-1) + deltaE. Returns
// count = trunc(V / deltaE) (may be <= 0) and leaves max(count, 1) points in
// `grille`. Stops the run when count would exceed points_grille_max.
int remplir_grille_energie(double V, double deltaE, std::vector<double>& grille);
// The same grid reaching below E_0 when the band's strained well edge
// bord_puits (meV) lies under it: E_-1 = E_0 - deltaE, E_-2 = E_-1 - deltaE, ...
// down to the last point above the edge, placed first. Returns the number of
// points to scan: those below E_0, then the upward grid when count >= 1, with
// the last whole step under V that the truncated count leaves out.
int remplir_grille_energie(double V, double deltaE, double bord_puits, std::vector<double>& grille);

// Scan of one band over its first `count` grid points, every interval below V
// examined.
niveaux_bande chercher_niveaux(const parametres_bande& b, const std::vector<double>& grille, int count,
                               double largeur_puits, double largeur_barriere);

// Told of each band as soon as its search ends, in the order E, HH, LH: a
// later band may still stop the run.
using niveaux_trouves = std::function<void(const parametres_bande&, const niveaux_bande&)>;

// The three bands in the order E, HH, LH.
resultats_k0 calculer_niveaux_k0(const parametres_niveaux_k0& p, const resultats_materiau& m,
                                 const niveaux_trouves& apres_bande = {});
