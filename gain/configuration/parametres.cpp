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

std::string texte_g(double v)
{
    char t[32];
    std::snprintf(t, sizeof t, "%g", v);
    return t;
}

// Physical domains: the value must lie in the interval (closed where `inclus`);
// NaN lies in none.
void verifier_domaine(double v, const char* section, const char* cle, double min, bool min_inclus, double max,
                      bool max_inclus)
{
    if ((min_inclus ? v >= min : v > min) && (max_inclus ? v <= max : v < max)) return;
    const std::string domaine =
        std::isinf(max) ? std::string(cle) + (min_inclus ? " ≥ " : " > ") + texte_g(min)
                        : texte_g(min) + (min_inclus ? " ≤ " : " < ") + cle + (max_inclus ? " ≤ " : " < ") + texte_g(max);
    arreter("Valeur hors domaine pour la clé " + std::string(cle) + " [" + section + "] : " + texte_g(v) +
            " (accepté : " + domaine + ").\n");
}
void verifier_fraction(double v, const char* section, const char* cle, bool zero_inclus)
{
    verifier_domaine(v, section, cle, 0.0, zero_inclus, 1.0, true);
}
void verifier_positif(double v, const char* section, const char* cle)
{
    verifier_domaine(v, section, cle, 0.0, false, HUGE_VAL, false);
}

void avertir_si_plus_grand(double v, double limite, const char* cle, const char* quoi)
{
    if (v > limite) std::printf("Attention : %s = %g : %s.\n", cle, v, quoi);
}

} // namespace

const std::vector<cle_connue>& cles_config()
{
    static const std::vector<cle_connue> cles = [] {
        std::vector<cle_connue> c = {
            {"sortie", "fichier_gain"}, {"sortie", "fichier_param"}, {"sortie", "fichier_P-I"},
            {"sortie", "fichier_dispersion"}, {"sortie", "fichier_enveloppes"},
            {"calcul", "arret_seuil"}, {"calcul", "Nk"}, {"calcul", "variation_en_ky"}, {"calcul", "deltak"},
            {"calcul", "deltaE"}, {"calcul", "Ninj"}, {"calcul", "debut_E"}, {"calcul", "fin_E"},
            {"calcul", "debut_courant"}, {"calcul", "fin_courant"}, {"calcul", "demi_largeur_lorentz"},
            {"calcul", "nb_fils"}, {"constantes", "temperature"},
            {"systeme", "facteur_confinement"}, {"systeme", "facteur_confinement_tm"}, {"systeme", "Rmin"}, {"systeme", "Rmax"},
            {"systeme", "longueur_puce"}, {"systeme", "largeur_contact"}, {"systeme", "pertes_internes"},
            {"systeme", "tau_nr"}, {"systeme", "eta_interne"}, {"systeme", "K_delta_Ec"},
            {"puits", "ratio_x"}, {"puits", "largeur"}, {"puits", "bowing_Eg"}, {"puits", "bowing_Eg_x"},
            {"barriere", "ratio_y"}, {"barriere", "largeur"}, {"barriere", "bowing_Eg"}, {"barriere", "bowing_Eg_x"},
            {"bragg", "couplage_puce_fibre"}, {"bragg", "Rbragg"}, {"bragg", "lambda"}, {"bragg", "longueur_fibre"},
            {"bragg", "attenuation"},
            {"modele", "forme_raie"}, {"modele", "A_srh"}, {"modele", "C_auger"}, {"modele", "emission_complete"},
            {"modele", "k_aligne"}, {"modele", "renormalisation_gap"},
        };
        // The end members: X and Z of the well, Y of the barrier.
        for (const char* cle : {"mc_x", "gamma1_x", "gamma2_x", "gamma3_x", "Eg_0K_x", "alpha_Eg_x", "beta_Eg_x", "a_x",
                                "aH_x", "bS_x", "C11_x", "C12_x", "Ep_x", "nr_x", "mc_1-x", "gamma1_1-x", "gamma2_1-x",
                                "gamma3_1-x", "Eg_0K_1-x", "alpha_Eg_1-x", "beta_Eg_1-x", "a_1-x", "aH_1-x", "bS_1-x",
                                "C11_1-x", "C12_1-x", "Ep_1-x", "nr_1-x"})
            c.push_back({"puits", cle});
        for (const char* cle : {"mc_y", "gamma1_y", "gamma2_y", "gamma3_y", "Eg_0K_y", "alpha_Eg_y", "beta_Eg_y", "a_y"})
            c.push_back({"barriere", cle});
        return c;
    }();
    return cles;
}

