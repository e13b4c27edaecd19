#include "estimators/least_squares.hpp"

#include <algorithm>
#include <cmath>

#include "text/format.hpp"

namespace tw {
namespace {

// A QR sweep converges cubically; this many sweeps per singular value only happen on non-finite
// input, and stopping keeps such a fit from looping for ever.
constexpr int kMaxSweeps = 1000;

// Column-major view with 1-based indices, as the decomposition is written.
template <typename T> class Matrix {
  public:
    Matrix(std::span<T> store, int ld) : store_(store), ld_(ld) {}
    T& operator()(int i, int j) const {
        return store_[static_cast<std::size_t>(i - 1) +
                      static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(ld_)];
    }

  private:
    std::span<T> store_;
    int ld_;
};

bool fits(std::size_t size, int ld, int rows, int cols) {
    if (rows < 0 || cols < 0 || ld < rows) return false;
    if (cols == 0) return true;
    return static_cast<std::size_t>(ld) * static_cast<std::size_t>(cols - 1) +
               static_cast<std::size_t>(rows) <=
           size;
}

// x^k for an integer k by repeated squaring, as an integer power is evaluated in single precision.
float int_power(float x, int k) {
    if (k < 0) {
        x = 1.0f / x;
        k = -k;
    }
    float result = 1.0f;
    while (k != 0) {
        if (k & 1) result *= x;
        k >>= 1;
        if (k != 0) x *= x;
    }
    return result;
}

} // namespace

bool svd1(int lda, int ldv, int m, int n, std::span<const float> a, std::span<float> u,
          std::span<float> v, std::span<float> w, int index) {
    if (n < 1 || n > kFitMaxColumns || m < 0 || lda < std::max(m, n) || ldv < n) return false;
    if (!fits(a.size(), lda, m, n) || !fits(u.size(), lda, std::max(m, n), n) ||
        !fits(v.size(), ldv, n, n) || w.size() < static_cast<std::size_t>(n))
        return false;
    const bool withu = index == 1 || index == 2;
    const bool withv = index == 1 || index == 3;

    // Work on a copy in U; rows beyond m (fewer points than columns) are zero.
    const int rows = std::max(m, n);
    Matrix<const float> A(a, lda);
    Matrix<float> U(u, lda);
    Matrix<float> V(v, ldv);
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= rows; ++i)
            U(i, j) = i <= m ? A(i, j) : 0.0f;
    std::array<float, kFitMaxColumns + 1> e{}; // super-diagonal, 1-based
    auto q = [&](int i) -> float& { return w[static_cast<std::size_t>(i - 1)]; };

    // Householder reduction to bidiagonal form.
    float g = 0.0f, x = 0.0f;
    int l = 1;
    for (int i = 1; i <= n; ++i) {
        e[i] = g;
        float s = 0.0f;
        l = i + 1;
        for (int j = i; j <= rows; ++j)
            s += U(j, i) * U(j, i);
        if (s < kSvdTol) {
            g = 0.0f;
        } else {
            float f = U(i, i);
            g = f < 0.0f ? std::sqrt(s) : -std::sqrt(s);
            const float h = f * g - s;
            U(i, i) = f - g;
            for (int j = l; j <= n; ++j) {
                s = 0.0f;
                for (int k = i; k <= rows; ++k)
                    s += U(k, i) * U(k, j);
                f = s / h;
                for (int k = i; k <= rows; ++k)
                    U(k, j) += f * U(k, i);
            }
        }
        q(i) = g;
        s = 0.0f;
        for (int j = l; j <= n; ++j)
            s += U(i, j) * U(i, j);
        if (s < kSvdTol) {
            g = 0.0f;
        } else {
            const float f = U(i, i + 1);
            g = f < 0.0f ? std::sqrt(s) : -std::sqrt(s);
            const float h = f * g - s;
            U(i, i + 1) = f - g;
            for (int j = l; j <= n; ++j)
                e[j] = U(i, j) / h;
            for (int j = l; j <= rows; ++j) {
                s = 0.0f;
                for (int k = l; k <= n; ++k)
                    s += U(j, k) * U(i, k);
                for (int k = l; k <= n; ++k)
                    U(j, k) += s * e[k];
            }
        }
        const float y = std::fabs(q(i)) + std::fabs(e[i]);
        if (y > x) x = y;
    }

    // Accumulation of the right-hand transformations.
    if (withv) {
        for (int i = n; i >= 1; --i) {
            if (g != 0.0f) {
                const float h = U(i, i + 1) * g;
                for (int j = l; j <= n; ++j)
                    V(j, i) = U(i, j) / h;
                for (int j = l; j <= n; ++j) {
                    float s = 0.0f;
                    for (int k = l; k <= n; ++k)
                        s += U(i, k) * V(k, j);
                    for (int k = l; k <= n; ++k)
                        V(k, j) += s * V(k, i);
                }
            }
            for (int j = l; j <= n; ++j) {
                V(i, j) = 0.0f;
                V(j, i) = 0.0f;
            }
            V(i, i) = 1.0f;
            g = e[i];
            l = i;
        }
    }

