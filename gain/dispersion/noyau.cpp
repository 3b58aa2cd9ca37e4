#include "dispersion/noyau.hpp"

#include <cmath>

#include "numerique/constantes.hpp"
#include "numerique/matrices.hpp"

#if defined(__x86_64__)
#include <emmintrin.h> // SSE2: packed square roots
#endif

namespace {

constexpr double A_cin = 6.104281115319173e-39;     // hbar^2 / (2 m0), J m^2

couche_valence former_couche(double g1, double g2, double g3, double V, double zeta, bool axiale)
{
    couche_valence c;
    c.gamma1 = g1;
    c.gamma2 = g2;
    c.gamma3 = g3;
    c.V = V;
    c.zeta = zeta;
    c.gT = g1 * A_cin;
    c.gS = 2 * g2 * A_cin;
    // gamma3 < gamma2 gives NaN here: every f is then NaN and no level is found.
    c.gR = std::sqrt(12 * A_cin * A_cin * (g3 * g3 - g2 * g2));
    c.c_hh = (g1 - 2 * g2) * A_cin * joule_vers_meV;
    c.c_lh = (g1 + 2 * g2) * A_cin * joule_vers_meV;
    c.a = c.gT * c.gT - c.gS * c.gS;
    c.gR2 = c.gR * c.gR;
    c.inv_a = 1.0 / c.a;
    c.axiale = axiale;
    c.gamma_moyen = (g2 + g3) / 2;
    c.d_axiale = c.a * 3 * A_cin * A_cin * (c.gamma_moyen * c.gamma_moyen - g2 * g2);
    return c;
}

plan_couche former_plan_couche(const couche_valence& c, double kx, double ky)
{
    plan_couche p;
    const double kx2 = kx * kx, ky2 = ky * ky;
    p.kt2 = kx2 + ky2;
    const double racine3 = std::sqrt(3.0);
    // R = -sqrt3 A (gamma2 (kx^2 - ky^2) - 2i gamma3 kx ky). The axial
    // approximation drops its warping part, (gamma3 - gamma2)/2 (kx + i ky)^2,
    // keeping -sqrt3 A gamma_moyen (kx - i ky)^2, of modulus sqrt3 A gamma_moyen kt^2
    // in every direction; S, isotropic already, is unchanged.
    const double g_a = c.axiale ? c.gamma_moyen : c.gamma2, g_b = c.axiale ? c.gamma_moyen : c.gamma3;
    const complexe R = c_echelle({-g_a * (kx2 - ky2), 2 * g_b * kx * ky}, racine3 * A_cin);
    const complexe S = c_echelle({kx, -ky}, 2 * racine3 * A_cin * c.gamma3);
    p.module_R = c_module(R);
    p.module_S = c_module(S);
    // Flux coupling from the in-plane modulus, so that it is |S|/2 in every direction.
    p.c_s = racine3 * c.gamma3 * A_cin * std::sqrt(p.kt2) * joule_vers_meV;
    const double a = c.a, gR2 = c.gR2;
    // |R|^2 enters the discriminant as a |R|^2. The exact |R|^2 is
    // 3 A^2 gamma2^2 kt^4 + gR^2 kx^2 ky^2, the first part folded into the terms
    // below; the axial one, 3 A^2 gamma_moyen^2 kt^4, adds d_axiale kt^4 to that
    // first part and has no kx^2 ky^2 term. With gamma2 = gamma3 both are 0.
    if (c.axiale)
        p.D_constant = c.zeta * c.zeta * c.gT * c.gT + c.d_axiale * p.kt2 * p.kt2;
    else
        p.D_constant = c.zeta * c.zeta * c.gT * c.gT + kx2 * ky2 * gR2 * a;
    p.D_kt4 = p.kt2 * p.kt2 * gR2 * (a - gR2 / 4);
    p.trois_kt2_a = 3 * p.kt2 * a;
    p.gR2_kt2 = gR2 * p.kt2;
    p.b_constant = p.kt2 * (a - gR2 / 2);
    return p;
}

// exp(-i kz L) and exp(+i kz L) of one lane, the same values as
// c_exp_ikx(kz, -L) and c_exp_ikx(kz, L): kr (-L) is exactly -(kr L), and cos
// and sin of opposite arguments are exactly equal and opposite, so one cosine
// and one sine serve both phases; only the two decay factors differ. A real
// or an imaginary root (the usual case) needs no exponential or no cosine and
// sine: cos(±0) = 1, sin(±0) = ±0 and exp(±0) = 1 exactly.
void phases_opposees(complexe kz, double L, complexe& moins, complexe& plus)
{
    const double a = kz.re * L;
    double c = 1.0, s = a;
    if (a != 0.0) {
        c = std::cos(a);
        s = std::sin(a);
    }
    const double b = kz.im * L;
    double e_moins = 1.0, e_plus = 1.0;
    if (b != 0.0) {
        e_moins = std::exp(b);  // exp(-ki (-L))
        e_plus = std::exp(-b);  // exp(-ki L)
    }
    moins = {c * e_moins, -s * e_moins};
    plus = {c * e_plus, s * e_plus};
}

// A batch of energies side by side: lane l of every value below belongs to
// energy l. The kernel is written once over its lane type V: a double (one
// lane: the scalar reference, and the kernel of processors other than x86-64),
// or on x86-64 a vector of two doubles (one SSE2 register) or of four (one
// AVX2 register).
// Each operation is the scalar formula of complexe.hpp applied lane by lane
// (the same products and sums in the same order, no fused multiply-add), so
// every lane of every instance is bit for bit the scalar evaluation, while one
// instruction serves the whole batch. Vectors never cross a call boundary
// (everything is inlined into the entry points below), so the vector-argument
// ABI note does not concern them.
#pragma GCC diagnostic ignored "-Wpsabi"

template <class V> constexpr int nb_voies = sizeof(V) / sizeof(double);

// What a double and a vector spell differently: lane access, square root.
inline double voie(double x, int) { return x; }
inline void poser_voie(double& x, int, double v) { x = v; }
inline bool voie_vraie(bool m, int) { return m; }
inline double racine(double x) { return std::sqrt(x); }

#if defined(__x86_64__)
typedef double doubles_x2 __attribute__((vector_size(16)));
typedef double doubles_x4 __attribute__((vector_size(32)));

template <class V> [[gnu::always_inline]] inline double voie(V x, int l) { return x[l]; }
template <class V> [[gnu::always_inline]] inline void poser_voie(V& x, int l, double v) { x[l] = v; }
// Lane tests set every bit of a lane where true.
template <class M> [[gnu::always_inline]] inline bool voie_vraie(M m, int l) { return m[l] != 0; }
// Square roots, two lanes per SSE2 instruction.
template <class V> [[gnu::always_inline]] inline V racine(V x)
{
    V r;
    #pragma GCC unroll 4
    for (int l = 0; l < nb_voies<V>; l += 2) {
        const __m128d h = _mm_sqrt_pd(_mm_set_pd(x[l + 1], x[l]));
        r[l] = h[0];
        r[l + 1] = h[1];
    }
    return r;
}
#endif

// The kernel for a batch of nb_voies<V> lanes.
template <class V>
struct noyau {
    using lot = V;
    using masque = decltype(lot{} < lot{}); // a bool, or a vector of lane tests

