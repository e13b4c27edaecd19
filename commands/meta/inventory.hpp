#pragma once
// What tesk_meta takes from a station document (StationXML or RESP): station and channel epochs
// with the parts of the response the station files can hold.
#include <optional>
#include <string>
#include <vector>

#include "commands/meta/pole_zero.hpp"
#include "commands/meta/utc_time.hpp"

namespace tw::meta {

// Where a record came from, for messages.
struct Origin {
    std::string file;
    int line = 0;
};

struct StationEpoch {
    Origin origin;
    std::string network, station;
    std::optional<Instant> start, end; // no end: still operating
    std::optional<double> latitude, longitude, elevation;
};

// One stage of a response chain.
struct Stage {
    enum class Kind {
        gain_only,       // a gain without a transfer function
        laplace_radians, // poles and zeros in rad/s
        laplace_hertz,   // poles and zeros in Hz
        digital,         // a digital filter: coefficients, FIR, z-transform poles and zeros
        response_list,   // amplitudes and phases at listed frequencies
        polynomial,      // a non-linear sensor polynomial
        unknown,         // a transfer function type tesk_meta does not know
    };
    Kind kind = Kind::gain_only;
    int number = 0;
    std::string input_units, output_units;
    PoleZero pz;                   // as given (rad/s or Hz)
    std::optional<double> a0;      // normalisation factor
    std::optional<double> gain;    // stage gain
    std::optional<double> gain_hz; // frequency of the stage gain
};

struct OverallSensitivity {
    std::optional<double> value, frequency;
    std::string input_units;
};

struct ChannelEpoch {
    Origin origin;
    std::string network, station, location, channel;
    std::optional<Instant> start, end;
    std::optional<double> latitude, longitude, elevation, azimuth, dip;
    bool has_response = false;
    bool polynomial_response = false; // the overall response is a polynomial
    std::optional<OverallSensitivity> sensitivity;
    std::vector<Stage> stages;
    // RESP files carry no position or orientation: the orientation comes from the channel code.
    bool from_resp = false;
    // Faults found while reading the channel (a malformed number, ...); it cannot be used.
    std::vector<std::string> faults;
};

struct Inventory {
    std::vector<StationEpoch> stations;
    std::vector<ChannelEpoch> channels;
};

// NET.STA.LOC.CHA of a channel, for messages.
std::string channel_name(const ChannelEpoch& c);
// The epoch's period for messages: "2007-12-17T00:00:00 to open end".
std::string period_text(const std::optional<Instant>& start, const std::optional<Instant>& end);

} // namespace tw::meta
