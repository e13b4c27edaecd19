#pragma once
// The station metadata files of a run: coordinates, sensitivities, responses and picks. Each file
// is read once, at its first lookup, and its entries are kept; every later lookup of the run
// scans the kept entries exactly as it would scan the file, so a malformed or out-of-order file
// gives the same results, only without being read and parsed again for every trace.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "metadata/coordinates.hpp"
#include "metadata/kept_entries.hpp"
#include "metadata/line_reader.hpp"
#include "metadata/picks.hpp"
#include "metadata/response.hpp"
#include "metadata/sensitivity.hpp"

namespace tw {

// The most memory the entries of one file may take when kept. The entries of a larger file are
// not kept: each of its lookups reads the file, as a single lookup does.
inline constexpr std::size_t kKeptFileBytes = std::size_t{32} << 20;

// One station file of the run and, once read, its entries.
template <class Entry> class KeptFile {
  public:
    explicit KeptFile(std::string path, std::size_t limit = kKeptFileBytes)
        : path_(std::move(path)), limit_(limit) {}

    const std::string& path() const { return path_; }

    // What the path names; a kept file counts as the regular file it was, whatever happened to
    // the path since.
    PathKind kind() const { return kept_ ? PathKind::kRegularFile : metadata_path_kind(path_); }

    // The entries, read at the first call. Nothing while the file cannot be opened (it is tried
    // again at the next call) and when they take more than the limit.
    const std::vector<Entry>* entries() {
        if (!kept_ && !too_large_) {
            LineReader file(path_);
            if (file.is_open()) {
                kept_ = keep_entries<Entry>(file, limit_);
                too_large_ = !kept_;
            }
        }
        return kept_ ? &*kept_ : nullptr;
    }

  private:
    std::string path_;
    std::size_t limit_;
    std::optional<std::vector<Entry>> kept_;
    bool too_large_ = false;
};

class StationMetadata {
  public:
    StationMetadata(std::string coord, std::string sens, std::string resp, std::string pick)
        : coordinates_(std::move(coord)), sensitivities_(std::move(sens)),
          responses_(std::move(resp)), picks_(std::move(pick)) {}

    PathKind coordinates_kind() const { return coordinates_.kind(); }
    PathKind sensitivities_kind() const { return sensitivities_.kind(); }
    PathKind responses_kind() const { return responses_.kind(); }
    PathKind picks_kind() const { return picks_.kind(); }

    // The lookups of coordinates.hpp, sensitivity.hpp, response.hpp and picks.hpp, with the
    // same results and statuses.
    void fetch_coord(const FixedText<4>& station, float& slat, float& slon, float& sele,
                     int& ierr) {
        if (const auto* kept = coordinates_.entries())
            tw::fetch_coord(*kept, station, slat, slon, sele, ierr);
        else
            tw::fetch_coord(coordinates_.path(), station, slat, slon, sele, ierr);
    }
    void fetch_sens(TraceHeader& head, Sensitivity& sens, int& ierr) {
        if (const auto* kept = sensitivities_.entries())
            tw::fetch_sens(*kept, head, sens, ierr);
        else
            tw::fetch_sens(sensitivities_.path(), head, sens, ierr);
    }
    void fetch_response(TraceHeader& head, InstrumentResponse& instr, int& ierr) {
        if (const auto* kept = responses_.entries())
            tw::fetch_response(*kept, head, instr, ierr);
        else
            tw::fetch_response(responses_.path(), head, instr, ierr);
    }
    void fetch_pick(const TraceHeader& head, std::array<PickRecord, kMaxPicks>& picks, int& ipick,
                    int& ierr, MessageSink& messages) {
        if (const auto* kept = picks_.entries())
            tw::fetch_pick(*kept, head, picks, ipick, ierr, messages);
        else
            tw::fetch_pick(picks_.path(), head, picks, ipick, ierr, messages);
    }

  private:
    KeptFile<CoordinateEntry> coordinates_;
    KeptFile<SensitivityEntry> sensitivities_;
    KeptFile<ResponseEntry> responses_;
    KeptFile<PickLine> picks_;
};

} // namespace tw
