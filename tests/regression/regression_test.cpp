// Whole runs against committed references: every case folder of
// tests/regression holds a config.ini, the words of the command line
// (`arguments`) and, under reference/, the console, the exit status and every
// file the run wrote. The run must leave exactly those files, with the same
// text tokens and the same numbers to the last printed digit. Regenerate with
// tests/regression/regenerer, only in a commit that says why. Each case also
// writes its run record (fichier_resultats, added to its config.ini), held
// against the console and the files of the same run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/harnais.hpp"
#include "regression/resultats_json.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path dossier_cas = REGRESSION_DIR;

std::string lire_fichier(const fs::path& chemin)
{
    std::ifstream f(chemin, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> mots(const std::string& texte)
{
    std::istringstream s(texte);
    std::vector<std::string> m;
    for (std::string w; s >> w;) m.push_back(w);
    return m;
}

// A printed number and the value of one unit of its last printed digit
// ("1.234567e+18": 1e12, "97.760000": 1e-6); 0 for an integer, which is
// printed exactly ("57", a count); nothing for text.
std::optional<std::pair<double, double>> nombre_imprime(const std::string& t)
{
    char* fin = nullptr;
    const double v = std::strtod(t.c_str(), &fin);
    if (t.empty() || fin != t.c_str() + t.size() || !std::isfinite(v)) return std::nullopt;
    const std::size_t e = t.find_first_of("eE");
    const std::string mantisse = t.substr(0, e);
    const std::size_t point = mantisse.find('.');
    const int decimales = point == std::string::npos ? 0 : static_cast<int>(mantisse.size() - point - 1);
    const int exposant = e == std::string::npos ? 0 : std::atoi(t.c_str() + e + 1);
    if (point == std::string::npos && e == std::string::npos) return std::pair{v, 0.0};
    return std::pair{v, std::pow(10.0, exposant - decimales)};
}

// Mismatches of `obtenu` against `attendu`, line by line and token by token:
// text exactly, numbers within one unit of the last printed digit.
std::vector<std::string> ecarts(const std::string& attendu, const std::string& obtenu)
{
    std::vector<std::string> e;
    std::istringstream a(attendu), o(obtenu);
    std::string la, lo;
    for (int ligne = 1;; ++ligne) {
        const bool fa = !std::getline(a, la), fo = !std::getline(o, lo);
        if (fa || fo) {
            if (fa != fo) e.push_back("ligne " + std::to_string(ligne) + " : nombre de lignes différent");
            return e;
        }
        const auto ma = mots(la), mo = mots(lo);
        if (ma.size() != mo.size()) {
            e.push_back("ligne " + std::to_string(ligne) + " : « " + lo + " » au lieu de « " + la + " »");
            continue;
        }
        for (std::size_t k = 0; k < ma.size(); ++k) {
            const auto na = nombre_imprime(ma[k]), no = nombre_imprime(mo[k]);
            const bool egal = na && no ? std::fabs(na->first - no->first) <= 1.01 * std::max(na->second, no->second)
                                       : ma[k] == mo[k];
            if (!egal)
                e.push_back("ligne " + std::to_string(ligne) + ", colonne " + std::to_string(k + 1) + " : " + mo[k] +
                            " au lieu de " + ma[k]);
        }
    }
}

std::vector<std::string> noms_des_cas()
{
    std::vector<std::string> n;
    for (const auto& e : fs::directory_iterator(dossier_cas))
        if (e.is_directory() && fs::exists(e.path() / "reference")) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
}

// The views the record must agree with. A console view with a list renders
// one line per entry, found in that order, and the console holds as many
// lines starting with the text before its first field as it renders; without
// a list, its line is there when it renders and its start absent when it does
// not. An anchored view's lines follow its anchor line, all of them; a result
// file's lines are all its rows after the header.
struct vue {
    const char* fichier;
    const char* liste; // the record's list the lines run over, or null: one line
    const char* modele;
    const char* ancre = nullptr;
};

const char* const console_txt = "console.txt";

const vue vues[] = {
    {console_txt, nullptr,
     "Vc: {materiau.Vc_meV:%f} meV\tEg_Puits: {materiau.Eg_puits_eV:%f}meV\tEg_Barriere: {materiau.Eg_barriere_eV:%f}meV"},
    {console_txt, "niveaux_k0.E_meV", "{niveaux_k0.E_meV.#:%f} ", "Niveaux E dans la BC (meV) :"},
    {console_txt, "niveaux_k0.HH_meV", "{niveaux_k0.HH_meV.#:%f} ", "Niveaux HH dans la BV (meV) :"},
    {console_txt, "niveaux_k0.LH_meV", "{niveaux_k0.LH_meV.#:%f} ", "Niveaux LH dans la BV (meV) :"},
    {console_txt, "passes", "Calcul du gain pour N = {passes.#.N_cm3:%e}..."},
    {console_txt, "passes", "EFC : {passes.#.EFC_meV:%f} meV"},
    {console_txt, "passes", "EFV : {passes.#.EFV_meV:%f} meV"},
    {console_txt, "passes", "Accroche {passes.#.cavite}"},
    {console_txt, "passes",
     "Continuum des barrières : électrons {passes.#.barrieres.electrons_cm2:%e} cm-2 "
     "({passes.#.barrieres.part_electrons_pourcent:%.2f} %), trous {passes.#.barrieres.trous_cm2:%e} cm-2 "
     "({passes.#.barrieres.part_trous_pourcent:%.2f} %), Jrad {passes.#.barrieres.Jrad_A_cm2:%e} A/cm²"},
    {"parametres.txt", "passes",
     "{passes.#.N_cm3:%e}\t{passes.#.Gmax_cm1:%e}\t{passes.#.Gth_cm1:%e}\t{passes.#.Jnr_A_cm2:%f}\t"
     "{passes.#.Jrad_A_cm2:%f}\t{passes.#.Jth_A_cm2:%f}\t{passes.#.lambda_nm:%f}"},
    {"P-I.txt", "pi.courant_A", "{pi.courant_A.#:%f}\t{pi.puissance_W.#:%f}"},
    {console_txt, nullptr, "  densité de seuil Nth : {seuil.Nth_cm3:%e} cm-3"},
    {console_txt, nullptr, "  densité de courant de seuil Jth : {seuil.Jth_A_cm2:%f} A/cm²"},
    {console_txt, nullptr, "  densité de courant aux bornes Jth/eta_interne : {seuil.Jth_bornes_A_cm2:%f} A/cm²"},
    {console_txt, nullptr,
     "  parts de Jth : radiative {seuil.parts_pourcent.radiatif:%.1f} % ({seuil.parts_A_cm2.radiatif:%f} A/cm²), "},
    {console_txt, nullptr,
     "  continuum des barrières : radiative {seuil.parts_pourcent.barrieres:%.1f} % de Jth "
     "({seuil.parts_A_cm2.barrieres:%f} A/cm²) ; il tient {seuil.barrieres.part_electrons_pourcent:%.1f} % des "
     "électrons et {seuil.barrieres.part_trous_pourcent:%.1f} % des trous"},
    {console_txt, nullptr, "  courant de seuil : {seuil.Ith_mA:%f} mA"},
    {console_txt, nullptr, "  longueur d'onde d'émission : {seuil.lambda_nm:%f} nm"},
    {console_txt, nullptr, "  rendement différentiel (pente P-I) : {seuil.pente_W_A:%f} W/A"},
    {console_txt, nullptr,
     "  seuil non atteint : gain modal maximal {seuil.Gmax_serie_cm1:%e} cm-1 pour {seuil.Gth_serie_cm1:%e} cm-1"},
    {console_txt, nullptr,
     "  gain différentiel dg/dN : {merite.dg_dN_cm2:%e} cm² (gain matériau {merite.mode} à {merite.E_laser_meV:%f} "
     "meV, entre {merite.N_avant_cm3:%e} et {merite.N_seuil_cm3:%e} cm-3)"},
    {console_txt, nullptr, "  gain différentiel dg/dJ : {merite.dg_dJ_cm_A:%e} cm/A"},
    {console_txt, nullptr,
     "  facteur de couplage phase-amplitude alpha_H : {merite.alpha_H:%f} (dn/dN = {merite.dn_dN_cm3:%e} cm³, "
     "Kramers-Kronig du changement de gain de {merite.E_debut_KK_meV:%.0f} à {merite.E_fin_KK_meV:%.0f} meV)"},
    {console_txt, nullptr, "  densité de transparence Ntr : {merite.Ntr_cm3:%e} cm-3"},
    {console_txt, nullptr,
     "  densité de courant de transparence Jtr : {merite.Jtr_A_cm2:%f} A/cm² (courant {merite.Itr_mA:%f} mA)"},
    {console_txt, nullptr,
     "  durée de vie des photons : {merite.tau_p_s:%e} s (indice de groupe {merite.indice_groupe:%g})"},
    {console_txt, nullptr,
     "Réponse petit signal (équations d'évolution monomodes, compression du gain {modulation.compression_cm3:%g} cm³)"},
    {console_txt, nullptr,
     "  facteur K : {modulation.K_ns:%f} ns ; taux de recombinaison différentiel des porteurs : "
     "{modulation.gamma0_ns1:%f} ns-1"},
    {console_txt, nullptr,
     "  facteur D : {modulation.D_GHz_mA:%f} GHz/mA^1/2 ; bande passante maximale (limitée par l'amortissement) : "
     "{modulation.f_max_GHz:%f} GHz"},
    {console_txt, "modulation.points",
     "  à {modulation.points.#.multiple:%g} × Ith ({modulation.points.#.I_mA:%f} mA) : fr = "
     "{modulation.points.#.f_r_GHz:%f} GHz, amortissement {modulation.points.#.gamma_ns1:%f} ns-1, bande passante à "
     "-3 dB {modulation.points.#.f_3dB_GHz:%f} GHz"},
};

std::vector<std::string> lignes(const std::string& texte)
{
    std::vector<std::string> l;
    std::istringstream s(texte);
    for (std::string x; std::getline(s, x);) l.push_back(x);
    return l;
}

// Entries of the record's list (an array of numbers or of objects).
std::size_t longueur(const json_plat& j, const std::string& liste)
{
    std::size_t n = 0;
    for (;; ++n) {
        const std::string e = liste + "." + std::to_string(n);
        const auto i = j.lower_bound(e);
        if (i == j.end() || !(i->first == e || i->first.starts_with(e + "."))) return n;
    }
}

// What differs between the record and one view; empty when they agree.
std::vector<std::string> ecarts_vue(const vue& v, const json_plat& j, const std::vector<std::string>& texte)
{
    std::vector<std::string> e;
    const std::string m = v.modele, debut = m.substr(0, m.find('{'));
    std::vector<std::string> rendues;
    const std::size_t n = v.liste ? longueur(j, v.liste) : 1;
    for (std::size_t i = 0; i < n; ++i)
        if (auto r = rendre(m, j, i)) rendues.push_back(*r);
    const bool fichier = std::string(v.fichier) != console_txt;
    if (fichier || v.ancre) {
        auto premiere = texte.begin() + (texte.empty() ? 0 : 1); // a file's rows follow its header
        if (v.ancre) {
            premiere = std::find(texte.begin(), texte.end(), v.ancre);
            if (premiere == texte.end()) return {std::string("pas de ligne « ") + v.ancre + " »"};
            ++premiere;
        }
        // the levels under their title: the lines that start as a number
        const auto derniere = fichier ? texte.end() : std::find_if(premiere, texte.end(), [](const std::string& l) {
            return l.empty() || !(std::isdigit(static_cast<unsigned char>(l[0])) || l[0] == '-');
        });
        const std::vector<std::string> lues(premiere, derniere);
        if (lues != rendues)
            e.push_back(m + " : " + std::to_string(rendues.size()) + " ligne(s) du fichier des résultats, " +
                        std::to_string(lues.size()) + " dans " + v.fichier +
                        (rendues.empty() || lues.empty() ? "" : " ; « " + rendues[0] + " » / « " + lues[0] + " »"));
        return e;
    }
    std::size_t debuts = 0;
    for (const std::string& l : texte) debuts += l.starts_with(debut);
    if (v.liste && !debut.empty() && debuts != rendues.size())
        e.push_back(debut + " : " + std::to_string(debuts) + " ligne(s) dans la console, " +
                    std::to_string(rendues.size()) + " dans le fichier des résultats");
    if (!v.liste && rendues.empty() && debuts != 0) e.push_back(debut + " : imprimé, absent du fichier des résultats");
    auto k = texte.begin();
    for (const std::string& r : rendues) {
        k = std::find_if(k, texte.end(), [&](const std::string& l) { return l.starts_with(r); });
        if (k == texte.end()) {
            e.push_back("« " + r + " » : pas dans la console");
            break;
        }
        ++k;
    }
    return e;
}

// What the views say in words: the cavity and the mode of the threshold,
// and, pass by pass, the gain and threshold gain of the mode and cavity that
// lase among those of both.
std::vector<std::string> ecarts_mots(const json_plat& j, const std::string& console)
{
    std::vector<std::string> e;
    auto valeur = [&](const std::string& c) { return j.count(c) ? j.at(c) : std::string("(absent)"); };
    if (valeur("programme") != "gain " + std::string(GAIN_VERSION)) e.push_back("programme : " + valeur("programme"));
    if (valeur("seuil.atteint") == "true") {
        const bool bragg = console.find("  cavité : puce et réseau de Bragg") != std::string::npos;
        const bool tm = console.find("  polarisation : TM") != std::string::npos;
        if (valeur("seuil.cavite") != (bragg ? "Bragg" : "puce")) e.push_back("seuil.cavite : " + valeur("seuil.cavite"));
        if (valeur("seuil.polarisation") != (tm ? "TM" : "TE"))
            e.push_back("seuil.polarisation : " + valeur("seuil.polarisation"));
    }
    for (std::size_t i = 0; i < longueur(j, "passes"); ++i) {
        const std::string p = "passes." + std::to_string(i) + ".";
        const std::string mode = valeur(p + "polarisation"), cavite = valeur(p + "cavite");
        if (valeur(p + "Gmax_cm1") != valeur(p + (mode == "TM" ? "Gmax_TM_cm1" : "Gmax_TE_cm1")))
            e.push_back(p + "Gmax_cm1 n'est pas le gain du mode " + mode);
        if (valeur(p + "Gth_cm1") != valeur(p + (cavite == "Bragg" ? "Gth_bragg_cm1" : "Gth_puce_cm1")))
            e.push_back(p + "Gth_cm1 n'est pas celui de la cavité " + cavite);
    }
    return e;
}

class Regression : public testing::TestWithParam<std::string> {};

TEST_P(Regression, SortiesIdentiquesALaReference)
{
    const fs::path cas = dossier_cas / GetParam();
    dossier_temporaire d;
    std::string config = lire_fichier(cas / "config.ini");
    ASSERT_TRUE(config.starts_with("[sortie]\n")) << "config.ini commence par [sortie]";
    config.insert(9, "fichier_resultats=resultats.json\n");
    d.ecrire_config(config);
    const auto r = executer_programme(GAIN_EXE, mots(lire_fichier(cas / "arguments")), d.chemin);
    d.ecrire("console.txt", r.console);
    d.ecrire("statut", std::to_string(r.statut) + "\n");

    std::vector<std::string> attendus;
    for (const auto& e : fs::directory_iterator(cas / "reference")) attendus.push_back(e.path().filename().string());
    std::sort(attendus.begin(), attendus.end());
    std::vector<std::string> obtenus = d.fichiers();
    std::erase(obtenus, "config.ini");
    std::erase(obtenus, "resultats.json");
    EXPECT_EQ(obtenus, attendus);

    for (const auto& nom : attendus) {
        const auto e = ecarts(lire_fichier(cas / "reference" / nom), d.lire(nom).value_or(""));
        std::string liste;
        for (std::size_t k = 0; k < e.size() && k < 8; ++k) liste += "\n  " + e[k];
        EXPECT_TRUE(e.empty()) << nom << " : " << e.size() << " écart(s)" << liste;
    }

    const auto j = aplatir_json(d.lire("resultats.json").value_or(""));
    ASSERT_TRUE(j) << "resultats.json n'est pas un objet JSON";
    for (const vue& v : vues) {
        const std::vector<std::string> texte = lignes(lire_fichier(cas / "reference" / v.fichier));
        for (const std::string& ecart : ecarts_vue(v, *j, texte)) ADD_FAILURE() << v.fichier << " : " << ecart;
    }
    for (const std::string& ecart : ecarts_mots(*j, r.console)) ADD_FAILURE() << "resultats.json : " << ecart;
}

INSTANTIATE_TEST_SUITE_P(Cas, Regression, testing::ValuesIn(noms_des_cas()),
                         [](const testing::TestParamInfo<std::string>& i) { return i.param; });

TEST(Comparaison, DernierChiffreImprimeSeulementToleré)
{
    EXPECT_TRUE(ecarts("a\t1.234567e+18\t97.760000\n", "a\t1.234568e+18\t97.759999\n").empty());
    EXPECT_EQ(ecarts("1.234567e+18\n", "1.234569e+18\n").size(), 1u);
    EXPECT_EQ(ecarts("97.760000 12\n", "97.760002 13\n").size(), 2u);
    EXPECT_EQ(ecarts("Accroche puce\n", "Accroche Bragg\n").size(), 1u);
    EXPECT_EQ(ecarts("1\n2\n", "1\n").size(), 1u);
}

} // namespace
