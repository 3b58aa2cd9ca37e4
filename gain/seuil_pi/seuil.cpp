#include "seuil_pi/seuil.hpp"

#include <cmath>
#include <cstdio>

#include "configuration/arret.hpp"
#include "numerique/complexe.hpp"
#include "numerique/constantes.hpp"

namespace {

using constantes::q;

constexpr double q_1e_4 = 1.60218e-23;          // q * 1e-4: sheet density m^-2 -> current A/cm^2
constexpr double h_c_meV_nm = 1240000.0;        // photon energy (meV) -> wavelength (nm)

// Fibre-side facet as seen from inside the chip: the facet itself plus the
// grating's reflection, coupled twice through the chip-fibre junction and
// attenuated on the way there and back, with the multiple reflections summed.
double reflectivite_effective(const parametres_calcul& p)
{
    const double X = std::exp(-2.0 * p.bragg.attenuation * p.bragg.longueur_fibre);
    const double eta2 = p.bragg.couplage_puce_fibre * p.bragg.couplage_puce_fibre;
    const double un_moins_R = 1.0 - p.cavite.Rmin;
    return std::fabs(p.cavite.Rmin + eta2 * (un_moins_R * un_moins_R) * p.bragg.Rbragg * X /
                                  (1.0 - eta2 * p.cavite.Rmin * p.bragg.Rbragg * X));
}

// The spectra hold the points debut_E, debut_E + 1, ... up to fin_E. When
// fin_E - debut_E is not whole the last 1 meV strip ends past the last point
// computed: that end counts as 0.
double point_spectre(const std::vector<double>& spectre, int j, double E, double fin_E)
{
    return E <= fin_E ? spectre[static_cast<std::size_t>(j)] : 0.0;
}

// Radiative current density of the pass (integral of the spontaneous rate over
// photon energy) and the modal gain on the strip that holds the Bragg
// photon energy.
void parcourir_spectre(const spectre_laser& s, const parametres_calcul& p, etat_seuil& etat)
{
    const double energie_bragg = constantes::h_c / (p.bragg.lambda * 1e-9 * q); // eV
    const double q_carre = q * q;
    double E = p.calcul.debut_E;
    // 1 meV steps, exact below 2^53: fin_E - debut_E + 1 strips at most
    // (both at most 100000 meV, bounds of the run).
    do {
        const int j = static_cast<int>(E - p.calcul.debut_E);
        const double g_bas = point_spectre(s.gain, j, E, p.calcul.fin_E);
        const double g_haut = point_spectre(s.gain, j + 1, E + 1, p.calcul.fin_E);
        const double rsp_bas = point_spectre(s.rsp, j, E, p.calcul.fin_E);
        const double rsp_haut = point_spectre(s.rsp, j + 1, E + 1, p.calcul.fin_E);
        if (E / 1000 <= energie_bragg && energie_bragg < (E + 1) / 1000) // meV -> eV
            etat.gain_bragg = s.confinement * (g_bas + g_haut) / 2;
        etat.Jrad += trapeze(E, E + 1, rsp_bas, rsp_haut) * q_carre * p.couches.largeur_puits * 1e-11;
        E = E + 1;
    } while (E < p.calcul.fin_E);
}

} // namespace

double courant_non_radiatif(const parametres_calcul& p, double N, double& JA, double& JC)
{
    if (!p.modele.recombinaison_abc) {
        JA = q_1e_4 * N / p.cavite.tau_nr;
        JC = 0;
        return JA;
    }
    const double N_cm3 = N * 1e-6 / (p.couches.largeur_puits * 1e-10); // m^-2 -> cm^-3
    JA = q_1e_4 * N * p.modele.A_srh;                          // q Lw A N: Lw N is the sheet density
    JC = q * (p.couches.largeur_puits * 1e-8) * p.modele.C_auger * N_cm3 * N_cm3 * N_cm3; // Å -> cm
    return JA + JC;
}

