// A complete, valid config.ini for tests, built from a table of entries so
// that a test can change, remove or renumber any key of any section. The
// entries are read from the bundled 980 nm example: one definition of the
// device serves the tests, the composer's defaults and examples/.
#pragma once

#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct entree_config {
    std::string section;
    std::string cle;
    std::string valeur;
};

// The bundled 980 nm example, examples/in020ga080as_980nm/config.ini, as its
// entries in file order ("key=value" lines under "[section]" headers), less
// its optional outputs, which the tests ask for where they need them.
inline std::vector<entree_config> entrees_exemple()
{
    std::ifstream f(EXEMPLES_DIR "/in020ga080as_980nm/config.ini");
    if (!f) throw std::runtime_error("exemple illisible : " EXEMPLES_DIR "/in020ga080as_980nm/config.ini");
    std::vector<entree_config> e;
    std::string section;
    for (std::string ligne; std::getline(f, ligne);) {
        if (ligne.starts_with("[") && ligne.ends_with("]")) section = ligne.substr(1, ligne.size() - 2);
        const std::size_t egal = ligne.find('=');
        if (egal == std::string::npos || ligne.starts_with("[")) continue;
        const std::string cle = ligne.substr(0, egal);
        if (cle != "fichier_dispersion" && cle != "fichier_enveloppes" && cle != "fichier_resultats")
            e.push_back({section, cle, ligne.substr(egal + 1)});
    }
    return e;
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
