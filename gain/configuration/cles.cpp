#include "configuration/cles.hpp"

#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <utility>

#include "configuration/bornes.hpp"

namespace {

using P = parametres_calcul;

// The accessors of the table: where each key's value goes.
template <auto champ> auto& sortie(P& p) { return p.sortie.*champ; }
template <auto champ> auto& calcul(P& p) { return p.calcul.*champ; }
template <auto champ> auto& cavite(P& p) { return p.cavite.*champ; }
template <auto champ> auto& bragg(P& p) { return p.bragg.*champ; }
template <auto champ> auto& couches(P& p) { return p.couches.*champ; }
template <auto champ> auto& modele(P& p) { return p.modele.*champ; }
using S = parametres_sortie;
using N = parametres_numeriques;
using K = parametres_cavite;
using B = parametres_bragg;
using C = parametres_couches;
using M = options_modele;

using genre = domaine_cle::genre;

// v in ]0, inf[, with the historic message of the key.
domaine_cle strictement_positif(const char* message) { return {genre::intervalle, 0, HUGE_VAL, false, false, message}; }
domaine_cle positif() { return {genre::intervalle, 0, HUGE_VAL, false, false}; }
domaine_cle non_negatif() { return {genre::intervalle, 0, HUGE_VAL, true, false}; }
domaine_cle fraction(bool zero_inclus) { return {genre::intervalle, 0, 1, zero_inclus, true}; }
domaine_cle interrupteur() { return {genre::zero_ou_un}; }
// [0, max]: a coefficient of the model, beyond whose physical range its
// terms overflow or swamp every other (C_auger = 1e300: Jnr infinite).
domaine_cle jusqu_a(double max) { return {genre::intervalle, 0, max, true, true}; }

// d with the work bound max and its reason.
domaine_cle travail(domaine_cle d, double max, const char* raison)
{
    d.max_travail = max;
    d.raison_travail = raison;
    return d;
}

// Keys of [modele] switch the section on once given.
void modele_donne(P& p, bool donnee, const journal&) { p.modele.present = p.modele.present || donnee; }
// A_srh or C_auger: the defect and Auger recombination replace N/tau_nr.
void recombinaison_donnee(P& p, bool donnee, const journal& j)
{
    p.modele.recombinaison_abc = p.modele.recombinaison_abc || donnee;
    modele_donne(p, donnee, j);
}

// The barrier's third Luttinger parameter has its own key; files written
// before it existed took mc_y there, and keep giving the same results.
void gamma3_barriere(P& p, bool donnee, const journal& j)
{
    p.couches.gamma3_y_absent = !donnee;
    if (!donnee)
        avertir(j, "Attention : gamma3 de la barriere pris egal a mc_y ; donnez la cle gamma3_y dans la section "
                   "[barriere].\n");
}

// A real key of a layer with no check: an end-member parameter or a bowing.
cle_config materiau(const char* section, const char* cle, double& (*champ)(P&), const char* unite, const char* sens)
{
    return {.section = section, .cle = cle, .type = type_cle::reel, .requise = true, .unite = unite,
            .texte_domaine = "none", .sens = sens, .reel = champ};
}

// Where parameter i of the member `membre` goes.
template <membre_alliage C::*membre, std::size_t i> double& parametre(P& p)
{
    return (p.couches.*membre).*parametres_membre[i].champ;
}

// The keys of the member `membre` ("X", of suffix "x", ...), one for each of
// its first `nb` parameters, in the section of its layer.
template <membre_alliage C::*membre, std::size_t... i>
void cles_membre(std::vector<cle_config>& t, const char* section, const char* suffixe, const char* nom, std::size_t nb,
                 std::index_sequence<i...>)
{
    // The names outlive the table: they are kept in static storage per member.
    static const std::vector<std::string> cles = {std::string(parametres_membre[i].racine) + suffixe...};
    static const std::vector<std::string> sens = {std::string(parametres_membre[i].sens) + " of " + nom...};
    double& (*const champs[])(P&) = {&parametre<membre, i>...};
    for (std::size_t k = 0; k < nb; ++k)
        t.push_back(materiau(section, cles[k].c_str(), champs[k], parametres_membre[k].unite, sens[k].c_str()));
}

template <membre_alliage C::*membre>
void cles_membre(std::vector<cle_config>& t, const char* section, const char* suffixe, const char* nom, std::size_t nb)
{
    cles_membre<membre>(t, section, suffixe, nom, nb, std::make_index_sequence<std::size(parametres_membre)>{});
}

std::vector<cle_config> cles_sortie_calcul()
{
    return {
        {.section = "sortie", .cle = "fichier_gain", .type = type_cle::texte, .requise = true, .unite = "path",
         .texte_domaine = "must be creatable", .sens = "gain-spectrum file", .texte = &sortie<&S::fichier_gain>},
        {.section = "sortie", .cle = "fichier_param", .type = type_cle::texte, .requise = true, .unite = "path",
         .texte_domaine = "must be creatable", .sens = "threshold-parameter file", .texte = &sortie<&S::fichier_param>},
        {.section = "sortie", .cle = "fichier_P-I", .type = type_cle::texte, .requise = true, .unite = "path",
         .texte_domaine = "must be creatable", .sens = "light–current file", .texte = &sortie<&S::fichier_PI>},
        {.section = "sortie", .cle = "fichier_dispersion", .type = type_cle::texte, .requise = false, .unite = "path",
         .texte_domaine = "creatable when given", .sens = "hole dispersion table E(k)",
         .texte = &sortie<&S::fichier_dispersion>},
        {.section = "sortie", .cle = "fichier_enveloppes", .type = type_cle::texte, .requise = false, .unite = "path",
         .texte_domaine = "creatable when given", .sens = "zone-centre envelope functions",
         .texte = &sortie<&S::fichier_enveloppes>},
        {.section = "sortie", .cle = "fichier_resultats", .type = type_cle::texte, .requise = false, .unite = "path",
         .texte_domaine = "creatable when given", .sens = "run record (JSON): every number the console and the files give",
         .texte = &sortie<&S::fichier_resultats>},
        {.section = "calcul", .cle = "arret_seuil", .type = type_cle::entier, .requise = true, .unite = "—",
         .texte_domaine = "none",
         .sens = "0: the density series runs to its end; other: it ends once threshold is crossed",
         .entier = &calcul<&N::arret_seuil>},
        {.section = "calcul", .cle = "Nk", .type = type_cle::entier, .requise = true, .unite = "—",
         .texte_domaine = "≥ 2 (\"Il faut au moins 2 valeurs sur kx…\"); ≤ {max}, ≤ 3161 with ky (bounds below)",
         .sens = "length of the in-plane scan, in steps of `deltak`", .entier = &calcul<&N::Nk>,
         .domaine = travail({genre::intervalle, 2, HUGE_VAL, true, false,
                             "Il faut au moins 2 valeurs sur kx pour effectuer les calculs (Nkx>2)\n"},
                            100000, "au-delà, le balayage de la dispersion et les tables du gain ne finissent plus en "
                                    "un temps raisonnable"),
         // bounded as soon as read: Nk + 1 sizes the ky scan
         .apres = [](P& p, bool, const journal&) { verifier_borne_travail(*cle_de("calcul", "Nk"), p.calcul.Nk); }},
        {.section = "calcul", .cle = "variation_en_ky", .type = type_cle::entier, .requise = true, .unite = "—",
         .texte_domaine = "none", .sens = "0: ky = 0 only; other: ky scanned too (Nky = Nk + 1)",
         .entier = &calcul<&N::variation_en_ky>,
         .apres = [](P& p, bool, const journal&) { p.calcul.Nky = p.calcul.variation_en_ky == 0 ? 1 : p.calcul.Nk + 1; }},
        {.section = "calcul", .cle = "deltak", .type = type_cle::reel, .requise = true, .unite = "m⁻¹",
         .texte_domaine = "> 0 and finite", .sens = "in-plane wave-vector step", .reel = &calcul<&N::deltak>,
         .domaine = strictement_positif("deltak doit etre strictement positif.\n")},
        {.section = "calcul", .cle = "deltaE", .type = type_cle::reel, .requise = true, .unite = "meV",
         .texte_domaine = "> 0 and finite; every energy grid ≤ 1e7 points (bounds below)",
         .sens = "energy step of the level searches", .reel = &calcul<&N::deltaE>,
         .domaine = strictement_positif("deltaE doit etre strictement positif.\n")},
        {.section = "calcul", .cle = "Ninj", .type = type_cle::reel, .requise = true, .unite = "cm⁻³",
         .texte_domaine = "> 0 and finite; ≤ {max}", .sens = "first injected carrier density",
         .reel = &calcul<&N::Ninj>,
         .domaine = travail(strictement_positif("Ninj doit etre strictement positif.\n"), 1e21, "2 % des atomes du cristal ; au-delà, les niveaux de Fermi sont hors de toute bande")},
        {.section = "calcul", .cle = "debut_E", .type = type_cle::reel, .requise = true, .unite = "meV",
         .texte_domaine = "> 0 and finite; ≤ {max}", .sens = "first photon energy of the spectra",
         .reel = &calcul<&N::debut_E>,
         .domaine = travail(strictement_positif("debut_E doit etre strictement positif.\n"), 1e5, "100 eV, loin au-delà de toute bande interdite ; la grille du spectre compte un point par meV")},
        {.section = "calcul", .cle = "fin_E", .type = type_cle::reel, .requise = true, .unite = "meV",
         .texte_domaine = "> 0 and finite; ≤ {max}", .sens = "last photon energy of the spectra (1 meV grid)",
         .reel = &calcul<&N::fin_E>,
         .domaine = travail(strictement_positif("fin_E doit etre strictement positif.\n"), 1e5, "100 eV, loin au-delà de toute bande interdite ; la grille du spectre compte un point par meV")},
        {.section = "calcul", .cle = "debut_courant", .type = type_cle::entier, .requise = true, .unite = "mA",
         .texte_domaine = "≥ 0 (\"debut_i doit etre positif.\"); ≤ {max}", .sens = "first current of the P-I curve",
         .entier = &calcul<&N::debut_courant>,
         .domaine = travail({genre::intervalle, 0, HUGE_VAL, true, false, "debut_i doit etre positif.\n"}, 1e6, "1 kA, au-delà de toute diode ; le fichier P-I compte une ligne par mA")},
        {.section = "calcul", .cle = "fin_courant", .type = type_cle::entier, .requise = true, .unite = "mA",
         .texte_domaine = "> 0 (\"fin_i doit etre strictement positif.\"); ≤ {max}",
         .sens = "last current of the P-I curve", .entier = &calcul<&N::fin_courant>,
         .domaine = travail(strictement_positif("fin_i doit etre strictement positif.\n"), 1e6, "1 kA, au-delà de toute diode ; le fichier P-I compte une ligne par mA")},
    };
}

std::vector<cle_config> cles_systeme()
{
    return {
        {.section = "constantes", .cle = "temperature", .type = type_cle::reel, .requise = true, .unite = "K",
         .texte_domaine = "in ]0, {max}] (\"Valeur hors domaine pour la clé …\")",
         .sens = "lattice and carrier temperature (held in single precision)", .reel = &couches<&C::T>,
         .domaine = travail(positif(), 1e4, "la recherche des niveaux de Fermi s'étend sur des dizaines de kT"),
         .simple_precision = true},
        {.section = "calcul", .cle = "demi_largeur_lorentz", .type = type_cle::reel, .requise = true, .unite = "s",
         .texte_domaine = "> 0 (\"Valeur hors domaine pour la clé …\")",
         .sens = "intraband relaxation time τ; ħ/τ is the half width of the line shape",
         .reel = &calcul<&N::demi_largeur_lorentz>, .domaine = positif()},
        {.section = "systeme", .cle = "facteur_confinement", .type = type_cle::reel, .requise = true, .unite = "—",
         .texte_domaine = "in (0, 1]", .sens = "optical confinement factor Γ of the well, of all wells of a stack (TE mode)",
         .reel = &cavite<&K::facteur_confinement>, .domaine = fraction(false)},
        // The TM mode has its own confinement (a slab guide confines TE a
        // little more); without the key both modes share Gamma.
        {.section = "systeme", .cle = "facteur_confinement_tm", .type = type_cle::reel, .requise = false,
         .unite = "—", .texte_domaine = "in (0, 1]",
         .sens = "confinement factor Γ_TM of the TM mode; absent: `facteur_confinement`",
         .reel = &cavite<&K::facteur_confinement_tm>, .domaine = fraction(false),
         .defaut = [](const P& p) { return p.cavite.facteur_confinement; }},
        // A stack of wells far enough apart not to couple: every well holds
        // the same carriers and gain, and the stack draws the current of all.
        {.section = "systeme", .cle = "nombre_puits", .type = type_cle::entier, .requise = false, .unite = "—",
         .texte_domaine = "in [1, 100]",
         .sens = "number of identical, uncoupled wells; `facteur_confinement` and `facteur_confinement_tm` are "
                 "those of all of them, densities and spectra those of one well, Jnr, Jrad and Jth those of the "
                 "stack; absent: 1",
         .entier = &cavite<&K::nombre_puits>, .domaine = {genre::intervalle, 1, 100, true, true},
         .defaut = [](const P&) { return 1.0; }},
        // The threshold takes the logarithm of both facet reflectivities.
        {.section = "systeme", .cle = "Rmin", .type = type_cle::reel, .requise = true, .unite = "—",
         .texte_domaine = "in (0, 1]", .sens = "reflectivity of the facet on the fibre side (output facet)",
         .reel = &cavite<&K::Rmin>, .domaine = fraction(false)},
        {.section = "systeme", .cle = "Rmax", .type = type_cle::reel, .requise = true, .unite = "—",
         .texte_domaine = "in (0, 1]", .sens = "reflectivity of the rear facet", .reel = &cavite<&K::Rmax>,
         .domaine = fraction(false)},
        {.section = "systeme", .cle = "longueur_puce", .type = type_cle::reel, .requise = true, .unite = "cm",
         .texte_domaine = "> 0; warning above 1 cm", .sens = "chip (cavity) length",
         .reel = &cavite<&K::longueur_puce>, .domaine = positif(), .avertir_au_dessus = 1.0,
         .avertissement = "une puce de plus d'un centimètre (cm)"},
        {.section = "systeme", .cle = "largeur_contact", .type = type_cle::reel, .requise = true, .unite = "cm",
         .texte_domaine = "> 0; warning above 0.1 cm", .sens = "stripe (contact) width",
         .reel = &cavite<&K::largeur_contact>, .domaine = positif(), .avertir_au_dessus = 0.1,
         .avertissement = "un ruban de plus d'un millimètre (cm)"},
        {.section = "systeme", .cle = "pertes_internes", .type = type_cle::reel, .requise = true, .unite = "cm⁻¹",
         .texte_domaine = "≥ 0", .sens = "internal losses α_i", .reel = &cavite<&K::pertes_internes>,
         .domaine = non_negatif()},
        {.section = "systeme", .cle = "tau_nr", .type = type_cle::reel, .requise = true, .unite = "s",
         .texte_domaine = "> 0", .sens = "non-radiative lifetime", .reel = &cavite<&K::tau_nr>, .domaine = positif()},
        {.section = "systeme", .cle = "eta_interne", .type = type_cle::reel, .requise = true, .unite = "—",
         .texte_domaine = "in (0, 1]", .sens = "internal quantum efficiency", .reel = &cavite<&K::eta_interne>,
         .domaine = fraction(false)},
        {.section = "puits", .cle = "ratio_x", .type = type_cle::reel, .requise = true, .unite = "—",
         .texte_domaine = "in [0, 1]", .sens = "fraction x of material X in the well X_x Z_(1-x)",
         .reel = &couches<&C::ratio_x>, .domaine = fraction(true)},
        {.section = "barriere", .cle = "ratio_y", .type = type_cle::reel, .requise = true, .unite = "—",
         .texte_domaine = "in [0, 1]", .sens = "fraction y of material Y in the barrier Y_y X_(1-y)",
         .reel = &couches<&C::ratio_y>, .domaine = fraction(true)},
        {.section = "puits", .cle = "largeur", .type = type_cle::reel, .requise = true, .unite = "Å",
         .texte_domaine = "in ]0, {max}]; warning below 20 Å or above 300 Å", .sens = "well width",
         .reel = &couches<&C::largeur_puits>,
         .domaine = travail(positif(), 1e4, "le gain et les recouvrements se calculent Å par Å à travers le puits, et "
                                            "un puits de 1 µm n'est plus quantique")},
        {.section = "barriere", .cle = "largeur", .type = type_cle::reel, .requise = true, .unite = "Å",
         .texte_domaine = "in ]0, {max}]", .sens = "width of each barrier", .reel = &couches<&C::largeur_barriere>,
         .domaine = travail(positif(), 1e6, "les enveloppes se calculent Å par Å à partir du bord de la barrière")},
    };
}

std::vector<cle_config> cles_bragg()
{
    return {
        {.section = "bragg", .cle = "couplage_puce_fibre", .type = type_cle::reel, .requise = true, .unite = "—",
         .texte_domaine = "in [0, 1]", .sens = "chip–fibre coupling efficiency η",
         .reel = &bragg<&B::couplage_puce_fibre>, .domaine = fraction(true)},
        {.section = "bragg", .cle = "Rbragg", .type = type_cle::reel, .requise = true, .unite = "—",
         .texte_domaine = "in [0, 1]", .sens = "reflectivity of the fibre grating", .reel = &bragg<&B::Rbragg>,
         .domaine = fraction(true)},
        {.section = "bragg", .cle = "lambda", .type = type_cle::reel, .requise = true, .unite = "nm",
         .texte_domaine = "> 0", .sens = "Bragg wavelength of the grating", .reel = &bragg<&B::lambda>,
         .domaine = positif()},
        // A fibre of length 0 or without loss is a limit the formulas take as is.
        {.section = "bragg", .cle = "longueur_fibre", .type = type_cle::reel, .requise = true,
         .unite = "any length unit L", .texte_domaine = "≥ 0",
         .sens = "fibre length (enters as exp(−2·attenuation·longueur_fibre))", .reel = &bragg<&B::longueur_fibre>,
         .domaine = non_negatif()},
        {.section = "bragg", .cle = "attenuation", .type = type_cle::reel, .requise = true, .unite = "1/L",
         .texte_domaine = "≥ 0", .sens = "fibre field attenuation per unit of `longueur_fibre`",
         .reel = &bragg<&B::attenuation>, .domaine = non_negatif()},
    };
}

void cles_barriere(std::vector<cle_config>& t)
{
    cles_membre<&C::Y>(t, "barriere", "y", "Y", nb_parametres_barriere);
    cle_config* const Y = &t[t.size() - nb_parametres_barriere]; // its keys, in the order of parametres_membre
    cle_config& g3 = Y[3];
    g3.sens = "Luttinger γ3 of Y; absent: `mc_y` is used and a warning printed";
    g3.requise = false;
    g3.defaut = [](const P& p) { return p.couches.Y.mc; };
    g3.apres = gamma3_barriere;
    Y[7].sens = "lattice constant of Y (same unit as `a_x`)";
}

void cles_courbure(std::vector<cle_config>& t)
{
    t.push_back(materiau("puits", "bowing_Eg", &couches<&C::bowing_Eg_puits>, "eV",
                         "gap bowing of the well: Eg = x·Eg_X + (1−x)·Eg_Z − x(1−x)·(bowing_Eg_x·(1−x) + bowing_Eg)"));
    t.push_back(materiau("puits", "bowing_Eg_x", &couches<&C::bowing_Eg_x_puits>, "eV",
                         "gap bowing of the well, term in (1−x)"));
    t.push_back(materiau("barriere", "bowing_Eg", &couches<&C::bowing_Eg_barriere>, "eV",
                         "gap bowing of the barrier (same form, with y and 1−y)"));
    t.push_back(materiau("barriere", "bowing_Eg_x", &couches<&C::bowing_Eg_x_barriere>, "eV",
                         "gap bowing of the barrier, term in (1−y)"));
    t.push_back(materiau("systeme", "K_delta_Ec", &couches<&C::K_delta_Ec>, "—",
                         "share of the band-gap difference taken by the conduction band"));
}

// Without its key the group index is the well's refractive index (as the
// material model interpolates it), set after the check: the domain bounds a
// value given, never a file that ran before the key existed.
void indice_groupe_du_puits(P& p, bool donnee, const journal&)
{
    if (!donnee) p.cavite.indice_groupe = p.couches.ratio_x * p.couches.X.nr + (1.0 - p.couches.ratio_x) * p.couches.Z.nr;
}

// The group index and the gain compression of the rate equations of the
// small-signal response, read after the well's members.
std::vector<cle_config> cles_modulation()
{
    return {
        {.section = "systeme", .cle = "indice_groupe", .type = type_cle::reel, .requise = false, .unite = "—",
         .texte_domaine = "≥ 1", .sens = "group index n_g of the lasing mode (photon lifetime, rate equations); "
                 "absent: the well's `nr`, x·`nr_x` + (1−x)·`nr_1-x`",
         .reel = &cavite<&K::indice_groupe>, .domaine = {genre::intervalle, 1, HUGE_VAL, true, false},
         .apres = indice_groupe_du_puits},
        {.section = "systeme", .cle = "compression_gain", .type = type_cle::reel, .requise = false, .unite = "cm³",
         .texte_domaine = "≥ 0", .sens = "gain compression ε of the rate equations, g = g(N)/(1 + ε·S), S the "
                 "photon density; absent: 0; typical 1e-17 to 5e-17 for quantum wells",
         .reel = &cavite<&K::compression_gain>, .domaine = non_negatif()},
    };
}

std::vector<cle_config> cles_modele()
{
    return {
        // Optional: thread count of the dispersion scan (absent or 0: every
        // thread the process may run on).
        {.section = "calcul", .cle = "nb_fils", .type = type_cle::entier, .requise = false, .unite = "—",
         .texte_domaine = "≥ 0; ≤ {max}",
         .sens = "threads of the dispersion scan; absent or 0: the threads the process may run on (`OMP_NUM_THREADS` "
                 "when set, else the CPUs of its affinity mask — `taskset`, a Slurm task — at most the cgroup's "
                 "`cpu.max` quota)",
         .entier = &calcul<&N::nb_fils>,
         .domaine = travail(non_negatif(), 1024, "0 : tous les coeurs ; chaque fil a sa pile, et le système refuse "
                                                 "d'en créer des milliers")},
        {.section = "modele", .cle = "forme_raie", .type = type_cle::choix, .requise = false, .unite = "—",
         .texte_domaine = "lorentz, sech or gauss",
         .sens = "line shape of every transition, unit area, half width at half maximum ħ/`demi_largeur_lorentz`: "
                 "`lorentz` (absent: the exact model), `sech`, `gauss`",
         .choisi = [](const P& p) { return static_cast<std::size_t>(p.modele.raie); },
         .choisir = [](P& p, std::size_t rang) { p.modele.raie = static_cast<forme_raie>(rang); },
         .domaine = {genre::choix, 0, 0, true, true, nullptr, {"lorentz", "sech", "gauss"}}, .apres = modele_donne},
        {.section = "modele", .cle = "A_srh", .type = type_cle::reel, .requise = false, .unite = "s⁻¹",
         .texte_domaine = "≥ 0; ≤ 1e12", .sens = "defect (Shockley–Read–Hall) rate of the well; with `C_auger` replaces N/`tau_nr`; typical 1e7–1e8 "
                 "for good epitaxial GaAs- and InP-based wells (library: `outils/materiaux.toml`, laser textbook); "
                 "above 1e10 (a lifetime under 100 ps) said",
         .reel = &modele<&M::A_srh>, .domaine = jusqu_a(1e12), .avertir_au_dessus = 1e10,
         .avertissement = "un taux de défauts au-dessus de 1e10 s⁻¹ (durée de vie sous 100 ps)",
         .apres = recombinaison_donnee},
        {.section = "modele", .cle = "C_auger", .type = type_cle::reel, .requise = false, .unite = "cm⁶·s⁻¹",
         .texte_domaine = "≥ 0; ≤ 1e-25", .sens = "Auger coefficient of the well; typical 1e-30 (GaAs) to 1e-28 (InGaAs at 1.55 µm) (library: "
                 "semiconductor-parameter handbook); above 1e-27 said", .reel = &modele<&M::C_auger>,
         .domaine = jusqu_a(1e-25), .avertir_au_dessus = 1e-27,
         .avertissement = "un coefficient Auger au-dessus de 1e-27 cm⁶·s⁻¹, dix fois les plus grands mesurés",
         .apres = recombinaison_donnee},
        {.section = "modele", .cle = "emission_complete", .type = type_cle::entier, .requise = false, .unite = "—",
         .texte_domaine = "0 or 1", .sens = "1: Jrad integrates the emission over every photon energy, not the printed window",
         .entier = &modele<&M::emission_complete>, .domaine = interrupteur(), .apres = modele_donne},
        {.section = "modele", .cle = "k_aligne", .type = type_cle::entier, .requise = false, .unite = "—",
         .texte_domaine = "0 or 1", .sens = "1: each dispersion row is used at the wave vector where it was computed, 1e6 + (m − 1)·`deltak`, "
                 "not m·`deltak`",
         .entier = &modele<&M::k_aligne>, .domaine = interrupteur(), .apres = modele_donne},
        {.section = "modele", .cle = "renormalisation_gap", .type = type_cle::reel, .requise = false,
         .unite = "eV·cm", .texte_domaine = "≥ 0; ≤ 1e-6",
         .sens = "band-gap shrinkage by the injected carriers, ΔEg = coefficient·N^(1/3); typical 1.6e-8 (GaAs, Casey "
                 "and Stern 1976) to 3e-8; above 1e-7 (100 meV at 1e18 cm⁻³) said",
         .reel = &modele<&M::renormalisation_gap>, .domaine = jusqu_a(1e-6), .avertir_au_dessus = 1e-7,
         .avertissement = "une renormalisation du gap de plus de 100 meV à 1e18 cm⁻³ (coefficient en eV·cm)",
         .apres = modele_donne},
        {.section = "modele", .cle = "melange_k", .type = type_cle::entier, .requise = false, .unite = "—",
         .texte_domaine = "0 or 1",
         .sens = "1: the overlaps and TE/TM weights of each pair taken at each k row from the four-band envelopes (F1, "
                 "F2) of its hole state, TE 3/4·O1² + 1/4·O2², TM O2² (O1, O2 the moduli of the overlaps of F1 and F2 "
                 "with the electron), in place of the zone-centre overlaps",
         .entier = &modele<&M::melange_k>, .domaine = interrupteur(), .apres = modele_donne},
        {.section = "modele", .cle = "dispersion_axiale", .type = type_cle::entier, .requise = false, .unite = "—",
         .texte_domaine = "0 or 1",
         .sens = "1: the hole dispersion in the axial approximation (γ2 and γ3 replaced by their mean in the in-plane "
                 "coupling R), the same in every in-plane direction, so that the one cut stands for them all",
         .entier = &modele<&M::dispersion_axiale>, .domaine = interrupteur(), .apres = modele_donne},
        {.section = "modele", .cle = "continuum", .type = type_cle::entier, .requise = false, .unite = "—",
         .texte_domaine = "0 or 1",
         .sens = "1: the three-dimensional states above Vc and Vv (the barrier material over both barriers and the "
                 "well, with the barrier's masses, the well entering through its phase shifts) share the quasi-Fermi "
                 "levels, hold their part of the injected carriers and recombine with `B_barriere`; the well's Auger "
                 "term takes the carriers in the well's volume",
         .entier = &modele<&M::continuum>, .domaine = interrupteur(), .apres = modele_donne},
        {.section = "modele", .cle = "B_barriere", .type = type_cle::reel, .requise = false, .unite = "cm³·s⁻¹",
         .texte_domaine = "≥ 0; ≤ 1e-7",
         .sens = "radiative coefficient B of the barrier material, for the continuum's carriers with `continuum`: "
                 "q·B·n·p over the structure; 7.2e-10 for GaAs at 300 K (library: semiconductor-parameter handbook); "
                 "above 1e-8 said",
         .reel = &modele<&M::B_barriere>, .domaine = jusqu_a(1e-7), .avertir_au_dessus = 1e-8,
         .avertissement = "un coefficient radiatif au-dessus de 1e-8 cm³·s⁻¹, dix fois les plus grands connus",
         .apres = modele_donne},
    };
}

} // namespace

