#include "gain_optique/recouvrements.hpp"

#include "numerique/constantes.hpp"

#include <cstddef>

namespace {

using constantes::metre_par_angstrom;

constexpr double demi_fenetre = 200.0; // Å of barrier on each side of the well

const complexe un{1.0, 0.0};
const complexe i_pur{0.0, 1.0};
const complexe moins_i{0.0, -1.0};

// One level ready for evaluation on the grid.
struct niveau_enveloppe {
    complexe k_barriere, k_puits, A, B, G, facteur;
};

void ajouter_niveaux(const parametres_bande& b, const niveaux_bande& nb, double Lw, double Lb,
                     std::vector<niveau_enveloppe>& sortie)
{
    for (int i = 0; i < nb.nb(); ++i) {
        niveau_enveloppe n;
        // the wave vectors of the level search itself, so that the envelope is
        // that of the very level found there
        vecteurs_onde(b, nb.niveaux[i], n.k_barriere, n.k_puits);
        n.A = c_produit(nb.coef_puits_plus[i], un);
        n.B = c_produit(nb.coef_puits_moins[i], un);
        n.G = c_produit(nb.coef_barriere_gauche[i], un);
        n.facteur = facteur_normalisation(n.k_barriere, n.k_puits, n.A, n.B, n.G, Lw, Lb);
        sortie.push_back(n);
    }
}

std::vector<niveau_enveloppe> preparer(const parametres_bande& b, const niveaux_bande& nb, double Lw, double Lb)
{
    std::vector<niveau_enveloppe> v;
    ajouter_niveaux(b, nb, Lw, Lb, v);
    return v;
}

std::vector<double> valeurs(double z, const std::vector<niveau_enveloppe>& niveaux, double Lw, double Lb)
{
    std::vector<double> re(niveaux.size());
    for (std::size_t i = 0; i < niveaux.size(); ++i) {
        const niveau_enveloppe& n = niveaux[i];
        re[i] = enveloppe(z, n.k_barriere, n.k_puits, n.A, n.B, n.G, n.facteur, Lw, Lb).re;
    }
    return re;
}

// Accumulates one trapezoid strip of Re(psi_v) Re(psi_c) per (v, c) pair; the
// first position of the window only records the integrand.
void integrer(double z, bool premier, const std::vector<double>& psi_v, const std::vector<double>& psi_c,
              std::vector<std::vector<double>>& f_precedent, std::vector<std::vector<double>>& table)
{
    for (std::size_t c = 0; c < psi_c.size(); ++c)
        for (std::size_t v = 0; v < psi_v.size(); ++v) {
            const double f = psi_v[v] * psi_c[c];
            if (!premier) table[v][c] += trapeze(z - 1, z, f_precedent[v][c], f);
            f_precedent[v][c] = f;
        }
}

} // namespace

namespace {

// The three parts of a level's norm (Å): left barrier, well, right barrier.
struct parts_norme {
    complexe gauche, puits, droite;
};

parts_norme former_parts_norme(complexe k_barriere, complexe k_puits, complexe A, complexe B, complexe G,
                               double largeur_puits, double largeur_barriere)
{
    const complexe delta = c_difference(k_barriere, c_conjugue(k_barriere));
    const complexe sigma = c_somme(k_puits, c_conjugue(k_puits));
    // (the barrier as the level search took it: past the cap its common
    // factor is out of A, B and G, and out of the right barrier's wave too)
    const double Lb_m = largeur_barriere_effective(k_barriere, largeur_barriere) * metre_par_angstrom; // Å -> m
    const double Lw_m = largeur_puits * metre_par_angstrom;

    // Integrals of |psi|^2 region by region, in Å; the 1e-10 of each
    // denominator brings the 1/k from metres back to ångströms. A zero
    // denominator (propagating k_b, or sigma = 0) has c_inverse 0: no term.
    const complexe module_G = c_produit(G, c_conjugue(G));
    const complexe gauche =
        c_produit(c_produit(module_G, c_difference(un, c_exp_ikx(delta, Lb_m))),
                  c_inverse(c_echelle(c_produit(moins_i, delta), 1e-10)));

    // The two square terms are taken for a real k_w (amplitude squared times Lw).
    const complexe carre_A = c_echelle(c_produit(A, c_conjugue(A)), largeur_puits);
    const complexe carre_B = c_echelle(c_produit(B, c_conjugue(B)), largeur_puits);
    const complexe croise_AB =
        c_produit(c_produit(c_produit(A, c_conjugue(B)), c_difference(un, c_exp_ikx(sigma, -Lw_m))),
                  c_inverse(c_echelle(c_produit(i_pur, sigma), 1e-10)));
    const complexe croise_BA =
        c_produit(c_produit(c_produit(c_conjugue(A), B), c_difference(un, c_exp_ikx(sigma, Lw_m))),
                  c_inverse(c_echelle(c_produit(moins_i, sigma), 1e-10)));
    const complexe puits = c_somme(c_somme(c_somme(carre_A, carre_B), croise_AB), croise_BA);

    const complexe droite = c_produit(c_difference(un, c_exp_ikx(delta, -Lb_m)),
                                      c_inverse(c_echelle(c_produit(i_pur, delta), 1e-10)));

    return {gauche, puits, droite};
}

} // namespace

