// Run parameters: every key of config.ini, read once in a fixed order and
// checked as it is read. The first key that is missing or fails its check
// stops the run, and the keys after it are never read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "configuration/journal.hpp"
#include "configuration/lecteur_ini.hpp"

// Line shape of every transition in the spectra, each of unit area and of
// half width at half maximum hbar/demi_largeur_lorentz.
enum class forme_raie { lorentz, sech, gauss };

// The optional [modele] section: departures from the exact model, each off
// when its key is absent.
struct options_modele {
    bool present = false;           // at least one key of [modele] was given
    forme_raie raie = forme_raie::lorentz;
    bool recombinaison_abc = false; // A_srh or C_auger given: Jnr = q Lw (A N + C N^3)
    double A_srh = 0.0;             // defect (Shockley-Read-Hall) rate, s^-1
    double C_auger = 0.0;           // Auger coefficient, cm^6 s^-1
    int emission_complete = 0;      // 1: Jrad over the whole band, not the printed window
    int k_aligne = 0;               // 1: dispersion rows used at the kx where they were computed
    double renormalisation_gap = 0.0; // gap shrinkage coefficient, eV cm: dEg = coefficient N^(1/3), N in cm^-3
    int melange_k = 0;              // 1: overlaps and polarisation weights from the four-band envelopes at each k
    int dispersion_axiale = 0;      // 1: hole dispersion in the axial approximation, the same in every in-plane direction
    int continuum = 0;              // 1: the barriers' three-dimensional states hold carriers and recombine
    double B_barriere = 0.0;        // radiative coefficient of the barrier's continuum, cm^3 s^-1
};

// [sortie]: paths exactly as written after the '=' (leading blanks kept).
struct parametres_sortie {
    std::optional<std::string> fichier_gain, fichier_param, fichier_PI;
    std::optional<std::string> fichier_dispersion;  // optional: E(k) table
    std::optional<std::string> fichier_enveloppes;  // optional: envelope functions
    std::optional<std::string> fichier_resultats;   // optional: the run record, JSON
};

// [calcul]: the grids of the scans, the density series and the P-I range.
struct parametres_numeriques {
    int arret_seuil = 0;      // != 0: the carrier series ends once threshold is found
    int Nk = 0;               // in-plane scan length, in steps of deltak
    int variation_en_ky = 0;  // != 0: ky is scanned too
    int Nky = 1;              // 1, or Nk + 1 when ky is scanned
    double deltak = 0.0;      // m^-1
    double deltaE = 0.0;      // meV
    double Ninj = 0.0;        // first injected density, cm^-3
    double debut_E = 0.0;     // spectrum start, meV
    double fin_E = 0.0;       // spectrum end, meV
    int debut_courant = 0;    // mA
    int fin_courant = 0;      // mA
    double demi_largeur_lorentz = 0.0; // intraband relaxation time tau, s
    int nb_fils = 0;          // threads of the dispersion scan, >= 0; 0: those the process may run on
};

// [systeme] but K_delta_Ec: the cavity and the carriers' losses.
struct parametres_cavite {
    double facteur_confinement = 0.0;
    double facteur_confinement_tm = 0.0; // optional key; absent: facteur_confinement
    // Identical, uncoupled wells of the active region. The confinement
    // factors are those of all of them; densities, quasi-Fermi levels and
    // spectra are those of one well; the currents those of the stack.
    int nombre_puits = 1;
    double Rmin = 0.0, Rmax = 0.0;    // facet reflectivities (fibre side, other side)
    double longueur_puce = 0.0;       // cm
    double largeur_contact = 0.0;     // cm
    double pertes_internes = 0.0;     // cm^-1
    double tau_nr = 0.0;              // s
    double eta_interne = 0.0;
    // The small-signal response of the rate equations (optional keys).
    double indice_groupe = 0.0;       // group index n_g of the lasing mode; absent: nr of the well
    double compression_gain = 0.0;    // gain compression epsilon, cm^3: g = g(N) / (1 + epsilon S)
};

// [bragg]: the fibre and its grating.
struct parametres_bragg {
    double couplage_puce_fibre = 0.0;
    double Rbragg = 0.0;
    double lambda = 0.0;              // Bragg wavelength, nm
    double longueur_fibre = 0.0, attenuation = 0.0;
};

