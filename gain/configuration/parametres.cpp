#include "configuration/parametres.hpp"

#include <cmath>
#include <cstdio>

#include "configuration/arret.hpp"
#include "configuration/bornes.hpp"
#include "configuration/lecteur_ini.hpp"

namespace {

// A value that is not a number fails a positivity check (the historic
// comparison let NaN through).
void verifier_strictement_positif(double v, const char* message)
{
    if (!(v > 0.0) || std::isinf(v)) arreter(std::string(message) + "\n");
}

} // namespace

void lire_fichiers_sortie(const std::string& c, parametres_calcul& p)
{
    p.fichier_gain = lire_chaine(c, "sortie", "fichier_gain");
    p.fichier_param = lire_chaine(c, "sortie", "fichier_param");
    p.fichier_PI = lire_chaine(c, "sortie", "fichier_P-I");
    p.fichier_dispersion = lire_chaine(c, "sortie", "fichier_dispersion");
    p.fichier_enveloppes = lire_chaine(c, "sortie", "fichier_enveloppes");
}

void lire_parametres(const std::string& c, parametres_calcul& p)
{
    p.arret_seuil = lire_entier(c, "calcul", "arret_seuil");
    p.Nk = lire_entier(c, "calcul", "Nk");
    if (p.Nk <= 1) arreter("Il faut au moins 2 valeurs sur kx pour effectuer les calculs (Nkx>2)\n");
    verifier_borne_Nk(p.Nk);
    p.variation_en_ky = lire_entier(c, "calcul", "variation_en_ky");
    p.Nky = p.variation_en_ky == 0 ? 1 : p.Nk + 1;
    p.deltak = lire_reel(c, "calcul", "deltak");
    verifier_strictement_positif(p.deltak, "deltak doit etre strictement positif.");
    p.deltaE = lire_reel(c, "calcul", "deltaE");
    verifier_strictement_positif(p.deltaE, "deltaE doit etre strictement positif.");
    p.Ninj = lire_reel(c, "calcul", "Ninj");
    verifier_strictement_positif(p.Ninj, "Ninj doit etre strictement positif.");
    p.debut_E = lire_reel(c, "calcul", "debut_E");
    verifier_strictement_positif(p.debut_E, "debut_E doit etre strictement positif.");
    p.fin_E = lire_reel(c, "calcul", "fin_E");
    verifier_strictement_positif(p.fin_E, "fin_E doit etre strictement positif.");
    p.debut_courant = lire_entier(c, "calcul", "debut_courant");
    if (p.debut_courant < 0) arreter("debut_i doit etre positif.\n");
    p.fin_courant = lire_entier(c, "calcul", "fin_courant");
    if (p.fin_courant <= 0) arreter("fin_i doit etre strictement positif.\n");

    // The temperature is held in single precision, then widened.
    p.T = static_cast<double>(static_cast<float>(lire_reel(c, "constantes", "temperature")));
    p.demi_largeur_lorentz = lire_reel(c, "calcul", "demi_largeur_lorentz");

    p.facteur_confinement = lire_reel(c, "systeme", "facteur_confinement");
    p.Rmin = lire_reel(c, "systeme", "Rmin");
    p.Rmax = lire_reel(c, "systeme", "Rmax");
    p.longueur_puce = lire_reel(c, "systeme", "longueur_puce");
    p.largeur_contact = lire_reel(c, "systeme", "largeur_contact");
    p.pertes_internes = lire_reel(c, "systeme", "pertes_internes");
    p.tau_nr = lire_reel(c, "systeme", "tau_nr");
    p.eta_interne = lire_reel(c, "systeme", "eta_interne");

    p.ratio_x = lire_reel(c, "puits", "ratio_x");
    p.ratio_y = lire_reel(c, "barriere", "ratio_y");
    p.largeur_puits = lire_reel(c, "puits", "largeur");
    p.largeur_barriere = lire_reel(c, "barriere", "largeur");

    p.couplage_puce_fibre = lire_reel(c, "bragg", "couplage_puce_fibre");
    p.Rbragg = lire_reel(c, "bragg", "Rbragg");
    p.lambda = lire_reel(c, "bragg", "lambda");
    p.longueur_fibre = lire_reel(c, "bragg", "longueur_fibre");
    p.attenuation = lire_reel(c, "bragg", "attenuation");

    p.mc_x = lire_reel(c, "puits", "mc_x");
    p.gamma1_x = lire_reel(c, "puits", "gamma1_x");
    p.gamma2_x = lire_reel(c, "puits", "gamma2_x");
    p.gamma3_x = lire_reel(c, "puits", "gamma3_x");
    p.Eg_0K_x = lire_reel(c, "puits", "Eg_0K_x");
    p.alpha_Eg_x = lire_reel(c, "puits", "alpha_Eg_x");
    p.beta_Eg_x = lire_reel(c, "puits", "beta_Eg_x");
    p.a_x = lire_reel(c, "puits", "a_x");
    p.aH_x = lire_reel(c, "puits", "aH_x");
    p.bS_x = lire_reel(c, "puits", "bS_x");
    p.C11_x = lire_reel(c, "puits", "C11_x");
    p.C12_x = lire_reel(c, "puits", "C12_x");
    p.Ep_x = lire_reel(c, "puits", "Ep_x");
    p.nr_x = lire_reel(c, "puits", "nr_x");

    p.mc_y = lire_reel(c, "barriere", "mc_y");
    p.gamma1_y = lire_reel(c, "barriere", "gamma1_y");
    p.gamma2_y = lire_reel(c, "barriere", "gamma2_y");
    // The barrier's third Luttinger parameter has its own key; files written
    // before it existed took mc_y there, and keep giving the same results.
    if (const auto g3 = lire_reel_optionnel(c, "barriere", "gamma3_y")) {
        p.gamma3_y = *g3;
        p.gamma3_y_absent = false;
    } else {
        p.gamma3_y = lire_reel(c, "barriere", "mc_y");
        p.gamma3_y_absent = true;
        std::printf("Attention : gamma3 de la barriere pris egal a mc_y ; donnez la cle gamma3_y dans la section "
                    "[barriere].\n");
    }
    p.Eg_0K_y = lire_reel(c, "barriere", "Eg_0K_y");
    p.alpha_Eg_y = lire_reel(c, "barriere", "alpha_Eg_y");
    p.beta_Eg_y = lire_reel(c, "barriere", "beta_Eg_y");
    p.a_y = lire_reel(c, "barriere", "a_y");

    p.mc_1_x = lire_reel(c, "puits", "mc_1-x");
    p.gamma1_1_x = lire_reel(c, "puits", "gamma1_1-x");
    p.gamma2_1_x = lire_reel(c, "puits", "gamma2_1-x");
    p.gamma3_1_x = lire_reel(c, "puits", "gamma3_1-x");
    p.Eg_0K_1_x = lire_reel(c, "puits", "Eg_0K_1-x");
    p.alpha_Eg_1_x = lire_reel(c, "puits", "alpha_Eg_1-x");
    p.beta_Eg_1_x = lire_reel(c, "puits", "beta_Eg_1-x");
    p.a_1_x = lire_reel(c, "puits", "a_1-x");
    p.aH_1_x = lire_reel(c, "puits", "aH_1-x");
    p.bS_1_x = lire_reel(c, "puits", "bS_1-x");
    p.C11_1_x = lire_reel(c, "puits", "C11_1-x");
    p.C12_1_x = lire_reel(c, "puits", "C12_1-x");
    p.Ep_1_x = lire_reel(c, "puits", "Ep_1-x");
    p.nr_1_x = lire_reel(c, "puits", "nr_1-x");

    p.bowing_Eg_puits = lire_reel(c, "puits", "bowing_Eg");
    p.bowing_Eg_x_puits = lire_reel(c, "puits", "bowing_Eg_x");
    p.bowing_Eg_barriere = lire_reel(c, "barriere", "bowing_Eg");
    p.bowing_Eg_x_barriere = lire_reel(c, "barriere", "bowing_Eg_x");
    p.K_delta_Ec = lire_reel(c, "systeme", "K_delta_Ec");

    // Optional: thread count of the dispersion scan (absent or 0: every core).
    p.nb_fils = lire_entier(c, "calcul", "nb_fils");
}