complexe facteur_normalisation(complexe k_barriere, complexe k_puits, complexe A, complexe B, complexe G,
                               double largeur_puits, double largeur_barriere)
{
    const parts_norme p = former_parts_norme(k_barriere, k_puits, A, B, G, largeur_puits, largeur_barriere);
    const complexe norme = c_somme(c_somme(p.gauche, p.puits), p.droite);
    return c_inverse(c_racine(norme));
}

std::vector<std::vector<double>> presences_dans_le_puits(double largeur_puits, double largeur_barriere,
                                                         const resultats_k0& k0)
{
    std::vector<std::vector<double>> P;
    for (const auto& [b, n] : {std::pair{&k0.bande_E, &k0.E}, std::pair{&k0.bande_HH, &k0.HH},
                               std::pair{&k0.bande_LH, &k0.LH}}) {
        std::vector<niveau_enveloppe> v;
        ajouter_niveaux(*b, *n, largeur_puits, largeur_barriere, v);
        P.emplace_back();
        for (const niveau_enveloppe& e : v) {
            const parts_norme p = former_parts_norme(e.k_barriere, e.k_puits, e.A, e.B, e.G, largeur_puits,
                                                     largeur_barriere);
            P.back().push_back(p.puits.re / (p.gauche.re + p.puits.re + p.droite.re));
        }
    }
    return P;
}

complexe enveloppe(double z, complexe k_barriere, complexe k_puits, complexe A, complexe B, complexe G,
                   complexe facteur, double largeur_puits, double largeur_barriere)
{
    const double Lb = largeur_barriere;
    const double Lw = largeur_puits;
    complexe psi{0.0, 0.0};
    // An interface position belongs to the region on its left.
    if (z <= 0.0 || z > 2 * Lb + Lw) {
        return psi; // outside the structure (barriers thinner than the window)
    } else if (z <= Lb) {
        psi = c_produit(G, c_exp_ikx(k_barriere, (Lb - z) * metre_par_angstrom));
    } else if (z <= Lb + Lw) {
        const double u = z - Lb - Lw; // from the right interface, where the amplitudes are referred
        psi = c_somme(c_produit(A, c_exp_ikx(k_puits, u * metre_par_angstrom)),
                      c_produit(B, c_exp_ikx(k_puits, -(u * metre_par_angstrom))));
    } else {
        // (1, 0) at the far end of the right barrier, as the search holds it
        const double Lb_eff = largeur_barriere_effective(k_barriere, Lb);
        const double u = Lb_eff == Lb ? z - 2 * Lb - Lw : z - Lb - Lw - Lb_eff;
        psi = c_exp_ikx(k_barriere, u * metre_par_angstrom);
    }
    return c_produit(psi, facteur);
}

recouvrements calculer_recouvrements(double largeur_puits, double largeur_barriere, const resultats_k0& k0)
{
    const double Lw = largeur_puits;
    const double Lb = largeur_barriere;
    const std::vector<niveau_enveloppe> E = preparer(k0.bande_E, k0.E, Lw, Lb);
    const std::vector<niveau_enveloppe> HH = preparer(k0.bande_HH, k0.HH, Lw, Lb);
    const std::vector<niveau_enveloppe> LH = preparer(k0.bande_LH, k0.LH, Lw, Lb);

    recouvrements r;
    r.HH.assign(HH.size(), std::vector<double>(E.size(), 0.0));
    r.LH.assign(LH.size(), std::vector<double>(E.size(), 0.0));
    std::vector<std::vector<double>> f_HH = r.HH, f_LH = r.LH;

    const double debut = Lb - demi_fenetre;
    // 1 Å steps across the well and 200 Å on each side: Lw + 401 positions,
    // every step exact since Lb <= 1e6 Å and Lw <= 1e4 Å (bounds of the run).
    for (double z = debut; z <= Lb + Lw + demi_fenetre; z += 1.0) {
        const std::vector<double> psi_E = valeurs(z, E, Lw, Lb);
        const std::vector<double> psi_HH = valeurs(z, HH, Lw, Lb);
        const std::vector<double> psi_LH = valeurs(z, LH, Lw, Lb);
        const bool premier = !(z > debut);
        integrer(z, premier, psi_HH, psi_E, f_HH, r.HH);
        integrer(z, premier, psi_LH, psi_E, f_LH, r.LH);
    }
    return r;
}

table_enveloppes calculer_enveloppes(double largeur_puits, double largeur_barriere, const resultats_k0& k0)
{
    const double Lw = largeur_puits;
    const double Lb = largeur_barriere;
    std::vector<niveau_enveloppe> niveaux;
    ajouter_niveaux(k0.bande_E, k0.E, Lw, Lb, niveaux);
    ajouter_niveaux(k0.bande_HH, k0.HH, Lw, Lb, niveaux);
    ajouter_niveaux(k0.bande_LH, k0.LH, Lw, Lb, niveaux);

    table_enveloppes t;
    t.nb_E = k0.E.nb();
    t.nb_HH = k0.HH.nb();
    t.nb_LH = k0.LH.nb();
    // Lw + 401 positions, as the overlaps.
    for (double z = Lb - demi_fenetre; z <= Lb + Lw + demi_fenetre; z += 1.0) {
        t.z.push_back(z);
        t.valeurs.push_back(valeurs(z, niveaux, Lw, Lb));
    }
    return t;
}
