#pragma once
// Fixed-column fields of one station-file line, remembering whether any number was malformed.
#include <string>
#include <string_view>

#include "text/fields.hpp"

namespace tw {

class ColumnReader {
  public:
    explicit ColumnReader(std::string_view line) : line_(line) {}

    // Columns first..last (1-based, inclusive), blank-padded past the end of the line.
    std::string text(int first, int last) const { return column(line_, first, last); }

    int integer(int first, int last) {
        const auto v = read_int(text(first, last));
        ok_ = ok_ && v.has_value();
        return v.value_or(0);
    }

    // A real with implied decimals; scale 1 divides a value written without exponent by 10.
    float real(int first, int last, int decimals, int scale = 0) {
        const auto v = read_real(text(first, last), decimals, scale);
        ok_ = ok_ && v.has_value();
        return v.value_or(0.0f);
    }

    // False once any numeric field was no number.
    bool ok() const { return ok_; }

  private:
    std::string_view line_;
    bool ok_ = true;
};

} // namespace tw
