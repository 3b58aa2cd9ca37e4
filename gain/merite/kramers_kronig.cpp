#include "merite/kramers_kronig.hpp"

#include <cmath>
#include <cstddef>

#include "numerique/constantes.hpp"

namespace {

// ln|x|, with the logarithm of the node the principal value steps over taken
// as 0: the two strips that meet at E0 carry it with opposite signs and the
// same factor dg(E0).
double log_abs(double x) { return x == 0.0 ? 0.0 : std::log(std::fabs(x)); }

// ln|(b - c) / (a - c)| for a strip [a, b] seen from c.
double log_rapport(double a, double b, double c)
{
    const double haut = b - c, bas = a - c;
    if (haut == 0.0 || bas == 0.0) return log_abs(haut) - log_abs(bas);
    return std::log(std::fabs(haut / bas));
}

} // namespace

double hbar_c_meV_cm()
{
    // J m -> meV cm
    return constantes::hbar * constantes::c_lumiere / constantes::joule_par_meV * 100;
}

double variation_indice(const std::vector<double>& E, const std::vector<double>& dg, double E0)
{
    // On a strip [a, b] with dg(E') = f_a + s (E' - a):
    //   int f / (E' - c) dE' = s (b - a) + f(c) ln|(b - c) / (a - c)|,
    // f(c) the strip's line extended to c; the s (b - a) of the two poles
    // c = E0 and c = -E0 cancel in the kernel.
    double somme = 0;
    for (std::size_t j = 1; j < E.size() && j < dg.size(); ++j) {
        const double a = E[j - 1], b = E[j];
        const double pente = (dg[j] - dg[j - 1]) / (b - a);
        const double f_pole = dg[j - 1] + pente * (E0 - a);     // the line at E' = E0
        const double f_miroir = dg[j - 1] + pente * (-E0 - a);  // and at E' = -E0
        somme += f_pole * log_rapport(a, b, E0) - f_miroir * std::log((b + E0) / (a + E0));
    }
    return -hbar_c_meV_cm() / constantes::pi * somme / (2 * E0);
}

double facteur_alpha_H(double lambda_nm, double dn_dN, double dg_dN)
{
    const double lambda_cm = lambda_nm * 1e-7; // nm -> cm
    return -(4 * constantes::pi / lambda_cm) * (dn_dN / dg_dN);
}
