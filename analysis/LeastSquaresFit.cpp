#include "analysis/LeastSquaresFit.h"

#include <cmath>
#include <cstddef>

#include "platform/GenericException.h"

// LAPACK's Fortran entry points. gfortran passes the length of every CHARACTER argument as a
// hidden trailing size_t argument, in the order of those arguments.
extern "C" {
void sgeqp3_(const int* m, const int* n, float* a, const int* lda, int* jpvt, float* tau,
             float* work, const int* lwork, int* info);
void sormqr_(const char* side, const char* trans, const int* m, const int* n, const int* k,
             const float* a, const int* lda, const float* tau, float* c, const int* ldc,
             float* work, const int* lwork, int* info, std::size_t sideLength,
             std::size_t transLength);
void strtrs_(const char* uplo, const char* trans, const char* diag, const int* n, const int* nrhs,
             const float* a, const int* lda, float* b, const int* ldb, int* info,
             std::size_t uploLength, std::size_t transLength, std::size_t diagLength);
}

namespace tavik {

namespace {

[[noreturn]] void ThrowInfo(const char* format, int info) {
    throw CMultipathTavikException(StringFormat(format, static_cast<long>(info)), 0);
}

}  // namespace

CLeastSquaresFit::CLeastSquaresFit()
    : m_matrix(static_cast<std::size_t>(kRows) * kColumns), m_rhs(kRows), m_work(256) {}

std::array<float, CLeastSquaresFit::kColumns> CLeastSquaresFit::Fit(const float* x,
                                                                    const float* b) {
    float* const cube = m_matrix.data();
    float* const square = cube + kRows;
    float* const linear = square + kRows;
    float* const constant = linear + kRows;
    for (int i = 0; i < kRows; ++i) {
        const float xi = x[i];
        cube[i] = xi * xi * xi;
        square[i] = xi * xi;
        linear[i] = xi;
        constant[i] = 1.0f;
        m_rhs[i] = b[i];
    }

    const int m = kRows;
    const int n = kColumns;
    const int one = 1;
    int info = 0;

    // Workspace query, then the factorisation A P = Q R; zero pivots leave every column free.
    m_pivot.fill(0);
    float optimum = 0.0f;
    const int query = -1;
    sgeqp3_(&m, &n, m_matrix.data(), &m, m_pivot.data(), m_tau.data(), &optimum, &query, &info);
    if (info != 0) {
        ThrowInfo("SGEQP3 getting workspace: INFO = %ld", info);
    }
    const int lwork = static_cast<int>(std::ceil(optimum));
    if (m_work.size() < static_cast<std::size_t>(lwork)) {
        m_work.resize(static_cast<std::size_t>(lwork));
    }
    m_pivot.fill(0);
    sgeqp3_(&m, &n, m_matrix.data(), &m, m_pivot.data(), m_tau.data(), m_work.data(), &lwork,
            &info);
    if (info != 0) {
        ThrowInfo("SGEQP3 doing QR decomposition: INFO = %ld", info);
    }

    // Q^T b; the first kColumns entries are the right-hand side of R y = Q^T b.
    const int workSize = static_cast<int>(m_work.size());
    sormqr_("L", "T", &m, &one, &n, m_matrix.data(), &m, m_tau.data(), m_rhs.data(), &m,
            m_work.data(), &workSize, &info, 1, 1);
    if (info != 0) {
        ThrowInfo("SORMQR: INFO = %ld", info);
    }
    strtrs_("U", "N", "N", &n, &one, m_matrix.data(), &m, m_rhs.data(), &n, &info, 1, 1, 1);
    if (info != 0) {
        ThrowInfo("STRTRS: INFO = %ld", info);
    }

    // z = P y: column j of A P is column m_pivot[j] (1-based) of A.
    std::array<float, kColumns> z{};
    for (int j = 0; j < kColumns; ++j) {
        z[static_cast<std::size_t>(m_pivot[j] - 1)] = m_rhs[j];
    }
    return z;
}

}  // namespace tavik
