#include "commands/meta/utc_time.hpp"

#include <cmath>
#include <cstdio>

namespace tw::meta {

namespace {

constexpr int64_t kUsecPerMinute = 60'000'000;
constexpr int64_t kUsecPerDay = 86'400'000'000;

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[m - 1] + (m == 2 && leap(y) ? 1 : 0);
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian calendar).
int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    int year, month, day;
};

Civil civil_from_days(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0)), m, d};
}

int64_t floor_div(int64_t a, int64_t b) {
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

MinuteDate minute_date(int64_t minutes) {
    const int64_t days = floor_div(minutes, 1440);
    const int64_t of_day = minutes - days * 1440;
    const Civil c = civil_from_days(days);
    const int doy = static_cast<int>(days - days_from_civil(c.year, 1, 1)) + 1;
    return {c.year, doy, static_cast<int>(of_day / 60), static_cast<int>(of_day % 60)};
}

// Reads exactly `width` digits at `pos`.
bool digits(std::string_view s, std::size_t& pos, std::size_t width, int& out) {
    if (pos + width > s.size()) return false;
    int v = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const char c = s[pos + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    pos += width;
    return true;
}

// Reads one or more digits at `pos` (at most 9).
bool some_digits(std::string_view s, std::size_t& pos, int& out) {
    std::size_t n = 0;
    while (pos + n < s.size() && n < 9 && s[pos + n] >= '0' && s[pos + n] <= '9')
        ++n;
    if (n == 0) return false;
    return digits(s, pos, n, out);
}

// Seconds with an optional fraction: digits[.digits].
bool seconds(std::string_view s, std::size_t& pos, double& out) {
    int whole = 0;
    if (!digits(s, pos, 2, whole) && !some_digits(s, pos, whole)) return false;
    out = whole;
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        double scale = 0.1;
        while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
            out += (s[pos] - '0') * scale;
            scale /= 10.0;
            ++pos;
        }
    }
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() &&
           (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<Instant> instant_of(int year, int month, int day, int hour, int minute,
                                  double second) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > days_in_month(year, month) || hour < 0 || hour > 24 || minute < 0 || minute > 59 ||
        !(second >= 0.0 && second < 61.0) || (hour == 24 && (minute != 0 || second != 0.0)))
        return std::nullopt;
    const int64_t days = days_from_civil(year, month, day);
    const auto usec = static_cast<int64_t>(std::llround(second * 1e6));
    return Instant{days * kUsecPerDay + (hour * 60LL + minute) * kUsecPerMinute + usec};
}

std::optional<Instant> instant_of_doy(int year, int doy, int hour, int minute, double second) {
    if (year < 1 || year > 9999 || doy < 1 || doy > (leap(year) ? 366 : 365)) return std::nullopt;
    const auto first = instant_of(year, 1, 1, hour, minute, second);
    if (!first) return std::nullopt;
    return Instant{first->usec + (doy - 1) * kUsecPerDay};
}

std::optional<Instant> parse_iso_time(std::string_view text) {
    const std::string_view s = trimmed(text);
    std::size_t pos = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0.0;
    if (!digits(s, pos, 4, year) || pos >= s.size() || s[pos++] != '-' ||
        !digits(s, pos, 2, month) || pos >= s.size() || s[pos++] != '-' || !digits(s, pos, 2, day))
        return std::nullopt;
    int64_t zone_minutes = 0;
    if (pos < s.size() && (s[pos] == 'T' || s[pos] == ' ')) {
        ++pos;
        if (!digits(s, pos, 2, hour) || pos >= s.size() || s[pos++] != ':' ||
            !digits(s, pos, 2, minute))
            return std::nullopt;
        if (pos < s.size() && s[pos] == ':') {
            ++pos;
            if (!seconds(s, pos, second)) return std::nullopt;
        }
        if (pos < s.size() && s[pos] == 'Z') {
            ++pos;
        } else if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
            const int sign = s[pos++] == '-' ? -1 : 1;
            int zh = 0, zm = 0;
            if (!digits(s, pos, 2, zh)) return std::nullopt;
            if (pos < s.size() && s[pos] == ':') ++pos;
            if (pos < s.size() && !digits(s, pos, 2, zm)) return std::nullopt;
            if (zh > 23 || zm > 59) return std::nullopt;
            zone_minutes = sign * (zh * 60 + zm);
        }
    }
    if (pos != s.size()) return std::nullopt;
    const auto t = instant_of(year, month, day, hour, minute, second);
    if (!t) return std::nullopt;
    return Instant{t->usec - zone_minutes * kUsecPerMinute};
}

std::optional<Instant> parse_resp_time(std::string_view text) {
    const std::string_view s = trimmed(text);
    std::size_t pos = 0;
    int year = 0, doy = 0, hour = 0, minute = 0;
    double second = 0.0;
    if (!digits(s, pos, 4, year) || pos >= s.size() || s[pos++] != ',' || !some_digits(s, pos, doy))
        return std::nullopt;
    if (pos < s.size() && s[pos] == ',') {
        ++pos;
        if (!some_digits(s, pos, hour)) return std::nullopt;
        if (pos < s.size() && s[pos] == ':') {
            ++pos;
            if (!some_digits(s, pos, minute)) return std::nullopt;
            if (pos < s.size() && s[pos] == ':') {
                ++pos;
                if (!seconds(s, pos, second)) return std::nullopt;
            }
        }
    }
    if (pos != s.size()) return std::nullopt;
    return instant_of_doy(year, doy, hour, minute, second);
}

MinuteDate floor_minute(Instant t) {
    return minute_date(floor_div(t.usec, kUsecPerMinute));
}

MinuteDate ceil_minute(Instant t) {
    return minute_date(-floor_div(-t.usec, kUsecPerMinute));
}

int year_of(Instant t) {
    return floor_minute(t).year;
}

std::string iso_text(Instant t) {
    const int64_t days = floor_div(t.usec, kUsecPerDay);
    const int64_t of_day = t.usec - days * kUsecPerDay;
    const Civil c = civil_from_days(days);
    const auto sec = static_cast<int>(of_day / 1'000'000 % 60);
    const auto minute = static_cast<int>(of_day / kUsecPerMinute % 60);
    const auto hour = static_cast<int>(of_day / (60 * kUsecPerMinute));
    const auto usec = static_cast<int>(of_day % 1'000'000);
    char buf[64];
    if (usec == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day,
                      hour, minute, sec);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%06d", c.year, c.month, c.day,
                      hour, minute, sec, usec);
    return buf;
}

} // namespace tw::meta
