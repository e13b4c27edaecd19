#include "commands/mag/tidy_table.hpp"

#include <cctype>
#include <cstdio>

namespace tw::mag {

namespace {

bool digit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The cell as it goes into the table: numeric columns only when they hold a number.
std::optional<std::string> cell_text(const ResultLine& row, Col c) {
    const std::string& text = row[c];
    if (text.empty()) return std::nullopt;
    if (is_numeric(c) && !row.number(c)) return std::nullopt;
    return text;
}

} // namespace

std::string csv_field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::optional<std::string> json_number(std::string_view text) {
    // [sign] digits [. digits] [E [sign] digits], with the digits on either side of the point
    // optional as Fortran writes them; JSON wants them present.
    std::size_t i = 0;
    std::string out;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') out += '-';
        ++i;
    }
    std::string whole, fraction;
    while (i < text.size() && digit(text[i]))
        whole += text[i++];
    bool point = false;
    if (i < text.size() && text[i] == '.') {
        point = true;
        ++i;
        while (i < text.size() && digit(text[i]))
            fraction += text[i++];
    }
    if (whole.empty() && fraction.empty()) return std::nullopt;
    // JSON allows no leading zeros: "007" is 7
    const std::size_t nonzero = whole.find_first_not_of('0');
    whole = nonzero == std::string::npos ? "0" : whole.substr(nonzero);
    out += whole;
    if (point) {
        out += '.';
        out += fraction.empty() ? std::string("0") : fraction;
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        out += 'E';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) out += text[i++];
        const std::size_t first = i;
        while (i < text.size() && digit(text[i]))
            out += text[i++];
        if (i == first) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    return out;
}

std::string tidy_csv(const RunResults& run) {
    std::string out;
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (c) out += ',';
        out += csv_field(kColumnNames[c]);
    }
    out += "\n";
    for (const ResultLine& row : run.lines) {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (c) out += ",";
            if (const auto text = cell_text(row, static_cast<Col>(c))) out += csv_field(*text);
        }
        out += "\n";
    }
    return out;
}

std::string tidy_json(const RunResults& run) {
    std::string out = "[";
    bool first_row = true;
    for (const ResultLine& row : run.lines) {
        out += first_row ? "\n  {" : ",\n  {";
        first_row = false;
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            const Col col = static_cast<Col>(c);
            out += (c ? ", " : "") + json_string(kColumnNames[c]) + ": ";
            const std::optional<std::string> text = cell_text(row, col);
            std::optional<std::string> number;
            if (text && is_numeric(col)) number = json_number(*text);
            if (!text || (is_numeric(col) && !number))
                out += "null";
            else
                out += is_numeric(col) ? *number : json_string(*text);
        }
        out += "}";
    }
    return out + "\n]\n";
}

} // namespace tw::mag