const std::vector<cle_config>& table_cles()
{
    static const std::vector<cle_config> table = [] {
        std::vector<cle_config> t = cles_sortie_calcul();
        for (auto&& c : cles_systeme()) t.push_back(c);
        for (auto&& c : cles_bragg()) t.push_back(c);
        cles_membre<&C::X>(t, "puits", "x", "X", std::size(parametres_membre));
        cles_barriere(t);
        cles_membre<&C::Z>(t, "puits", "1-x", "Z", std::size(parametres_membre));
        cles_courbure(t);
        for (auto&& c : cles_modulation()) t.push_back(c);
        for (auto&& c : cles_modele()) t.push_back(c);
        return t;
    }();
    return table;
}

const std::vector<cle_connue>& cles_config()
{
    static const std::vector<cle_connue> cles = [] {
        std::vector<cle_connue> c;
        for (const cle_config& k : table_cles()) c.push_back({k.section, k.cle});
        return c;
    }();
    return cles;
}

namespace {

// A bound as a reader writes it: whole numbers below 1e7 in full, others as
// "1e21".
std::string nombre_borne(double v)
{
    char t[32];
    if (v == std::floor(v) && std::fabs(v) < 1e7) {
        std::snprintf(t, sizeof t, "%.0f", v);
        return t;
    }
    std::snprintf(t, sizeof t, "%g", v);
    std::string r = t;
    const std::size_t e = r.find("e+");
    if (e != std::string::npos) {
        std::size_t chiffre = e + 2;
        while (chiffre + 1 < r.size() && r[chiffre] == '0') ++chiffre;
        r = r.substr(0, e + 1) + r.substr(chiffre);
    }
    return r;
}

// The key's domain as the key page states it, its work bound in place of "{max}".
std::string texte_domaine(const cle_config& c)
{
    std::string t = c.texte_domaine;
    const std::size_t m = t.find("{max}");
    if (m != std::string::npos) t.replace(m, 5, nombre_borne(c.domaine.max_travail));
    return t;
}

} // namespace

