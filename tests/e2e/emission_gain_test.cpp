// Spontaneous emission against gain on a whole run. In quasi-equilibrium the
// two come from the same transitions, and for a quantum well
//   r_sp(E) = nr^2 E^2 / (pi^2 hbar^3 c^2) * g(E) / (1 - exp((E - dF) / kT)),
// with g the polarisation average (2 TE + TM) / 3 of the gain and dF the
// quasi-Fermi level separation. The relation holds point by point when the
// Lorentzian is narrow and the in-plane grid fine; it fails when either the
// emission prefactor or one polarisation weight is wrong.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

double nombre_apres(const std::string& texte, const std::string& repere)
{
    const std::size_t i = texte.find(repere);
    if (i == std::string::npos) throw std::runtime_error("absent de la console : " + repere);
    return std::stod(texte.substr(i + repere.size()));
}

// The relation holds whatever the line shape: the gain and the emission
// share it, so the exact model's Lorentzian and the [modele] shapes alike.
class EmissionSpontanee : public testing::TestWithParam<const char*> {};
INSTANTIATE_TEST_SUITE_P(FormesDeRaie, EmissionSpontanee, testing::Values("", "sech", "gauss"));

TEST_P(EmissionSpontanee, RelationAvecLeGainEnQuasiEquilibre)
{
    auto e = entrees_exemple();
    changer_cle(e, "calcul", "demi_largeur_lorentz", "1e-11"); // hbar/tau = 0.066 meV
    if (*GetParam() != '\0') {
        // Without the Lorentzian's tails a line narrower than the step of the
        // transition energy between k rows (some 0.2 meV) is sampled, not
        // integrated: a half width of 0.66 meV, still far below kT.
        changer_cle(e, "modele", "forme_raie", GetParam());
        changer_cle(e, "calcul", "demi_largeur_lorentz", "1e-12");
    }
    changer_cle(e, "calcul", "deltak", "1.25e6");
    changer_cle(e, "calcul", "Nk", "840");
    changer_cle(e, "calcul", "Ninj", "2e18");
    dossier_temporaire d;
    const auto r = executer_gain_dans(d, texte_config(e));
    ASSERT_EQ(r.statut, 0) << r.console;

    const double Eg = 1000 * nombre_apres(r.console, "Eg_Puits: "); // eV -> meV
    const double EFC = nombre_apres(r.console, "EFC : ");
    const double EFV = -nombre_apres(r.console, "EFV : "); // back to the hole axis
    const double E1 = nombre_apres(r.console, "Niveaux E dans la BC (meV) :\n");
    const double HH1 = nombre_apres(r.console, "Niveaux HH dans la BV (meV) :\n");
    const double dF = Eg + EFC + EFV, premiere_transition = Eg + E1 + HH1;

    const double q = 1.60218e-19, hbar = 1.05458e-34, c = 3e8, kT = 1.38066e-23 * 300, nr = 3.5;
    const double pi = 3.141592653589793;
    std::istringstream gain(*d.lire("gain.txt"));
    std::string entete;
    std::getline(gain, entete);
    int compares = 0;
    for (double E, te, tm, rsp; gain >> E >> te >> tm >> rsp;) {
        if (std::fabs(E - dF) <= 10 || E <= premiere_transition) continue;
        const double E_J = E * q / 1000, g = (2 * te + tm) / 3 * 100;            // meV -> J, cm^-1 -> m^-1
        const double g_sp = g / (1 - std::exp((E - dF) * q / 1000 / kT));
        const double attendu = nr * nr * E_J * E_J / (pi * pi * std::pow(hbar, 3) * c * c) * g_sp * 1e-6; // m^-3 -> cm^-3
        EXPECT_NEAR(rsp / attendu, 1.0, 0.02) << "E = " << E << " meV";
        ++compares;
    }
    EXPECT_GT(compares, 100); // the heavy- and the light-hole parts of the spectrum
}

} // namespace
