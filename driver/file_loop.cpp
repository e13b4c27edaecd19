#include "driver/file_loop.hpp"

#include <array>
#include <cmath>
#include <memory>

#include "driver/command_line.hpp"
#include "driver/driver_state.hpp"
#include "driver/geometry.hpp"
#include "driver/result_files.hpp"
#include "driver/save_file.hpp"
#include "driver/window.hpp"
#include "dsp/coinst2.hpp"
#include "estimators/energy.hpp"
#include "estimators/ground.hpp"
#include "estimators/ramp.hpp"
#include "estimators/wood.hpp"
#include "metadata/station_metadata.hpp"
#include "records/status.hpp"
#include "seed/trace_assembly.hpp"
#include "text/fixed_text.hpp"
#include "text/format.hpp"
#include "text/messages.hpp"
#include "traveltime/travel_times.hpp"

namespace tw {
namespace {

constexpr int kMaxTraceSamples = 32767;

// " Before window extraction: " and its twin: station, channel, samples and start time.
FreeLine window_line(const char* label, const TraceHeader& head) {
    ext_time t{};
    f_int_to_ext(head.stime, t);
    return FreeLine(label) << head.stat.prefix(4) << head.chan.prefix(3) << head.npts << t.year
                           << t.doy << t.hour << t.minute << t.second << t.usec;
}

// False, with the message of the missing or unreadable kind of file, unless `kind` is a regular
// file. `what` names the file in the messages ("coordinate", ...).
bool usable(PathKind kind, const char* what, MessageSink& messages) {
    if (kind == PathKind::kRegularFile) return true;
    const char* problem =
        kind == PathKind::kMissing ? " file does not exist" : " file is not a regular file";
    messages.line(FreeLine(std::string("  Tesk_wave - ") + what + problem));
    return false;
}

// One run over the files: the state, the instrument correction and the estimators with their
// stores, the travel-time tables, the result files and where the messages go.
class FileLoop {
  public:
    FileLoop(const RunConfig& config, MessageSink& messages)
        : config_(config), messages_(messages),
          metadata_(config.file_coord, config.file_sens, config.file_resp, config.file_pick),
          correction_(messages), energy_(correction_, messages), ramp_(correction_, messages) {}
    void process(const std::string& filen);

  private:
    bool intake(const std::string& filen, int& ierr);
    bool metadata(int& ierr);
    void geometry();
    void theoretical_arrivals();
    bool cut_window(int& ierr);
    void refill_d1();
    void save(const std::string& filen, const char* suffix);
    bool estimators(const std::string& filen);
    void say(const FreeLine& line) { messages_.line(line); }

