// tesk_synth: writes a deterministic synthetic local earthquake recorded by a small network,
// as SEED data files with the station metadata, picks, event line and true ground motion.
//
//   tesk_synth [-o DIR] [-stations N] [-samples M] [-record 512|4096] [-seed S]
//              [-instruments shared|station|distinct]
//
// The defaults make the example event of examples/event bit for bit.
#include <charconv>
#include <cstdint>
#include <iostream>
#include <string_view>

#include "commands/standard_options.hpp"
#include "commands/synth/example_writer.hpp"

namespace {

void usage() {
    std::cout
        << " usage: tesk_synth [-o DIR] [-stations N] [-samples M] [-record 512|4096]"
           " [-seed S]\n"
           "                   [-instruments shared|station|distinct]\n"
           "   -o DIR        output folder (default: the current folder)\n"
           "   -stations N   number of three-component stations, 1 to 99 (default 4)\n"
           "   -samples M    samples per trace at 100 per second, 1000 to 32767 (default 12000)\n"
           "   -record L     SEED record length in bytes, 512 or 4096 (default 512)\n"
           "   -seed S       seed of the random numbers (default 20240315)\n"
           "   -instruments  shared: one broadband sensor on every channel (default);\n"
           "                 station: every station its own sensor, the same on its channels;\n"
           "                 distinct: every station its own sensor, every channel its own gain\n";
}

template <typename T> bool parse_number(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv) {
    if (auto status = tw::answer_help_or_version(argc, argv, "tesk_synth", usage)) return *status;
    tw::synth::SynthOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view opt = argv[i];
        if (i + 1 >= argc) {
            std::cout << " tesk_synth: option " << opt << " needs a value\n";
            usage();
            return 1;
        }
        const std::string_view value = argv[++i];
        bool ok = true;
        if (opt == "-o") {
            options.directory = std::string(value);
        } else if (opt == "-stations") {
            ok = parse_number(value, options.stations) && options.stations >= 1 &&
                 options.stations <= tw::synth::kMaxStations;
        } else if (opt == "-samples") {
            ok = parse_number(value, options.samples) &&
                 options.samples >= tw::synth::kMinSamples &&
                 options.samples <= tw::synth::kMaxSamples;
        } else if (opt == "-record") {
            ok = parse_number(value, options.record_length) &&
                 (options.record_length == 512 || options.record_length == 4096);
        } else if (opt == "-seed") {
            ok = parse_number(value, options.seed);
        } else if (opt == "-instruments") {
            using Instruments = tw::synth::SynthOptions::Instruments;
            ok = value == "shared" || value == "station" || value == "distinct";
            options.instruments = value == "shared"    ? Instruments::shared
                                  : value == "station" ? Instruments::station
                                                       : Instruments::channel;
        } else {
            std::cout << " tesk_synth: unknown option " << opt << "\n";
            usage();
            return 1;
        }
        if (!ok) {
            std::cout << " tesk_synth: bad value " << value << " for " << opt << "\n";
            usage();
            return 1;
        }
    }
    return tw::synth::write_example(options, std::cout);
}