void ecrire_entete_param(std::FILE* fichier_param)
{
    // Windows-1252: \xE9 is e acute, \xB2 the superscript two.
    std::fputs("Nth (cm-3)\tGmax (cm-1)\tGth cavit\xE9 (cm-1)\tJnr (A/cm\xB2)\tJrad (A/cm\xB2)\tJth (A/cm\xB2)\t"
               "Lambda \xE9mission (nm)\n",
               fichier_param);
}

bool calculer_seuil(int i, double nombre_iterations, double N, const spectre_laser& s, const parametres_calcul& p,
                    std::FILE* fichier_param, etat_seuil& etat)
{
    const double Gmax = s.Gmax;
    const double L = p.cavite.longueur_puce; // cm
    etat.reflectivite_effective = reflectivite_effective(p);
    const double R_eff = etat.reflectivite_effective;

    if (p.calcul.fin_E > p.calcul.debut_E) parcourir_spectre(s, p, etat);

    if (p.modele.emission_complete) etat.Jrad = s.Jrad_bande;

    double JA = 0, JC = 0;
    const double Jnr = courant_non_radiatif(p, N, JA, JC);
    double Jth = Jnr + etat.Jrad;
    double Jrad_th = etat.Jrad, JA_th = JA, JC_th = JC;

    // The grating cavity lases first when its gain advantage at the Bragg
    // wavelength exceeds the extra mirror loss of the chip's own facet.
    double Gth = 0, lambda_emission = 0;
    const bool bragg = etat.gain_bragg - Gmax > std::log(p.cavite.Rmin / R_eff) / (2 * L);
    if (bragg) {
        std::puts("Accroche Bragg");
        Gth = p.cavite.pertes_internes + std::log(1 / (p.cavite.Rmax * R_eff)) / (2 * L);
        lambda_emission = p.bragg.lambda;
    } else {
        std::puts("Accroche puce");
        Gth = p.cavite.pertes_internes + std::log(1 / (p.cavite.Rmax * p.cavite.Rmin)) / (2 * L);
        // empty spectrum: no peak, hence no emission wavelength to give
        lambda_emission = s.energie_gmax_definie ? h_c_meV_nm / s.energie_gmax : 0.0;
    }

    bool fin_boucle = false;
    double Nth = N;
    if (Gmax >= Gth) {
        if (i == 0 && nombre_iterations != 1.0)
            arreter("Valeur de Ninj trop élevée pour boucler lors du calcul du seuil. Diminuez la valeur de "
                    "départ dans le fichier de config, ou le pas lors du P-I\n");
        if (etat.a_point_precedent) {
            // Gain and current taken linear in N between the previous density and
            // this one; the threshold current is read at the density where the
            // gain line meets Gth.
            const double a = (Gmax - etat.G0) / (N - etat.N0);
            const double b = (Jth - etat.J0) / (N - etat.N0);
            const double g0 = Gmax - a * N;
            Nth = (Gth - g0) / a;
            Jth = Jth + b * (Nth - N);
            // each part of the current on its own line between the two densities
            auto interpoler = [&](double J, double J_avant) { return J + (J - J_avant) / (N - etat.N0) * (Nth - N); };
            Jrad_th = interpoler(etat.Jrad, etat.Jrad0);
            JA_th = interpoler(JA, etat.JA0);
            JC_th = interpoler(JC, etat.JC0);
        } else {
            std::puts("Seuil atteint à la densité unique du calcul : pas de point précédent pour interpoler, "
                      "Jth = Jnr + Jrad conservé.");
        }
        fin_boucle = p.calcul.arret_seuil != 0;
        if (!etat.seuil_atteint) {
            etat.seuil_atteint = true;
            etat.Nth = Nth;
            etat.Jth_seuil = Jth;
            etat.lambda_seuil = lambda_emission;
            etat.bragg_seuil = bragg;
            etat.Jrad_seuil = Jrad_th;
            etat.JA_seuil = JA_th;
            etat.JC_seuil = JC_th;
            etat.tm_seuil = s.tm;
        }
    }
    if (!etat.calcule || Gmax > etat.Gmax_serie) {
        etat.Gmax_serie = Gmax;
        etat.Gth_serie = Gth;
    }

    const double Lw = p.couches.largeur_puits;
    std::fprintf(fichier_param, "%e\t%e\t%e\t%f\t%f\t%f\t%f\n", N * 1e-6 / (Lw * 1e-10), Gmax, Gth, Jnr, etat.Jrad,
                 Jth, lambda_emission); // m^-2 -> cm^-3

    // The next pass interpolates from this density's own current, never from
    // an interpolated one: past threshold the lines stay consistent.
    etat.N0 = N;
    etat.G0 = Gmax;
    etat.J0 = Jnr + etat.Jrad;
    etat.Jrad0 = etat.Jrad;
    etat.JA0 = JA;
    etat.JC0 = JC;
    etat.Jrad = 0;
    etat.a_point_precedent = true;
    etat.calcule = true;
    return fin_boucle;
}

