#include "seuil_pi/seuil.hpp"

#include <cmath>

#include "numerique/complexe.hpp"
#include "numerique/constantes.hpp"

namespace {

using constantes::q;

constexpr double q_1e_4 = 1.60218e-23;          // q * 1e-4: sheet density m^-2 -> current A/cm^2

// Fibre-side facet as seen from inside the chip: the facet itself plus the
// grating's reflection, coupled twice through the chip-fibre junction and
// attenuated on the way there and back, with the multiple reflections summed.
double reflectivite_effective(const parametres_bragg& b, double Rmin)
{
    const double X = std::exp(-2.0 * b.attenuation * b.longueur_fibre);
    const double eta2 = b.couplage_puce_fibre * b.couplage_puce_fibre;
    const double un_moins_R = 1.0 - Rmin;
    return std::fabs(Rmin + eta2 * (un_moins_R * un_moins_R) * b.Rbragg * X / (1.0 - eta2 * Rmin * b.Rbragg * X));
}

// The spectra hold the points debut_E, debut_E + 1, ... up to fin_E. When
// fin_E - debut_E is not whole the last 1 meV strip ends past the last point
// computed: that end counts as 0.
double point_spectre(const std::vector<double>& spectre, int j, double E, double fin_E)
{
    return E <= fin_E ? spectre[static_cast<std::size_t>(j)] : 0.0;
}

// Radiative current density of the pass, A/cm^2 (integral of the spontaneous
// rate over photon energy), and the modal gain on the strip that holds the
// Bragg photon energy, into gain_bragg.
double parcourir_spectre(const spectre_laser& s, const reglages_seuil& r, double& gain_bragg)
{
    const double debut_E = r.calcul.debut_E, fin_E = r.calcul.fin_E;
    const double energie_reseau = energie_bragg(r.bragg); // eV
    const double q_carre = q * q;
    double Jrad = 0;
    double E = debut_E;
    // 1 meV steps, exact below 2^53: fin_E - debut_E + 1 strips at most
    // (both at most 100000 meV, bounds of the run).
    do {
        const int j = static_cast<int>(E - debut_E);
        const double g_bas = point_spectre(s.gain, j, E, fin_E);
        const double g_haut = point_spectre(s.gain, j + 1, E + 1, fin_E);
        const double rsp_bas = point_spectre(s.rsp, j, E, fin_E);
        const double rsp_haut = point_spectre(s.rsp, j + 1, E + 1, fin_E);
        if (E / 1000 <= energie_reseau && energie_reseau < (E + 1) / 1000) // meV -> eV
            gain_bragg = s.confinement * (g_bas + g_haut) / 2;
        Jrad += trapeze(E, E + 1, rsp_bas, rsp_haut) * q_carre * r.largeur_puits * 1e-11;
        E = E + 1;
    } while (E < fin_E);
    return Jrad;
}

// The cavity that lases at this pass, its threshold gain (cm^-1) and the
// emission wavelength (nm).
struct cavite_choisie {
    bool bragg;
    double Gth, lambda;
    double Gth_puce, Gth_bragg; // threshold gains of both cavities
};

cavite_choisie choisir_cavite(const spectre_laser& s, const reglages_seuil& r, double gain_bragg, double R_eff)
{
    const parametres_cavite& c = r.cavite;
    const double L = c.longueur_puce; // cm
    // The grating cavity lases first when its gain advantage at the Bragg
    // wavelength exceeds the extra mirror loss of the chip's own facet.
    const bool reseau = etat_reseau(r.bragg, r.calcul) == reseau_bragg::cavite;
    const bool bragg = reseau && gain_bragg - s.Gmax > std::log(c.Rmin / R_eff) / (2 * L);
    const double Gth_puce = c.pertes_internes + std::log(1 / (c.Rmax * c.Rmin)) / (2 * L);
    const double Gth_bragg = c.pertes_internes + std::log(1 / (c.Rmax * R_eff)) / (2 * L);
    if (bragg) return {true, Gth_bragg, r.bragg.lambda, Gth_puce, Gth_bragg};
    // empty spectrum: no peak, hence no emission wavelength to give
    return {false, Gth_puce, s.energie_gmax_definie ? constantes::h_c_meV_nm / s.energie_gmax : 0.0, Gth_puce,
            Gth_bragg};
}

// Gain and current taken linear in N between the previous density and this
// one (N, Gmax, J); the threshold current is read at the density where the
// gain line meets Gth, each part of it on its own line. Returns that density.
double interpoler_seuil(double N, double Gmax, double Gth, const etat_seuil& etat, courants& J)
{
    const double a = (Gmax - etat.G0) / (N - etat.N0);
    const double b = (J.total - etat.J0.total) / (N - etat.N0);
    const double g0 = Gmax - a * N;
    const double Nth = (Gth - g0) / a;
    J.total = J.total + b * (Nth - N);
    auto interpoler = [&](double Jp, double J_avant) { return Jp + (Jp - J_avant) / (N - etat.N0) * (Nth - N); };
    J.radiatif = interpoler(J.radiatif, etat.J0.radiatif);
    J.defauts = interpoler(J.defauts, etat.J0.defauts);
    J.auger = interpoler(J.auger, etat.J0.auger);
    J.barrieres = interpoler(J.barrieres, etat.J0.barrieres);
    return Nth;
}

} // namespace

double energie_bragg(const parametres_bragg& bragg) { return constantes::h_c / (bragg.lambda * 1e-9 * q); }

