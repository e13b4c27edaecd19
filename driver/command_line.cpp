#include "driver/command_line.hpp"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "text/fixed_text.hpp"
#include "text/format.hpp"
#include "text/tokens.hpp"
#include "time/parse_date.hpp"
#include "tw_version.hpp"

namespace tw {
namespace {

constexpr const char* kUsage[] = {
    " tesk_wave {-w -g -r} [-l lat lon -t time] ",
    "           {-v -s} file1 .... filen",
    " -w          computes WA amplitude",
    " -g          computes ground motion",
    " -r          computes ramp function",
    " -e          computes energy magnitude",
    "               {requires -l and -d and 3-comp data}",
    " -p          computes characteristic function",
    "               {requires 3-comp data}",
    " ",
    " -n s/n      input signal/noise ratio for testing",
    " -t time     input event origin time",
    " -l lat lon  input event location",
    " -d depth    input event depth",
    " ",
    " -f np fl fh input filter parameters",
    " -c dtr dtc  input chr/detector parameters",
    " ",
    " -coord      input station coordinate file",
    " -resp       input station response file",
    " ",
    " -pick       input pickfile",
    " ",
    " -v          verbose output option",
    " -s          save output data",
    " file1...    input SDR format file(s)",
    " ",
};

constexpr const char* kExtraOptions[] = {
    " Further options:",
    " -sens       input station sensitivity file",
    " -model      input travel-time model base name",
    " -h, --help  this help text",
    " --version   the program's version",
};

void write_usage(MessageSink& messages, bool with_extras) {
    for (const char* line : kUsage)
        messages.line(line);
    if (with_extras)
        for (const char* line : kExtraOptions)
            messages.line(line);
}

// Arguments are taken strictly left to right; a value past the end of the list is empty.
class ArgumentCursor {
  public:
    explicit ArgumentCursor(const std::vector<std::string>& args) : args_(args) {}
    bool done() const { return next_ >= args_.size(); }
    const std::string& take() {
        static const std::string empty;
        return next_ < args_.size() ? args_[next_++] : (++next_, empty);
    }

