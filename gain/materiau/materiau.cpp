#include "materiau/materiau.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "configuration/arret.hpp"
#include "numerique/complexe.hpp"
#include "numerique/constantes.hpp"

namespace {

using constantes::hbar;

// Varshni law of the gap of one end member at temperature T (K), eV.
double gap_varshni(double Eg_0K, double alpha, double beta, double T)
{
    return Eg_0K - (alpha * T * T) / (beta + T);
}

// An infinite or undefined offset or band edge would flow silently into every
// later phase: stop here, naming the keys it comes from.
void verifier_fini(double valeur, const char* nom, const char* cles)
{
    if (std::isfinite(valeur)) return;
    char tampon[96];
    std::snprintf(tampon, sizeof tampon, "%g", valeur);
    arreter(std::string("Modele materiau : ") + nom + " = " + tampon + " n'est pas fini ; verifier les cles " +
            cles + ".\n");
}

// Gaps of the well X_x Z_1-x and the barrier Y_y X_1-y at c.T, then the
// offsets: the x-bowing term is weighted by the fraction of the second member
// of each alloy.
void gaps_et_decalages(const parametres_couches& c, resultats_materiau& m)
{
    const double T = c.T;
    const double x = c.ratio_x;
    const double y = c.ratio_y;

    const double Eg_X = gap_varshni(c.Eg_0K_x, c.alpha_Eg_x, c.beta_Eg_x, T);
    const double Eg_Y = gap_varshni(c.Eg_0K_y, c.alpha_Eg_y, c.beta_Eg_y, T);
    const double Eg_Z = gap_varshni(c.Eg_0K_1_x, c.alpha_Eg_1_x, c.beta_Eg_1_x, T);

    m.Eg_Puits = x * Eg_X + (1.0 - x) * Eg_Z - x * (1.0 - x) * (c.bowing_Eg_x_puits * (1.0 - x) + c.bowing_Eg_puits);
    m.Eg_Barriere =
        y * Eg_Y + (1.0 - y) * Eg_X - y * (1.0 - y) * (c.bowing_Eg_x_barriere * (1.0 - y) + c.bowing_Eg_barriere);
    verifier_fini(m.Eg_Puits, "Eg_Puits (eV)",
                  "Eg_0K_x, alpha_Eg_x, beta_Eg_x, Eg_0K_1-x, alpha_Eg_1-x, beta_Eg_1-x, bowing_Eg, bowing_Eg_x "
                  "[puits] et temperature (beta_Eg different de -T)");
    verifier_fini(m.Eg_Barriere, "Eg_Barriere (eV)",
                  "Eg_0K_y, alpha_Eg_y, beta_Eg_y, Eg_0K_x, alpha_Eg_x, beta_Eg_x, bowing_Eg, bowing_Eg_x "
                  "[barriere] et temperature (beta_Eg different de -T)");

    const double dEg = m.Eg_Barriere - m.Eg_Puits; // eV
    m.Vc = c.K_delta_Ec * 1000 * dEg;              // meV
    m.Vv = (dEg - m.Vc / 1000) * 1000;              // meV
    verifier_fini(m.Vc, "Vc (meV)", "K_delta_Ec et celles des gaps du puits et de la barriere");
    verifier_fini(m.Vv, "Vv (meV)", "K_delta_Ec et celles des gaps du puits et de la barriere");
}

// Band parameters of both alloys, and the strain of the well on the barrier
// lattice (epsilon > 0 is tensile) with its shifts of the band edges.
void bandes_et_contrainte(const parametres_couches& c, resultats_materiau& m)
{
    const double x = c.ratio_x;
    const double y = c.ratio_y;
    m.mc_puits = interpolation(x, c.mc_x, c.mc_1_x);
    m.gamma1_puits = interpolation(x, c.gamma1_x, c.gamma1_1_x);
    m.gamma2_puits = interpolation(x, c.gamma2_x, c.gamma2_1_x);
    m.gamma3_puits = interpolation(x, c.gamma3_x, c.gamma3_1_x);
    m.a_puits = interpolation(x, c.a_x, c.a_1_x);
    m.aH_puits = interpolation(x, c.aH_x, c.aH_1_x);
    const double bS_puits = interpolation(x, c.bS_x, c.bS_1_x);
    m.C11_puits = interpolation(x, c.C11_x, c.C11_1_x);
    m.C12_puits = interpolation(x, c.C12_x, c.C12_1_x);
    m.Ep_puits = interpolation(x, c.Ep_x, c.Ep_1_x);
    m.nr_puits = interpolation(x, c.nr_x, c.nr_1_x);

    m.mc_barriere = interpolation(y, c.mc_y, c.mc_x);
    m.gamma1_barriere = interpolation(y, c.gamma1_y, c.gamma1_x);
    m.gamma2_barriere = interpolation(y, c.gamma2_y, c.gamma2_x);
    m.gamma3_barriere = interpolation(y, c.gamma3_y, c.gamma3_x);
    m.a_barriere = interpolation(y, c.a_y, c.a_x);

    m.rapport_C12_C11 = m.C12_puits / m.C11_puits;
    m.epsilon = (m.a_barriere - m.a_puits) / m.a_barriere;
    m.dE_hydro = -2 * (1 - m.rapport_C12_C11) * m.aH_puits * m.epsilon * 1000;          // eV -> meV
    // Shear term of biaxial strain, Q = -(b/2)(exx + eyy - 2 ezz) with ezz = -2 (C12/C11) exx:
    // -(1 + 2 C12/C11) b epsilon. The HH and LH edges lie at dEv_hydro +- this.
    m.dE_cisaillement = -(1 + 2 * m.rapport_C12_C11) * bS_puits * m.epsilon * 1000;      // eV -> meV
    m.dEc_hydro = (4.0 / 3.0) * (1 - m.rapport_C12_C11) * m.aH_puits * m.epsilon * 1000; // eV -> meV
    const char* cles_contrainte = "C11_x, C11_1-x, C12_x, C12_1-x, a_x, a_1-x, a_y, aH_x, aH_1-x, bS_x, bS_1-x "
                                  "(C11 du puits et a de la barriere non nuls)";
    verifier_fini(m.dEc_hydro, "dEc_hydro (meV)", cles_contrainte);
    verifier_fini(m.dE_cisaillement, "dE_cisaillement (meV)", cles_contrainte);
    verifier_fini(m.dE_hydro, "dE_hydro (meV)", cles_contrainte);
}

} // namespace

resultats_materiau modele_materiau(const parametres_couches& c, double Ninj, double demi_largeur_lorentz)
{
    resultats_materiau m;
    gaps_et_decalages(c, m);
    bandes_et_contrainte(c, m);
    m.Ninj_surf = (Ninj / 1e-6) * (c.largeur_puits * 1e-10); // cm-3 -> m-3, times the width in m
    const double hbar_sur_tau = constantes::demi_largeur_raie(demi_largeur_lorentz); // J
    m.largeur_lorentz_carre = hbar_sur_tau * hbar_sur_tau;
    return m;
}
