#pragma once

#include <array>
#include <vector>

namespace tavik {

// Cubic least-squares fit of the multipath analysis: min ||A z - b|| for 2000 rows
// (x^3, x^2, x, 1), solved in single precision by LAPACK (QR with column pivoting, Q^T b, the
// triangular solve). The matrix and work arrays belong to the object, so a fit allocates
// nothing once the workspace has reached its size. Failures throw CMultipathTavikException
// (sub-ID 0) with LAPACK's INFO in the text.
class CLeastSquaresFit {
public:
    static constexpr int kRows = 2000;
    static constexpr int kColumns = 4;

    CLeastSquaresFit();

    // Coefficients in the column order of A: z[0] for x^3 ... z[3] for the constant.
    std::array<float, kColumns> Fit(const float* x, const float* b);

private:
    std::vector<float> m_matrix;  // column-major, leading dimension kRows
    std::vector<float> m_rhs;
    std::vector<float> m_work;
    std::array<int, kColumns> m_pivot{};
    std::array<float, kColumns> m_tau{};
};

}  // namespace tavik