    struct complexe_lot {
        lot re, im;
    };

    [[gnu::always_inline]] static complexe_lot d_somme(complexe_lot z, complexe_lot w)
    {
        return {z.re + w.re, z.im + w.im};
    }
    [[gnu::always_inline]] static complexe_lot d_difference(complexe_lot z, complexe_lot w)
    {
        return {z.re - w.re, z.im - w.im};
    }
    [[gnu::always_inline]] static complexe_lot d_produit(complexe_lot z, complexe_lot w)
    {
        return {z.re * w.re - z.im * w.im, z.im * w.re + z.re * w.im};
    }
    [[gnu::always_inline]] static complexe_lot d_echelle(complexe_lot z, double r) { return {z.re * r, z.im * r}; }
    template <class R> [[gnu::always_inline]] static complexe_lot d_plus_reel(complexe_lot z, R r)
    {
        return {z.re + r, z.im};
    }
    [[gnu::always_inline]] static complexe_lot d_fois_i(complexe_lot z) { return {-z.im, z.re}; }
    [[gnu::always_inline]] static complexe_lot d_oppose(complexe_lot z) { return d_echelle(z, -1.0); }
    [[gnu::always_inline]] static lot choisir(masque m, lot si, lot sinon) { return m ? si : sinon; }
    [[gnu::always_inline]] static complexe d_voie(complexe_lot z, int l) { return {voie(z.re, l), voie(z.im, l)}; }

