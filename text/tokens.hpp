#pragma once
// Token scanning and number decoding for free-format input (command line, pick file).
#include <string>
#include <string_view>

namespace tw {

// Next token of `text` after `position` (0 = before the first character; in/out). Tokens are
// separated by blanks and commas; two commas in a row give a blank token, a scan past the last
// token gives "eoi", a negative position gives a blank token and resets the position to 0. The
// token is cut or blank-padded to `token_length`.
std::string ciptok(std::string_view text, int& position, std::size_t token_length);

// Decodes the token up to its first blank as a real number. `flag` is 0 on success; otherwise
// `value` is 0 and `flag` is the code of the offending character (for an over-long text or one
// that is no number although made of digits, signs, points and exponent letters, the code of
// the first character that breaks the number).
void cipnum(std::string_view token, float& value, int& flag);

} // namespace tw