std::string plage_travail(const cle_config& c)
{
    const domaine_cle& d = c.domaine;
    const std::string unite = std::strcmp(c.unite, "—") == 0 ? "" : std::string(" ") + c.unite;
    return (d.min_inclus ? "[" : "]") + nombre_borne(d.min) + ", " + nombre_borne(d.max_travail) + "]" + unite;
}

void verifier_borne_travail(const cle_config& c, double v)
{
    const domaine_cle& d = c.domaine;
    if (d.max_travail == HUGE_VAL) return;
    const bool au_dessus_du_min = d.min_inclus ? v >= d.min : v > d.min;
    if (!(au_dessus_du_min && v <= d.max_travail))
        refuser_cle(c.section, c.cle, v, plage_travail(c).c_str(), d.raison_travail);
}

const cle_config* cle_de(const char* section, const char* cle)
{
    for (const cle_config& c : table_cles())
        if (std::strcmp(c.section, section) == 0 && std::strcmp(c.cle, cle) == 0) return &c;
    return nullptr;
}

std::string texte_exact(double v)
{
    char t[32];
    const auto r = std::to_chars(t, t + sizeof t, v);
    return std::string(t, r.ptr);
}

std::optional<std::string> valeur_lue(const cle_config& c, parametres_calcul& p)
{
    switch (c.type) {
    case type_cle::texte:
        return c.texte(p);
    case type_cle::entier:
        return std::to_string(c.entier(p));
    case type_cle::reel:
        return texte_exact(c.reel(p));
    case type_cle::choix:
        return c.domaine.noms[c.choisi(p)];
    }
    return std::nullopt;
}

std::string table_markdown()
{
    static const char* const types[] = {"text", "int", "real", "choice"};
    std::string t = "| section | key | type | unit | meaning | domain |\n|---|---|---|---|---|---|\n";
    for (const cle_config& c : table_cles())
        t += std::string("| ") + c.section + " | `" + c.cle + "` | " + types[static_cast<int>(c.type)] +
             (c.requise ? "" : ", optional") + " | " + c.unite + " | " + c.sens + " | " + texte_domaine(c) + " |\n";
    return t;
}