void afficher_resume_seuil(const parametres_calcul& p, const etat_seuil& etat, double pente_pi)
{
    std::puts("Résumé du seuil :");
    if (!etat.calcule) {
        std::puts("  aucune densité de porteurs traitée : pas de seuil.");
        return;
    }
    if (!etat.seuil_atteint) {
        std::printf("  seuil non atteint : gain modal maximal %e cm-1 pour %e cm-1 demandés par la cavité ; "
                    "le fichier P-I ne contient que son en-tête.\n",
                    etat.Gmax_serie, etat.Gth_serie);
        return;
    }
    const double Lw = p.couches.largeur_puits;
    std::printf("  densité de seuil Nth : %e cm-3\n", etat.Nth * 1e-6 / (Lw * 1e-10)); // m^-2 -> cm^-3
    std::printf("  densité de courant de seuil Jth : %f A/cm²\n", etat.Jth_seuil);
    // The model's departures print the current at the terminals and the parts
    // of Jth; the exact model keeps its summary as it was.
    if (p.modele.present) {
        std::printf("  densité de courant aux bornes Jth/eta_interne : %f A/cm² (eta_interne = %g)\n",
                    etat.Jth_seuil / p.cavite.eta_interne, p.cavite.eta_interne);
        const double J = etat.Jth_seuil;
        if (p.modele.recombinaison_abc)
            std::printf("  parts de Jth : radiative %.1f %% (%f A/cm²), défauts A·N %.1f %% (%f A/cm²), "
                        "Auger C·N³ %.1f %% (%f A/cm²)\n",
                        100 * etat.Jrad_seuil / J, etat.Jrad_seuil, 100 * etat.JA_seuil / J, etat.JA_seuil,
                        100 * etat.JC_seuil / J, etat.JC_seuil);
        else
            std::printf("  parts de Jth : radiative %.1f %% (%f A/cm²), non radiative N/tau_nr %.1f %% (%f A/cm²)\n",
                        100 * etat.Jrad_seuil / J, etat.Jrad_seuil, 100 * etat.JA_seuil / J, etat.JA_seuil);
    }
    std::printf("  courant de seuil : %f mA (ruban de %g cm × %g cm)\n",
                etat.Jth_seuil * p.cavite.longueur_puce * p.cavite.largeur_contact * 1000, p.cavite.longueur_puce, p.cavite.largeur_contact);
    std::printf("  longueur d'onde d'émission : %f nm\n", etat.lambda_seuil);
    std::printf("  cavité : %s\n", etat.bragg_seuil ? "puce et réseau de Bragg (Accroche Bragg)"
                                                     : "puce seule (Accroche puce)");
    // Named when it is TM only: a run lasing in TE prints what it always printed.
    if (etat.tm_seuil) std::puts("  polarisation : TM (gain modal TM supérieur au gain modal TE)");
    std::printf("  rendement différentiel (pente P-I) : %f W/A\n", pente_pi);
}