void lire_fichiers_sortie(const std::string& c, parametres_calcul& p)
{
    p.sortie.fichier_gain = lire_chaine(c, "sortie", "fichier_gain");
    p.sortie.fichier_param = lire_chaine(c, "sortie", "fichier_param");
    p.sortie.fichier_PI = lire_chaine(c, "sortie", "fichier_P-I");
    p.sortie.fichier_dispersion = lire_chaine(c, "sortie", "fichier_dispersion");
    p.sortie.fichier_enveloppes = lire_chaine(c, "sortie", "fichier_enveloppes");
}

void lire_parametres(const std::string& c, parametres_calcul& p)
{
    p.calcul.arret_seuil = lire_entier(c, "calcul", "arret_seuil");
    p.calcul.Nk = lire_entier(c, "calcul", "Nk");
    if (p.calcul.Nk <= 1) arreter("Il faut au moins 2 valeurs sur kx pour effectuer les calculs (Nkx>2)\n");
    verifier_borne_Nk(p.calcul.Nk);
    p.calcul.variation_en_ky = lire_entier(c, "calcul", "variation_en_ky");
    p.calcul.Nky = p.calcul.variation_en_ky == 0 ? 1 : p.calcul.Nk + 1;
    p.calcul.deltak = lire_reel(c, "calcul", "deltak");
    verifier_strictement_positif(p.calcul.deltak, "deltak doit etre strictement positif.");
    p.calcul.deltaE = lire_reel(c, "calcul", "deltaE");
    verifier_strictement_positif(p.calcul.deltaE, "deltaE doit etre strictement positif.");
    p.calcul.Ninj = lire_reel(c, "calcul", "Ninj");
    verifier_strictement_positif(p.calcul.Ninj, "Ninj doit etre strictement positif.");
    p.calcul.debut_E = lire_reel(c, "calcul", "debut_E");
    verifier_strictement_positif(p.calcul.debut_E, "debut_E doit etre strictement positif.");
    p.calcul.fin_E = lire_reel(c, "calcul", "fin_E");
    verifier_strictement_positif(p.calcul.fin_E, "fin_E doit etre strictement positif.");
    p.calcul.debut_courant = lire_entier(c, "calcul", "debut_courant");
    if (p.calcul.debut_courant < 0) arreter("debut_i doit etre positif.\n");
    p.calcul.fin_courant = lire_entier(c, "calcul", "fin_courant");
    if (p.calcul.fin_courant <= 0) arreter("fin_i doit etre strictement positif.\n");

    // The temperature is held in single precision, then widened.
    p.couches.T = static_cast<double>(static_cast<float>(lire_reel(c, "constantes", "temperature")));
    verifier_positif(p.couches.T, "constantes", "temperature");
    p.calcul.demi_largeur_lorentz = lire_reel(c, "calcul", "demi_largeur_lorentz");
    verifier_positif(p.calcul.demi_largeur_lorentz, "calcul", "demi_largeur_lorentz");

    p.cavite.facteur_confinement = lire_reel(c, "systeme", "facteur_confinement");
    verifier_fraction(p.cavite.facteur_confinement, "systeme", "facteur_confinement", false);
    // The TM mode has its own confinement (a slab guide confines TE a little
    // more); without the key both modes share Gamma.
    p.cavite.facteur_confinement_tm =
        lire_reel_optionnel(c, "systeme", "facteur_confinement_tm").value_or(p.cavite.facteur_confinement);
    verifier_fraction(p.cavite.facteur_confinement_tm, "systeme", "facteur_confinement_tm", false);
    // The threshold takes the logarithm of both facet reflectivities.
    p.cavite.Rmin = lire_reel(c, "systeme", "Rmin");
    verifier_fraction(p.cavite.Rmin, "systeme", "Rmin", false);
    p.cavite.Rmax = lire_reel(c, "systeme", "Rmax");
    verifier_fraction(p.cavite.Rmax, "systeme", "Rmax", false);
    p.cavite.longueur_puce = lire_reel(c, "systeme", "longueur_puce");
    verifier_positif(p.cavite.longueur_puce, "systeme", "longueur_puce");
    avertir_si_plus_grand(p.cavite.longueur_puce, 1.0, "longueur_puce", "une puce de plus d'un centimètre (cm)");
    p.cavite.largeur_contact = lire_reel(c, "systeme", "largeur_contact");
    verifier_positif(p.cavite.largeur_contact, "systeme", "largeur_contact");
    avertir_si_plus_grand(p.cavite.largeur_contact, 0.1, "largeur_contact", "un ruban de plus d'un millimètre (cm)");
    p.cavite.pertes_internes = lire_reel(c, "systeme", "pertes_internes");
    verifier_domaine(p.cavite.pertes_internes, "systeme", "pertes_internes", 0.0, true, HUGE_VAL, false);
    p.cavite.tau_nr = lire_reel(c, "systeme", "tau_nr");
    verifier_positif(p.cavite.tau_nr, "systeme", "tau_nr");
    p.cavite.eta_interne = lire_reel(c, "systeme", "eta_interne");
    verifier_fraction(p.cavite.eta_interne, "systeme", "eta_interne", false);

    p.couches.ratio_x = lire_reel(c, "puits", "ratio_x");
    verifier_fraction(p.couches.ratio_x, "puits", "ratio_x", true);
    p.couches.ratio_y = lire_reel(c, "barriere", "ratio_y");
    verifier_fraction(p.couches.ratio_y, "barriere", "ratio_y", true);
    p.couches.largeur_puits = lire_reel(c, "puits", "largeur");
    verifier_positif(p.couches.largeur_puits, "puits", "largeur");
    avertir_si_plus_grand(p.couches.largeur_puits, 500.0, "largeur [puits]", "un puits de plus de 500 Å");
    p.couches.largeur_barriere = lire_reel(c, "barriere", "largeur");
    verifier_positif(p.couches.largeur_barriere, "barriere", "largeur");

    p.bragg.couplage_puce_fibre = lire_reel(c, "bragg", "couplage_puce_fibre");
    verifier_fraction(p.bragg.couplage_puce_fibre, "bragg", "couplage_puce_fibre", true);
    p.bragg.Rbragg = lire_reel(c, "bragg", "Rbragg");
    verifier_fraction(p.bragg.Rbragg, "bragg", "Rbragg", true);
    p.bragg.lambda = lire_reel(c, "bragg", "lambda");
    verifier_positif(p.bragg.lambda, "bragg", "lambda");
    // A fibre of length 0 or without loss is a limit the formulas take as is.
    p.bragg.longueur_fibre = lire_reel(c, "bragg", "longueur_fibre");
    verifier_domaine(p.bragg.longueur_fibre, "bragg", "longueur_fibre", 0.0, true, HUGE_VAL, false);
    p.bragg.attenuation = lire_reel(c, "bragg", "attenuation");
    verifier_domaine(p.bragg.attenuation, "bragg", "attenuation", 0.0, true, HUGE_VAL, false);

    p.couches.mc_x = lire_reel(c, "puits", "mc_x");
    p.couches.gamma1_x = lire_reel(c, "puits", "gamma1_x");
    p.couches.gamma2_x = lire_reel(c, "puits", "gamma2_x");
    p.couches.gamma3_x = lire_reel(c, "puits", "gamma3_x");
    p.couches.Eg_0K_x = lire_reel(c, "puits", "Eg_0K_x");
    p.couches.alpha_Eg_x = lire_reel(c, "puits", "alpha_Eg_x");
    p.couches.beta_Eg_x = lire_reel(c, "puits", "beta_Eg_x");
    p.couches.a_x = lire_reel(c, "puits", "a_x");
    p.couches.aH_x = lire_reel(c, "puits", "aH_x");
    p.couches.bS_x = lire_reel(c, "puits", "bS_x");
    p.couches.C11_x = lire_reel(c, "puits", "C11_x");
    p.couches.C12_x = lire_reel(c, "puits", "C12_x");
    p.couches.Ep_x = lire_reel(c, "puits", "Ep_x");
    p.couches.nr_x = lire_reel(c, "puits", "nr_x");

    p.couches.mc_y = lire_reel(c, "barriere", "mc_y");
    p.couches.gamma1_y = lire_reel(c, "barriere", "gamma1_y");
    p.couches.gamma2_y = lire_reel(c, "barriere", "gamma2_y");
    // The barrier's third Luttinger parameter has its own key; files written
    // before it existed took mc_y there, and keep giving the same results.
    if (const auto g3 = lire_reel_optionnel(c, "barriere", "gamma3_y")) {
        p.couches.gamma3_y = *g3;
        p.couches.gamma3_y_absent = false;
    } else {
        p.couches.gamma3_y = lire_reel(c, "barriere", "mc_y");
        p.couches.gamma3_y_absent = true;
        std::printf("Attention : gamma3 de la barriere pris egal a mc_y ; donnez la cle gamma3_y dans la section "
                    "[barriere].\n");
    }
    p.couches.Eg_0K_y = lire_reel(c, "barriere", "Eg_0K_y");
    p.couches.alpha_Eg_y = lire_reel(c, "barriere", "alpha_Eg_y");
    p.couches.beta_Eg_y = lire_reel(c, "barriere", "beta_Eg_y");
    p.couches.a_y = lire_reel(c, "barriere", "a_y");

    p.couches.mc_1_x = lire_reel(c, "puits", "mc_1-x");
    p.couches.gamma1_1_x = lire_reel(c, "puits", "gamma1_1-x");
    p.couches.gamma2_1_x = lire_reel(c, "puits", "gamma2_1-x");
    p.couches.gamma3_1_x = lire_reel(c, "puits", "gamma3_1-x");
    p.couches.Eg_0K_1_x = lire_reel(c, "puits", "Eg_0K_1-x");
    p.couches.alpha_Eg_1_x = lire_reel(c, "puits", "alpha_Eg_1-x");
    p.couches.beta_Eg_1_x = lire_reel(c, "puits", "beta_Eg_1-x");
    p.couches.a_1_x = lire_reel(c, "puits", "a_1-x");
    p.couches.aH_1_x = lire_reel(c, "puits", "aH_1-x");
    p.couches.bS_1_x = lire_reel(c, "puits", "bS_1-x");
    p.couches.C11_1_x = lire_reel(c, "puits", "C11_1-x");
    p.couches.C12_1_x = lire_reel(c, "puits", "C12_1-x");
    p.couches.Ep_1_x = lire_reel(c, "puits", "Ep_1-x");
    p.couches.nr_1_x = lire_reel(c, "puits", "nr_1-x");

    p.couches.bowing_Eg_puits = lire_reel(c, "puits", "bowing_Eg");
    p.couches.bowing_Eg_x_puits = lire_reel(c, "puits", "bowing_Eg_x");
    p.couches.bowing_Eg_barriere = lire_reel(c, "barriere", "bowing_Eg");
    p.couches.bowing_Eg_x_barriere = lire_reel(c, "barriere", "bowing_Eg_x");
    p.couches.K_delta_Ec = lire_reel(c, "systeme", "K_delta_Ec");

    // Optional: thread count of the dispersion scan (absent or 0: every
    // thread the process may run on).
    p.calcul.nb_fils = lire_entier_optionnel(c, "calcul", "nb_fils").value_or(0);
    verifier_domaine(p.calcul.nb_fils, "calcul", "nb_fils", 0.0, true, HUGE_VAL, false);

    lire_modele(c, p);
}

