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

} // namespace

resultats_materiau modele_materiau(const parametres_calcul& p)
{
    resultats_materiau m;
    const double T = p.couches.T;
    const double x = p.couches.ratio_x;
    const double y = p.couches.ratio_y;

    const double Eg_X = gap_varshni(p.couches.Eg_0K_x, p.couches.alpha_Eg_x, p.couches.beta_Eg_x, T);
    const double Eg_Y = gap_varshni(p.couches.Eg_0K_y, p.couches.alpha_Eg_y, p.couches.beta_Eg_y, T);
    const double Eg_Z = gap_varshni(p.couches.Eg_0K_1_x, p.couches.alpha_Eg_1_x, p.couches.beta_Eg_1_x, T);

    // Well X_x Z_1-x, barrier Y_y X_1-y: the x-bowing term is weighted by the
    // fraction of the second member of each alloy.
    m.Eg_Puits = x * Eg_X + (1.0 - x) * Eg_Z - x * (1.0 - x) * (p.couches.bowing_Eg_x_puits * (1.0 - x) + p.couches.bowing_Eg_puits);
    m.Eg_Barriere =
        y * Eg_Y + (1.0 - y) * Eg_X - y * (1.0 - y) * (p.couches.bowing_Eg_x_barriere * (1.0 - y) + p.couches.bowing_Eg_barriere);
    verifier_fini(m.Eg_Puits, "Eg_Puits (eV)",
                  "Eg_0K_x, alpha_Eg_x, beta_Eg_x, Eg_0K_1-x, alpha_Eg_1-x, beta_Eg_1-x, bowing_Eg, bowing_Eg_x "
                  "[puits] et temperature (beta_Eg different de -T)");
    verifier_fini(m.Eg_Barriere, "Eg_Barriere (eV)",
                  "Eg_0K_y, alpha_Eg_y, beta_Eg_y, Eg_0K_x, alpha_Eg_x, beta_Eg_x, bowing_Eg, bowing_Eg_x "
                  "[barriere] et temperature (beta_Eg different de -T)");

    const double dEg = m.Eg_Barriere - m.Eg_Puits; // eV
    m.Vc = p.couches.K_delta_Ec * 1000 * dEg;               // meV
    m.Vv = (dEg - m.Vc / 1000) * 1000;               // meV
    verifier_fini(m.Vc, "Vc (meV)", "K_delta_Ec et celles des gaps du puits et de la barriere");
    verifier_fini(m.Vv, "Vv (meV)", "K_delta_Ec et celles des gaps du puits et de la barriere");

    m.mc_puits = interpolation(x, p.couches.mc_x, p.couches.mc_1_x);
    m.gamma1_puits = interpolation(x, p.couches.gamma1_x, p.couches.gamma1_1_x);
    m.gamma2_puits = interpolation(x, p.couches.gamma2_x, p.couches.gamma2_1_x);
    m.gamma3_puits = interpolation(x, p.couches.gamma3_x, p.couches.gamma3_1_x);
    const double a_puits = interpolation(x, p.couches.a_x, p.couches.a_1_x);
    m.aH_puits = interpolation(x, p.couches.aH_x, p.couches.aH_1_x);
    const double bS_puits = interpolation(x, p.couches.bS_x, p.couches.bS_1_x);
    const double C11_puits = interpolation(x, p.couches.C11_x, p.couches.C11_1_x);
    const double C12_puits = interpolation(x, p.couches.C12_x, p.couches.C12_1_x);
    m.Ep_puits = interpolation(x, p.couches.Ep_x, p.couches.Ep_1_x);
    m.nr_puits = interpolation(x, p.couches.nr_x, p.couches.nr_1_x);

    m.mc_barriere = interpolation(y, p.couches.mc_y, p.couches.mc_x);
    m.gamma1_barriere = interpolation(y, p.couches.gamma1_y, p.couches.gamma1_x);
    m.gamma2_barriere = interpolation(y, p.couches.gamma2_y, p.couches.gamma2_x);
    m.gamma3_barriere = interpolation(y, p.couches.gamma3_y, p.couches.gamma3_x);
    const double a_barriere = interpolation(y, p.couches.a_y, p.couches.a_x);

    // The well is strained to the barrier lattice; epsilon > 0 is tensile.
    m.rapport_C12_C11 = C12_puits / C11_puits;
    m.epsilon = (a_barriere - a_puits) / a_barriere;
    m.dE_hydro = -2 * (1 - m.rapport_C12_C11) * m.aH_puits * m.epsilon * 1000;          // eV -> meV
    m.dE_cisaillement = -(1 + m.rapport_C12_C11) * bS_puits * m.epsilon * 1000;          // eV -> meV
    m.dEc_hydro = (4.0 / 3.0) * (1 - m.rapport_C12_C11) * m.aH_puits * m.epsilon * 1000; // eV -> meV
    const char* cles_contrainte = "C11_x, C11_1-x, C12_x, C12_1-x, a_x, a_1-x, a_y, aH_x, aH_1-x, bS_x, bS_1-x "
                                  "(C11 du puits et a de la barriere non nuls)";
    verifier_fini(m.dEc_hydro, "dEc_hydro (meV)", cles_contrainte);
    verifier_fini(m.dE_cisaillement, "dE_cisaillement (meV)", cles_contrainte);
    verifier_fini(m.dE_hydro, "dE_hydro (meV)", cles_contrainte);

    m.Ninj_surf = (p.calcul.Ninj / 1e-6) * (p.couches.largeur_puits * 1e-10); // cm-3 -> m-3, times the width in m
    const double hbar_sur_tau = hbar / p.calcul.demi_largeur_lorentz;  // J
    m.largeur_lorentz_carre = hbar_sur_tau * hbar_sur_tau;
    return m;
}

void afficher_resume_materiau(const resultats_materiau& m)
{
    std::printf("Vc: %f meV\tEg_Puits: %fmeV\tEg_Barriere: %fmeV\n", m.Vc, m.Eg_Puits, m.Eg_Barriere);
}
