#include "metadata/coordinates.hpp"

#include "metadata/column_reader.hpp"
#include "metadata/entry_fields.hpp"
#include "metadata/kept_entries.hpp"
#include "records/status.hpp"

namespace tw {

namespace {

template <class Entries>
void scan(Entries entries, const FixedText<4>& station, float& slat, float& slon, float& sele,
          int& ierr) {
    while (const CoordinateEntry* e = entries.next()) {
        if (!e->ok) break;
        if (e->code != station) continue;
        slat = e->lat;
        slon = e->lon;
        sele = e->ele;
        return;
    }
    ierr = status::kFailed;
}

} // namespace

bool read_entry(LineReader& file, CoordinateEntry& entry) {
    std::string line;
    bool too_long = false;
    if (!file.next_line(line, too_long)) return false;
    ColumnReader fields(line);
    entry.code = station_code(line);
    entry.lat = fields.real(6, 13, 4);
    entry.lon = fields.real(15, 23, 4);
    entry.ele = fields.real(25, 30, 1);
    entry.ok = fields.ok() && !too_long;
    return true;
}

void fetch_coord(const std::string& path, const FixedText<4>& station, float& slat, float& slon,
                 float& sele, int& ierr) {
    ierr = status::kOk;
    LineReader file(path);
    if (!file.opened(ierr)) return;
    scan(FileEntries<CoordinateEntry>(file), station, slat, slon, sele, ierr);
}

void fetch_coord(std::span<const CoordinateEntry> kept, const FixedText<4>& station, float& slat,
                 float& slon, float& sele, int& ierr) {
    ierr = status::kOk;
    scan(KeptEntries<CoordinateEntry>(kept), station, slat, slon, sele, ierr);
}

} // namespace tw
