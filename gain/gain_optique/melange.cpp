#include "gain_optique/melange.hpp"

#include <cmath>
#include <cstddef>

#include "numerique/constantes.hpp"

namespace {

using constantes::metre_par_angstrom;
using constantes::q;

// Above it, the amplitudes growing away from the well on the left are not a
// rounding of the root's: the sign change was not a bound state.
constexpr double residu_lie = 1e-6;

// int_{u1}^{u2} exp(i K u) du (u in m), exactly: (exp(i K u2) - exp(i K u1)) / (i K),
// or for |K| (u2 - u1) below 1e-7 its limit (u2 - u1) exp(i K (u1 + u2)/2).
complexe integrale_onde(complexe K, double u1, double u2)
{
    const double largeur = u2 - u1;
    if (c_module(K) * largeur < 1e-7) return c_echelle(c_exp_ikx(K, (u1 + u2) / 2), largeur);
    return c_produit(c_difference(c_exp_ikx(K, u2), c_exp_ikx(K, u1)), c_inverse({-K.im, K.re}));
}

// int_{u1}^{u2} |sum_j F_j exp(i kz_j u)|^2 du, both components: the waves in
// pairs, conj(F_j) F_l exp(i (kz_l - conj(kz_j)) u).
double norme_region(const onde_valence* ondes, int nb, double u1, double u2)
{
    complexe s{};
    for (int j = 0; j < nb; ++j)
        for (int l = 0; l < nb; ++l) {
            const complexe poids = c_somme(c_produit(c_conjugue(ondes[j].F1), ondes[l].F1),
                                           c_produit(c_conjugue(ondes[j].F2), ondes[l].F2));
            const complexe K = c_difference(ondes[l].kz, c_conjugue(ondes[j].kz));
            s = c_somme(s, c_produit(poids, integrale_onde(K, u1, u2)));
        }
    return s.re;
}

// The root of Re f in the scan's grid interval around its level E (J), the
// interval [E - pas/2, E + pas/2] where Re f changed sign, by the Illinois
// variant of the false position; E itself when the ends do not bracket one.
double racine_dans_l_intervalle(const modele_valence& mod, const plan_k& plan, double E, double pas)
{
    double a = E - pas / 2, b = E + pas / 2;
    double fa = evaluer_fonction_dispersion(mod, plan, a).re, fb = evaluer_fonction_dispersion(mod, plan, b).re;
    if (!(fa * fb < 0.0)) return E;
    for (int i = 0; i < 100 && std::fabs(b - a) > 1e-13 * std::fabs(E); ++i) {
        const double c = b - fb * (b - a) / (fb - fa);
        const double fc = evaluer_fonction_dispersion(mod, plan, c).re;
        if (fc == 0.0) return c;
        if (fc * fb < 0.0) {
            a = b;
            fa = fb;
        } else {
            fa /= 2; // the end that stays is halved, so that both ends move
        }
        b = c;
        fb = fc;
    }
    return b;
}

} // namespace

double facteur_normalisation_valence(const etat_valence& e, double largeur_barriere)
{
    const double Lb = largeur_barriere * metre_par_angstrom; // Å -> m
    // left barrier: u = z in [-Lb, 0]; well and right barrier: u = z - L
    const double norme = norme_region(e.gauche, 2, -Lb, 0.0) + norme_region(e.puits, 4, -e.L, 0.0) +
                         norme_region(e.droite, 2, 0.0, Lb);
    return 1.0 / std::sqrt(norme / metre_par_angstrom); // m -> Å
}

enveloppe_valence echantillonner(const etat_valence& e, double facteur, const std::vector<double>& z,
                                 double largeur_puits, double largeur_barriere)
{
    const double Lw = largeur_puits, Lb = largeur_barriere;
    enveloppe_valence v;
    v.F1.assign(z.size(), {});
    v.F2.assign(z.size(), {});
    // Each region's waves at the current position; one position to the next
    // (1 Å) multiplies each by its exp(i kz 1 Å), a region's first position
    // takes them as they are.
    int region = -1;
    const onde_valence* ondes = nullptr;
    int nb = 0;
    complexe valeur[4], pas[4];
    double z_precedent = 0;
    for (std::size_t i = 0; i < z.size(); ++i) {
        // An interface position belongs to the region on its left.
        int r = -1;
        double u = 0; // m, from the region's reference
        if (z[i] <= 0.0 || z[i] > 2 * Lb + Lw) {
            r = -1;
        } else if (z[i] <= Lb) {
            r = 0;
            u = (z[i] - Lb) * metre_par_angstrom;
        } else if (z[i] <= Lb + Lw) {
            r = 1;
            u = (z[i] - Lb - Lw) * metre_par_angstrom;
        } else {
            r = 2;
            u = (z[i] - Lb - Lw) * metre_par_angstrom;
        }
        if (r < 0) {
            region = -1;
            continue; // outside the structure: 0
        }
        const bool suite = r == region && z[i] - z_precedent == 1.0;
        if (!suite) {
            region = r;
            ondes = r == 0 ? e.gauche : (r == 1 ? e.puits : e.droite);
            nb = r == 1 ? 4 : 2;
            for (int j = 0; j < nb; ++j) {
                valeur[j] = c_exp_ikx(ondes[j].kz, u);
                pas[j] = c_exp_ikx(ondes[j].kz, metre_par_angstrom);
            }
        } else {
            for (int j = 0; j < nb; ++j) valeur[j] = c_produit(valeur[j], pas[j]);
        }
        complexe F1{}, F2{};
        for (int j = 0; j < nb; ++j) {
            F1 = c_somme(F1, c_produit(ondes[j].F1, valeur[j]));
            F2 = c_somme(F2, c_produit(ondes[j].F2, valeur[j]));
        }
        v.F1[i] = c_echelle(F1, facteur);
        v.F2[i] = c_echelle(F2, facteur);
        z_precedent = z[i];
    }
    return v;
}

