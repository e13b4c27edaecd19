#include "time/leap_seconds.hpp"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifndef TW_LEAPSECONDS_FILE
#define TW_LEAPSECONDS_FILE "/usr/local/lib/leapseconds"
#endif

namespace tw {

namespace {

// Reads at most max_line characters, stopping after a newline; false at end of input.
bool read_line(std::istream& in, std::string& line) {
    line.clear();
    char c = 0;
    while (line.size() < LeapSecondTable::max_line && in.get(c)) {
        line.push_back(c);
        if (c == '\n') break;
    }
    return !line.empty();
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
    return {};
}

// One line: word, year, month name, day, hh:mm:ss, correction word, final word.
LeapLoadResult LeapSecondTable::add_line(const std::string& line, int line_no) {
    char word[max_line + 1], month_name[max_line + 1], corr_word[max_line + 1],
        last_word[max_line + 1];
    int year = 0, day = 0, hour = 0, minute = 0, second = 0;
    const int n = std::sscanf(line.c_str(), "%254s %d %254s %d %d:%d:%d %254s %254s", word, &year,
                              month_name, &day, &hour, &minute, &second, corr_word, last_word);
    if (n < 9) return {LeapLoadStatus::invalid_line, line_no};

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

    LeapSecond& e = entries_[count_];
    e.calendar =
        ext_time{year,   DOY[month - 1] + day + ((is_leap_year(year) && month > 2) ? 1 : 0),
                 month,  day,
                 hour,   minute,
                 second, 0};
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
    std::fputs(leap_load_message(result, path).c_str(), stderr);
    if (result.status != LeapLoadStatus::file_missing) std::exit(1);
}

const LeapSecond* is_leap_second(const int_time& it) {
    init_leap_second_table();
    for (const LeapSecond& e : LeapSecondTable::instance().entries())
        if (e.internal.year == it.year && e.internal.second == it.second) return &e;
    return nullptr;
}

} // namespace tw
