#include "numerique/matrices.hpp"

#include <limits>
#include <utility>

matrice_c4& inverse_c4(const matrice_c4& A, matrice_c4& B)
{
    matrice_c4 I{};
    B = A;
    for (int i = 0; i < 4; ++i) I[i][i] = {1.0, 0.0};

    for (int k = 0; k < 4; ++k) {
        complexe p = B[k][k];
        if (p.re == 0.0 && p.im == 0.0) {
            int r = k + 1;
            while (r < 4 && B[r][k].re == 0.0 && B[r][k].im == 0.0) ++r;
            if (r == 4) {
                const double nan = std::numeric_limits<double>::quiet_NaN();
                for (auto& ligne : B)
                    for (auto& e : ligne) e = {nan, nan};
                return B;
            }
            std::swap(B[k], B[r]);
            std::swap(I[k], I[r]);
            p = B[k][k];
        }
        const complexe q = c_inverse(p);
        for (int l = k + 1; l < 4; ++l) B[k][l] = c_produit(B[k][l], q);
        for (int l = 0; l < 4; ++l) I[k][l] = c_produit(I[k][l], q);
        for (int m = 0; m < 4; ++m) {
            if (m == k) continue;
            const complexe g = B[m][k];
            for (int o = k + 1; o < 4; ++o) B[m][o] = c_somme(B[m][o], c_echelle(c_produit(B[k][o], g), -1.0));
            for (int o = 0; o < 4; ++o) I[m][o] = c_somme(I[m][o], c_echelle(c_produit(I[k][o], g), -1.0));
        }
    }
    B = I;
    return B;
}

matrice_c4& produit_c4(const matrice_c4& A, const matrice_c4& B, matrice_c4& P)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            P[i][j] = {0.0, 0.0};
            for (int m = 0; m < 4; ++m) P[i][j] = c_somme(P[i][j], c_produit(A[i][m], B[m][j]));
        }
    return P;
}
