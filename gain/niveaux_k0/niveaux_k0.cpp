#include "niveaux_k0/niveaux_k0.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "configuration/arret.hpp"
#include "numerique/constantes.hpp"

namespace {

using constantes::m0;
using constantes::hbar2;
using constantes::q;
using constantes::metre_par_angstrom;

constexpr double deux_m0 = 1.8219e-30;              // kg, stored value of 2 m0

using matrice_c2 = complexe[2][2];

// Transfer half-products of one energy: the barrier-to-well interface times
// the well propagation, and the well-to-barrier interface times the barrier
// propagation.
struct transferts {
    matrice_c2 puits{};
    matrice_c2 barriere{};
};

// Interface matrix [[1 + r, 1 - r], [1 - r, 1 + r]].
void matrice_interface(complexe r, matrice_c2& M)
{
    const complexe un{1.0, 0.0};
    M[0][0] = c_plus_reel(r, 1.0);
    M[0][1] = c_difference(un, r);
    M[1][0] = c_difference(un, r);
    M[1][1] = c_plus_reel(r, 1.0);
}

// Propagation over a layer of width L (m): diag(exp(-ikL), exp(ikL)).
void matrice_propagation(complexe k, double L, matrice_c2& M)
{
    M[0][0] = c_exp_ikx(k, -L);
    M[0][1] = complexe{};
    M[1][0] = complexe{};
    M[1][1] = c_exp_ikx(k, L);
}

// P = 1/2 G D, accumulated from zero.
void demi_produit(const matrice_c2& G, const matrice_c2& D, matrice_c2& P)
{
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            P[r][c] = complexe{};
            for (int l = 0; l < 2; ++l) P[r][c] = c_somme(P[r][c], c_echelle(c_produit(G[r][l], D[l][c]), 0.5));
        }
}

transferts calculer_transferts(const parametres_bande& b, double E, double Lw, double Lb)
{
    complexe k_barriere, k_puits;
    vecteurs_onde(b, E, k_barriere, k_puits);

    // psi and psi'/m continuous: the ratio of k/m across each interface. A
    // zero wave vector at a band edge has a zero reciprocal, keeping r finite.
    const complexe rho =
        c_produit(c_echelle(k_puits, b.masse_barriere / b.masse_puits), c_inverse(k_barriere));
    const complexe rho_prime =
        c_produit(c_echelle(k_barriere, b.masse_puits / b.masse_barriere), c_inverse(k_puits));

    matrice_c2 interface_barriere_puits, interface_puits_barriere, propagation_puits, propagation_barriere;
    matrice_interface(rho, interface_barriere_puits);
    matrice_interface(rho_prime, interface_puits_barriere);
    matrice_propagation(k_puits, Lw * metre_par_angstrom, propagation_puits);      // Å -> m
    matrice_propagation(k_barriere, largeur_barriere_effective(k_barriere, Lb) * metre_par_angstrom, // Å -> m
                        propagation_barriere);

    transferts t;
    demi_produit(interface_barriere_puits, propagation_puits, t.puits);
    demi_produit(interface_puits_barriere, propagation_barriere, t.barriere);
    return t;
}

// F = (transfert_puits x transfert_barriere)[0][0], accumulated from zero.
complexe premier_element_produit(const transferts& t)
{
    complexe F{};
    F = c_somme(F, c_produit(t.puits[0][0], t.barriere[0][0]));
    F = c_somme(F, c_produit(t.puits[0][1], t.barriere[1][0]));
    return F;
}

} // namespace

double largeur_barriere_effective(complexe k_barriere, double largeur_barriere)
{
    constexpr double kappa_L_max = 150.0;
    const double kappa = k_barriere.im * metre_par_angstrom; // Å^-1
    if (!(kappa * largeur_barriere > kappa_L_max)) return largeur_barriere;
    return kappa_L_max / kappa;
}

complexe fonction_quantification(const parametres_bande& b, double E, double largeur_puits, double largeur_barriere)
{
    return premier_element_produit(calculer_transferts(b, E, largeur_puits, largeur_barriere));
}

