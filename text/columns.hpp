#pragma once
// A field of a fixed-column line, for the writer that places it and the reader that cuts it.

namespace tw {

struct Column {
    int first = 1;    // first column, from 1
    int width = 0;    // columns it takes
    int decimals = 0; // decimals of a real; mantissa digits of the exponent form

    constexpr int last() const { return first + width - 1; }
};

} // namespace tw
