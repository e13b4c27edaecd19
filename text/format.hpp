#pragma once
// Fortran-style fixed-width fields for result lines, and free-format message lines.
#include <string>
#include <string_view>

#include "text/columns.hpp"

namespace tw {

// Fw.d: right-justified, d decimals; the leading zero of a value below 1 is dropped when the
// field is too narrow for it; a value that does not fit fills the field with asterisks.
std::string format_f(double value, int width, int decimals);

// Ew.d: [-]0.ddddd E+xx (d mantissa digits); the leading zero is dropped when the field is too
// narrow for it (".12345E+02" in 10 columns); asterisks when it still does not fit.
std::string format_e(double value, int width, int decimals);

// Iw: right-justified integer, asterisks when too wide.
std::string format_i(long long value, int width);

// Aw: text right-justified in its field; longer text keeps its first `width` characters.
std::string format_a(std::string_view text, int width);

// The field without its leading and trailing blanks.
std::string_view strip_blanks(std::string_view field);

// A fixed-column line built field by field from left to right, either each field after the
// previous one or each at the columns of a layout.
class FixedLine {
  public:
    // Blanks up to the column before `column` (from 1), so that the next field starts there.
    // Throws std::logic_error when the line already reaches into that column: the fields of a
    // layout overlap.
    FixedLine& at(int column);
    // Fields at their columns: text from the first column (cut to the width), and the formats
    // below with the column's width and decimals.
    FixedLine& text(std::string_view s, const Column& c) {
        return at(c.first).text(s.substr(0, static_cast<std::size_t>(c.width)));
    }
    FixedLine& a(std::string_view s, const Column& c) { return at(c.first).a(s, c.width); }
    FixedLine& f(double v, const Column& c) { return at(c.first).f(v, c.width, c.decimals); }
    FixedLine& e(double v, const Column& c) { return at(c.first).e(v, c.width, c.decimals); }
    FixedLine& i(long long v, const Column& c) { return at(c.first).i(v, c.width); }

    FixedLine& text(std::string_view s) {
        line_ += s;
        return *this;
    }
    FixedLine& a(std::string_view s, int width) {
        line_ += format_a(s, width);
        return *this;
    }
    FixedLine& f(double v, int width, int decimals) {
        line_ += format_f(v, width, decimals);
        return *this;
    }
    FixedLine& e(double v, int width, int decimals) {
        line_ += format_e(v, width, decimals);
        return *this;
    }
    FixedLine& i(long long v, int width) {
        line_ += format_i(v, width);
        return *this;
    }
    FixedLine& blanks(int n) {
        line_.append(static_cast<std::size_t>(n), ' ');
        return *this;
    }
    const std::string& str() const { return line_; }

  private:
    std::string line_;
};

// A number as a free-format line writes it: integers as their digits; reals as a person writes
// them, with a decimal point ("1000000.0", "-0.25", "46.05") and the fewest digits that still read
// back as the same value of their own precision; an exponent ("1.5E+09", "2.0E-07") only for
// magnitudes from 1e9 up and below 1e-4. Not-a-number and infinities read "NaN", "Infinity".
std::string free_number(long long value);
std::string free_number(float value);
std::string free_number(double value);

// A free-format line: it starts with one blank and separates its items by one blank each.
// Message texts are quoted with the blanks they begin with ("  Tesk_wave - ...", " Before window
// extraction: "). Such a text opens the line as it stands, FreeLine(text): its first blank is the
// line's leading blank, so the writer adds none in front of it; a text that begins with no blank
// gets the line's one blank. Items added with << (numbers, names, codes, later words) are each
// preceded by one blank.
class FreeLine {
  public:
    // A line whose first item comes from the data (a file name, a phase code).
    FreeLine() = default;
    // A line opened by a message text, written as it is quoted.
    explicit FreeLine(std::string_view opening);

    FreeLine& operator<<(std::string_view s);
    FreeLine& operator<<(const char* s) { return *this << std::string_view(s); }
    FreeLine& operator<<(const std::string& s) { return *this << std::string_view(s); }
    FreeLine& operator<<(int v);
    FreeLine& operator<<(long v);
    FreeLine& operator<<(long long v);
    FreeLine& operator<<(float v);
    FreeLine& operator<<(double v);
    const std::string& str() const { return line_; }

  private:
    void item(std::string_view s);
    std::string line_;
};

} // namespace tw
