#include "programme/valeurs_finies.hpp"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "configuration/arret.hpp"
#include "numerique/constantes.hpp"

namespace {

struct grandeur {
    const char* nom;
    double valeur;
};

// Where the pass is (", à N = ... cm-3"), nothing outside the series.
std::string ou(double N_cm3)
{
    if (std::isnan(N_cm3)) return "";
    char t[64];
    std::snprintf(t, sizeof t, " à N = %e cm-3", N_cm3);
    return t;
}

[[noreturn]] void arreter_non_fini(const std::string& nom, double v, double N_cm3, const std::string& cle)
{
    char t[32];
    std::snprintf(t, sizeof t, "%g", v);
    arreter("Résultat non fini : " + nom + " = " + t + ou(N_cm3) + " ; clé probable : " + cle +
            ". Le calcul s'arrête ; les fichiers de résultats précédents sont gardés.\n");
}

void exiger(std::initializer_list<grandeur> g, double N_cm3, const std::string& cle)
{
    for (const grandeur& x : g)
        if (!std::isfinite(x.valeur)) arreter_non_fini(x.nom, x.valeur, N_cm3, cle);
}

void exiger_tous(const std::vector<double>& v, const char* nom, double N_cm3, const std::string& cle)
{
    for (double x : v)
        if (!std::isfinite(x)) arreter_non_fini(nom, x, N_cm3, cle);
}

constexpr double hors_serie = NAN;
const char* const cles_couches = "largeur [barriere] ou largeur [puits]";

// The recombination that forms Jnr: A_srh and C_auger of [modele], or tau_nr.
std::string cle_recombinaison(const parametres_calcul& p)
{
    return p.modele.recombinaison_abc ? "C_auger [modele] ou A_srh [modele]" : "tau_nr [systeme]";
}

// What broadens and shifts the spectra.
std::string cle_spectres(const parametres_calcul& p)
{
    return p.modele.present ? "demi_largeur_lorentz [calcul] ou renormalisation_gap [modele]"
                            : "demi_largeur_lorentz [calcul]";
}

} // namespace

void exiger_niveaux_finis(const resultats_k0& k0)
{
    for (const niveaux_bande* b : {&k0.E, &k0.HH, &k0.LH}) exiger_tous(b->niveaux, "niveau", hors_serie, cles_couches);
}

void exiger_dispersion_finie(const resultats_dispersion& d)
{
    exiger_tous(d.niveaux_k, "niveau de trou hors du centre de zone", hors_serie,
                "deltak [calcul] ou les gamma du puits et de la barrière");
}

void exiger_enveloppes_finies(const table_enveloppes& t)
{
    for (const auto& ligne : t.valeurs) exiger_tous(ligne, "fonction enveloppe", hors_serie, cles_couches);
}

void exiger_recouvrements_finis(const recouvrements& r)
{
    for (const auto* table : {&r.HH, &r.LH})
        for (const auto& ligne : *table) exiger_tous(ligne, "recouvrement des enveloppes", hors_serie, cles_couches);
}

void exiger_fermi_fini(double N_cm3, double EFC, double EFV, const barrieres_passe& b)
{
    exiger({{"EFC", EFC}}, N_cm3, "les masses de conduction (mc_x, mc_1-x [puits]) ou temperature [constantes]");
    exiger({{"EFV", EFV}}, N_cm3, "les gamma du puits ou temperature [constantes]");
    exiger({{"électrons des barrières", b.n}, {"trous des barrières", b.p}, {"Jrad des barrières", b.Jrad}}, N_cm3,
           "B_barriere [modele] ou temperature [constantes]");
}

void exiger_passe_finie(const parametres_calcul& p, double N_cm3, const spectres& s, const ligne_seuil& l)
{
    for (const ligne_gain& g : s.lignes)
        exiger({{"gain TE", g.gain_te}, {"gain TM", g.gain_tm}, {"Rsp", g.rsp}}, N_cm3, cle_spectres(p));
    exiger({{"Gmax", l.Gmax}}, N_cm3, "facteur_confinement [systeme]");
    exiger({{"Gth", l.Gth}}, N_cm3, "pertes_internes, Rmin, Rmax ou longueur_puce [systeme]");
    exiger({{"Jnr", l.Jnr}}, N_cm3, cle_recombinaison(p));
    exiger({{"Jrad", l.Jrad}}, N_cm3,
           p.modele.continuum ? "B_barriere [modele]" : cle_spectres(p));
    exiger({{"Jth", l.Jth}}, N_cm3, cle_recombinaison(p));
    exiger({{"longueur d'onde d'émission", l.lambda_emission}}, N_cm3, "debut_E ou fin_E [calcul]");
}

void exiger_fin_finie(const parametres_calcul& p, const etat_seuil& seuil, const caracteristique_pi& pi,
                      const figures_seuil& f, const modulation& m)
{
    const std::string cavite = "eta_interne, Rmin ou Rmax [systeme]";
    for (const point_pi& x : pi.points) exiger({{"courant de la courbe P-I", x.I}, {"puissance optique", x.P}}, hors_serie, cavite);
    exiger({{"pente P-I", pi.pente}}, hors_serie, cavite);
    if (!seuil.seuil_atteint) {
        exiger({{"gain modal maximal de la série", seuil.Gmax_serie}, {"gain de seuil", seuil.Gth_serie}}, hors_serie,
               cle_spectres(p));
        return;
    }
    const double Nth = densite_cm3(seuil.Nth, p.couches.largeur_puits);
    exiger({{"Nth", Nth}}, hors_serie, cle_spectres(p));
    exiger({{"Jth", seuil.Jth.total},
            {"Jth radiative", seuil.Jth.radiatif},
            {"Jth défauts", seuil.Jth.defauts},
            {"Jth Auger", seuil.Jth.auger},
            {"Jth des barrières", seuil.Jth.barrieres}},
           Nth, cle_recombinaison(p));
    exiger({{"longueur d'onde d'émission", seuil.lambda_seuil}}, Nth, "debut_E ou fin_E [calcul]");
    if (!f.calcule) return;
    const std::string merite = "facteur_confinement, longueur_puce ou compression_gain [systeme]";
    if (f.differentielles)
        exiger({{"dg/dN", f.d.dg_dN}, {"dg/dJ", f.d.dg_dJ}, {"alpha_H", f.d.alpha_H}, {"dn/dN", f.d.dn_dN}}, Nth,
               merite);
    if (f.tr.trouvee) exiger({{"Ntr", f.tr.N}, {"Jtr", f.tr.J}}, Nth, merite);
    exiger({{"durée de vie des photons", f.duree_vie_photons}}, Nth, merite);
    if (!m.calculee) return;
    exiger({{"facteur K", m.K}, {"facteur D", m.D}, {"bande passante maximale", m.f_max}}, Nth, merite);
    for (const point_petit_signal& x : m.points)
        exiger({{"fr", x.f_r}, {"amortissement", x.amortissement}, {"bande passante à -3 dB", x.f_3dB}}, Nth, merite);
}
