// Arrays of small complex matrices and the 4x4 operations of the dispersion.
#pragma once

#include <array>
#include <vector>

#include "numerique/complexe.hpp"

// t[i][j][m]: a matrix (i, j) for each grid energy m; the energy index is last.
using tableau_c3 = std::vector<std::vector<std::vector<complexe>>>;
// Element (i, j) is row i, column j.
using matrice_c4 = std::array<std::array<complexe, 4>, 4>;

// Both allocators give zero-filled storage (std::vector value-initialises);
// the two names are kept for the two historic roles. Out of memory throws
// std::bad_alloc, which the program turns into its allocation-failure stop.
tableau_c3 allouer_tableau_c3(int ni, int nj, int nm);
tableau_c3 allouer_tableau_c3_zero(int ni, int nj, int nm);

// B = A^-1 by Gauss-Jordan elimination. A zero pivot is replaced by the first
// later row with a non-zero element in its column; when there is none, A is
// singular and B is filled with NaN, so that no bound state is read from it.
// With non-zero pivots the elimination and its rounding are the historic ones.
matrice_c4& inverse_c4(const matrice_c4& A, matrice_c4& B);
// P = A B, accumulated in P; P must be distinct from A and B.
matrice_c4& produit_c4(const matrice_c4& A, const matrice_c4& B, matrice_c4& P);
