#pragma once
// Makes the whole synthetic event: data files and metadata, written into one folder.
#include <cstdint>
#include <ostream>
#include <string>

namespace tw::synth {

struct SynthOptions {
    std::string directory = ".";
    int stations = 4;
    int samples = 12000;
    int record_length = 512;
    uint64_t seed = 20240315;
    // shared: one broadband sensor on every channel; station: every station its own sensor, the
    // same on its three channels; channel: the station's sensor with a gain of each channel's own.
    enum class Instruments { shared, station, channel };
    Instruments instruments = Instruments::shared;
};

// Limits of the options.
inline constexpr int kMaxStations = 99;
inline constexpr int kMinSamples = 1000;
inline constexpr int kMaxSamples = 32767; // the most a trace may hold when it is read

// Writes every file and a summary line per station to `log`. Returns 0, or 1 after a message
// on `log` when a file cannot be written.
int write_example(const SynthOptions& options, std::ostream& log);

// Names of the files, without the folder.
std::string data_file_name(const std::string& station, const char* channel);
inline constexpr const char* kCoordinateFile = "synth.stat";
inline constexpr const char* kResponseFile = "synth.resp";
inline constexpr const char* kSensitivityFile = "synth.sens";
inline constexpr const char* kPickFile = "synth.pick";
inline constexpr const char* kEventFile = "synth.event";
inline constexpr const char* kTruthFile = "synth.truth";

} // namespace tw::synth
