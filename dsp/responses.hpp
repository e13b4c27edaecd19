#pragma once
// Responses at one angular frequency w (rad/s): the recording instrument's pole-zero response,
// converted to the ground-motion quantity asked for, and ten standard instruments.
#include <span>

#include "dsp/complex_arith.hpp"
#include "records/records.hpp"

namespace tw {

// Quantities asked of `response`.
inline constexpr int kAsStored = 0;
inline constexpr int kDisplacement = 1;
inline constexpr int kVelocity = 2;
inline constexpr int kAcceleration = 3;

// value = norm * gs * prod(s - zero) / prod(s - pole) * s^k with s = i w, where k converts the
// stored quantity (instr.unit_code 0, 1, 2) to the one asked for (itype 1, 2, 3; 0 keeps it).
// When w is exactly 0 and a conversion is needed, w is raised to 1.0e-4 in the caller's variable.
// A record whose unit is none of the three known ones is evaluated without conversion (its power
// would otherwise be about 1000). Counts of poles and zeros are limited to the 60 stored entries.
void response(const InstrumentResponse& instr, cfloat& value, float& w, int itype);

// `response` at the spectral lines w = (first + i) * dw for every element of values, evaluated a
// block of lines at a time; each value is the one `response` gives at that line (at w = 0 the
// same 1.0e-4 rule applies).
void response_lines(const InstrumentResponse& instr, int itype, float dw, int first,
                    std::span<cfloat> values);

// The power k of s = i w that `response` applies to the pole-zero product for itype (0 when
// none, as for kAsStored and for a record of unknown unit).
int conversion_power(const InstrumentResponse& instr, int itype);

// `response_lines` for itype at the same lines, from `product`, the values response_lines gives
// there for kAsStored (the record's pole-zero product): only the conversion power is applied, one
// product per line, and each value is the one response_lines gives for itype. Blocks holding the
// frequency 0, where the conversion raises the frequency, are evaluated anew.
void response_lines_from_product(const InstrumentResponse& instr, int itype, float dw, int first,
                                 std::span<const cfloat> product, std::span<cfloat> values);

// `response_lines` for kAsStored into `product` and for itype into `values`, in one pass over the
// lines: each product is converted as it is formed, with the operations of
// response_lines_from_product.
void response_lines_with_product(const InstrumentResponse& instr, int itype, float dw, int first,
                                 std::span<cfloat> product, std::span<cfloat> values);

// Standard instruments: response to ground displacement.
void ben100(cfloat& value, float w); // Benioff, 0.83 s
void wood(cfloat& value, float w);   // Wood-Anderson, magnification 2080, mm per m
void ulp(cfloat& value, float w);    // long-period seismograph, 100 s
void wwsp(cfloat& value, float w);   // WWSSN short period
void wwlp(cfloat& value, float w);   // WWSSN long period
void hglp(cfloat& value, float w);   // long-period seismograph
void sts1(cfloat& value, float w);   // STS-1, 360 s
void ben14(cfloat& value, float w);  // Benioff
void asro(cfloat& value, float w);   // ASRO
void sts2(cfloat& value, float w);   // STS-2, 120 s

// Correction options 1 and 3 to 11 select the instruments above, in the order ben100, -, wood,
// ulp, wwsp, wwlp, hglp, sts1, ben14, asro, sts2.
bool has_standard_instrument(int option);
// The selected instrument at the lines w = (first + i) * dw; values are those of its routine.
void standard_lines(int option, float dw, int first, std::span<cfloat> values);

} // namespace tw
