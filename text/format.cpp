#include "text/format.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace tw {
namespace {

std::string stars(int width) {
    return std::string(static_cast<std::size_t>(std::max(width, 0)), '*');
}

std::string right_justify(const std::string& s, int width) {
    if (static_cast<int>(s.size()) > width) return stars(width);
    return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

} // namespace

std::string format_f(double value, int width, int decimals) {
    if (!std::isfinite(value)) return stars(width);
    const bool negative = std::signbit(value);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(value));
    std::string digits = buf;
    if (decimals == 0) digits += '.';
    // A value below 1 loses its optional leading zero before it overflows the field.
    const bool drop_zero = static_cast<int>(digits.size()) + (negative ? 1 : 0) > width &&
                           digits.size() > 1 && digits[0] == '0' && digits[1] == '.';
    std::string out;
    if (negative) out.push_back('-');
    out.append(digits, drop_zero ? 1 : 0, std::string::npos);
    return right_justify(out, width);
}

std::string format_e(double value, int width, int decimals) {
    if (!std::isfinite(value) || decimals < 1) return stars(width);
    const bool negative = std::signbit(value);
    std::string mantissa;
    int exponent = 0;
    if (value == 0.0) {
        mantissa.assign(static_cast<std::size_t>(decimals), '0');
    } else {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", decimals - 1, std::fabs(value));
        // buf is d.ddddde[+-]xx: the digits of 0.dddddd are the leading digit and the fraction
        const char* e = std::strchr(buf, 'e');
        const char* frac = buf + 2;
        mantissa.assign(1, buf[0]);
        mantissa.append(frac, e);
        exponent = std::atoi(e + 1) + 1;
    }
    std::string exp_text;
    char ebuf[16];
    if (std::abs(exponent) <= 99) {
        std::snprintf(ebuf, sizeof ebuf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    } else {
        std::snprintf(ebuf, sizeof ebuf, "%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    }
    exp_text = ebuf;
    // The leading zero of the mantissa is dropped when the field is too narrow for it.
    const bool with_zero =
        static_cast<int>(mantissa.size() + exp_text.size()) + (negative ? 1 : 0) + 2 <= width;
    std::string out;
    if (negative) out.push_back('-');
    out += with_zero ? "0." : ".";
    out += mantissa;
    out += exp_text;
    return right_justify(out, width);
}

std::string format_i(long long value, int width) {
    return right_justify(std::to_string(value), width);
}

std::string format_a(std::string_view text, int width) {
    if (static_cast<int>(text.size()) >= width)
        return std::string(text.substr(0, static_cast<std::size_t>(width)));
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + std::string(text);
}

FixedLine& FixedLine::at(int column) {
    const auto before = static_cast<std::size_t>(column - 1);
    if (column < 1 || line_.size() > before)
        throw std::logic_error("a field at column " + std::to_string(column) +
                               " overlaps the field before it");
    line_.append(before - line_.size(), ' ');
    return *this;
}

std::string_view strip_blanks(std::string_view field) {
    const auto first = field.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = field.find_last_not_of(' ');
    return field.substr(first, last - first + 1);
}

namespace {

// The magnitudes written without an exponent: from 1e-4 up to (not including) 1e9.
constexpr double kPlainBelow = 1.0e9;
constexpr double kPlainFrom = 1.0e-4;

// The shortest digits that read back as `value` in its own precision, as "d.dddE+xx" or plain.
template <typename T> std::string free_real(T value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    const T magnitude = std::fabs(value);
    const bool plain = magnitude == T(0) || (magnitude >= static_cast<T>(kPlainFrom) &&
                                             magnitude < static_cast<T>(kPlainBelow));
    char buf[128];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value,
                      plain ? std::chars_format::fixed : std::chars_format::scientific);
    if (ec != std::errc()) return "NaN";
    std::string text(buf, end);
    if (plain) {
        if (text.find('.') == std::string::npos) text += ".0";
        return text;
    }
    // d[.ddd]e[+-]xx: a decimal point in the mantissa, an upper-case E and two exponent digits
    const std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    if (mantissa.find('.') == std::string::npos) mantissa += ".0";
    const char sign = text[e + 1];
    std::string exponent = text.substr(e + 2);
    if (exponent.size() < 2) exponent.insert(0, 1, '0');
    return mantissa + "E" + sign + exponent;
}

} // namespace

std::string free_number(long long value) {
    return std::to_string(value);
}
std::string free_number(float value) {
    return free_real(value);
}
std::string free_number(double value) {
    return free_real(value);
}

FreeLine::FreeLine(std::string_view opening) {
    if (opening.empty() || opening.front() != ' ') line_ += ' ';
    line_ += opening;
}

void FreeLine::item(std::string_view s) {
    line_ += ' ';
    line_ += s;
}

FreeLine& FreeLine::operator<<(std::string_view s) {
    item(s);
    return *this;
}
FreeLine& FreeLine::operator<<(int v) {
    return *this << static_cast<long long>(v);
}
FreeLine& FreeLine::operator<<(long v) {
    return *this << static_cast<long long>(v);
}
FreeLine& FreeLine::operator<<(long long v) {
    item(free_number(v));
    return *this;
}
FreeLine& FreeLine::operator<<(float v) {
    item(free_number(v));
    return *this;
}
FreeLine& FreeLine::operator<<(double v) {
    item(free_number(v));
    return *this;
}

} // namespace tw
