#pragma once
// Fixed-length, blank-padded text values as the station files and result lines use them.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tw {

// Position (1-based) of the last non-blank character, 0 when all blank.
inline int klen(std::string_view text) {
    for (std::size_t i = text.size(); i > 0; --i)
        if (text[i - 1] != ' ' && text[i - 1] != '\0') return static_cast<int>(i);
    return 0;
}

// Position (1-based) of the first non-blank character, 0 when all blank.
inline int kstart(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != ' ' && text[i] != '\0') return static_cast<int>(i + 1);
    return 0;
}

// N characters, blank-padded; assignment cuts or pads.
template <std::size_t N> struct FixedText {
    std::array<char, N> chars;

    FixedText() { chars.fill(' '); }
    FixedText(std::string_view s) { assign(s); } // NOLINT: implicit from text is the point

    FixedText& operator=(std::string_view s) {
        assign(s);
        return *this;
    }

    void assign(std::string_view s) {
        chars.fill(' ');
        std::copy_n(s.begin(), std::min(s.size(), N), chars.begin());
    }
    std::string_view view() const { return {chars.data(), N}; }
    // The text up to its last non-blank character.
    std::string_view trimmed() const { return view().substr(0, klen(view())); }
    // The first k characters (k <= N), as the key comparisons use them.
    std::string_view prefix(std::size_t k) const { return view().substr(0, std::min(k, N)); }
    std::string str() const { return std::string(view()); }
    char operator[](std::size_t i) const { return chars[i]; }
    char& operator[](std::size_t i) { return chars[i]; }
    bool operator==(const FixedText&) const = default;
};

} // namespace tw
