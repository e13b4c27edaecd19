// tesk_meta: station documents (FDSN StationXML, RESP) into the coordinate, response and
// sensitivity files of tesk_wave.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "commands/common/whole_file.hpp"
#include "commands/meta/conversion.hpp"
#include "commands/meta/document_reader.hpp"
#include "commands/meta/selection.hpp"
#include "commands/meta/station_files.hpp"
#include "tw_version.hpp"

namespace {

constexpr const char* kUsage =
    "usage: tesk_meta [-o DIR] [-net N] [-sta S] [-loc L] [-cha C] [-time T] FILE...\n"
    "  Reads FDSN StationXML (1.0 to 1.2) and RESP files and writes the station files of\n"
    "  tesk_wave into DIR (default: the current folder):\n"
    "    stations.stat  coordinates   (tesk_wave -coord)\n"
    "    stations.resp  responses     (tesk_wave -resp)\n"
    "    stations.sens  sensitivities (tesk_wave -sens)\n"
    "  Each file is replaced whole; nothing is appended or merged.\n"
    "  -net, -sta, -cha  codes to take, comma-separated, with ? and * (default: all)\n"
    "  -loc  location codes in order of preference, comma-separated, -- for the empty code\n"
    "        (default: the empty code, then the others in ascending order)\n"
    "  -time only epochs in operation at T (YYYY-MM-DD[Thh:mm[:ss]])\n"
    "  Channels that cannot be used and epochs that collide in the files are listed on\n"
    "  standard error. Exit status 0 when the files were written, 1 for a document that\n"
    "  cannot be read or when nothing could be written, 2 for a bad command line.\n";

constexpr const char* kStationFile = "stations.stat";
constexpr const char* kResponseFile = "stations.resp";
constexpr const char* kSensitivityFile = "stations.sens";

void say_error(const std::string& text) {
    std::fprintf(stderr, "tesk_meta: %s\n", text.c_str());
}

std::string counted(std::size_t n, const std::string& what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::vector<std::string> split_list(std::string_view text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        items.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

struct Options {
    std::string folder = ".";
    tw::meta::Choice choice;
    std::vector<std::string> files;
};

// 0 to go on, or the exit status.
int read_options(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (arg == "--version") {
            std::printf("tesk_meta %s\n", tw::kVersion);
            return -1;
        }
        const bool takes_value = arg == "-o" || arg == "-net" || arg == "-sta" || arg == "-loc" ||
                                 arg == "-cha" || arg == "-time";
        if (takes_value) {
            if (i + 1 >= argc) {
                say_error(std::string(arg) + " needs a value");
                return 2;
            }
            const std::string value = argv[++i];
            if (arg == "-o") {
                o.folder = value;
            } else if (arg == "-net") {
                o.choice.networks = split_list(value);
            } else if (arg == "-sta") {
                o.choice.stations = split_list(value);
            } else if (arg == "-loc") {
                o.choice.locations = split_list(value);
            } else if (arg == "-cha") {
                o.choice.channels = split_list(value);
            } else if (const auto t = tw::meta::parse_iso_time(value)) {
                o.choice.time = t;
            } else {
                say_error("cannot read the time " + value + " (YYYY-MM-DD[Thh:mm[:ss]])");
                return 2;
            }
        } else if (arg.size() > 1 && arg.front() == '-') {
            say_error("unknown option " + std::string(arg));
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            o.files.emplace_back(arg);
        }
    }
    if (o.files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return 0;
}

// Writes the three files whole; none is replaced unless all three were written.
bool write_files(const std::string& folder, const tw::meta::Selection& selection) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string texts[3] = {tw::meta::coordinate_file(selection.coordinates),
                                  tw::meta::response_file(selection.entries),
                                  tw::meta::sensitivity_file(selection.entries)};
    const char* names[3] = {kStationFile, kResponseFile, kSensitivityFile};
    std::vector<std::unique_ptr<tw::WholeFile>> files;
    for (int i = 0; i < 3; ++i) {
        files.push_back(std::make_unique<tw::WholeFile>(folder + "/" + names[i]));
        tw::WholeFile& f = *files.back();
        f.write(texts[i]);
        if (!f.finish()) {
            say_error(f.error() + "; nothing written");
            return false;
        }
    }
    for (auto& f : files)
        if (!f->commit()) {
            say_error(f->error());
            return false;
        }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (const int status = read_options(argc, argv, o); status != 0) return status < 0 ? 0 : status;

    tw::meta::Inventory inventory;
    bool readable = true;
    for (const std::string& file : o.files) {
        std::string error;
        if (!tw::meta::read_document(file, inventory, error)) {
            say_error(error);
            readable = false;
        }
    }
    if (!readable) {
        say_error("nothing written");
        return 1;
    }

    std::vector<tw::meta::StationEntry> candidates;
    for (const tw::meta::ChannelEpoch& c : inventory.channels) {
        if (!tw::meta::chosen(o.choice, c)) continue;
        const std::string where = c.origin.file + ":" + std::to_string(c.origin.line) + ": " +
                                  tw::meta::channel_name(c) + " (" +
                                  tw::meta::period_text(c.start, c.end) + ")";
        tw::meta::Conversion conversion = tw::meta::convert(c);
        if (!conversion.entry) {
            std::string reasons;
            for (const auto& r : conversion.reasons)
                reasons += (reasons.empty() ? "" : "; ") + r;
            say_error(where + ": not used: " + reasons);
            continue;
        }
        for (const auto& note : conversion.notes)
            say_error(where + ": " + note);
        candidates.push_back(std::move(*conversion.entry));
    }
    const tw::meta::Selection selection =
        tw::meta::select_entries(std::move(candidates), inventory, o.choice);
    for (const auto& report : selection.reports)
        say_error(report);
    if (selection.entries.empty()) {
        say_error("no usable channel; nothing written");
        return 1;
    }
    if (!write_files(o.folder, selection)) return 1;
    std::printf("tesk_meta: %s in %s/%s, %s in %s/%s and %s/%s\n",
                counted(selection.coordinates.size(), "station").c_str(), o.folder.c_str(),
                kStationFile, counted(selection.entries.size(), "channel epoch").c_str(),
                o.folder.c_str(), kResponseFile, o.folder.c_str(), kSensitivityFile);
    return 0;
}
