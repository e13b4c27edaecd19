#include "estimators/least_squares.hpp"

#include <gtest/gtest.h>

#include "text/messages.hpp"
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace tw {
namespace {

int count_lines(const std::string& text, const std::string& prefix) {
    int count = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) ++count;
    return count;
}

// Solves the weighted normal equations (A^T A) c = A^T b in double precision by Gauss-Jordan
// elimination and returns the coefficients and the inverse of A^T A.
void normal_equations(const std::vector<double>& x, const std::vector<double>& y,
                      const std::vector<double>& sig, int n, std::vector<double>& c,
                      std::vector<std::vector<double>>& inverse) {
    std::vector<std::vector<double>> m(n, std::vector<double>(2 * n + 1, 0.0));
    for (std::size_t i = 0; i < x.size(); ++i) {
        std::vector<double> row(n);
        for (int j = 0; j < n; ++j)
            row[j] = std::pow(x[i], j) / sig[i];
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k)
                m[j][k] += row[j] * row[k];
            m[j][2 * n] += row[j] * y[i] / sig[i];
        }
    }
    for (int j = 0; j < n; ++j)
        m[j][n + j] = 1.0;
    for (int p = 0; p < n; ++p) {
        const double piv = m[p][p];
        for (auto& v : m[p])
            v /= piv;
        for (int r = 0; r < n; ++r) {
            if (r == p) continue;
            const double f = m[r][p];
            for (int k = 0; k <= 2 * n; ++k)
                m[r][k] -= f * m[p][k];
        }
    }
    c.assign(n, 0.0);
    inverse.assign(n, std::vector<double>(n));
    for (int j = 0; j < n; ++j) {
        c[j] = m[j][2 * n];
        for (int k = 0; k < n; ++k)
            inverse[j][k] = m[j][n + k];
    }
}

class LeastSquaresTest : public ::testing::Test {
  protected:
    MessageLog messages;
    LeastSquaresFit fit{messages};
    std::vector<float> coef = std::vector<float>(5, -7.0f);
    std::vector<float> err = std::vector<float>(5, -7.0f);
    float chi2 = -7.0f;
};

TEST_F(LeastSquaresTest, ExactLineGivesItsCoefficientsAndNoScatter) {
    std::vector<float> x, y, sig;
    for (int i = 1; i <= 20; ++i) {
        x.push_back(0.5f * static_cast<float>(i));
        y.push_back(3.0f + 2.0f * x.back());
        sig.push_back(1.0f);
    }
    ASSERT_TRUE(fit.lfit(2, 20, x, y, sig, 0, coef, err, chi2));
    EXPECT_NEAR(coef[0], 3.0f, 1e-5);
    EXPECT_NEAR(coef[1], 2.0f, 1e-5);
    EXPECT_NEAR(chi2, 0.0f, 1e-8);
    EXPECT_NEAR(err[0], 0.0f, 1e-4);
    EXPECT_NEAR(err[1], 0.0f, 1e-4);
    EXPECT_EQ(coef[2], -7.0f) << "only the fitted coefficients are written";
    EXPECT_TRUE(messages.out.empty());
}

TEST_F(LeastSquaresTest, IdenticalColumnsAreZeroedToTheMinimumNormSolution) {
    // All abscissae equal: the constant and linear columns are proportional (1 and 2).
    std::vector<float> x(10, 2.0f), y(10, 5.0f), sig(10, 1.0f);
    ASSERT_TRUE(fit.lfit(2, 10, x, y, sig, 1, coef, err, chi2));
    const std::string out = messages.out;
    EXPECT_EQ(count_lines(out, " zeroing a column # "), 1) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    // c1 + 2 c2 = 5 with the smallest |c| is c = (1, 2).
    EXPECT_NEAR(coef[0], 1.0f, 1e-4);
    EXPECT_NEAR(coef[1], 2.0f, 1e-4);
    EXPECT_NEAR(chi2, 0.0f, 1e-6);
    const auto w = fit.singular_values();
    EXPECT_EQ(std::count(w.begin(), w.end(), 0.0f), 1) << "the zeroed value is kept";
}

