#include "time/parse_date.hpp"

#include <algorithm>
#include <cctype>
#include <limits>

namespace tw {

namespace {

constexpr std::size_t max_fixed_text = 39;
constexpr int max_fraction_digits = 6;

bool is_separator(char c) {
    return c == '/' || c == '.' || c == ',';
}

// Walks the text left to right; every read stops at the first character it cannot use.
class DateScanner {
  public:
    explicit DateScanner(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ == text_.size(); }

    bool take_separator() { return !at_end() && is_separator(text_[pos_]) && (++pos_, true); }
    bool take(char c) { return !at_end() && text_[pos_] == c && (++pos_, true); }

    // A base-10 integer: leading blanks and a sign are allowed, at least one digit is
    // required. Values beyond int saturate.
    std::optional<int> integer() {
        std::size_t p = pos_;
        while (p < text_.size() && std::isspace(static_cast<unsigned char>(text_[p])))
            ++p;
        bool negative = false;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) negative = text_[p++] == '-';
        const std::size_t first_digit = p;
        long long value = 0;
        constexpr long long limit = std::numeric_limits<int>::max();
        while (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p]))) {
            value = std::min(value * 10 + (text_[p] - '0'), limit + 1);
            ++p;
        }
        if (p == first_digit) return std::nullopt;
        pos_ = p;
        value = negative ? -value : std::min(value, limit);
        return static_cast<int>(value);
    }

    // The fraction of a second: 1 to 6 digits running to the end, scaled to microseconds.
    std::optional<int> fraction() {
        const std::string_view rest = text_.substr(pos_);
        if (rest.empty() || rest.size() > max_fraction_digits) return std::nullopt;
        int usec = 0;
        for (const char c : rest) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
            usec = usec * 10 + (c - '0');
        }
        for (std::size_t n = rest.size(); n < max_fraction_digits; ++n)
            usec *= 10;
        pos_ = text_.size();
        return usec;
    }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

bool in_range(const std::optional<int>& v, int lo, int hi) {
    return v && *v >= lo && *v <= hi;
}

} // namespace

std::optional<int_time> parse_date(std::string_view text) {
    text = text.substr(0, text.find('\0')); // a terminated string ends at its terminator

    // The number of separators before the first colon chooses the form.
    const std::size_t colon = text.find(':');
    const std::string_view date_part = text.substr(0, colon);
    const auto separators = std::count_if(date_part.begin(), date_part.end(), is_separator);
    const bool has_time = colon != std::string_view::npos;
    bool day_of_year_form = false;
    if (separators == (has_time ? 2 : 1))
        day_of_year_form = true;
    else if (separators != (has_time ? 3 : 2))
        return std::nullopt;

    ext_time et;
    DateScanner scan(text);

    const std::optional<int> year = scan.integer();
    if (!year) return std::nullopt;
    et.year = (*year >= 1 && *year <= 99) ? *year + 1900 : *year;
    if (!plausible_year(et.year)) return std::nullopt; // surely a typing error
    if (!scan.take_separator()) return std::nullopt;
    const int leap = is_leap_year(et.year) ? 1 : 0;

    if (day_of_year_form) {
        const std::optional<int> doy = scan.integer();
        if (!in_range(doy, 1, 365 + leap)) return std::nullopt;
        et.doy = *doy;
        dy_to_mdy(et.doy, et.year, et.month, et.day);
    } else {
        const std::optional<int> month = scan.integer();
        if (!in_range(month, 1, 12) || !scan.take_separator()) return std::nullopt;
        const std::optional<int> day = scan.integer();
        if (!in_range(day, 1, DPM[*month] + (*month == 2 ? leap : 0))) return std::nullopt;
        et.month = *month;
        et.day = *day;
        et.doy = DOY[et.month - 1] + et.day + (et.month > 2 ? leap : 0);
    }

    // Optional time of day; each part needs the one before it.
    if (!scan.at_end()) {
        const std::optional<int> hour = scan.take_separator() ? scan.integer() : std::nullopt;
        if (!in_range(hour, 0, 23)) return std::nullopt;
        et.hour = *hour;
    }
    if (!scan.at_end()) {
        const std::optional<int> minute = scan.take(':') ? scan.integer() : std::nullopt;
        if (!in_range(minute, 0, 59)) return std::nullopt;
        et.minute = *minute;
    }
    if (!scan.at_end()) {
        const std::optional<int> second = scan.take(':') ? scan.integer() : std::nullopt;
        if (!in_range(second, 0, 60)) return std::nullopt; // 60 admits a leap second
        et.second = *second;
    }
    if (!scan.at_end()) {
        const std::optional<int> usec = scan.take('.') ? scan.fraction() : std::nullopt;
        if (!usec) return std::nullopt;
        et.usec = *usec;
    }
    return ext_to_int(et);
}

