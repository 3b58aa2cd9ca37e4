// The 4x4 complex matrices of the dispersion and their operations.
#pragma once

#include <array>

#include "numerique/complexe.hpp"

// Element (i, j) is row i, column j.
using matrice_c4 = std::array<std::array<complexe, 4>, 4>;

// B = A^-1 by Gauss-Jordan elimination. A zero pivot is replaced by the first
// later row with a non-zero element in its column; when there is none, A is
// singular and B is filled with NaN, so that no bound state is read from it.
// With non-zero pivots the elimination and its rounding are the historic ones.
matrice_c4& inverse_c4(const matrice_c4& A, matrice_c4& B);
// P = A B, accumulated in P; P must be distinct from A and B.
matrice_c4& produit_c4(const matrice_c4& A, const matrice_c4& B, matrice_c4& P);
