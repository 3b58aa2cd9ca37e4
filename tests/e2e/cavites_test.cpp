// The two cavities of a run: the chip between its facets, and the chip closed
// by the fibre grating, which exists only when it reflects back into the chip
// at a photon energy the spectra hold.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

int occurrences(const std::string& texte, const std::string& motif)
{
    int n = 0;
    for (std::size_t i = texte.find(motif); i != std::string::npos; i = texte.find(motif, i + 1)) ++n;
    return n;
}

// Emission wavelengths of the parameter file (last column), nm.
std::vector<double> longueurs_d_onde(const std::string& param)
{
    std::istringstream in(param);
    std::string l;
    std::getline(in, l); // header
    std::vector<double> lambda;
    while (std::getline(in, l)) lambda.push_back(std::stod(l.substr(l.rfind('\t') + 1)));
    return lambda;
}

// Below transparency (1e18 and 1.2e18 cm-3 here) the peak modal gain is
// negative: a grating that is not there, with a gain of 0 at its wavelength,
// looked better than the chip and gave the emission wavelength. A strong
// grating inside the window still locks (from 1.4e18 cm-3).
TEST(Cavites, PasDAccrocheBraggSansReseau)
{
    const char* hors = "Attention : la longueur d'onde du réseau de Bragg (808 nm, ";
    const struct {
        const char* nom;
        const char *Rbragg, *couplage, *lambda;
        bool reseau, avertissement;
    } cas[] = {
        {"Rbragg nul", "0", "0.7", "808", false, false},
        {"couplage nul", "0.9", "0", "808", false, false},
        {"lambda hors de la fenêtre", "0.9", "0.9", "808", false, true},
        {"réseau dans la fenêtre", "0.9", "0.9", "985", true, false},
    };
    for (const auto& c : cas) {
        auto e = entrees_rapides();
        changer_cle(e, "calcul", "debut_E", "1150");
        changer_cle(e, "calcul", "fin_E", "1400");
        changer_cle(e, "bragg", "Rbragg", c.Rbragg);
        changer_cle(e, "bragg", "couplage_puce_fibre", c.couplage);
        changer_cle(e, "bragg", "lambda", c.lambda);
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, texte_config(e), {"courant", "4", "2e17"});
        ASSERT_EQ(r.statut, 0) << c.nom << "\n" << r.console;
        EXPECT_EQ(occurrences(r.console, "Accroche Bragg") > 0, c.reseau) << c.nom << "\n" << r.console;
        EXPECT_EQ(occurrences(r.console, hors), c.avertissement ? 1 : 0) << c.nom << "\n" << r.console;
        // the warning comes before the series
        if (c.avertissement) {
            EXPECT_LT(r.console.find(hors), r.console.find("Calcul du gain pour N")) << c.nom;
        }
        int au_reseau = 0;
        for (double lambda : longueurs_d_onde(*d.lire("parametres.txt"))) au_reseau += lambda == std::stod(c.lambda);
        // one line per pass that locks (the summary names the cavity too, "(Accroche Bragg)")
        EXPECT_EQ(au_reseau, occurrences(r.console, "Accroche Bragg\n")) << c.nom;
    }
}

// The summary's number after `repere`.
double nombre_apres(const std::string& texte, const std::string& repere)
{
    const std::size_t i = texte.find(repere);
    if (i == std::string::npos) throw std::runtime_error("absent de la console : " + repere);
    return std::stod(texte.substr(i + repere.size()));
}

// The P-I slope of a laser against the law written from its keys: above
// threshold P = eta_i F (h c / lambda q) alpha_m / (alpha_m + alpha_i) (I - Ith),
// with the output facet and the wavelength of the cavity that lases: the
// chip's own wavelength and Rmin (the 808 nm GaAs chip, or the 980 nm
// example, whose weak grating does not lock), or the grating's wavelength
// and the facet seen through fibre and grating.
TEST(Cavites, PenteDuPISelonLaCaviteQuiLase)
{
    const struct {
        const char* nom;
        std::vector<std::pair<std::string, std::string>> cles; // [bragg] keys
        bool bragg;
    } cas[] = {
        {"puce seule", {{"Rbragg", "0"}}, false},
        {"puce devant un réseau faible", {}, false},
        {"réseau accroché", {{"Rbragg", "0.5"}, {"lambda", "985"}, {"attenuation", "0.05"}}, true},
    };
    for (const auto& c : cas) {
        auto e = entrees_rapides();
        changer_cle(e, "calcul", "debut_E", "1150");
        changer_cle(e, "calcul", "fin_E", "1400");
        changer_cle(e, "calcul", "fin_courant", "60");
        for (const auto& [cle, valeur] : c.cles) changer_cle(e, "bragg", cle, valeur);
        dossier_temporaire d;
        const auto r = executer_gain_dans(d, texte_config(e), {"courant", "12", "1e17"});
        ASSERT_EQ(r.statut, 0) << c.nom << "\n" << r.console;
        ASSERT_NE(r.console.find(c.bragg ? "cavité : puce et réseau de Bragg" : "cavité : puce seule"), std::string::npos)
            << c.nom << "\n" << r.console;
        const double lambda = nombre_apres(r.console, "longueur d'onde d'émission : "); // nm
        const double pente = nombre_apres(r.console, "rendement différentiel (pente P-I) : ");
        const double Rmin = 0.03, Rmax = 0.95, L = 0.2, alpha_i = 3, eta_i = 0.85;
        double R = Rmin;
        if (c.bragg) { // the grating of the case, as the keys give it
            const double eta2 = 0.7 * 0.7, X = std::exp(-2 * 0.05 * 1.0), RB = 0.5;
            R = Rmin + eta2 * (1 - Rmin) * (1 - Rmin) * RB * X / (1 - eta2 * Rmin * RB * X);
            EXPECT_EQ(lambda, 985.0) << c.nom;
        }
        const double F = std::sqrt(Rmax) * (1 - R) / (std::sqrt(R) * (1 - Rmax) + std::sqrt(Rmax) * (1 - R));
        const double alpha_m = std::log(1 / (Rmax * R)) / (2 * L);
        const double h_c_sur_q = 2 * 3.141592653589793 * 1.05458e-34 * 3e8 / 1.60218e-19; // V m
        const double loi = eta_i * F * h_c_sur_q / (lambda * 1e-9) * alpha_m / (alpha_m + alpha_i);
        EXPECT_NEAR(pente, loi, 2e-6) << c.nom; // printed with six decimals
        // and the curve itself, between its last two tenths of an ampere
        std::istringstream pi(*d.lire("P-I.txt"));
        std::string entete;
        std::getline(pi, entete);
        std::vector<std::pair<double, double>> points;
        for (double I, P; pi >> I >> P;) points.emplace_back(I, P);
        ASSERT_EQ(points.size(), 61u) << c.nom;
        EXPECT_NEAR((points[60].second - points[20].second) / (points[60].first - points[20].first), loi, 1e-4)
            << c.nom;
    }
}

} // namespace