// One end member (a binary compound) of the layers' alloys, and an alloy of
// two of them, each parameter interpolated linearly.
struct membre_alliage {
    double mc = 0;                               // conduction effective mass, m0
    double gamma1 = 0, gamma2 = 0, gamma3 = 0;   // Luttinger parameters
    double Eg_0K = 0, alpha_Eg = 0, beta_Eg = 0; // Varshni law of the gap: eV, eV/K, K
    double a = 0;                                // lattice constant, Å
    double aH = 0, bS = 0;                       // hydrostatic (gap) and shear deformation potentials, eV
    double C11 = 0, C12 = 0;                     // elastic constants, GPa
    double Ep = 0;                               // Kane energy, eV
    double nr = 0;                               // refractive index
};

// Each parameter of a member: the stem of its keys (the key is the stem and
// the member's suffix, "mc_" + "1-x"), its field, unit and meaning. The
// barrier's member Y has keys for the first `nb_parametres_barriere` only.
struct parametre_membre {
    const char* racine;
    double membre_alliage::*champ;
    const char* unite;
    const char* sens;
};
inline constexpr parametre_membre parametres_membre[] = {
    {"mc_", &membre_alliage::mc, "m0", "conduction effective mass"},
    {"gamma1_", &membre_alliage::gamma1, "—", "Luttinger γ1"},
    {"gamma2_", &membre_alliage::gamma2, "—", "Luttinger γ2"},
    {"gamma3_", &membre_alliage::gamma3, "—", "Luttinger γ3"},
    {"Eg_0K_", &membre_alliage::Eg_0K, "eV", "band gap at 0 K"},
    {"alpha_Eg_", &membre_alliage::alpha_Eg, "eV/K", "Varshni α"},
    {"beta_Eg_", &membre_alliage::beta_Eg, "K", "Varshni β"},
    {"a_", &membre_alliage::a, "Å", "lattice constant"},
    {"aH_", &membre_alliage::aH, "eV", "hydrostatic deformation potential of the gap (a = ac − av, negative for III-V)"},
    {"bS_", &membre_alliage::bS, "eV", "shear deformation potential b (negative for III-V)"},
    {"C11_", &membre_alliage::C11, "GPa", "elastic constant C11 (only C12/C11 is used)"},
    {"C12_", &membre_alliage::C12, "GPa", "elastic constant C12"},
    {"Ep_", &membre_alliage::Ep, "eV", "Kane momentum-matrix energy"},
    {"nr_", &membre_alliage::nr, "—", "refractive index"},
};
inline constexpr std::size_t nb_parametres_barriere = 8;

// [puits], [barriere], the temperature and K_delta_Ec: what the material
// model forms the band edges from.
struct parametres_couches {
    double T = 0.0;                   // K, the single-precision value of the key widened
    double K_delta_Ec = 0.0;          // conduction share of the band-gap difference
    double ratio_x = 0.0, ratio_y = 0.0;
    double largeur_puits = 0.0;       // Å
    double largeur_barriere = 0.0;    // Å

    // The end members: X (keys *_x) and Z (keys *_1-x) of the well X_x Z_(1-x),
    // Y (keys *_y, the first eight parameters) of the barrier Y_y X_(1-y).
    membre_alliage X, Y, Z;
    bool gamma3_y_absent = false; // Y.gamma3 then holds Y.mc, as stored files expect
    // Band-gap bowing, eV
    double bowing_Eg_puits = 0, bowing_Eg_x_puits = 0, bowing_Eg_barriere = 0, bowing_Eg_x_barriere = 0;
};

// Every key of a run, grouped by what uses it.
struct parametres_calcul {
    parametres_sortie sortie;
    parametres_numeriques calcul;
    parametres_cavite cavite;
    parametres_bragg bragg;
    parametres_couches couches;
    options_modele modele; // [modele], optional
};

// Reads the output paths of [sortie] only.
void lire_fichiers_sortie(const std::string& chemin_config, parametres_calcul& p, const journal& j = {});

// Reads and checks every other key into p, in the order of the key table
// (configuration/cles.hpp); stops the run (arret_calcul) at the first
// failure. Warnings (a missing gamma3_y, an unusual size) go to `j`.
void lire_parametres(const std::string& chemin_config, parametres_calcul& p, const journal& j = {});

// Reads and checks the optional [modele] section into p.modele.
void lire_modele(const std::string& chemin_config, parametres_calcul& p, const journal& j = {});