    // Accumulation of the left-hand transformations.
    if (withu) {
        for (int i = n; i >= 1; --i) {
            l = i + 1;
            g = q(i);
            for (int j = l; j <= n; ++j)
                U(i, j) = 0.0f;
            if (g != 0.0f) {
                const float h = U(i, i) * g;
                for (int j = l; j <= n; ++j) {
                    float s = 0.0f;
                    for (int k = l; k <= rows; ++k)
                        s += U(k, i) * U(k, j);
                    const float f = s / h;
                    for (int k = i; k <= rows; ++k)
                        U(k, j) += f * U(k, i);
                }
                for (int j = i; j <= rows; ++j)
                    U(j, i) /= g;
            } else {
                for (int j = i; j <= rows; ++j)
                    U(j, i) = 0.0f;
            }
            U(i, i) += 1.0f;
        }
    }

    // Diagonalisation of the bidiagonal form by QR sweeps with implicit shifts.
    const float eps = kSvdEps * x;
    auto rotate = [](Matrix<float>& M, int nrows, int c1, int c2, float c, float s) {
        for (int j = 1; j <= nrows; ++j) {
            const float y = M(j, c1);
            const float z = M(j, c2);
            M(j, c1) = y * c + z * s;
            M(j, c2) = -y * s + z * c;
        }
    };
    for (int k = n; k >= 1; --k) {
        for (int sweep = 0;; ++sweep) {
            // Test for splitting; e(1) is always zero, so the scan stops at l = 1 at the latest.
            bool cancel = false;
            for (l = k; l >= 1; --l) {
                if (l == 1 || std::fabs(e[l]) <= eps) break;
                if (std::fabs(q(l - 1)) <= eps) {
                    cancel = true;
                    break;
                }
            }
            if (cancel) {
                // Cancellation of e(l), l > 1.
                float c = 0.0f, s = 1.0f;
                const int l1 = l - 1;
                for (int i = l; i <= k; ++i) {
                    const float f = s * e[i];
                    e[i] = c * e[i];
                    if (std::fabs(f) <= eps) break;
                    g = q(i);
                    const float h = std::sqrt(f * f + g * g);
                    q(i) = h;
                    if (h == 0.0f) break;
                    c = g / h;
                    s = -f / h;
                    if (withu) rotate(U, rows, l1, i, c, s);
                }
            }
            // Test for convergence.
            float z = q(k);
            if (l == k || sweep >= kMaxSweeps) {
                if (z < 0.0f) {
                    q(k) = -z;
                    if (withv)
                        for (int j = 1; j <= n; ++j)
                            V(j, k) = -V(j, k);
                }
                break;
            }
            // Shift from the bottom 2 x 2 minor.
            x = q(l);
            float y = q(k - 1);
            g = e[k - 1];
            float h = e[k];
            float f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0f * h * y);
            g = std::sqrt(f * f + 1.0f);
            f = ((x - z) * (x + z) + h * (y / (f < 0.0f ? f - g : f + g) - h)) / x;
            // Next QR transformation.
            float c = 1.0f, s = 1.0f;
            for (int i = l + 1; i <= k; ++i) {
                g = e[i];
                y = q(i);
                h = s * g;
                g = c * g;
                z = std::sqrt(f * f + h * h);
                e[i - 1] = z;
                if (z != 0.0f) {
                    c = f / z;
                    s = h / z;
                }
                f = x * c + g * s;
                g = -x * s + g * c;
                h = y * s;
                y = y * c;
                if (withv) rotate(V, n, i - 1, i, c, s);
                z = std::sqrt(f * f + h * h);
                q(i - 1) = z;
                if (z != 0.0f) {
                    c = f / z;
                    s = h / z;
                }
                f = c * g + s * y;
                x = -s * g + c * y;
                if (withu) rotate(U, rows, i - 1, i, c, s);
            }
            e[l] = 0.0f;
            e[k] = f;
            q(k) = x;
        }
    }
    return true;
}