namespace {

// A switch of [modele]: absent is off, 0 or 1 otherwise.
bool lire_interrupteur(const std::string& c, const char* cle, bool& present)
{
    const auto v = lire_entier_optionnel(c, "modele", cle);
    if (!v) return false;
    present = true;
    if (*v != 0 && *v != 1)
        arreter("Valeur hors domaine pour la clé " + std::string(cle) + " [modele] : " + std::to_string(*v) +
                " (accepté : 0 ou 1).\n");
    return *v == 1;
}

// A non-negative coefficient of [modele]; absent reads 0.
double lire_coefficient(const std::string& c, const char* cle, bool& present)
{
    const auto v = lire_reel_optionnel(c, "modele", cle);
    if (!v) return 0.0;
    present = true;
    verifier_domaine(*v, "modele", cle, 0.0, true, HUGE_VAL, false);
    return *v;
}

} // namespace

void lire_modele(const std::string& c, parametres_calcul& p)
{
    options_modele& o = p.modele;
    o = options_modele{};
    if (const auto forme = lire_chaine(c, "modele", "forme_raie")) {
        o.present = true;
        const std::size_t debut = forme->find_first_not_of(" \t");
        const std::size_t fin = forme->find_last_not_of(" \t");
        const std::string nom = debut == std::string::npos ? "" : forme->substr(debut, fin - debut + 1);
        if (nom == "lorentz")
            o.raie = forme_raie::lorentz;
        else if (nom == "sech")
            o.raie = forme_raie::sech;
        else if (nom == "gauss")
            o.raie = forme_raie::gauss;
        else
            arreter("Valeur hors domaine pour la clé forme_raie [modele] : « " + nom +
                    " » (accepté : lorentz, sech ou gauss).\n");
    }
    bool a_donne = false, c_donne = false;
    o.A_srh = lire_coefficient(c, "A_srh", a_donne);
    o.C_auger = lire_coefficient(c, "C_auger", c_donne);
    o.recombinaison_abc = a_donne || c_donne;
    o.present = o.present || o.recombinaison_abc;
    o.emission_complete = lire_interrupteur(c, "emission_complete", o.present);
    o.k_aligne = lire_interrupteur(c, "k_aligne", o.present);
    o.renormalisation_gap = lire_coefficient(c, "renormalisation_gap", o.present);
}