    // c_racine_reel: real above a band edge, positive imaginary below.
    [[gnu::always_inline]] static complexe_lot d_racine_reel(lot r)
    {
        const masque positif = r >= 0.0;
        const lot module = racine(choisir(positif, r, -r));
        const lot zero{};
        return {choisir(positif, module, zero), choisir(positif, zero, module)};
    }
    // c_racine: principal square root, the sign of the imaginary part following z.
    [[gnu::always_inline]] static complexe_lot d_racine_complexe(complexe_lot z)
    {
        const lot m = racine(z.re * z.re + z.im * z.im);
        const lot re = racine((z.re + m) / 2.0);
        const lot im = racine((m - z.re) / 2.0);
        return {re, choisir(z.im < 0.0, -im, im)};
    }

    // The two growth-axis roots kz1 (heavy-hole-like at kt = 0) and kz2 of a layer
    // at the energies E' measured from its band edge.
    [[gnu::always_inline]] static void racines_kz(const couche_valence& c, const plan_couche& p, lot Ep,
                                                  complexe_lot& kz1, complexe_lot& kz2)
    {
        const lot D = p.D_constant + c.gS * c.gS * Ep * Ep + Ep * p.kt2 * c.gT * c.gR2 - p.D_kt4 -
                      c.zeta * c.gS * (2 * c.gT * Ep - p.trois_kt2_a + p.gR2_kt2);
        const complexe_lot s = d_racine_reel(D);
        const lot b = c.gT * Ep - p.b_constant - c.zeta * c.gS;
        kz1 = d_racine_complexe(d_echelle(d_plus_reel(s, b), c.inv_a));
        kz2 = d_racine_complexe(d_echelle(d_plus_reel(d_oppose(s), b), c.inv_a));
    }

    // Columns j and j + 2 (wave vectors q and -q) of the field matrix M.
    [[gnu::always_inline]] static void colonnes_champ(const couche_valence& c, const plan_couche& p, lot Ep,
                                                      complexe_lot q, bool lourd, complexe_lot M[4][4], int j)
    {
        const complexe_lot q2 = d_produit(q, q);
        const complexe_lot P = d_echelle(d_plus_reel(q2, p.kt2), c.gamma1 * A_cin);
        const complexe_lot Q = d_echelle(d_plus_reel(d_echelle(q2, -2.0), p.kt2), c.gamma2 * A_cin);
        const complexe_lot H11 = d_plus_reel(d_somme(P, Q), c.zeta);
        const complexe_lot H22 = d_plus_reel(d_difference(P, Q), -c.zeta);
        // i q for the column of q; the column of -q has its exact opposite.
        const complexe_lot iq = d_fois_i(q);
        #pragma GCC unroll 2
        for (int signe = 0; signe < 2; ++signe) {
            const complexe_lot iqs = signe == 0 ? iq : d_oppose(iq);
            const complexe_lot iSq = d_echelle(iqs, p.module_S);
            complexe_lot F1, F2;
            if (lourd) {
                F1 = d_echelle(d_plus_reel(H22, -Ep), joule_vers_meV);
                F2 = d_echelle(d_plus_reel(iSq, p.module_R), -joule_vers_meV);
            } else {
                F1 = d_echelle(d_plus_reel(d_oppose(iSq), p.module_R), joule_vers_meV);
                F2 = d_echelle(d_plus_reel(H11, -Ep), -joule_vers_meV);
            }
            const int col = j + 2 * signe;
            M[0][col] = F1;
            M[1][col] = F2;
            M[2][col] = d_somme(d_produit(d_echelle(iqs, c.c_hh), F1), d_echelle(F2, p.c_s));
            M[3][col] = d_difference(d_produit(d_echelle(iqs, c.c_lh), F2), d_echelle(F1, p.c_s));
        }
    }