TEST_F(LeastSquaresTest, RefusesTooManyCoefficientsOrPointsAndLeavesOutputs) {
    std::vector<float> x(10, 1.0f), y(10, 1.0f), sig(10, 1.0f);
    EXPECT_FALSE(fit.lfit(6, 10, x, y, sig, 0, coef, err, chi2));
    EXPECT_EQ(messages.out, " parameter ncol exceeded in lfit\n");
    messages.out.clear();
    EXPECT_FALSE(fit.lfit(2, 65537, x, y, sig, 0, coef, err, chi2));
    EXPECT_EQ(messages.out, " parameter npmax exceeded in lfit\n");
    EXPECT_EQ(coef[0], -7.0f);
    EXPECT_EQ(err[0], -7.0f);
    EXPECT_EQ(chi2, -7.0f);
    // Fewer values than points claimed: refused without reading past them.
    EXPECT_FALSE(fit.lfit(2, 11, x, y, sig, 0, coef, err, chi2));
    EXPECT_EQ(coef[0], -7.0f);
}

TEST_F(LeastSquaresTest, AgreesWithDoublePrecisionNormalEquations) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> ux(-1.0, 1.0), us(0.5, 2.0), noise(-0.3, 0.3);
    const int npts = 400;
    std::vector<double> xd, yd, sd;
    std::vector<float> x, y, sig;
    for (int i = 0; i < npts; ++i) {
        const double xi = static_cast<float>(ux(rng));
        const double si = static_cast<float>(us(rng));
        const double yi = static_cast<float>(1.5 - 2.0 * xi + 0.75 * xi * xi + si * noise(rng));
        xd.push_back(xi), yd.push_back(yi), sd.push_back(si);
        x.push_back(static_cast<float>(xi)), y.push_back(static_cast<float>(yi));
        sig.push_back(static_cast<float>(si));
    }
    std::vector<double> c;
    std::vector<std::vector<double>> cinv;
    normal_equations(xd, yd, sd, 3, c, cinv);
    double chi_ref = 0.0;
    for (int i = 0; i < npts; ++i) {
        const double r = (yd[i] - (c[0] + c[1] * xd[i] + c[2] * xd[i] * xd[i])) / sd[i];
        chi_ref += r * r;
    }

    ASSERT_TRUE(fit.lfit(3, npts, x, y, sig, 1, coef, err, chi2));
    for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(coef[j], c[j], 2e-5 * (1.0 + std::fabs(c[j]))) << j;
        EXPECT_NEAR(err[j], std::sqrt(cinv[j][j]), 1e-4 * std::sqrt(cinv[j][j])) << j;
    }
    EXPECT_NEAR(chi2, chi_ref, 1e-4 * chi_ref);

    // Without trusted deviations the errors scale with the scatter about the fit.
    std::vector<float> err_scaled(5);
    ASSERT_TRUE(fit.lfit(3, npts, x, y, sig, 0, coef, err_scaled, chi2));
    const double scale = std::sqrt(chi_ref / (npts - 3));
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(err_scaled[j], std::sqrt(cinv[j][j]) * scale, 1e-4 * err_scaled[j]) << j;
    EXPECT_TRUE(messages.out.empty());
}

TEST_F(LeastSquaresTest, SinglePowerTermModels) {
    std::vector<float> x, parabola, hyperbola, sig;
    for (int i = 1; i <= 8; ++i) {
        const float xi = static_cast<float>(i);
        x.push_back(xi);
        parabola.push_back(4.0f * xi * xi);
        hyperbola.push_back(3.0f / xi);
        sig.push_back(1.0f);
    }
    ASSERT_TRUE(fit.lfit(-3, 8, x, parabola, sig, 0, coef, err, chi2));
    EXPECT_NEAR(coef[0], 4.0f, 1e-5);
    EXPECT_EQ(coef[1], -7.0f) << "a single term has one coefficient";
    ASSERT_TRUE(fit.lfit(0, 8, x, hyperbola, sig, 0, coef, err, chi2));
    EXPECT_NEAR(coef[0], 3.0f, 1e-5);
    // A line through the origin fitted to an offset line leaves scatter behind.
    std::vector<float> offset;
    for (float xi : x)
        offset.push_back(1.0f + xi);
    ASSERT_TRUE(fit.lfit(-2, 8, x, offset, sig, 0, coef, err, chi2));
    EXPECT_GT(chi2, 0.1f);
    EXPECT_GT(err[0], 0.0f);
}

