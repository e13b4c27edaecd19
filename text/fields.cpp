#include "text/fields.hpp"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tw {

std::string column(std::string_view line, int first, int last) {
    std::string out(static_cast<std::size_t>(std::max(last - first + 1, 0)), ' ');
    for (int c = first; c <= last; ++c) {
        const auto i = static_cast<std::size_t>(c - 1);
        if (i < line.size() && line[i] != '\n' && line[i] != '\r')
            out[static_cast<std::size_t>(c - first)] = line[i];
    }
    return out;
}

std::string column(std::string_view line, const Column& c) {
    return column(line, c.first, c.last());
}

std::string field_text(std::string_view line, const Column& c) {
    const std::string text = column(line, c);
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

namespace {

// A field reduced to canonical "[-]digits e exponent" text, or nothing when it is no number.
std::optional<std::string> canonical_real(std::string_view field, int decimals, int scale) {
    std::string s;
    for (char ch : field)
        if (ch != ' ' && ch != '\t') s += ch;
    if (s.empty()) return std::string("0");

    std::size_t i = 0;
    std::string sign;
    if (s[i] == '+' || s[i] == '-') sign = (s[i++] == '-') ? "-" : "";
    std::string int_digits, frac_digits;
    bool point = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        int_digits += s[i++];
    if (i < s.size() && s[i] == '.') {
        point = true;
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            frac_digits += s[i++];
    }
    if (int_digits.empty() && frac_digits.empty()) return std::nullopt;

    bool has_exponent = false;
    long exponent = 0;
    if (i < s.size()) {
        // Exponent: E or D with optional sign, or a bare sign, followed by digits.
        if (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')
            ++i;
        else if (s[i] != '+' && s[i] != '-')
            return std::nullopt;
        int exp_sign = 1;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) exp_sign = (s[i++] == '-') ? -1 : 1;
        std::string exp_digits;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            exp_digits += s[i++];
        if (exp_digits.empty() || i != s.size() || exp_digits.size() > 6) return std::nullopt;
        exponent = exp_sign * std::strtol(exp_digits.c_str(), nullptr, 10);
        has_exponent = true;
    }
    long shift = exponent;
    if (!point) shift -= decimals;
    if (!has_exponent) shift -= scale;
    return sign + (int_digits.empty() ? "0" : int_digits) + "." + frac_digits + "e" +
           std::to_string(shift);
}

} // namespace

std::optional<float> read_real(std::string_view field, int decimals, int scale) {
    auto text = canonical_real(field, decimals, scale);
    if (!text) return std::nullopt;
    errno = 0;
    const float v = std::strtof(text->c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> read_double(std::string_view field, int decimals, int scale) {
    auto text = canonical_real(field, decimals, scale);
    if (!text) return std::nullopt;
    const double v = std::strtod(text->c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int> read_int(std::string_view field) {
    std::string s;
    for (char ch : field)
        if (ch != ' ' && ch != '\t') s += ch;
    if (s.empty()) return 0;
    std::size_t i = 0;
    if (s[0] == '+' || s[0] == '-') i = 1;
    if (i == s.size() || s.size() - i > 10) return std::nullopt;
    for (std::size_t k = i; k < s.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(s[k]))) return std::nullopt;
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (v > 2147483647LL || v < -2147483648LL) return std::nullopt;
    return static_cast<int>(v);
}

} // namespace tw