    [[gnu::always_inline]] static void phases_lot(complexe_lot kz, double L, complexe_lot& moins, complexe_lot& plus)
    {
        moins.re = moins.im = plus.re = plus.im = lot{};
        for (int l = 0; l < nb_voies<lot>; ++l) {
            complexe m, p;
            phases_opposees(d_voie(kz, l), L, m, p);
            poser_voie(moins.re, l, m.re);
            poser_voie(moins.im, l, m.im);
            poser_voie(plus.re, l, p.re);
            poser_voie(plus.im, l, p.im);
        }
    }

    // Gauss-Jordan elimination of (M | I) in the order of inverse_c4, without its
    // row exchange, skipping the products with the entries of the unit matrix
    // that are still exactly zero (they would only add signed zeros). A lane that
    // meets a zero pivot is marked and redone by inverse_c4, row exchange included.
    struct elimination {
        complexe_lot M[4][4], I[4][4];
        masque pivot_nul{};
    };

    [[gnu::always_inline]] static void commencer_elimination(elimination& e, const complexe_lot A[4][4])
    {
        const lot zero{}, un = zero + 1.0;
        #pragma GCC unroll 4
        for (int r = 0; r < 4; ++r)
            #pragma GCC unroll 4
            for (int l = 0; l < 4; ++l) {
                e.M[r][l] = A[r][l];
                e.I[r][l] = {r == l ? un : zero, zero};
            }
    }

    // Step k. lignes: the leading rows of the inverse the caller uses; a row past
    // them is no longer updated once it has served as pivot row.
    [[gnu::always_inline]] static void pas_elimination(elimination& e, int k, int lignes)
    {
        const complexe_lot p = e.M[k][k];
        e.pivot_nul |= (p.re == 0.0) & (p.im == 0.0);
        // c_inverse; a zero pivot gives NaN in its lane, which is redone anyway.
        const lot n = p.re * p.re + p.im * p.im;
        const complexe_lot q = {p.re / n, -p.im / n};
        #pragma GCC unroll 4
        for (int l = k + 1; l < 4; ++l) e.M[k][l] = d_produit(e.M[k][l], q);
        // Row k of the unit matrix is non-zero in columns 0 ... k only.
        #pragma GCC unroll 4
        for (int l = 0; l <= k; ++l) e.I[k][l] = d_produit(e.I[k][l], q);
        #pragma GCC unroll 4
        for (int m = 0; m < 4; ++m) {
            if (m == k || (m < k && m >= lignes)) continue;
            const complexe_lot g = e.M[m][k];
            #pragma GCC unroll 4
            for (int o = k + 1; o < 4; ++o) e.M[m][o] = d_difference(e.M[m][o], d_produit(e.M[k][o], g));
            #pragma GCC unroll 4
            for (int o = 0; o <= k; ++o) e.I[m][o] = d_difference(e.I[m][o], d_produit(e.I[k][o], g));
        }
    }

