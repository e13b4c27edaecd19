#include "driver/geometry.hpp"

#include <cmath>

namespace tw {
namespace {

const float kPi = 4.0f * std::atan(1.0f);
const float kDegToRad = kPi / 180.0f;
const float kRadToDeg = 180.0f / kPi;
constexpr float kFlattening = 1.0f / 298.25f;

// Geocentric colatitude (radians) of a geographic latitude (radians).
float colatitude(float phi) {
    const float s = std::sin(phi);
    return kPi / 2.0f - phi +
           kFlattening * std::cos(phi) *
               ((2.0f - kFlattening) * s + 4.0f * kFlattening * s * s * s);
}

// Angle from the pole of the frame (theta_a, lambda_a) to the point (theta_b, lambda_b).
void rotated_angles(float theta_a, float lambda_a, float theta_b, float lambda_b, float& delta,
                    float& angle) {
    const float xs = std::sin(theta_b) * std::cos(lambda_b);
    const float ys = std::sin(theta_b) * std::sin(lambda_b);
    const float zs = std::cos(theta_b);
    const float x1 = std::cos(lambda_a) * xs + std::sin(lambda_a) * ys;
    const float y = std::cos(lambda_a) * ys - std::sin(lambda_a) * xs;
    const float x = std::cos(theta_a) * x1 - std::sin(theta_a) * zs;
    const float z = std::cos(theta_a) * zs + std::sin(theta_a) * x1;
    angles(x, y, z, delta, angle);
}

} // namespace

float km_per_degree() {
    return std::atan(1.0f) * 4.0f / 180.0f * 6371.0f;
}

void angles(float x, float y, float z, float& delta, float& azimuth) {
    const float r = std::sqrt(x * x + y * y);
    delta = std::atan2(r, z) * kRadToDeg;
    azimuth =
        (std::fabs(x) > 0.0001f || std::fabs(y) > 0.0001f) ? std::atan2(y, x) * kRadToDeg : 0.0f;
}

void azimth(float elat, float elon, float slat, float slon, float& delta, float& azim,
            float& bazim) {
    const float theta_e = colatitude(elat * kDegToRad);
    const float theta_s = colatitude(slat * kDegToRad);
    const float lambda_e = elon * kDegToRad;
    const float lambda_s = slon * kDegToRad;
    float a = 0.0f;
    rotated_angles(theta_e, lambda_e, theta_s, lambda_s, delta, a);
    azim = 180.0f - a;
    rotated_angles(theta_s, lambda_s, theta_e, lambda_e, delta, a);
    bazim = 180.0f - a;
}

} // namespace tw
