#pragma once
// Fortran-style fixed-width fields for result lines, and free-format message lines.
#include <string>
#include <string_view>

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

// A fixed-column line built field by field from left to right.
class FixedLine {
  public:
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

// A free-format line: one leading blank, then the items separated by single blanks. Numbers take
// their shortest exact form.
class FreeLine {
  public:
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