    // The inverse of lane l after a zero pivot, with inverse_c4 and its row exchange.
    static void inverse_par_echange(const complexe_lot A[4][4], complexe_lot I[4][4], int l)
    {
        matrice_c4 a, i;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) a[r][c] = d_voie(A[r][c], l);
        inverse_c4(a, i);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                poser_voie(I[r][c].re, l, i[r][c].re);
                poser_voie(I[r][c].im, l, i[r][c].im);
            }
    }

    // W^-1 and the first `lignes_B` rows of B^-1, the two eliminations
    // interleaved step by step so that the divisions of one overlap the products
    // of the other.
    [[gnu::always_inline]] static void inverser_deux(const complexe_lot W[4][4], const complexe_lot B[4][4],
                                                     int lignes_B, elimination& w, elimination& b)
    {
        commencer_elimination(w, W);
        commencer_elimination(b, B);
        #pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            pas_elimination(w, k, 4);
            pas_elimination(b, k, lignes_B);
        }
        for (int l = 0; l < nb_voies<lot>; ++l) {
            if (voie_vraie(w.pivot_nul, l)) inverse_par_echange(W, w.I, l);
            if (voie_vraie(b.pivot_nul, l)) inverse_par_echange(B, b.I, l);
        }
    }

    // f at the energies E (J) of the lanes.
    [[gnu::always_inline]] static complexe_lot corps_evaluation(const modele_valence& m, const plan_k& k, lot E)
    {
        complexe_lot W[4][4], B[4][4], phase[4];

        const lot Ep_w = E - m.puits.V;
        complexe_lot kz1, kz2;
        racines_kz(m.puits, k.puits, Ep_w, kz1, kz2);
        colonnes_champ(m.puits, k.puits, Ep_w, kz1, true, W, 0);
        colonnes_champ(m.puits, k.puits, Ep_w, kz2, false, W, 1);
        phases_lot(kz1, m.L, phase[0], phase[2]);
        phases_lot(kz2, m.L, phase[1], phase[3]);

        const lot Ep_b = E - m.barriere.V;
        complexe_lot bz1, bz2;
        racines_kz(m.barriere, k.barriere, Ep_b, bz1, bz2);
        // Decaying barrier solutions carry a positive imaginary part.
        const masque retourner1 = bz1.im <= 0.0, retourner2 = bz2.im <= 0.0;
        bz1 = {choisir(retourner1, -bz1.re, bz1.re), choisir(retourner1, -bz1.im, bz1.im)};
        bz2 = {choisir(retourner2, -bz2.re, bz2.re), choisir(retourner2, -bz2.im, bz2.im)};
        colonnes_champ(m.barriere, k.barriere, Ep_b, bz1, true, B, 0);
        colonnes_champ(m.barriere, k.barriere, Ep_b, bz2, false, B, 1);

        // T = (B^-1 W Phi)(W^-1 B); f needs T rows 0-1, columns 0-1 only, hence
        // columns 0-1 of X = W^-1 B and rows 0-1 of Y = B^-1 W Phi. Sums are
        // accumulated from zero in the order of the full matrix product.
        elimination W_inv, B_inv;
        inverser_deux(W, B, 2, W_inv, B_inv);
        const complexe_lot zero{};
        complexe_lot X[4][2], Y[2][4];
        #pragma GCC unroll 4
        for (int l = 0; l < 4; ++l)
            #pragma GCC unroll 4
            for (int c = 0; c < 2; ++c) {
                complexe_lot s = zero;
                #pragma GCC unroll 4
                for (int n = 0; n < 4; ++n) s = d_somme(s, d_produit(W_inv.I[l][n], B[n][c]));
                X[l][c] = s;
            }
        #pragma GCC unroll 4
        for (int r = 0; r < 2; ++r)
            #pragma GCC unroll 4
            for (int l = 0; l < 4; ++l) {
                complexe_lot s = zero;
                #pragma GCC unroll 4
                for (int n = 0; n < 4; ++n) s = d_somme(s, d_produit(B_inv.I[r][n], W[n][l]));
                Y[r][l] = d_produit(s, phase[l]); // Phi is diagonal
            }
        complexe_lot T[2][2];
        #pragma GCC unroll 4
        for (int r = 0; r < 2; ++r)
            #pragma GCC unroll 4
            for (int c = 0; c < 2; ++c) {
                complexe_lot s = zero;
                #pragma GCC unroll 4
                for (int l = 0; l < 4; ++l) s = d_somme(s, d_produit(Y[r][l], X[l][c]));
                T[r][c] = s;
            }
        return d_difference(d_produit(T[0][0], T[1][1]), d_produit(T[1][0], T[0][1]));
    }
};

// The batch through one instance of the kernel, nb_voies<V> energies at a time.
template <class V>
[[gnu::always_inline]] inline void evaluer_lot(const modele_valence& m, const plan_k& k, const double* E, complexe* f)
{
    using N = noyau<V>;
    for (int h = 0; h < energies_par_lot; h += nb_voies<V>) {
        V e{};
        for (int l = 0; l < nb_voies<V>; ++l) poser_voie(e, l, E[h + l]);
        const typename N::complexe_lot r = N::corps_evaluation(m, k, e);
        for (int l = 0; l < nb_voies<V>; ++l) f[h + l] = N::d_voie(r, l);
    }
}