namespace {

// Exactly `count` decimal digits at `pos`, advancing past them.
std::optional<int> fixed_digits(std::string_view text, std::size_t& pos, std::size_t count) {
    if (text.size() - pos < count) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    pos += count;
    return value;
}

bool take_char(std::string_view text, std::size_t& pos, char c) {
    return pos < text.size() && text[pos] == c && (++pos, true);
}

// The digits of a date part up to the next 'T' (or the end): 2 for a month, 3 for a day of year.
std::size_t digits_before_time(std::string_view text, std::size_t pos) {
    std::size_t n = 0;
    while (pos + n < text.size() && std::isdigit(static_cast<unsigned char>(text[pos + n])))
        ++n;
    return n;
}

} // namespace

std::optional<int_time> parse_iso_date(std::string_view text) {
    if (!text.empty() && text.back() == 'Z') text.remove_suffix(1);
    std::size_t pos = 0;
    ext_time et;
    const std::optional<int> year = fixed_digits(text, pos, 4);
    if (!year || !plausible_year(*year) || !take_char(text, pos, '-')) return std::nullopt;
    et.year = *year;
    const int leap = is_leap_year(et.year) ? 1 : 0;
    if (digits_before_time(text, pos) == 3) {
        const std::optional<int> doy = fixed_digits(text, pos, 3);
        if (!in_range(doy, 1, 365 + leap)) return std::nullopt;
        et.doy = *doy;
        dy_to_mdy(et.doy, et.year, et.month, et.day);
    } else {
        const std::optional<int> month = fixed_digits(text, pos, 2);
        if (!in_range(month, 1, 12) || !take_char(text, pos, '-')) return std::nullopt;
        const std::optional<int> day = fixed_digits(text, pos, 2);
        if (!in_range(day, 1, DPM[*month] + (*month == 2 ? leap : 0))) return std::nullopt;
        et.month = *month;
        et.day = *day;
        et.doy = DOY[et.month - 1] + et.day + (et.month > 2 ? leap : 0);
    }
    if (pos < text.size()) {
        if (!take_char(text, pos, 'T')) return std::nullopt;
        const std::optional<int> hour = fixed_digits(text, pos, 2);
        if (!in_range(hour, 0, 23)) return std::nullopt;
        et.hour = *hour;
        if (take_char(text, pos, ':')) {
            const std::optional<int> minute = fixed_digits(text, pos, 2);
            if (!in_range(minute, 0, 59)) return std::nullopt;
            et.minute = *minute;
            if (take_char(text, pos, ':')) {
                const std::optional<int> second = fixed_digits(text, pos, 2);
                if (!in_range(second, 0, 60)) return std::nullopt; // 60 admits a leap second
                et.second = *second;
                if (take_char(text, pos, '.') || take_char(text, pos, ',')) {
                    DateScanner scan(text.substr(pos));
                    const std::optional<int> usec = scan.fraction();
                    if (!usec) return std::nullopt;
                    et.usec = *usec;
                    pos = text.size();
                }
            }
        }
    }
    if (pos != text.size()) return std::nullopt;
    return ext_to_int(et);
}

std::optional<int_time> parse_origin_time(std::string_view text) {
    int_time t;
    if (f_parse_date(t, text) == 1) return t;
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return parse_iso_date(text);
}

int f_parse_date(int_time& out, std::string_view text) {
    text = text.substr(0, std::min(text.size(), max_fixed_text));
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    const std::optional<int_time> it = parse_date(text);
    if (!it) return 0;
    out = *it;
    return 1;
}

} // namespace tw
