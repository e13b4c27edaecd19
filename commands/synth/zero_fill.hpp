#pragma once
// Zero-filled numeric fields (sequence numbers, times of day) built on the text module's
// right-justified fields.
#include <string>

#include "text/format.hpp"

namespace tw::synth {

// The field with its leading blanks turned into zeros (a sign, if any, stays in front).
inline std::string zero_filled(std::string field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        field[i++] = '0';
    if (i > 0 && i < field.size() && field[i] == '-') {
        field[i] = '0';
        field[0] = '-';
    }
    return field;
}

inline std::string zero_filled_i(long long value, int width) {
    return zero_filled(format_i(value, width));
}

inline std::string zero_filled_f(double value, int width, int decimals) {
    return zero_filled(format_f(value, width, decimals));
}

} // namespace tw::synth