using evaluation_lot = void (*)(const modele_valence&, const plan_k&, const double*, complexe*);

void evaluer_lot_scalaire(const modele_valence& m, const plan_k& k, const double* E, complexe* f)
{
    evaluer_lot<double>(m, k, E, f);
}

#if defined(__x86_64__)
// On x86-64 the vector instances: for the baseline instruction set, two lanes
// per SSE2 register, and for AVX2 machines four lanes per register with the
// three-operand encoding that spares most register copies. The AVX2 build only
// widens the registers (no fused multiply-add), so both give the scalar bits.
// The kernel, inlined into each entry, takes pointers from it: a vector passed
// by value from AVX2 code into baseline code would change the calling convention.
void evaluer_lot_sse2(const modele_valence& m, const plan_k& k, const double* E, complexe* f)
{
    evaluer_lot<doubles_x2>(m, k, E, f);
}
[[gnu::target("avx2")]] void evaluer_lot_avx2(const modele_valence& m, const plan_k& k, const double* E, complexe* f)
{
    evaluer_lot<doubles_x4>(m, k, E, f);
}
#endif

// The instance this processor runs: AVX2 where it has it, else the x86-64
// baseline, the scalar one elsewhere.
evaluation_lot instance_du_processeur()
{
#if defined(__x86_64__)
    return __builtin_cpu_supports("avx2") ? evaluer_lot_avx2 : evaluer_lot_sse2;
#else
    return evaluer_lot_scalaire;
#endif
}

} // namespace

modele_valence former_modele_valence(double largeur_puits, const resultats_materiau& m, const resultats_k0& k0,
                                     bool axiale)
{
    modele_valence v;
    v.puits = former_couche(m.puits.gamma1, m.puits.gamma2, m.puits.gamma3, k0.dEv_hydro * constantes::q / 1000,
                            m.dE_cisaillement * constantes::q / 1000, axiale);
    v.barriere = former_couche(m.barriere.gamma1, m.barriere.gamma2, m.barriere.gamma3,
                               m.Vv * constantes::q / 1000, 0.0, axiale);
    v.L = largeur_puits * constantes::metre_par_angstrom;
    return v;
}

plan_k former_plan_k(const modele_valence& m, double kx, double ky)
{
    plan_k k;
    k.kx = kx;
    k.ky = ky;
    k.puits = former_plan_couche(m.puits, kx, ky);
    k.barriere = former_plan_couche(m.barriere, kx, ky);
    return k;
}

complexe evaluer_fonction_dispersion(const modele_valence& m, const plan_k& k, double E)
{
    using N = noyau<double>;
    return N::d_voie(N::corps_evaluation(m, k, E), 0);
}

void evaluer_fonction_dispersion(const modele_valence& m, const plan_k& k, const double (&E)[energies_par_lot],
                                 complexe (&f)[energies_par_lot])
{
    static const evaluation_lot instance = instance_du_processeur();
    instance(m, k, E, f);
}

void evaluer_fonction_dispersion_scalaire(const modele_valence& m, const plan_k& k,
                                          const double (&E)[energies_par_lot], complexe (&f)[energies_par_lot])
{
    evaluer_lot_scalaire(m, k, E, f);
}

#if defined(__x86_64__)
void evaluer_fonction_dispersion_sse2(const modele_valence& m, const plan_k& k,
                                      const double (&E)[energies_par_lot], complexe (&f)[energies_par_lot])
{
    evaluer_lot_sse2(m, k, E, f);
}
#endif