void vecteurs_onde(const parametres_bande& b, double E, complexe& k_barriere, complexe& k_puits)
{
    k_barriere = c_racine_reel(b.facteur_barriere * (E - b.bord_barriere) * q / 1000); // meV -> J
    k_puits = c_racine_reel(b.facteur_puits * (E - b.bord_puits) * q / 1000);          // meV -> J
}

int remplir_grille_energie(double V, double deltaE, std::vector<double>& grille)
{
    const double rapport = V / deltaE;
    if (rapport > points_grille_max) {
        char tampon[200];
        std::snprintf(tampon, sizeof tampon,
                      "Pas en energie deltaE trop petit pour la hauteur de barriere : V / deltaE = %g points (10 "
                      "millions au plus).\n",
                      rapport);
        arreter(tampon);
    }
    // Truncation toward zero must stay within int (NaN, or a huge negative V).
    if (!(rapport > -2147483649.0)) {
        char tampon[200];
        std::snprintf(tampon, sizeof tampon,
                      "Hauteur de barriere V = %g meV inutilisable avec deltaE = %g meV : V / deltaE = %g n'est pas "
                      "un nombre de points.\n",
                      V, deltaE, rapport);
        arreter(tampon);
    }
    const int count = static_cast<int>(rapport);
    grille.assign(count > 1 ? count : 1, 0.0);
    grille[0] = 0.01; // meV, just above the band's zero
    // Accumulated steps, as the historic grid: not i * deltaE. At most
    // points_grille_max points (checked above, and up front by the bounds of
    // the run from Vc, Vv and deltaE).
    for (int i = 1; i < count; ++i) grille[i] = grille[i - 1] + deltaE;
    return count;
}

int remplir_grille_energie(double V, double deltaE, double bord_puits, std::vector<double>& grille)
{
    std::vector<double> haut;
    const int count = remplir_grille_energie(V, deltaE, haut);
    // A strained well edge below the first point (tension: the conduction and
    // light-hole edges drop under the unstrained ones) holds levels the upward
    // grid cannot see: whole steps down from the first point, each the
    // previous one minus the step, to the last point above the edge. The
    // upward points stay where they are.
    const double points_bas = (haut[0] - bord_puits) / deltaE;
    if (points_bas > points_grille_max) {
        char tampon[200];
        std::snprintf(tampon, sizeof tampon,
                      "Pas en energie deltaE trop petit pour le bord contraint du puits a %g meV : %g points sous "
                      "le premier point de la grille (10 millions au plus).\n",
                      bord_puits, points_bas);
        arreter(tampon);
    }
    // The truncated count leaves the last whole step below V out (its upper
    // point E_count is still under V): a level bound just under the barrier
    // edge lies there.
    int nb_haut = std::max(count, 0);
    if (count >= 1) {
        haut.resize(static_cast<std::size_t>(count));
        while (haut.back() + deltaE < V) haut.push_back(haut.back() + deltaE);
        nb_haut = static_cast<int>(haut.size());
    }
    std::vector<double> bas;
    for (double E = haut[0]; E - deltaE > bord_puits;) {
        E = E - deltaE;
        bas.push_back(E);
    }
    grille.assign(bas.rbegin(), bas.rend());
    grille.insert(grille.end(), haut.begin(), haut.end());
    return static_cast<int>(bas.size()) + nb_haut;
}

niveaux_bande chercher_niveaux(const parametres_bande& b, const std::vector<double>& grille, int count,
                               double largeur_puits, double largeur_barriere)
{
    // count <= points_grille_max: one evaluation per grid point.
    std::vector<complexe> fonction_niveaux(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i)
        fonction_niveaux[i] = fonction_quantification(b, grille[i], largeur_puits, largeur_barriere);

    niveaux_bande r;
    const double V = b.bord_barriere;
    // Every interval below V, the last one included: a level bound just
    // under the barrier edge lies there.
    for (int i = 1; i <= count - 1; ++i) {
        const double signe = c_produit(fonction_niveaux[i - 1], fonction_niveaux[i]).re;
        if (!(signe < 0.0) || !(V > grille[i])) continue;
        const double E_n = (grille[i] + grille[i - 1]) * 0.5;
        const transferts t = calculer_transferts(b, E_n, largeur_puits, largeur_barriere);
        complexe G{};
        G = c_somme(G, c_produit(t.puits[1][0], t.barriere[0][0]));
        G = c_somme(G, c_produit(t.puits[1][1], t.barriere[1][0]));
        r.niveaux.push_back(E_n);
        r.coef_puits_plus.push_back(t.barriere[0][0]);
        r.coef_puits_moins.push_back(t.barriere[1][0]);
        r.coef_barriere_gauche.push_back(G);
    }
    return r;
}