void recouvrements_valence(const std::vector<double>& z, const std::vector<double>& psi, const enveloppe_valence& v,
                           complexe& O1, complexe& O2)
{
    O1 = O2 = {};
    for (std::size_t i = 1; i < z.size(); ++i) {
        const complexe a1 = c_echelle(v.F1[i - 1], psi[i - 1]), b1 = c_echelle(v.F1[i], psi[i]);
        const complexe a2 = c_echelle(v.F2[i - 1], psi[i - 1]), b2 = c_echelle(v.F2[i], psi[i]);
        O1 = c_somme(O1, {trapeze(z[i - 1], z[i], a1.re, b1.re), trapeze(z[i - 1], z[i], a1.im, b1.im)});
        O2 = c_somme(O2, {trapeze(z[i - 1], z[i], a2.re, b2.re), trapeze(z[i - 1], z[i], a2.im, b2.im)});
    }
}

poids_melange calculer_poids_melange(const resultats_dispersion& d, const modele_valence& mod,
                                     const resultats_k0& k0, double largeur_puits, double largeur_barriere,
                                     double deltaE)
{
    poids_melange w;
    w.nb_E = k0.E.nb();
    w.nb_branches = d.nb_niveaux_max;
    w.Nk = d.Nk;
    const std::size_t taille = static_cast<std::size_t>(w.nb_E) * w.nb_branches * (static_cast<std::size_t>(w.Nk) + 1);
    w.te.assign(taille, 0.0);
    w.tm.assign(taille, 0.0);
    w.sp.assign(taille, 0.0);
    if (taille == 0) return w;

    // The conduction envelopes on the window of the zone-centre overlaps.
    const table_enveloppes t = calculer_enveloppes(largeur_puits, largeur_barriere, k0);
    std::vector<std::vector<double>> psi(static_cast<std::size_t>(w.nb_E), std::vector<double>(t.z.size()));
    for (std::size_t i = 0; i < t.z.size(); ++i)
        for (int n = 0; n < w.nb_E; ++n) psi[static_cast<std::size_t>(n)][i] = t.valeurs[i][static_cast<std::size_t>(n)];

    // The rows of the integration line: the kx axis, or the diagonal i = j.
    const bool diagonale = d.Nky > 1;
    for (const auto& pt : d.points) {
        if (pt.j != (diagonale ? pt.i : 0) || pt.i > w.Nk) continue;
        const plan_k plan = former_plan_k(mod, pt.kx, pt.ky);
        for (int s = 0; s < pt.nb && s < w.nb_branches; ++s) {
            const double E = d.niveau(pt.i, pt.j, s);
            if (E == 0.0) continue;
            // the state of the root the scan bracketed, at the energy of that root
            const double racine = racine_dans_l_intervalle(mod, plan, E * q / 1000, deltaE * q / 1000); // meV -> J
            const etat_valence e = etat_valence_en(mod, plan, racine);
            // A sign change of Re f where f does not vanish (at the barrier edge,
            // where the barrier's roots change nature) is no bound state.
            if (!(e.residu < residu_lie)) {
                ++w.nb_rejetes;
                continue;
            }
            w.residu_max = std::fmax(w.residu_max, e.residu);
            const enveloppe_valence v =
                echantillonner(e, facteur_normalisation_valence(e, largeur_barriere), t.z, largeur_puits, largeur_barriere);
            for (int n = 0; n < w.nb_E; ++n) {
                complexe O1, O2;
                recouvrements_valence(t.z, psi[static_cast<std::size_t>(n)], v, O1, O2);
                const double o1 = O1.re * O1.re + O1.im * O1.im, o2 = O2.re * O2.re + O2.im * O2.im;
                const std::size_t i = w.indice(n, s, pt.i);
                w.te[i] = 0.75 * o1 + 0.25 * o2;
                w.tm[i] = o2;
                w.sp[i] = 0.5 * (o1 + o2);
            }
        }
    }
    // Row 0 (k = 0, no weight in the integrals): row 1's.
    if (w.Nk >= 1)
        for (int n = 0; n < w.nb_E; ++n)
            for (int s = 0; s < w.nb_branches; ++s) {
                w.te[w.indice(n, s, 0)] = w.te[w.indice(n, s, 1)];
                w.tm[w.indice(n, s, 0)] = w.tm[w.indice(n, s, 1)];
                w.sp[w.indice(n, s, 0)] = w.sp[w.indice(n, s, 1)];
            }
    return w;
}