etat_valence etat_valence_en(const modele_valence& m, const plan_k& k, double E)
{
    using N = noyau<double>;
    N::complexe_lot W[4][4], B[4][4];
    // The field matrices of the scan's evaluation at E, its roots and sign rule.
    const double Ep_w = E - m.puits.V;
    N::complexe_lot kz1, kz2;
    N::racines_kz(m.puits, k.puits, Ep_w, kz1, kz2);
    N::colonnes_champ(m.puits, k.puits, Ep_w, kz1, true, W, 0);
    N::colonnes_champ(m.puits, k.puits, Ep_w, kz2, false, W, 1);
    const double Ep_b = E - m.barriere.V;
    N::complexe_lot bz1, bz2;
    N::racines_kz(m.barriere, k.barriere, Ep_b, bz1, bz2);
    if (bz1.im <= 0.0) bz1 = {-bz1.re, -bz1.im};
    if (bz2.im <= 0.0) bz2 = {-bz2.re, -bz2.im};
    N::colonnes_champ(m.barriere, k.barriere, Ep_b, bz1, true, B, 0);
    N::colonnes_champ(m.barriere, k.barriere, Ep_b, bz2, false, B, 1);

    matrice_c4 Wm, Bm, W_inv, B_inv, X, BW, Y, T;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            Wm[r][c] = N::d_voie(W[r][c], 0);
            Bm[r][c] = N::d_voie(B[r][c], 0);
        }
    const complexe q[4] = {N::d_voie(kz1, 0), N::d_voie(kz2, 0), c_echelle(N::d_voie(kz1, 0), -1.0),
                           c_echelle(N::d_voie(kz2, 0), -1.0)};
    const complexe p[4] = {N::d_voie(bz1, 0), N::d_voie(bz2, 0), c_echelle(N::d_voie(bz1, 0), -1.0),
                           c_echelle(N::d_voie(bz2, 0), -1.0)};
    // X = W^-1 B takes the right barrier's amplitudes to the well's at z = L;
    // Y = B^-1 W Phi the well's to the left barrier's at z = 0; T = Y X.
    inverse_c4(Wm, W_inv);
    inverse_c4(Bm, B_inv);
    produit_c4(W_inv, Bm, X);
    matrice_c4 Phi{};
    for (int j = 0; j < 4; ++j) Phi[j][j] = c_exp_ikx(q[j], -m.L);
    produit_c4(B_inv, Wm, BW);
    produit_c4(BW, Phi, Y);
    produit_c4(Y, X, T);

    // (alpha, beta): the null vector of the 2x2 block, from its row of larger
    // norm (at the exact root both rows give it; off it that row is the better
    // determined one).
    auto norme2 = [](complexe z) { return z.re * z.re + z.im * z.im; };
    const int r = norme2(T[0][0]) + norme2(T[0][1]) >= norme2(T[1][0]) + norme2(T[1][1]) ? 0 : 1;
    complexe c[4] = {c_echelle(T[r][1], -1.0), T[r][0], {}, {}};
    const double s = std::sqrt(norme2(c[0]) + norme2(c[1]));
    if (s > 0) {
        c[0] = c_echelle(c[0], 1 / s);
        c[1] = c_echelle(c[1], 1 / s);
    } else {
        c[0] = {1.0, 0.0}; // a zero block: every combination is carried; take the heavy-hole wave
    }
    complexe a[4], d[4];
    for (int i = 0; i < 4; ++i) {
        a[i] = {};
        d[i] = {};
        for (int j = 0; j < 2; ++j) {
            a[i] = c_somme(a[i], c_produit(X[i][j], c[j]));
            d[i] = c_somme(d[i], c_produit(T[i][j], c[j]));
        }
    }
    etat_valence e;
    e.L = m.L;
    for (int j = 0; j < 4; ++j) e.puits[j] = {q[j], c_produit(a[j], Wm[0][j]), c_produit(a[j], Wm[1][j])};
    for (int j = 0; j < 2; ++j) {
        e.droite[j] = {p[j], c_produit(c[j], Bm[0][j]), c_produit(c[j], Bm[1][j])};
        e.gauche[j] = {p[j + 2], c_produit(d[j + 2], Bm[0][j + 2]), c_produit(d[j + 2], Bm[1][j + 2])};
    }
    const double garde = norme2(d[2]) + norme2(d[3]);
    e.residu = garde > 0 ? std::sqrt((norme2(d[0]) + norme2(d[1])) / garde) : HUGE_VAL;
    return e;
}
