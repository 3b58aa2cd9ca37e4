// The two cavities of a run: the chip between its facets, and the chip closed
// by the fibre grating, which exists only when it reflects back into the chip
// at a photon energy the spectra hold.
#include <gtest/gtest.h>

#include <sstream>
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
        EXPECT_EQ(au_reseau, occurrences(r.console, "Accroche Bragg")) << c.nom;
    }
}

} // namespace
