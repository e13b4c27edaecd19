#pragma once
// Weighted linear least squares through a singular value decomposition: `lfit` builds the design
// matrix of a polynomial (or single power term) model, `svd1` decomposes it and `inv` forms the
// pseudo-inverse solution and the covariance of the coefficients. Single precision throughout.
#include <array>
#include <span>
#include <vector>

#include "text/messages.hpp"

namespace tw {

inline constexpr int kFitMaxPoints = 65536;  // reported as npmax
inline constexpr int kFitMaxColumns = 5;     // reported as ncol
inline constexpr float kSvdEps = 5.56e-16f;  // relative size below which the bidiagonal is split
inline constexpr float kSvdTol = 1.0e-35f;   // sum of squares below which no reflection is made
inline constexpr float kInvCutoff = 1.0e-5f; // singular values below this share of the largest drop

// Golub-Reinsch decomposition A = U diag(w) V^T of the m x n matrix `a` (column-major, leading
// dimension `lda`, n <= kFitMaxColumns). `u` (leading dimension lda) receives the left singular
// vectors, `v` (leading dimension ldv) the right ones; `index` 1 accumulates both, 2 U only,
// 3 V only, 4 neither. `a` is not changed. The singular values are not sorted. With fewer rows
// than columns the matrix is treated as padded with zero rows (which needs lda >= n). Returns
// false, touching nothing, when the shapes do not fit the arrays.
bool svd1(int lda, int ldv, int m, int n, std::span<const float> a, std::span<float> u,
          std::span<float> v, std::span<float> w, int index);

// Damped pseudo-inverse solution x = V diag(w / (w^2 + alpha)) U^T rhs over the first m rows, and
// the covariance V diag(w^2 / (w^2 + alpha)^2) V^T (leading dimension ldv). Singular values below
// 1e-5 of the largest are set to zero in `w` itself, each with a " zeroing a column # " line on
// `messages`. Returns false, touching nothing, when the shapes do not fit the arrays.
bool inv(int lda, int ldv, int m, int n, std::span<const float> u, std::span<const float> v,
         std::span<float> w, std::span<const float> rhs, std::span<float> x, float alpha,
         std::span<float> cov, MessageSink& messages);

// The fitting object: its working storage (two kFitMaxPoints x kFitMaxColumns matrices) is
// allocated once, and each fit overwrites it.
class LeastSquaresFit {
  public:
    explicit LeastSquaresFit(MessageSink& messages);

    // Fits y(i) ~ f(x(i)) with standard deviations sig(i) over the first nfil points.
    // ninv 1..5: polynomial with ninv coefficients; ninv <= 0: the single term c1 x^(|ninv|-1).
    // Writes the coefficients into `coef`, their standard errors into `err` (scaled by the scatter
    // about the fit when lsig is 0; zero when no degree of freedom is left) and chi^2 into `chi2`.
    // Refuses ninv > 5 and nfil > 65536 with their messages, and input arrays shorter than nfil or
    // output arrays shorter than the coefficient count; a refused fit returns false and leaves the
    // outputs as they were.
    bool lfit(int ninv, int nfil, std::span<const float> x, std::span<const float> y,
              std::span<const float> sig, int lsig, std::span<float> coef, std::span<float> err,
              float& chi2);

    // Singular values of the last fit, after the cut-off of `inv`.
    std::span<const float> singular_values() const {
        return {w_.data(), static_cast<std::size_t>(ncols_)};
    }

  private:
    MessageSink* messages_;
    std::vector<float> am_;   // design matrix, column j = x^(j-1) / sig
    std::vector<float> data_; // weighted ordinates y / sig
    std::vector<float> u_;    // left singular vectors
    std::array<float, kFitMaxColumns * kFitMaxColumns> v_{};
    std::array<float, kFitMaxColumns> w_{};
    std::array<float, kFitMaxColumns> xm_{};
    std::array<float, kFitMaxColumns * kFitMaxColumns> cov_{};
    int ncols_ = 0;
};

} // namespace tw
