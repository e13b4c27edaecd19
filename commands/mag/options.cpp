#include "commands/mag/options.hpp"

#include <cstdio>

#include "commands/mag/quakeml.hpp"
#include "time/parse_date.hpp"
#include "tw_version.hpp"

namespace tw::mag {

const char* const kUsage =
    "usage: tesk_mag [options] [DIR]\n"
    "  Station and network magnitudes from the result files of a tesk_wave run in DIR (default:\n"
    "  the current folder): wood.wave, ground.wave, shake.wave, energy.wave, ramp.wave.\n"
    "  The result files are only read.\n"
    "  -l LAT LON       event epicentre (degrees)\n"
    "  -t TIME          origin time, as tesk_wave takes it (1999/05/03/12:30:15.5,\n"
    "                   1999.123.12:30:15.5, 2024-03-15T12:30:04.25Z, ...)\n"
    "  -d DEPTH         event depth (km)\n"
    "  -event FILE      origin time, latitude, longitude and depth from the first line of FILE\n"
    "  -coord FILE      station coordinate file (else the coordinates of the ground lines)\n"
    "  -ml iaspei       ML relation: IASPEI 2013 (default)\n"
    "  -ml hb           ML relation: Hutton and Boore 1987\n"
    "  -ml user A B C   ML = log10(A_nm) + A log10(R) + B R + C\n"
    "  -larger          station ML from the larger horizontal amplitude (default: the mean of\n"
    "                   the channel MLs)\n"
    "  -vertical        vertical channels count as well\n"
    "  -quakeml FILE    QuakeML 1.2 document (needs -t and -l, or -event)\n"
    "  -idprefix P      prefix of the QuakeML resource identifiers (default smi:local/tesk_wave)\n"
    "  -csv FILE        every result line as one table (CSV)\n"
    "  -json FILE       the same table as JSON\n"
    "  -magcsv FILE     station magnitudes (CSV)\n"
    "  -eventcsv FILE   network magnitudes of the event, one row (CSV)\n"
    "  --help, --version\n"
    "  Exit status: 0 done, 1 usage error or no result file, 2 an output file not written.\n";

namespace {

class Cursor {
  public:
    explicit Cursor(const std::vector<std::string>& args) : args_(args) {}
    bool done() const { return next_ >= args_.size(); }
    const std::string& take() { return args_[next_++]; }
    std::optional<std::string> value() {
        if (done()) return std::nullopt;
        return take();
    }

  private:
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
};

int usage_error(const std::string& message) {
    std::printf("tesk_mag: %s\n", message.c_str());
    std::printf("%s", kUsage);
    return 1;
}

std::optional<double> number_value(Cursor& cursor) {
    const std::optional<std::string> text = cursor.value();
    return text ? decode_number(*text) : std::nullopt;
}

std::optional<double> coefficient(Cursor& cursor) {
    const std::optional<std::string> text = cursor.value();
    return text ? decode_double(*text) : std::nullopt;
}

} // namespace

std::optional<int> read_mag_options(const std::vector<std::string>& args, MagOptions& options) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::printf("%s", kUsage);
            return 0;
        }
        if (arg == "--version") {
            std::printf("tesk_mag %s\n", kVersion);
            return 0;
        }
    }
    Cursor cursor(args);
    bool dir_given = false;
    while (!cursor.done()) {
        const std::string arg = cursor.take();
        std::string* path = nullptr;
        if (arg == "-quakeml")
            path = &options.quakeml;
        else if (arg == "-csv")
            path = &options.csv;
        else if (arg == "-json")
            path = &options.json;
        else if (arg == "-magcsv")
            path = &options.magcsv;
        else if (arg == "-eventcsv")
            path = &options.eventcsv;
        else if (arg == "-coord")
            path = &options.coord_file;
        else if (arg == "-idprefix")
            path = &options.id_prefix;
        if (path != nullptr) {
            const std::optional<std::string> value = cursor.value();
            if (!value || value->empty()) return usage_error(arg + " needs a value");
            *path = *value;
        } else if (arg == "-l") {
            const auto lat = number_value(cursor);
            const auto lon = number_value(cursor);
            if (!lat || !lon || *lat < -90.0 || *lat > 90.0)
                return usage_error("-l needs a latitude and a longitude in degrees");
            options.event.latitude = lat;
            options.event.longitude = lon;
        } else if (arg == "-t") {
            const std::optional<std::string> text = cursor.value();
            const std::optional<int_time> t = text ? parse_origin_time(*text) : std::nullopt;
            if (!t) return usage_error("-t needs an origin time");
            options.event.origin = t;
        } else if (arg == "-d") {
            const auto depth = number_value(cursor);
            if (!depth) return usage_error("-d needs a depth in km");
            options.event.depth_km = depth;
        } else if (arg == "-event") {
            const std::optional<std::string> file = cursor.value();
            if (!file) return usage_error("-event needs a file");
            std::string why;
            const std::optional<Event> event = read_event_file(*file, why);
            if (!event) return usage_error(why);
            options.event = *event;
        } else if (arg == "-ml") {
            const std::optional<std::string> name = cursor.value();
            MlRelation& relation = options.magnitude.relation;
            if (name == "iaspei") {
                relation.kind = MlRelationKind::iaspei_2013;
            } else if (name == "hb") {
                relation.kind = MlRelationKind::hutton_boore_1987;
            } else if (name == "user") {
                const auto a = coefficient(cursor);
                const auto b = coefficient(cursor);
                const auto c = coefficient(cursor);
                if (!a || !b || !c) return usage_error("-ml user needs the numbers A B C");
                relation = MlRelation{MlRelationKind::user, *a, *b, *c};
            } else {
                return usage_error("-ml takes iaspei, hb or user A B C");
            }
        } else if (arg == "-larger") {
            options.magnitude.larger = true;
        } else if (arg == "-vertical") {
            options.magnitude.vertical = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage_error("unknown option " + arg);
        } else if (dir_given) {
            return usage_error("one run folder only (" + options.dir + ", " + arg + ")");
        } else {
            options.dir = arg;
            dir_given = true;
        }
    }
    if (options.id_prefix.empty()) options.id_prefix = std::string(kDefaultIdPrefix);
    if (!valid_id_prefix(options.id_prefix))
        return usage_error("-idprefix " + options.id_prefix +
                           " makes no valid QuakeML identifier (smi:AUTHORITY/PATH or "
                           "quakeml:AUTHORITY/PATH)");
    if (!options.quakeml.empty() && (!options.event.origin || !options.event.has_location()))
        return usage_error("-quakeml needs the origin time and the epicentre (-t and -l, or "
                           "-event)");
    return std::nullopt;
}

} // namespace tw::mag
