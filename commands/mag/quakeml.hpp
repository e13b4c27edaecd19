#pragma once
// The run as a QuakeML 1.2 document: the event with its origin, one amplitude per
// Wood-Anderson line and per PGA, PGV and PGD line (SI units), the amplitude behind each
// station ML, the station magnitudes (ML, Me) and the network ML and Me with every station's
// contribution (rejected stations weighted 0).
#include <string>
#include <string_view>

#include "commands/mag/analysis.hpp"

namespace tw::mag {

// The default prefix of every resource identifier.
inline constexpr std::string_view kDefaultIdPrefix = "smi:local/tesk_wave";

// True when the text is a QuakeML resource identifier: "smi:" or "quakeml:", an authority of at
// least three characters, "/" and a path of the characters QuakeML allows.
bool valid_resource_id(std::string_view id);

// A prefix is usable when identifiers made from it are valid.
bool valid_id_prefix(std::string_view prefix);

// The text with every character an identifier path cannot hold replaced by "_".
std::string id_part(std::string_view text);

// Needs the origin time and the epicentre; `prefix` must be valid.
std::string quakeml_document(const Analysis& a, const std::string& prefix);

} // namespace tw::mag
