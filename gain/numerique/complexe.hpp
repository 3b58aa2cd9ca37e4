// Complex arithmetic and scalar helpers of the band computations.
//
// Every operation is a free function on a plain record passed by value. The
// formulas are written out component by component, in a fixed order, so that
// every level and spectrum is reproducible to the last printed digit; do not
// replace them by std::complex, whose product and division round differently.
#pragma once

#include <cmath>

struct complexe {
    double re = 0.0;
    double im = 0.0;
};

inline complexe c_somme(complexe z, complexe w) { return {z.re + w.re, z.im + w.im}; }
inline complexe c_difference(complexe z, complexe w) { return {z.re - w.re, z.im - w.im}; }
inline complexe c_produit(complexe z, complexe w)
{
    return {z.re * w.re - z.im * w.im, z.im * w.re + z.re * w.im};
}
inline complexe c_echelle(complexe z, double r) { return {z.re * r, z.im * r}; }
// r is added to the real part only.
inline complexe c_plus_reel(complexe z, double r) { return {z.re + r, z.im}; }
inline complexe c_conjugue(complexe z) { return {z.re, -z.im}; }
// 1/z; the exact zero maps to zero, so that a zero wave vector at a band edge
// gives a zero interface ratio instead of a division by zero.
inline complexe c_inverse(complexe z)
{
    if (z.re == 0.0 && z.im == 0.0) return {0.0, 0.0};
    const double n = z.re * z.re + z.im * z.im;
    return {z.re / n, -z.im / n};
}
inline double c_module(complexe z) { return std::sqrt(z.re * z.re + z.im * z.im); }
// Square root of a signed real: real above a band edge, positive imaginary below.
inline complexe c_racine_reel(double r)
{
    if (r >= 0.0) return {std::sqrt(r), 0.0};
    return {0.0, std::sqrt(-r)};
}
// Principal square root; the sign of the imaginary part follows b (b = -0 counts
// as not negative).
inline complexe c_racine(complexe z)
{
    const double m = std::sqrt(z.re * z.re + z.im * z.im);
    const double re = std::sqrt((z.re + m) / 2.0);
    double im = std::sqrt((m - z.re) / 2.0);
    if (z.im < 0.0) im = -im;
    return {re, im};
}
// exp(i k x) for complex k (m^-1) and real x (m).
inline complexe c_exp_ikx(complexe k, double x)
{
    const double amortissement = std::exp(-k.im * x);
    return {std::cos(k.re * x) * amortissement, std::sin(k.re * x) * amortissement};
}
// Value of an alloy with fraction t of the member of value u and 1 - t of the
// member of value v.
inline double interpolation(double t, double u, double v) { return t * u + (1.0 - t) * v; }
// Fermi-Dirac occupation; s is the inverse thermal energy in the unit of E.
inline double fermi_dirac(double E, double EF, double s) { return 1.0 / (std::exp((E - EF) * s) + 1.0); }
// Area of one strip of the trapezoid rule.
inline double trapeze(double x1, double x2, double y1, double y2) { return (x2 - x1) * (y1 + y2) * 0.5; }
