// A complete, valid config.ini for tests, built from a table of entries so
// that a test can change, remove or renumber any key of any section. The
// values are those of the bundled 980 nm example.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct entree_config {
    std::string section;
    std::string cle;
    std::string valeur;
};

inline std::vector<entree_config> entrees_exemple()
{
    return {
        {"sortie", "fichier_gain", "gain.txt"},
        {"sortie", "fichier_param", "parametres.txt"},
        {"sortie", "fichier_P-I", "P-I.txt"},
        {"calcul", "arret_seuil", "1"},
        {"calcul", "Nk", "70"},
        {"calcul", "variation_en_ky", "0"},
        {"calcul", "deltak", "1.5e7"},
        {"calcul", "deltaE", "0.1"},
        {"calcul", "Ninj", "1e18"},
        {"calcul", "debut_E", "1150"},
        {"calcul", "fin_E", "1400"},
        {"calcul", "debut_courant", "0"},
        {"calcul", "fin_courant", "500"},
        {"calcul", "demi_largeur_lorentz", "1e-13"},
        {"constantes", "temperature", "300"},
        {"systeme", "facteur_confinement", "0.015"},
        {"systeme", "Rmin", "0.03"},
        {"systeme", "Rmax", "0.95"},
        {"systeme", "longueur_puce", "0.2"},
        {"systeme", "largeur_contact", "4e-4"},
        {"systeme", "pertes_internes", "3"},
        {"systeme", "tau_nr", "1e-9"},
        {"systeme", "eta_interne", "0.85"},
        {"systeme", "K_delta_Ec", "0.62"},
        {"puits", "ratio_x", "0.8"},
        {"puits", "largeur", "75"},
        {"puits", "mc_x", "0.067"},
        {"puits", "gamma1_x", "6.98"},
        {"puits", "gamma2_x", "2.06"},
        {"puits", "gamma3_x", "2.93"},
        {"puits", "Eg_0K_x", "1.519"},
        {"puits", "alpha_Eg_x", "5.405e-4"},
        {"puits", "beta_Eg_x", "204"},
        {"puits", "a_x", "5.65325"},
        {"puits", "aH_x", "-8.33"},
        {"puits", "bS_x", "-2.0"},
        {"puits", "C11_x", "1221"},
        {"puits", "C12_x", "566"},
        {"puits", "Ep_x", "28.8"},
        {"puits", "nr_x", "3.5"},
        {"puits", "mc_1-x", "0.026"},
        {"puits", "gamma1_1-x", "20.0"},
        {"puits", "gamma2_1-x", "8.5"},
        {"puits", "gamma3_1-x", "9.2"},
        {"puits", "Eg_0K_1-x", "0.417"},
        {"puits", "alpha_Eg_1-x", "2.76e-4"},
        {"puits", "beta_Eg_1-x", "93"},
        {"puits", "a_1-x", "6.0583"},
        {"puits", "aH_1-x", "-6.08"},
        {"puits", "bS_1-x", "-1.8"},
        {"puits", "C11_1-x", "832.9"},
        {"puits", "C12_1-x", "452.6"},
        {"puits", "Ep_1-x", "21.5"},
        {"puits", "nr_1-x", "3.5"},
        {"puits", "bowing_Eg", "0.477"},
        {"puits", "bowing_Eg_x", "0"},
        {"barriere", "ratio_y", "0"},
        {"barriere", "largeur", "250"},
        {"barriere", "mc_y", "0.067"},
        {"barriere", "gamma1_y", "6.98"},
        {"barriere", "gamma2_y", "2.06"},
        {"barriere", "gamma3_y", "2.93"},
        {"barriere", "Eg_0K_y", "1.519"},
        {"barriere", "alpha_Eg_y", "5.405e-4"},
        {"barriere", "beta_Eg_y", "204"},
        {"barriere", "a_y", "5.65325"},
        {"barriere", "bowing_Eg", "0"},
        {"barriere", "bowing_Eg_x", "0"},
        {"bragg", "couplage_puce_fibre", "0.7"},
        {"bragg", "Rbragg", "0.03"},
        {"bragg", "lambda", "975"},
        {"bragg", "longueur_fibre", "1"},
        {"bragg", "attenuation", "0.0005"},
    };
}

// Sets (section, key) to `valeur`, or removes it when `valeur` is empty; a key
// not yet in the table is added at the end of its section.
inline void changer_cle(std::vector<entree_config>& entrees, const std::string& section, const std::string& cle,
                        const std::optional<std::string>& valeur)
{
    for (auto it = entrees.begin(); it != entrees.end(); ++it) {
        if (it->section != section || it->cle != cle) continue;
        if (valeur) it->valeur = *valeur;
        else entrees.erase(it);
        return;
    }
    if (valeur) entrees.push_back({section, cle, *valeur});
}

// The text of config.ini: one "[section]" header per section, in the order of
// first appearance, each followed by its "key=value" lines.
inline std::string texte_config(const std::vector<entree_config>& entrees)
{
    std::vector<std::string> sections;
    for (const auto& e : entrees) {
        bool vue = false;
        for (const auto& s : sections) vue = vue || s == e.section;
        if (!vue) sections.push_back(e.section);
    }
    std::string texte;
    for (const auto& s : sections) {
        texte += "[" + s + "]\n";
        for (const auto& e : entrees)
            if (e.section == s) texte += e.cle + "=" + e.valeur + "\n";
        texte += "\n";
    }
    return texte;
}

inline std::string config_exemple() { return texte_config(entrees_exemple()); }

// A cheap run of the same structure, for end-to-end tests that go through
// every phase: coarser energy and wave-vector grids, a 20 meV spectrum
// around the gain peak and a short P-I curve.
inline std::vector<entree_config> entrees_rapides()
{
    auto e = entrees_exemple();
    changer_cle(e, "calcul", "Nk", "30");
    changer_cle(e, "calcul", "deltak", "3.5e7");
    changer_cle(e, "calcul", "deltaE", "0.5");
    changer_cle(e, "calcul", "debut_E", "1260");
    changer_cle(e, "calcul", "fin_E", "1280");
    changer_cle(e, "calcul", "fin_courant", "20");
    return e;
}
