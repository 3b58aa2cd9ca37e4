#include "merite/seuil_differentiel.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "merite/kramers_kronig.hpp"
#include "numerique/constantes.hpp"

namespace {

// Value at E of a spectrum given at the increasing energies `E` (linear
// between points; the point itself at a grid energy).
double valeur_en(const std::vector<double>& E, const std::vector<double>& v, double x)
{
    const auto haut = std::lower_bound(E.begin(), E.end(), x);
    if (haut == E.end()) return v.back();
    const std::size_t j = static_cast<std::size_t>(haut - E.begin());
    if (*haut == x || j == 0) return v[j];
    return v[j - 1] + (v[j] - v[j - 1]) * (x - E[j - 1]) / (E[j] - E[j - 1]);
}

// The material gain of the mode that lases, on the pass's photon energies.
void spectre_mode(const spectres& s, bool tm, std::vector<double>& E, std::vector<double>& g)
{
    E.clear();
    g.clear();
    for (const ligne_gain& l : s.lignes) {
        E.push_back(l.E);
        g.push_back(tm ? l.gain_tm : l.gain_te);
    }
}

} // namespace

transparence chercher_transparence(const std::vector<passe_merite>& passes, bool tm)
{
    transparence t;
    auto G = [&](const passe_merite& p) { return tm ? p.Gmax_tm : p.Gmax_te; };
    if (!passes.empty() && G(passes.front()) > 0) {
        t.au_dessus_des_le_debut = true;
        return t;
    }
    for (std::size_t i = 1; i < passes.size(); ++i) {
        const passe_merite& bas = passes[i - 1];
        const passe_merite& haut = passes[i];
        if (!(G(bas) <= 0 && G(haut) > 0)) continue;
        t.deux_passes_positives = i + 1 < passes.size() && G(passes[i + 1]) > G(haut);
        const passe_merite& a = t.deux_passes_positives ? haut : bas;
        const passe_merite& b = t.deux_passes_positives ? passes[i + 1] : haut;
        // share of the step a -> b where the gain line meets 0 (below a for
        // the line of the positive passes), kept within the bracketing pair
        const double x_bas = t.deux_passes_positives ? (bas.N - a.N) / (b.N - a.N) : 0.0;
        const double x_haut = t.deux_passes_positives ? 0.0 : 1.0;
        const double x = std::clamp((0 - G(a)) / (G(b) - G(a)), x_bas, x_haut);
        t.trouvee = true;
        t.N = a.N + x * (b.N - a.N);
        t.J = a.J + x * (b.J - a.J);
        t.N_bas = bas.N;
        t.N_haut = haut.N;
        return t;
    }
    return t;
}

grille_bande grille_bande_entiere(const spectres& s, const resultats_dispersion& d, const reglages_spectres& r,
                                  double E_laser)
{
    const double debut_E = r.calcul.debut_E, fin_E = r.calcul.fin_E;
    double bas = std::min(debut_E, E_laser), haut = std::max(fin_E, E_laser);
    // the transitions of the pass's tables, empty rows (0.0) left out as the spectra leave them
    const std::size_t nb_points = static_cast<std::size_t>(d.Nk) + 1;
    const std::size_t par_niveau = nb_points * static_cast<std::size_t>(std::max(d.nb_niveaux_max, 0));
    const std::size_t nb_E = par_niveau == 0 ? 0 : s.bord_transition.size() / par_niveau;
    for (std::size_t n = 0; n < nb_E; ++n)
        for (int br = 0; br < d.nb_niveaux_max; ++br)
            for (std::size_t m = 1; m < nb_points; ++m) {
                const int i = static_cast<int>(m);
                if (d.niveau(i, d.Nky > 1 ? i : 0, br) == 0.0) continue;
                const double bord = s.bord_transition[n * par_niveau + static_cast<std::size_t>(br) * nb_points + m];
                bas = std::min(bas, bord);
                haut = std::max(haut, bord);
            }
    const double demi_largeur = constantes::demi_largeur_raie(r.calcul.demi_largeur_lorentz) / constantes::joule_par_meV; // meV
    const double marge = 30 * demi_largeur;
    // whole steps of 1 meV from debut_E, never down to 0 (the gain's 1/E) and
    // within the photon energies a run may ask for (100000 meV)
    const double pas_bas = std::max(0.0, std::min(std::ceil(debut_E - (bas - marge)), std::floor(debut_E - 1.0)));
    const double pas_haut = std::ceil(std::min(haut + marge, 100000.0) - debut_E);
    return {debut_E - pas_bas, debut_E + std::max(pas_haut, std::floor(fin_E - debut_E))};
}

figures_differentielles evaluer_differentielles(const passe_merite& avant, const passe_merite& seuil, double E_laser,
                                                double lambda_nm, bool tm, const spectres& s_seuil,
                                                const bandes_puits& b, const reglages_spectres& r)
{
    figures_differentielles f;
    f.grille = grille_bande_entiere(s_seuil, b.d, r, E_laser);
    parametres_numeriques bande = r.calcul;
    bande.debut_E = f.grille.debut;
    bande.fin_E = f.grille.fin;
    const reglages_spectres r_bande{bande, r.cavite, r.modele, r.T, r.largeur_puits};

    spectres s_avant, s_seuil_bande;
    calculer_spectres(avant.EFC, avant.EFV, avant.N, b, r_bande, s_avant);
    calculer_spectres(seuil.EFC, seuil.EFV, seuil.N, b, r_bande, s_seuil_bande);
    std::vector<double> E, g_avant, E_seuil, g_seuil;
    spectre_mode(s_avant, tm, E, g_avant);
    spectre_mode(s_seuil_bande, tm, E_seuil, g_seuil);
    std::vector<double> dg(E.size());
    for (std::size_t i = 0; i < E.size(); ++i) dg[i] = g_seuil[i] - g_avant[i];

    const double Lw = r.largeur_puits;
    f.N_avant = densite_cm3(avant.N, Lw);
    f.N_seuil = densite_cm3(seuil.N, Lw);
    const double dN = f.N_seuil - f.N_avant; // cm^-3
    const double dg_laser = valeur_en(E, dg, E_laser);
    f.dg_dN = dg_laser / dN;
    f.dg_dJ = dg_laser / (seuil.J - avant.J);
    f.dn_dN = variation_indice(E, dg, E_laser) / dN;
    f.alpha_H = facteur_alpha_H(lambda_nm, f.dn_dN, f.dg_dN);
    // the current densities are those of the stack, N that of one of its wells
    const double puits = r.cavite.nombre_puits;
    f.taux_recombinaison = (seuil.J - avant.J) / dN / (constantes::q * Lw * 1e-8 * puits); // Å -> cm
    return f;
}

double duree_vie_photons(double Gth, double indice_groupe)
{
    const double c_cm = constantes::c_lumiere * 100; // m/s -> cm/s
    return indice_groupe / (c_cm * Gth);
}
