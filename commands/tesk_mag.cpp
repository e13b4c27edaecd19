// tesk_mag [options] [DIR]: station and network magnitudes (ML, Me) from the result files of a
// tesk_wave run, with the result lines as one table (CSV, JSON) and the event as QuakeML.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/mag/analysis.hpp"
#include "commands/mag/options.hpp"
#include "commands/mag/output_file.hpp"
#include "commands/mag/quakeml.hpp"
#include "commands/mag/report.hpp"
#include "commands/mag/tidy_table.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    tw::mag::MagOptions options;
    if (const auto status = tw::mag::read_mag_options(args, options)) return *status;

    std::error_code ec;
    if (!std::filesystem::is_directory(options.dir, ec)) {
        std::printf("tesk_mag: %s is no folder\n", options.dir.c_str());
        return 1;
    }
    const tw::mag::Analysis analysis =
        tw::mag::analyse(options.dir, options.event, options.coord_file, options.magnitude);
    bool any_file = false;
    for (bool found : analysis.run.file_found)
        any_file = any_file || found;
    if (!any_file) {
        std::printf("tesk_mag: no result file (wood.wave, ground.wave, shake.wave, energy.wave, "
                    "ramp.wave) in %s\n",
                    options.dir.c_str());
        return 1;
    }
    std::fputs(tw::mag::summary(analysis).c_str(), stdout);

    const std::string prefix = options.id_prefix;
    int status = 0;
    auto write = [&](const std::string& path, const std::string& content) {
        if (path.empty()) return;
        std::string why;
        if (tw::mag::write_whole_file(path, content, why)) {
            std::printf("Written: %s\n", path.c_str());
        } else {
            std::printf("tesk_mag: cannot write %s\n", why.c_str());
            status = 2;
        }
    };
    if (!options.quakeml.empty())
        write(options.quakeml, tw::mag::quakeml_document(analysis, prefix));
    if (!options.csv.empty()) write(options.csv, tw::mag::tidy_csv(analysis.run));
    if (!options.json.empty()) write(options.json, tw::mag::tidy_json(analysis.run));
    if (!options.magcsv.empty()) write(options.magcsv, tw::mag::station_magnitude_csv(analysis));
    if (!options.eventcsv.empty()) write(options.eventcsv, tw::mag::event_csv(analysis));
    return status;
}
