#include "commands/meta/station_columns.hpp"

#include <cmath>

#include "text/fields.hpp"
#include "text/format.hpp"

namespace tw::meta {

std::string pole_text(double value) {
    return format_e(value, 14, 6);
}

std::string gain_text(double value) {
    return format_e(value, 15, 8);
}

std::string sensitivity_text(double value) {
    return format_e(value, 12, 5);
}

double as_written(const std::string& text) {
    return read_double(text).value_or(std::nan(""));
}

std::string fitted_f(double value, int width, int max_decimals) {
    std::string text = format_f(value, width, max_decimals);
    for (int d = max_decimals - 1; d >= 0 && text.find('*') != std::string::npos; --d)
        text = format_f(value, width, d);
    return text;
}

std::string station_key_text(std::string_view station) {
    std::string key(station.substr(0, 4));
    key.resize(4, ' ');
    if (key[3] == ' ') key[3] = '_';
    return key;
}

} // namespace tw::meta
