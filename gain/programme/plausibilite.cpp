#include "programme/plausibilite.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "numerique/complexe.hpp"
#include "numerique/constantes.hpp"

namespace {

std::string g(double v)
{
    char t[32];
    std::snprintf(t, sizeof t, "%g", v);
    return t;
}

std::string fixe(double v, int decimales)
{
    char t[32];
    std::snprintf(t, sizeof t, "%.*f", decimales, v);
    return t;
}

// A question ends the sentence; anything else takes a full stop.
void dire(const journal& j, const std::string& texte)
{
    avertir(j, "Attention : " + texte + (texte.ends_with('?') ? "\n" : ".\n"));
}

// Beyond these the strained layer relaxes by dislocations at any width a
// well has; the common slip is x and 1 - x swapped (the key is the share of
// material X, which need not be the indium).
constexpr double contrainte_max = 0.03;

void avertir_largeurs(const parametres_couches& c, const journal& j)
{
    const double Lw = c.largeur_puits, Lb = c.largeur_barriere;
    if (Lw < 20)
        dire(j, "largeur [puits] = " + g(Lw) + " Å : un puits de moins de 20 Å (quelques monocouches) ; Å attendus, "
                "pas nm (" + g(Lw) + " nm s'écrit largeur=" + g(10 * Lw) + ")");
    if (Lw > 300)
        dire(j, "largeur [puits] = " + g(Lw) + " Å : un puits de plus de 300 Å, dont les niveaux se resserrent "
                "vers ceux d'une couche massive ; Å attendus (30 nm s'écrit largeur=300), et c'est la largeur "
                "d'un puits, pas celle de la zone active ni du guide");
    if (Lb > 2000)
        dire(j, "largeur [barriere] = " + g(Lb) + " Å : une barrière de plus de 2000 Å ; c'est la largeur de chaque "
                "barrière autour du puits, en Å (pas en pm, ni l'épaisseur de la gaine ou du guide), et au-delà "
                "de quelques centaines d'Å elle est semi-infinie pour les niveaux");
}

void avertir_temps(const parametres_calcul& p, const journal& j)
{
    const double tau = p.calcul.demi_largeur_lorentz;
    if (tau < 1e-15 || tau > 1e-11)
        dire(j, "demi_largeur_lorentz [calcul] = " + g(tau) + " s : un temps de relaxation intrabande hors de "
                "1e-15 à 1e-11 s (typique 1e-13 s, soit 0,1 ps et une demi-largeur ħ/τ de 6,6 meV) ; la clé est "
                "un temps en s, pas une largeur en meV ni un temps en ps" +
                (tau >= 1e-3 ? " (" + g(tau) + " ps s'écrit " + g(tau * 1e-12) + ")" : std::string()));
    // The non-radiative lifetime of carriers lies in the nanoseconds.
    const double tau_nr = p.cavite.tau_nr;
    if (tau_nr < 1e-12 || tau_nr > 1e-6)
        dire(j, "tau_nr [systeme] = " + g(tau_nr) + " s : une durée de vie non radiative hors de 1e-12 à 1e-6 s "
                "(typique 1e-9 s) ; la clé est en s, pas en ns" +
                (tau_nr >= 1e-3 ? " (" + g(tau_nr) + " ns s'écrit " + g(tau_nr * 1e-9) + ")" : std::string()));
}

void avertir_contrainte(const parametres_couches& c, const resultats_materiau& m, const journal& j)
{
    if (!(std::fabs(m.epsilon) > contrainte_max)) return;
    // The strain the well would have with x and 1 - x swapped.
    const double a_echange = interpolation(1 - c.ratio_x, c.X.a, c.Z.a);
    const double echange = (m.barriere.a - a_echange) / m.barriere.a;
    std::string texte = "contrainte du puits de " + fixe(100 * std::fabs(m.epsilon), 2) + " % (" +
                        (m.epsilon > 0 ? "tension" : "compression") +
                        ") : au-delà de 3 % la couche relaxe par dislocations ; ratio_x [puits] = " + g(c.ratio_x) +
                        " est la fraction du matériau X (a_x = " + g(c.X.a) + "), pas forcément celle de l'indium";
    if (std::fabs(echange) <= contrainte_max)
        texte += " : avec ratio_x = " + g(1 - c.ratio_x) + " (x et 1 − x échangés) elle serait de " +
                 fixe(100 * std::fabs(echange), 2) + " %";
    dire(j, texte);
}

} // namespace

void avertir_invraisemblances(const parametres_calcul& p, const resultats_materiau& m, const journal& j)
{
    avertir_largeurs(p.couches, j);
    const double T = p.couches.T;
    if (T < 50)
        dire(j, "temperature [constantes] = " + g(T) + " K : au-dessous de 50 K ; K attendus, pas °C (" + g(T) +
                " °C s'écrit temperature=" + g(T + 273.15) + ")");
    avertir_temps(p, j);
    const double lambda = p.bragg.lambda;
    if (lambda < 200)
        dire(j, "lambda [bragg] = " + g(lambda) + " nm : une longueur d'onde de moins de 200 nm ; nm attendus, pas "
                "µm (" + g(lambda) + " µm s'écrit lambda=" + g(1000 * lambda) + ")");
    avertir_contrainte(p.couches, m, j);
    if (p.calcul.fin_E < p.calcul.debut_E)
        dire(j, "fin_E [calcul] = " + g(p.calcul.fin_E) + " meV est au-dessous de debut_E = " + g(p.calcul.debut_E) +
                " meV : la fenêtre des spectres est vide (aucune énergie, gain nul) ; debut_E et fin_E échangés ?");
}

void avertir_transition_hors_fenetre(const parametres_calcul& p, const resultats_materiau& m, const resultats_k0& k0,
                                     const journal& j)
{
    const double debut = p.calcul.debut_E, fin = p.calcul.fin_E;
    // An empty window is said on its own; without a pair there is no transition.
    if (fin < debut || k0.E.niveaux.empty() || (k0.HH.niveaux.empty() && k0.LH.niveaux.empty())) return;
    // The upper hole level lies lower on the hole axis (positive downwards).
    const bool lh = !k0.LH.niveaux.empty() && (k0.HH.niveaux.empty() || k0.LH.niveaux[0] < k0.HH.niveaux[0]);
    const double trou = lh ? k0.LH.niveaux[0] : k0.HH.niveaux[0];
    const double E = 1000 * m.Eg_Puits + k0.E.niveaux[0] + trou; // eV -> meV
    // The gain lies above the transition, its peak some kT above it: a window
    // that starts a little above the transition still holds the peak.
    const double kT = constantes::kB * p.couches.T / constantes::joule_par_meV;
    if (E >= debut - kT && E <= fin) return;
    const double lambda_nm = constantes::h_c / (E * constantes::joule_par_meV) * 1e9;
    dire(j, std::string("la première transition E1-") + (lh ? "LH1" : "HH1") + " (" + fixe(E, 1) + " meV, " +
                fixe(lambda_nm, 1) + " nm) est hors de la fenêtre des spectres [debut_E, fin_E] = [" + g(debut) +
                ", " + g(fin) + "] meV : le gain et son pic n'y sont pas ; debut_E et fin_E sont en meV, pas en eV, "
                "et la fenêtre doit contenir la transition");
}
