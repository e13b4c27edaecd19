#include "time/leap_seconds.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#ifndef TW_LEAPSECONDS_FILE
#define TW_LEAPSECONDS_FILE "/usr/local/lib/leapseconds"
#endif

namespace tw {

namespace {

// Reads one line whole, newline included, keeping at most max_line characters of it: a longer
// line (a long comment, say) is still one line, its rest read and dropped. False at the end.
bool read_line(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    char c = 0;
    while (in.get(c)) {
        any = true;
        if (line.size() < LeapSecondTable::max_line) line.push_back(c);
        if (c == '\n') break;
    }
    return any;
}

void trim_trailing_space(std::string& line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
}

// Month number 1..12 of an abbreviation, any case; 0 when unknown.
int month_number(std::string_view name) {
    for (std::size_t m = 0; m < MON.size(); ++m) {
        const std::string_view abbrev = MON[m];
        if (name.size() != abbrev.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(name[i])) ==
                   std::tolower(static_cast<unsigned char>(abbrev[i]));
        if (same) return static_cast<int>(m) + 1;
    }
    return 0;
}

// The fields of a line in the order "%s %d %s %d %d:%d:%d %s %s" reads them: blanks in the
// pattern skip any blanks, a number takes leading blanks and a sign, a colon must follow at once.
// Numbers are kept wide, so that no value of the file can overflow on the way.
class LeapLineScanner {
  public:
    explicit LeapLineScanner(std::string_view line) : line_(line) {}

    bool word(std::string& out) {
        skip_blanks();
        const std::size_t start = pos_;
        while (pos_ < line_.size() && !is_blank(line_[pos_]))
            ++pos_;
        out.assign(line_.substr(start, pos_ - start));
        return pos_ > start;
    }
    bool number(long long& out) {
        skip_blanks();
        std::size_t p = pos_;
        bool negative = false;
        if (p < line_.size() && (line_[p] == '+' || line_[p] == '-')) negative = line_[p++] == '-';
        const std::size_t digits = p;
        long long value = 0;
        constexpr long long cap = 1LL << 40; // far beyond every field, and no overflow
        for (; p < line_.size() && std::isdigit(static_cast<unsigned char>(line_[p])); ++p)
            value = std::min(value * 10 + (line_[p] - '0'), cap);
        if (p == digits) return false;
        pos_ = p;
        out = negative ? -value : value;
        return true;
    }
    bool colon() { return pos_ < line_.size() && line_[pos_] == ':' && (++pos_, true); }