  private:
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
};

// Decodes one numeric value; on failure writes the option's message and gives nothing.
std::optional<float> decode(MessageSink& messages, const std::string& text, const char* message) {
    float value = 0.0f;
    int flag = 0;
    cipnum(text, value, flag);
    if (flag != 0) {
        messages.line(message);
        return std::nullopt;
    }
    return value;
}

// Decodes a count (filter order, detector number), taken as the integer part of the value; a
// value beyond the integer range cannot be a count and is refused like an undecodable one.
std::optional<int32_t> decode_whole(MessageSink& messages, const std::string& text,
                                    const char* message) {
    const auto value = decode(messages, text, message);
    if (!value) return std::nullopt;
    if (!(*value > -2147483648.0f && *value < 2147483648.0f)) {
        messages.line(message);
        return std::nullopt;
    }
    return static_cast<int32_t>(*value);
}

struct PathOption {
    std::string* target;
    const char* label;
};

// The options that take a file path, with the label of their verbose echo.
std::optional<PathOption> find_path_option(std::string_view key, RunConfig& config) {
    if (key == "-coord") return PathOption{&config.file_coord, "Coordinate file: "};
    if (key == "-pick") return PathOption{&config.file_pick, "Pick file: "};
    if (key == "-resp") return PathOption{&config.file_resp, "Response file: "};
    if (key == "-sens") return PathOption{&config.file_sens, "Sensitivity file: "};
    if (key == "-model") return PathOption{&config.model_base, "Travel-time model: "};
    return std::nullopt;
}

} // namespace

std::optional<int> read_command_line(const std::vector<std::string>& args, RunConfig& config,
                                     MessageSink& messages) {
    const auto put_line = [&](std::string_view line) { messages.line(line); };
    const bool lone_option =
        args.size() == 1 && (args[0] == "-h" || args[0] == "--help" || args[0] == "--version");
    if (args.size() <= 1 && !lone_option) {
        write_usage(messages, false);
        return 0;
    }
    ArgumentCursor cursor(args);
    auto number = [&](const char* message) { return decode(messages, cursor.take(), message); };
    auto whole = [&](const char* message) {
        return decode_whole(messages, cursor.take(), message);
    };
    while (!cursor.done()) {
        const std::string& arg = cursor.take();
        const std::string_view key = std::string_view(arg).substr(0, klen(arg));
        if (key == "-w") {
            config.lwood = true;
        } else if (key == "-g") {
            config.lground = true;
        } else if (key == "-e") {
            config.lenergy = config.l3 = true;
        } else if (key == "-r") {
            config.lramp = config.l3 = true;
        } else if (key == "-p") {
            config.lpick = config.l3 = true;
        } else if (key == "-v") {
            config.lverbose = true;
        } else if (key == "-s") {
            config.lsave = true;
        } else if (key == "-h" || key == "--help") {
            write_usage(messages, true);
            return 0;
        } else if (key == "--version") {
            put_line(std::string("tesk_wave ") + kVersion);
            return 0;
        } else if (key == "-n") {
            auto v = number("  Tesk_wave - Unable to decode S/N ratio");
            if (!v) return 1;
            config.s2n = *v;
        } else if (key == "-l") {
            auto lat = number("  Tesk_wave - Unable to decode latitude");
            if (!lat) return 1;
            auto lon = number("  Tesk_wave - Unable to decode longitude");
            if (!lon) return 1;
            config.elat = *lat;
            config.elon = *lon;
            config.lloc = true;
            if (config.lverbose)
                put_line((FreeLine("Coordinates: ") << config.elat << config.elon).str());
        } else if (key == "-t") {
            const std::optional<int_time> parsed = parse_origin_time(cursor.take());
            if (!parsed) {
                put_line("  Tesk_wave - Unable to decode time");
                return 1;
            }
            const int_time t = *parsed;
            config.org_time = t;
            config.ltime = true;
            if (config.lverbose)
                put_line((FreeLine("Time: ") << t.year << t.second << t.usec).str());
        } else if (key == "-d") {
            auto depth = number("  Tesk_wave - Unable to decode depth");
            if (!depth) return 1;
            config.edep = *depth;
            config.ldep = true;
            if (config.lverbose) put_line((FreeLine("Depth: ") << config.edep).str());
        } else if (key == "-f") {
            auto np = whole("  Tesk_wave - Unable to decode np0");
            if (!np) return 1;
            auto fl = number("  Tesk_wave - Unable to decode fl");
            if (!fl) return 1;
            auto fh = number("  Tesk_wave - Unable to decode fh");
            if (!fh) return 1;
            config.filter = FilterSpec{*np, *fl, *fh};
            if (config.lverbose)
                put_line((FreeLine("Filter: ")
                          << config.filter.np << config.filter.fl << config.filter.fh)
                             .str());
        } else if (key == "-c") {
            auto chr = whole("  Tesk_wave - Unable to decode chr");
            if (!chr) return 1;
            auto dtr = number("  Tesk_wave - Unable to decode dtr");
            if (!dtr) return 1;
            auto dtc = number("  Tesk_wave - Unable to decode dtc");
            if (!dtc) return 1;
            config.idc = *chr;
            config.dtr = *dtr;
            config.dtc = *dtc;
            if (config.lverbose) {
                put_line((FreeLine("Characteristic function: ") << config.idc).str());
                put_line((FreeLine("Detection constants: ") << config.dtr << config.dtc).str());
            }
        } else if (auto option = find_path_option(key, config)) {
            const std::string& path = cursor.take();
            // The model is named by the text up to its first blank; the analyser never asks.
            if (option->target == &config.model_base && path.substr(0, path.find(' ')).empty()) {
                put_line("  Tesk_wave - no travel-time model named");
                return 1;
            }
            // A path is the text up to its last non-blank, as the echo shows it.
            *option->target = path.substr(0, static_cast<std::size_t>(klen(path)));
            if (config.lverbose) put_line((FreeLine(option->label) << *option->target).str());
        } else if (config.fileo.size() >= static_cast<std::size_t>(kMaxDataFiles)) {
            put_line("  Tesk_wave - too many data files");
        } else {
            config.fileo.push_back(arg);
        }
    }
    if (config.fileo.empty()) {
        put_line("  Tesk_wave - no input data files ");
        return 1;
    }
    return std::nullopt;
}

std::vector<int> sort_c(const std::vector<std::string>& names) {
    std::vector<int> index(names.size());
    std::iota(index.begin(), index.end(), 0);
    // Blank-padded texts compare as if the shorter one were padded with blanks.
    auto padded_less = [&](int a, int b) {
        const std::string& x = names[static_cast<std::size_t>(a)];
        const std::string& y = names[static_cast<std::size_t>(b)];
        const std::size_t n = std::max(x.size(), y.size());
        for (std::size_t i = 0; i < n; ++i) {
            const auto cx = static_cast<unsigned char>(i < x.size() ? x[i] : ' ');
            const auto cy = static_cast<unsigned char>(i < y.size() ? y[i] : ' ');
            if (cx != cy) return cx < cy;
        }
        return false;
    };
    std::stable_sort(index.begin(), index.end(), padded_less);
    return index;
}

void write_banner(const RunConfig& config, MessageSink& messages) {
    const auto put_line = [&](std::string_view line) { messages.line(line); };
    put_line("");
    if (config.lwood) put_line("  Computing Wood-Anderson synthetics");
    if (config.lground) put_line("  Computing ground motion values");
    if (config.l3) {
        if (config.lenergy) put_line("  Computing energy magnitude");
        if (config.lpick) put_line("  Computing characteristic function");
        if (config.lramp) put_line("  Computing ramp growth rate");
    }
    put_line("");
    put_line(" Looping over files");
}

} // namespace tw