bool inv(int lda, int ldv, int m, int n, std::span<const float> u, std::span<const float> v,
         std::span<float> w, std::span<const float> rhs, std::span<float> x, float alpha,
         std::span<float> cov, MessageSink& messages) {
    if (n < 1 || n > kFitMaxColumns || m < 0 || ldv < n || lda < m) return false;
    if (!fits(u.size(), lda, m, n) || !fits(v.size(), ldv, n, n) || !fits(cov.size(), ldv, n, n) ||
        w.size() < static_cast<std::size_t>(n) || x.size() < static_cast<std::size_t>(n) ||
        rhs.size() < static_cast<std::size_t>(m))
        return false;
    Matrix<const float> U(u, lda);
    Matrix<const float> V(v, ldv);
    Matrix<float> C(cov, ldv);
    std::array<float, kFitMaxColumns> temp{};
    std::array<float, kFitMaxColumns> w2{};
    std::fill(x.begin(), x.end(), 0.0f);

    float wmax = 0.0f;
    for (int j = 0; j < n; ++j)
        wmax = std::max(wmax, w[j]);
    const float wmin = wmax * kInvCutoff;
    for (int j = 0; j < n; ++j) {
        if (w[j] < wmin) {
            messages.line(FreeLine(" zeroing a column # ") << (j + 1) << w[j]);
            w[j] = 0.0f;
        }
    }
    for (int i = 1; i <= n; ++i) {
        const float wi = w[i - 1];
        if (wi == 0.0f) continue;
        float s = 0.0f;
        for (int k = 1; k <= m; ++k)
            s += U(k, i) * rhs[k - 1];
        temp[i - 1] = s * wi / (wi * wi + alpha);
    }
    for (int i = 1; i <= n; ++i) {
        float s = 0.0f;
        for (int j = 1; j <= n; ++j)
            s += V(i, j) * temp[j - 1];
        x[i - 1] = s;
    }
    for (int j = 0; j < n; ++j) {
        const float denom = w[j] * w[j] + alpha;
        w2[j] = (w[j] + alpha == 0.0f) ? 0.0f : w[j] * w[j] / (denom * denom);
    }
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= i; ++j) {
            float s = 0.0f;
            for (int k = 1; k <= n; ++k)
                s += V(i, k) * V(j, k) * w2[k - 1];
            C(i, j) = s;
            C(j, i) = s;
        }
    }
    return true;
}

LeastSquaresFit::LeastSquaresFit(MessageSink& messages)
    : messages_(&messages), am_(static_cast<std::size_t>(kFitMaxPoints) * kFitMaxColumns),
      data_(kFitMaxPoints), u_(static_cast<std::size_t>(kFitMaxPoints) * kFitMaxColumns) {}

bool LeastSquaresFit::lfit(int ninv, int nfil, std::span<const float> x, std::span<const float> y,
                           std::span<const float> sig, int lsig, std::span<float> coef,
                           std::span<float> err, float& chi2) {
    constexpr int index = 1;
    constexpr float alpha = 0.0f;
    if (ninv > kFitMaxColumns) {
        messages_->line(FreeLine(" parameter ncol exceeded in lfit"));
        return false;
    }
    if (nfil > kFitMaxPoints) {
        messages_->line(FreeLine(" parameter npmax exceeded in lfit"));
        return false;
    }
    const int ncols = ninv >= 1 ? ninv : 1;
    // A single power term uses the exponent |ninv| - 1; a polynomial the exponents 0..ninv-1.
    const int power = ninv >= 1 ? 0 : -ninv - 1;
    const auto n = static_cast<std::size_t>(nfil);
    if (nfil < 0 || x.size() < n || y.size() < n || sig.size() < n ||
        coef.size() < static_cast<std::size_t>(ncols) ||
        err.size() < static_cast<std::size_t>(ncols))
        return false;

    constexpr int ld = kFitMaxPoints;
    Matrix<float> AM(std::span<float>(am_), ld);
    for (int i = 1; i <= nfil; ++i) {
        const float r = 1.0f / sig[i - 1];
        const float xi = x[i - 1];
        if (ninv >= 1) {
            for (int j = 1; j <= ncols; ++j)
                AM(i, j) = r * int_power(xi, j - 1);
        } else {
            AM(i, 1) = r * int_power(xi, power);
        }
        data_[static_cast<std::size_t>(i - 1)] = r * y[i - 1];
    }
    ncols_ = ncols;
    svd1(ld, kFitMaxColumns, nfil, ncols, am_, u_, v_, w_, index);
    inv(ld, kFitMaxColumns, nfil, ncols, u_, v_, w_, data_, xm_, alpha, cov_, *messages_);

    float chi = 0.0f;
    for (int i = 0; i < nfil; ++i) {
        float f = 0.0f;
        if (ninv >= 1) {
            for (int j = 0; j < ncols; ++j)
                f += xm_[static_cast<std::size_t>(j)] * int_power(x[i], j);
        } else {
            f = xm_[0] * int_power(x[i], power);
        }
        const float r = (y[i] - f) / sig[i];
        chi += r * r;
    }
    chi2 = chi;
    // With no degree of freedom left the scatter says nothing about the errors.
    const float scale = nfil > ncols ? std::sqrt(chi / static_cast<float>(nfil - ncols)) : 0.0f;
    for (int i = 0; i < ncols; ++i) {
        const auto k = static_cast<std::size_t>(i);
        coef[k] = xm_[k];
        const float se = std::sqrt(cov_[k + k * kFitMaxColumns]);
        err[k] = lsig != 0 ? se : se * scale;
    }
    return true;
}

} // namespace tw