reseau_bragg etat_reseau(const parametres_bragg& bragg, const parametres_numeriques& calcul)
{
    if (!(bragg.Rbragg > 0 && bragg.couplage_puce_fibre > 0)) return reseau_bragg::absent;
    const double E = energie_bragg(bragg);                                  // eV
    const bool dans_fenetre = calcul.debut_E / 1000 <= E && E < calcul.fin_E / 1000; // meV -> eV
    return dans_fenetre ? reseau_bragg::cavite : reseau_bragg::hors_fenetre;
}

courants courant_non_radiatif(const options_modele& modele, double tau_nr, double largeur_puits, double N)
{
    courants c;
    if (!modele.recombinaison_abc) {
        c.defauts = q_1e_4 * N / tau_nr;
        c.total = c.defauts;
        return c;
    }
    const double N_cm3 = densite_cm3(N, largeur_puits);
    c.defauts = q_1e_4 * N * modele.A_srh;                    // q Lw A N: Lw N is the sheet density
    c.auger = q * (largeur_puits * 1e-8) * modele.C_auger * N_cm3 * N_cm3 * N_cm3; // Å -> cm
    c.total = c.defauts + c.auger;
    return c;
}

courants courant_non_radiatif_puits(const options_modele& modele, double tau_nr, double largeur_puits, double N,
                                    double n, double p)
{
    courants c = courant_non_radiatif(modele, tau_nr, largeur_puits, N);
    if (!modele.recombinaison_abc) return c;
    const double vers_cm3 = 1e-6 / (largeur_puits * 1e-10); // m^-2 -> cm^-3 in the well
    const double n_cm3 = n * vers_cm3, p_cm3 = p * vers_cm3;
    c.auger = q * (largeur_puits * 1e-8) * modele.C_auger * (n_cm3 * n_cm3 * p_cm3 + n_cm3 * p_cm3 * p_cm3) / 2;
    c.total = c.defauts + c.auger;
    return c;
}

ligne_seuil calculer_seuil(int i, double nombre_iterations, double N, const spectre_laser& s, const reglages_seuil& r,
                           etat_seuil& etat, const barrieres_passe* barrieres)
{
    etat.reflectivite_effective = reflectivite_effective(r.bragg, r.cavite.Rmin);
    double Jrad = 0;
    if (r.calcul.fin_E > r.calcul.debut_E) Jrad = parcourir_spectre(s, r, etat.gain_bragg);
    if (r.modele.emission_complete) Jrad = s.Jrad_bande;
    courants nr = barrieres ? courant_non_radiatif_puits(r.modele, r.cavite.tau_nr, r.largeur_puits, N,
                                                         barrieres->n_puits, barrieres->p_puits)
                            : courant_non_radiatif(r.modele, r.cavite.tau_nr, r.largeur_puits, N);
    // Every well of a stack holds the density N and recombines as the one
    // computed: the stack draws nombre_puits times its current (x 1 exact),
    // each well with its barriers.
    const double puits = r.cavite.nombre_puits;
    Jrad *= puits;
    nr.total *= puits;
    nr.defauts *= puits;
    nr.auger *= puits;
    // the radiative current of the pass: the well's, and the barriers' with the continuum
    const double J_barrieres = barrieres ? puits * barrieres->Jrad : 0.0;
    const double Jrad_passe = barrieres ? Jrad + J_barrieres : Jrad;
    const courants J_passe{nr.total + Jrad_passe, Jrad, nr.defauts, nr.auger, J_barrieres};
    const cavite_choisie c = choisir_cavite(s, r, etat.gain_bragg, etat.reflectivite_effective);

    ligne_seuil l{densite_cm3(N, r.largeur_puits), s.Gmax, c.Gth, nr.total, Jrad_passe, J_passe.total, c.lambda,
                  c.bragg};
    l.Gth_puce = c.Gth_puce;
    l.Gth_bragg = c.Gth_bragg;
    if (s.Gmax >= c.Gth) {
        // a series must start below threshold to find it
        l.depart_au_seuil = i == 0 && nombre_iterations != 1.0;
        if (l.depart_au_seuil) return l;
        courants J = J_passe;
        double Nth = N;
        if (etat.a_point_precedent) Nth = interpoler_seuil(N, s.Gmax, c.Gth, etat, J);
        barrieres_passe B = barrieres ? *barrieres : barrieres_passe{};
        if (barrieres && etat.a_point_precedent) { // on the line through the previous pass, as the currents
            auto interpoler = [&](double x, double x0) { return x + (x - x0) / (N - etat.N0) * (Nth - N); };
            B.n = interpoler(B.n, etat.B0.n);
            B.p = interpoler(B.p, etat.B0.p);
        }
        l.sans_point_precedent = !etat.a_point_precedent;
        l.Jth = J.total;
        l.fin_boucle = r.calcul.arret_seuil != 0;
        if (!etat.seuil_atteint) { // the threshold of the series is that of its first crossing
            etat.seuil_atteint = true;
            etat.Nth = Nth;
            etat.Jth = J;
            etat.lambda_seuil = c.lambda;
            etat.bragg_seuil = c.bragg;
            etat.tm_seuil = s.tm;
            etat.barrieres_seuil = B;
        }
    }
    if (!etat.calcule || s.Gmax > etat.Gmax_serie) {
        etat.Gmax_serie = s.Gmax;
        etat.Gth_serie = c.Gth;
    }
    // The next pass interpolates from this density's own current: past
    // threshold the lines stay consistent.
    etat.N0 = N;
    etat.G0 = s.Gmax;
    etat.J0 = J_passe;
    if (barrieres) etat.B0 = *barrieres;
    etat.a_point_precedent = etat.calcule = true;
    return l;
}
