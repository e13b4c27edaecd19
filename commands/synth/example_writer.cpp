#include "commands/synth/example_writer.hpp"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <span>
#include <vector>

#include "commands/synth/ground_motion.hpp"
#include "commands/synth/instrument.hpp"
#include "commands/synth/metadata_files.hpp"
#include "commands/synth/network.hpp"
#include "commands/synth/recording.hpp"
#include "commands/synth/seed_records.hpp"
#include "commands/synth/truth.hpp"
#include "text/format.hpp"

namespace tw::synth {
namespace {

constexpr double kClipLevel = 0.85 * 8388608.0; // where the analyser flags a trace as clipped

bool write_bytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

bool write_text(const std::filesystem::path& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
    return static_cast<bool>(f);
}

// Rounded to the 10 ms of the pick file.
UtcInstant pick_time(const UtcInstant& first_sample, double seconds_after) {
    return first_sample.plus_microseconds(std::llround(seconds_after * 100.0) * 10000LL);
}

} // namespace

std::string data_file_name(const std::string& station, const char* channel) {
    return std::string(kNetwork) + "." + station + ".." + channel + ".mseed";
}

int write_example(const SynthOptions& options, std::ostream& log) {
    const std::filesystem::path dir(options.directory);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir)) {
        log << " tesk_synth: cannot create folder " << options.directory << "\n";
        return 1;
    }

    const Event event = example_event();
    const Instrument shared = broadband_instrument();
    const EarthModel model;
    const TraceGrid grid = make_grid(event, static_cast<std::size_t>(options.samples));
    const std::vector<Station> stations = station_layout(event, options.stations);

    std::vector<StationResult> results;
    for (int i = 0; i < options.stations; ++i) {
        const Station& st = stations[static_cast<std::size_t>(i)];
        const GroundMotion gm = simulate_ground_motion(event, st, i, grid, options.seed, model);
        StationResult r;
        r.station = st;
        r.p_pick = pick_time(grid.start, gm.p_arrival);
        r.s_pick = pick_time(grid.start, gm.s_arrival);
        r.p_motion = first_motion(gm.velocity[kZ], grid, gm.p_arrival);
        for (std::size_t c = 0; c < 3; ++c) {
            r.truth[c] = component_truth(gm.velocity[c], grid);
            using Instruments = SynthOptions::Instruments;
            const int calibrated =
                options.instruments == Instruments::channel ? static_cast<int>(c) : 0;
            r.instruments[c] = options.instruments == Instruments::shared
                                   ? shared
                                   : instrument_of(station_sensor(i, calibrated));
            const std::vector<int32_t> counts =
                record_component(gm.velocity[c], r.instruments[c], grid, i,
                                 static_cast<Component>(c), options.seed, model.low_cut_hz);
            int32_t largest = 0;
            for (int32_t v : counts)
                largest = std::max(largest, v < 0 ? -v : v);
            r.largest_count[c] = largest;

            ChannelRecords layout;
            layout.network = kNetwork;
            layout.station = st.code;
            layout.channel = kChannels[c];
            layout.start = grid.start;
            layout.sample_rate = static_cast<int>(std::lround(1.0 / grid.dt));
            layout.record_length = options.record_length;
            const std::vector<uint8_t> bytes = encode_records(layout, counts);
            const std::string name = data_file_name(st.code, kChannels[c]);
            if (bytes.empty() || !write_bytes(dir / name, bytes)) {
                log << " tesk_synth: cannot write " << (dir / name).string() << "\n";
                return 1;
            }
        }
        FreeLine summary;
        summary << st.code << "distance" << format_f(st.epicentral_km, 8, 3) << "km, largest counts"
                << r.largest_count[0] << r.largest_count[1] << r.largest_count[2];
        log << summary.str() << "\n";
        for (int32_t largest : r.largest_count)
            if (largest > kClipLevel)
                log << " tesk_synth: warning: " << st.code << " reaches the clip level\n";
        results.push_back(r);
    }

    const int year = event.origin.calendar().year;
    const std::vector<std::pair<const char*, std::string>> texts{
        {kCoordinateFile, coordinate_file(results)},
        {kResponseFile, response_file(results, year)},
        {kSensitivityFile, sensitivity_file(results, year)},
        {kPickFile, pick_file(results, event)},
        {kEventFile, event_file(event)},
        {kTruthFile, truth_file(results, event, grid.start, grid.samples)},
    };
    for (const auto& [name, text] : texts) {
        if (!write_text(dir / name, text)) {
            log << " tesk_synth: cannot write " << (dir / name).string() << "\n";
            return 1;
        }
    }
    return 0;
}

} // namespace tw::synth