  private:
    static bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
    void skip_blanks() {
        while (pos_ < line_.size() && is_blank(line_[pos_]))
            ++pos_;
    }
    std::string_view line_;
    std::size_t pos_ = 0;
};

} // namespace

LeapSecondTable& LeapSecondTable::instance() {
    static LeapSecondTable table;
    return table;
}

void LeapSecondTable::reset() {
    loaded_ = false;
    count_ = 0;
}

void LeapSecondTable::start_loading() {
    // Set first: the conversions used while loading read the entries loaded so far
    // and must not start another load.
    loaded_ = true;
    count_ = 0;
}

LeapLoadResult LeapSecondTable::load_file(const std::string& path) {
    start_loading();
    // Only a regular file is read: a device such as /dev/zero never ends, a fifo may never
    // deliver, so neither is opened.
    std::error_code ec;
    const auto kind = std::filesystem::status(path, ec).type();
    if (kind == std::filesystem::file_type::not_found || ec)
        return {LeapLoadStatus::file_missing, 0};
    if (kind != std::filesystem::file_type::regular) return {LeapLoadStatus::file_unreadable, 0};
    std::ifstream in(path);
    if (!in) return {LeapLoadStatus::file_missing, 0};
    return load_stream(in);
}

LeapLoadResult LeapSecondTable::load_text(std::string_view text) {
    std::istringstream in{std::string(text)};
    return load_stream(in);
}

LeapLoadResult LeapSecondTable::load_stream(std::istream& in) {
    start_loading();
    std::string line;
    int line_no = 0;
    while (read_line(in, line)) {
        ++line_no;
        trim_trailing_space(line);
        if (line.empty() || line.front() == '#') continue;
        if (count_ == capacity) return {LeapLoadStatus::too_many_entries, line_no};
        const LeapLoadResult r = add_line(line, line_no);
        if (r.status != LeapLoadStatus::ok) return r;
    }
    // A source that opened but could not be read (a folder, say) is no table at all.
    if (in.bad()) {
        count_ = 0;
        return {LeapLoadStatus::file_unreadable, 0};
    }
    return {};
}

// One line: word, year, month name, day, hh:mm:ss, correction word, final word. The instant must
// be a real one: a year of the plausible range, a day of its month, and the last second of a
// minute (second 60 for an inserted second, 59 for a removed one).
LeapLoadResult LeapSecondTable::add_line(const std::string& line, int line_no) {
    LeapLineScanner scan(line);
    std::string word, month_name, corr_word, last_word;
    long long year = 0, day = 0, hour = 0, minute = 0, second = 0;
    const bool complete = scan.word(word) && scan.number(year) && scan.word(month_name) &&
                          scan.number(day) && scan.number(hour) && scan.colon() &&
                          scan.number(minute) && scan.colon() && scan.number(second) &&
                          scan.word(corr_word) && scan.word(last_word);
    if (!complete) return {LeapLoadStatus::invalid_line, line_no};

    // An unknown month name would give an entry at day 0 of the year; refuse it.
    const int month = month_number(month_name);
    if (month == 0) return {LeapLoadStatus::invalid_line, line_no};

    int correction = 0;
    if (corr_word[0] == '+')
        correction = 1;
    else if (corr_word[0] == '-')
        correction = -1;
    else
        return {LeapLoadStatus::invalid_correction, line_no};

    if (!plausible_year(year)) return {LeapLoadStatus::invalid_line, line_no};
    const int leap_day = is_leap_year(year) ? 1 : 0;
    const int month_days = DPM[month] + (month == 2 ? leap_day : 0);
    if (day < 1 || day > month_days || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second != (correction > 0 ? 60 : 59))
        return {LeapLoadStatus::invalid_line, line_no};

    LeapSecond& e = entries_[count_];
    const auto y = static_cast<int32_t>(year), d = static_cast<int32_t>(day);
    e.calendar = ext_time{y,
                          DOY[month - 1] + d + (month > 2 ? leap_day : 0),
                          month,
                          d,
                          static_cast<int32_t>(hour),
                          static_cast<int32_t>(minute),
                          static_cast<int32_t>(second),
                          0};
    e.correction = correction;
    // Convert the second before (or after) the leap one, then step onto it: 23:59:60
    // becomes the second of the year just past 23:59:59.
    ext_time neighbour = e.calendar;
    neighbour.second -= correction;
    e.internal = ext_to_int(neighbour);
    e.internal.second += correction;
    ++count_;
    return {};
}

std::string leap_seconds_path() {
    const char* env = std::getenv("LEAPSECONDS");
    return env ? std::string(env) : std::string(TW_LEAPSECONDS_FILE);
}

std::string leap_load_message(const LeapLoadResult& result, const std::string& path) {
    const std::string line = std::to_string(result.line);
    switch (result.status) {
    case LeapLoadStatus::ok:
        return {};
    case LeapLoadStatus::file_missing:
    case LeapLoadStatus::file_unreadable:
        return "Warning: unable to open leap second file: " + path + "\n";
    case LeapLoadStatus::invalid_line:
        return "Error: invalid leapsecond line - line " + line + "\n";
    case LeapLoadStatus::invalid_correction:
        return "Error: invalid leapsecond correction - line " + line + "\n";
    case LeapLoadStatus::too_many_entries:
        return "Error: too many leapsecond entries - line " + line + "\n";
    }
    return {};
}

void init_leap_second_table() {
    LeapSecondTable& table = LeapSecondTable::instance();
    if (table.loaded()) return;
    const std::string path = leap_seconds_path();
    const LeapLoadResult result = table.load_file(path);
    if (result.status == LeapLoadStatus::ok) return;
    std::fflush(stdout); // what was said so far comes first in a combined log
    std::fputs(leap_load_message(result, path).c_str(), stderr);
    if (!leap_file_absent(result.status)) std::exit(1);
}

const LeapSecond* is_leap_second(const int_time& it) {
    init_leap_second_table();
    for (const LeapSecond& e : LeapSecondTable::instance().entries())
        if (e.internal.year == it.year && e.internal.second == it.second) return &e;
    return nullptr;
}

} // namespace tw