namespace {

// Conduction band: parabolic, its well edge raised by the hydrostatic strain.
parametres_bande bande_conduction(const resultats_materiau& m)
{
    parametres_bande b;
    b.masse_puits = m.puits.mc * m0;
    b.masse_barriere = m.barriere.mc * m0;
    b.facteur_puits = 2 * m.puits.mc * m0 / hbar2;
    b.facteur_barriere = 2 * m.barriere.mc * m0 / hbar2;
    b.bord_puits = m.dEc_hydro;
    b.bord_barriere = m.Vc;
    b.titre = "Niveaux E dans la BC (meV) :";
    return b;
}

// A hole band of the axial model at the zone centre: the masses m0 / gamma of
// its Luttinger combination in each layer.
parametres_bande bande_trous(double gamma_puits, double gamma_barriere, double bord_puits, double Vv,
                             const char* titre)
{
    parametres_bande b;
    b.masse_puits = m0 / gamma_puits;
    b.masse_barriere = m0 / gamma_barriere;
    b.facteur_puits = deux_m0 / (gamma_puits * hbar2);
    b.facteur_barriere = deux_m0 / (gamma_barriere * hbar2);
    b.bord_puits = bord_puits;
    b.bord_barriere = Vv;
    b.titre = titre;
    return b;
}

// One band over its grid from its own well edge up to V (meV); the caller
// hears of its levels at once.
niveaux_bande chercher_bande(const parametres_bande& b, double V, const parametres_niveaux_k0& p,
                             const niveaux_trouves& apres_bande)
{
    std::vector<double> grille;
    const int count = remplir_grille_energie(V, p.deltaE, b.bord_puits, grille);
    niveaux_bande n = chercher_niveaux(b, grille, count, p.largeur_puits, p.largeur_barriere);
    if (apres_bande) apres_bande(b, n);
    return n;
}

} // namespace

double points_grille_k0(double V, double deltaE) { return V > 0 ? std::trunc(V / deltaE) : 0.0; }

double memoire_niveaux_k0(double points) { return 24 * points; }

resultats_k0 calculer_niveaux_k0(const parametres_niveaux_k0& p, const resultats_materiau& m,
                                 const niveaux_trouves& apres_bande)
{
    resultats_k0 r;
    r.bande_E = bande_conduction(m);
    r.E = chercher_bande(r.bande_E, m.Vc, p, apres_bande);

    // Hole energies count downward from the unstrained well valence edge.
    r.dEv_hydro = 2 * (1000 * m.epsilon * (1 - m.rapport_C12_C11) * m.puits.aH) / 3; // meV
    const double gamma_hh_puits = m.puits.gamma1 - 2 * m.puits.gamma2;
    const double gamma_hh_barriere = m.barriere.gamma1 - 2 * m.barriere.gamma2;
    const double gamma_lh_puits = m.puits.gamma1 + 2 * m.puits.gamma2;
    const double gamma_lh_barriere = m.barriere.gamma1 + 2 * m.barriere.gamma2;
    r.bande_HH = bande_trous(gamma_hh_puits, gamma_hh_barriere, m.dE_cisaillement + r.dEv_hydro, m.Vv,
                             "Niveaux HH dans la BV (meV) :");
    r.bande_LH = bande_trous(gamma_lh_puits, gamma_lh_barriere, r.dEv_hydro - m.dE_cisaillement, m.Vv,
                             "Niveaux LH dans la BV (meV) :");

    // Both hole bands share the upward grid built for Vv; each reaches down to its own edge.
    r.HH = chercher_bande(r.bande_HH, m.Vv, p, apres_bande);
    r.LH = chercher_bande(r.bande_LH, m.Vv, p, apres_bande);
    return r;
}
