#include "materiau/materiau.hpp"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <iterator>
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

    const double Eg_X = gap_varshni(c.X.Eg_0K, c.X.alpha_Eg, c.X.beta_Eg, T);
    const double Eg_Y = gap_varshni(c.Y.Eg_0K, c.Y.alpha_Eg, c.Y.beta_Eg, T);
    const double Eg_Z = gap_varshni(c.Z.Eg_0K, c.Z.alpha_Eg, c.Z.beta_Eg, T);

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
    m.puits = alliage(x, c.X, c.Z, std::size(parametres_membre));
    m.barriere = alliage(y, c.Y, c.X, nb_parametres_barriere);

    m.rapport_C12_C11 = m.puits.C12 / m.puits.C11;
    m.epsilon = (m.barriere.a - m.puits.a) / m.barriere.a;
    m.dE_hydro = -2 * (1 - m.rapport_C12_C11) * m.puits.aH * m.epsilon * 1000;          // eV -> meV
    // Shear term of biaxial strain, Q = -(b/2)(exx + eyy - 2 ezz) with ezz = -2 (C12/C11) exx:
    // -(1 + 2 C12/C11) b epsilon. The HH and LH edges lie at dEv_hydro +- this.
    m.dE_cisaillement = -(1 + 2 * m.rapport_C12_C11) * m.puits.bS * m.epsilon * 1000;      // eV -> meV
    m.dEc_hydro = (4.0 / 3.0) * (1 - m.rapport_C12_C11) * m.puits.aH * m.epsilon * 1000; // eV -> meV
    const char* cles_contrainte = "C11_x, C11_1-x, C12_x, C12_1-x, a_x, a_1-x, a_y, aH_x, aH_1-x, bS_x, bS_1-x "
                                  "(C11 du puits et a de la barriere non nuls)";
    verifier_fini(m.dEc_hydro, "dEc_hydro (meV)", cles_contrainte);
    verifier_fini(m.dE_cisaillement, "dE_cisaillement (meV)", cles_contrainte);
    verifier_fini(m.dE_hydro, "dE_hydro (meV)", cles_contrainte);
}

} // namespace

membre_alliage alliage(double u, const membre_alliage& A, const membre_alliage& B, std::size_t nb)
{
    membre_alliage r;
    for (std::size_t i = 0; i < nb; ++i) {
        const auto champ = parametres_membre[i].champ;
        r.*champ = interpolation(u, A.*champ, B.*champ);
    }
    return r;
}

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
