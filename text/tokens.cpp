#include "text/tokens.hpp"

#include <cctype>
#include <cstdlib>

#include "text/fields.hpp"

namespace tw {
namespace {

std::string fit(std::string_view s, std::size_t length) {
    std::string out(s.substr(0, std::min(s.size(), length)));
    out.resize(length, ' ');
    return out;
}

bool is_digit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Index of the first character breaking [sign](digits[.digits]|.digits)[(e|E)[sign]digits],
// or npos when the whole text is a number.
std::size_t number_break(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool mantissa = false;
    while (i < s.size() && is_digit(s[i]))
        ++i, mantissa = true;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i]))
            ++i, mantissa = true;
    }
    if (!mantissa) return std::min(i, s.size() - 1);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        const std::size_t at = i++;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        bool exp_digits = false;
        while (i < s.size() && is_digit(s[i]))
            ++i, exp_digits = true;
        if (!exp_digits) return at;
    }
    return i == s.size() ? std::string_view::npos : i;
}

} // namespace

std::string ciptok(std::string_view text, int& position, std::size_t token_length) {
    const int length = static_cast<int>(text.size());
    if (position < 0) {
        position = 0;
        return fit("", token_length);
    }
    if (position >= length) {
        position = length;
        return fit("eoi", token_length);
    }
    char previous = position == 0 ? ' ' : text[static_cast<std::size_t>(position - 1)];
    int p = position;
    while (true) {
        ++p;
        if (p > length) {
            position = length;
            return fit("eoi", token_length);
        }
        const char c = text[static_cast<std::size_t>(p - 1)];
        if (c == ' ') continue;
        if (c == ',') {
            if (previous == ',') {
                position = p;
                return fit("", token_length);
            }
            previous = ',';
            continue;
        }
        int q = p;
        while (q < length && text[static_cast<std::size_t>(q)] != ' ' &&
               text[static_cast<std::size_t>(q)] != ',')
            ++q;
        position = q == length ? length : q + 1;
        return fit(
            text.substr(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(q - p + 1)),
            token_length);
    }
}

void cipnum(std::string_view token, float& value, int& flag) {
    value = 0.0f;
    flag = 0;
    std::string_view number = token.substr(0, token.find(' '));
    for (char c : number) {
        if (!is_digit(c) && c != '+' && c != '-' && c != '.' && c != 'E' && c != 'e') {
            flag = static_cast<unsigned char>(c);
            return;
        }
    }
    if (number.empty()) return;
    if (number.size() > 15) {
        flag = static_cast<unsigned char>(number[15]);
        return;
    }
    if (const auto at = number_break(number); at != std::string_view::npos) {
        flag = static_cast<unsigned char>(number[at]);
        return;
    }
    const auto v = read_real(number);
    if (!v) {
        flag = static_cast<unsigned char>(number[0]);
        return;
    }
    value = *v;
}

} // namespace tw