    const RunConfig& config_;
    MessageSink& messages_;
    DriverState s_;
    StationMetadata metadata_;
    InstrumentCorrection correction_;
    EnergyEstimator energy_;
    RampEstimator ramp_;
    ResultFiles results_;
    // Loads its tables at the first use and keeps P and S each corrected for the depth.
    TravelTimeCalculator travel_times_{config_.model_base};
};

void FileLoop::process(const std::string& filen) {
    s_.lclip = false;
    if (config_.lverbose) say(FreeLine() << std::string_view(filen).substr(0, klen(filen)));
    int ierr = 0;
    if (!intake(filen, ierr)) return;
    if (!metadata(ierr)) return;
    geometry();
    if ((config_.lenergy || config_.lramp) && config_.lloc && config_.ltime && config_.ldep)
        theoretical_arrivals();
    if ((config_.lenergy || config_.lramp) && !cut_window(ierr)) return;
    if ((config_.lwood || config_.lground) && config_.lloc && config_.ltime) {
        check_window(s_.head.stime, s_.head.endtime, config_.org_time, s_.dist, ierr);
        if (ierr != 0) return say(FreeLine("  Tesk_wave - insufficient window ") << ierr);
    }
    // The correction needs N + 2 reals and N/2 + 1 complex values, N = ipow(2 npts).
    if (coinst2_length(s_.head.npts) + 2 > kMaxSamples)
        return say(FreeLine("  Tesk_wave - FFT exceeded "));
    estimators(filen);
}

bool FileLoop::intake(const std::string& filen, int& ierr) {
    sdr_read(filen, kMaxTraceSamples, s_.idata, s_.head, ierr, messages_);
    if (ierr >= status::kFailed) {
        say(FreeLine("  Tesk_wave - error opening file ") << ierr);
        return false;
    }
    check_clip(s_.head.chan.prefix(3), s_.head.npts, s_.idata, ierr);
    if (ierr != 0) {
        say(FreeLine("  Tesk_wave - data may be clipped ") << ierr);
        if (!config_.lramp) return false;
        say(FreeLine("  Using data anyway"));
        s_.lclip = true;
    }
    return true;
}

bool FileLoop::metadata(int& ierr) {
    if (!usable(metadata_.coordinates_kind(), "coordinate", messages_)) return false;
    metadata_.fetch_coord(FixedText<4>(s_.head.stat.prefix(4)), s_.slat, s_.slon, s_.sele, ierr);
    s_.head.slat = s_.slat;
    s_.head.slon = s_.slon;
    s_.head.sele = s_.sele;
    if (ierr != 0) {
        say(FreeLine("  Tesk_wave - error with coordinates ") << ierr);
        return false;
    }
    if (config_.lramp) {
        if (!usable(metadata_.sensitivities_kind(), "sensitivity", messages_)) return false;
        metadata_.fetch_sens(s_.head, s_.sens, ierr);
        if (ierr != 0) {
            say(FreeLine("  Tesk_wave - error with sensitivity ") << ierr);
            return false;
        }
    }
    if (!usable(metadata_.responses_kind(), "response", messages_)) return false;
    metadata_.fetch_response(s_.head, s_.instr, ierr);
    if (ierr != 0) {
        say(FreeLine("   Tesk_wave - error with response ") << ierr);
        return false;
    }
    // Without a pick file the picks of the previous file stay; a pick path that names no
    // regular file is said so and counts as no pick file.
    const PathKind picks = metadata_.picks_kind();
    if (picks == PathKind::kNotRegular) usable(picks, "pick", messages_);
    if (picks == PathKind::kRegularFile) {
        metadata_.fetch_pick(s_.head, s_.pick, s_.ipick, ierr, messages_);
        if (ierr != 0) say(FreeLine("   Tesk_wave - error reading pickfile") << ierr);
        if (config_.lverbose) {
            for (int i = 0; i < s_.ipick; ++i) {
                ext_time t{};
                f_int_to_ext(s_.pick[static_cast<std::size_t>(i)].pdate, t);
                say(FreeLine() << s_.pick[static_cast<std::size_t>(i)].pid.view() << t.year << t.doy
                               << t.hour << t.minute << t.second << t.usec);
            }
        }
    }
    return true;
}

void FileLoop::geometry() {
    if (!config_.lloc) {
        s_.delta = s_.dist = s_.rdist = 0.0f;
        return;
    }
    azimth(config_.elat, config_.elon, s_.slat, s_.slon, s_.delta, s_.azim, s_.bazim);
    s_.dist = s_.delta * km_per_degree();
    // Without -d the depth is 0 and the hypocentral distance is the epicentral one.
    s_.rdist = std::sqrt(s_.dist * s_.dist + config_.edep * config_.edep);
}

void FileLoop::theoretical_arrivals() {
    const char* phases[2] = {"P", "S"};
    for (std::size_t k = 0; k < 2; ++k) {
        TravelTimes arrivals;
        travel_times_.ttimes(config_.edep, s_.delta, phases[k], arrivals);
        // The first entry is taken whatever the count: no arrival gives 0 s and a blank name.
        const float t = arrivals.tt[0];
        const int it1s = static_cast<int>(t);
        const int it1t = static_cast<int>((t - static_cast<float>(it1s)) * 1000000.0f);
        PickRecord& arrival = s_.iasp[k];
        f_add_time(config_.org_time, it1s, it1t, arrival.pdate);
        arrival.pid = arrivals.phcd[0].prefix(4);
    }
    s_.itime = 2;
}

bool FileLoop::cut_window(int& ierr) {
    if (config_.lverbose) say(window_line(" Before window extraction: ", s_.head));
    const int_time* reference = nullptr;
    if (s_.ipick > 0)
        reference = &s_.pick[0].pdate;
    else if (s_.itime > 0)
        reference = &s_.iasp[0].pdate;
    else
        say(FreeLine("  Tesk_wave - unable to extract window"));
    if (reference != nullptr) {
        int_time t1{}, t2{};
        f_add_time(*reference, -30, 0, t1);
        f_add_time(*reference, 60, 0, t2);
        extra_window(s_.head, s_.idata, t1, t2, ierr);
    }
    // A status still held from the pick lookup also ends the file here.
    if (ierr != 0) {
        say(FreeLine("  Tesk_wave - insufficient data ") << ierr);
        return false;
    }
    if (config_.lverbose) say(window_line(" After window extraction:  ", s_.head));
    return true;
}

void FileLoop::refill_d1() {
    for (int i = 0; i < s_.head.npts; ++i)
        s_.d1[static_cast<std::size_t>(i)] =
            static_cast<float>(s_.idata[static_cast<std::size_t>(i)]);
}

void FileLoop::save(const std::string& filen, const char* suffix) {
    if (!config_.lsave) return;
    int ierr = 0;
    // The data file's name up to its last non-blank, then the suffix.
    const std::string name = filen.substr(0, static_cast<std::size_t>(klen(filen))) + suffix;
    save_to_ascii(s_.head, s_.d1.data(), name, ierr);
}

// No estimator asks the correction for the corrected spectrum.
bool FileLoop::estimators(const std::string& filen) {
    int ierr = 0;
    if (config_.lwood) {
        refill_d1();
        const PeakPeriod peak = est_wood(correction_, s_.head, s_.instr, s_.d1, {}, ierr);
        if (ierr != 0) {
            say(FreeLine("  Tesk_wave - error in WA est ") << ierr);
            return false;
        }
        results_.wood(s_.head, peak);
        save(filen, ".wood");
    }
    if (config_.lground) {
        refill_d1();
        const GroundMotion motion = est_ground(correction_, s_.head, s_.instr, s_.d1, {}, ierr);
        if (ierr != 0) {
            say(FreeLine("  Tesk_wave - error in GM est ") << ierr);
            return false;
        }
        results_.ground(s_.head, motion, s_.rdist);
        save(filen, ".ground");
    }
    if (!config_.l3) return true;
    s_.group.add(s_.head.stat.prefix(4), s_.head.chan.prefix(3), s_.head.stime, messages_);
    if (config_.lenergy) {
        refill_d1();
        const auto energy = energy_.est_energy(s_.head, s_.instr, s_.d1, {}, s_.dist,
                                               s_.group.icomp(), s_.group.ic(), ierr);
        if (energy) results_.energy(s_.head, *energy);
        if (ierr != 0)
            say(FreeLine("  Tesk_wave - error in EN est ") << ierr);
        else
            save(filen, ".energy");
    }
    if (config_.lramp) {
        if (s_.ipick == 0) {
            say(FreeLine("  Tesk_wave - tt required"));
        } else {
            refill_d1();
            const int_time p_time = s_.pick[0].pdate;
            const auto ramp = ramp_.est_ramp(s_.head, s_.instr, config_.filter, s_.d1, p_time,
                                             s_.dist, s_.group.icomp(), s_.group.ic(), ierr);
            if (ramp) results_.ramp(s_.head, *ramp, s_.lclip);
            if (ierr != 0) say(FreeLine("  Tesk_wave - error in RF est ") << ierr);
        }
    }
    s_.group.close_if_complete();
    return true;
}

} // namespace

void run_files(const RunConfig& config, MessageSink& messages) {
    const std::vector<int> order = sort_c(config.fileo);
    if (config.lverbose) write_banner(config, messages);
    auto loop = std::make_unique<FileLoop>(config, messages);
    for (int index : order)
        loop->process(config.fileo[static_cast<std::size_t>(index)]);
}

} // namespace tw