TEST_F(LeastSquaresTest, NoDegreeOfFreedomGivesZeroErrors) {
    std::vector<float> x{1.0f, 3.0f}, y{2.0f, 8.0f}, sig{1.0f, 1.0f};
    ASSERT_TRUE(fit.lfit(2, 2, x, y, sig, 0, coef, err, chi2));
    EXPECT_NEAR(coef[0], -1.0f, 1e-5);
    EXPECT_NEAR(coef[1], 3.0f, 1e-5);
    EXPECT_EQ(err[0], 0.0f);
    EXPECT_EQ(err[1], 0.0f);
    // One point for two coefficients: a minimum-norm solution through that point.
    ASSERT_TRUE(fit.lfit(2, 1, x, y, sig, 0, coef, err, chi2));
    EXPECT_NEAR(coef[0] + coef[1] * 1.0f, 2.0f, 1e-5);
    EXPECT_EQ(err[1], 0.0f);
    EXPECT_TRUE(std::isfinite(coef[0]) && std::isfinite(coef[1]));
}

TEST(Svd1, DecomposesWithoutChangingTheInput) {
    constexpr int lda = 8, ldv = 5, m = 7, n = 4;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u01(-1.0f, 1.0f);
    std::vector<float> a(lda * n), u(lda * n), v(ldv * ldv), w(n);
    for (auto& value : a)
        value = u01(rng);
    const auto original = a;
    ASSERT_TRUE(svd1(lda, ldv, m, n, a, u, v, w, 1));
    EXPECT_EQ(a, original);
    for (float s : w)
        EXPECT_GE(s, 0.0f);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
            float s = 0.0f;
            for (int k = 0; k < n; ++k)
                s += u[i + k * lda] * w[k] * v[j + k * ldv];
            EXPECT_NEAR(s, a[i + j * lda], 1e-5) << i << "," << j;
        }
    for (int p = 0; p < n; ++p)
        for (int q = 0; q < n; ++q) {
            float uu = 0.0f, vv = 0.0f;
            for (int i = 0; i < m; ++i)
                uu += u[i + p * lda] * u[i + q * lda];
            for (int i = 0; i < n; ++i)
                vv += v[i + p * ldv] * v[i + q * ldv];
            EXPECT_NEAR(uu, p == q ? 1.0f : 0.0f, 1e-5);
            EXPECT_NEAR(vv, p == q ? 1.0f : 0.0f, 1e-5);
        }
    // Without accumulation the singular values are the same.
    std::vector<float> w_only(n);
    ASSERT_TRUE(svd1(lda, ldv, m, n, a, u, v, w_only, 4));
    for (int k = 0; k < n; ++k)
        EXPECT_NEAR(w_only[k], w[k], 1e-5);
}

TEST(Svd1, FewerRowsThanColumnsAndBadShapes) {
    std::vector<float> a{3.0f, 0.0f, 4.0f, 0.0f}; // 1 x 2 in a 2-row store: [3 4]
    std::vector<float> u(4), v(4), w(2);
    ASSERT_TRUE(svd1(2, 2, 1, 2, a, u, v, w, 1));
    std::sort(w.begin(), w.end());
    EXPECT_NEAR(w[0], 0.0f, 1e-6);
    EXPECT_NEAR(w[1], 5.0f, 1e-5);
    EXPECT_FALSE(svd1(2, 2, 3, 2, a, u, v, w, 1)) << "more rows than the store holds";
    EXPECT_FALSE(svd1(2, 2, 2, 6, a, u, v, w, 1)) << "more columns than supported";
}

} // namespace
} // namespace tw
