#include "metadata/coordinates.hpp"

#include "metadata/column_reader.hpp"
#include "metadata/entry_fields.hpp"
#include "metadata/station_file.hpp"
#include "records/status.hpp"

namespace tw {

void fetch_coord(const std::string& path, const FixedText<4>& station, float& slat, float& slon,
                 float& sele, int& ierr) {
    ierr = status::kOk;
    StationFile file(path);
    if (!file.opened(ierr)) return;
    std::string line;
    while (file.next_line(line)) {
        // Station, latitude and longitude with 4 implied decimals, elevation with 1.
        ColumnReader fields(line);
        const FixedText<4> code = station_code(line);
        const float lat = fields.real(6, 13, 4);
        const float lon = fields.real(15, 23, 4);
        const float ele = fields.real(25, 30, 1);
        if (!fields.ok()) break;
        if (code != station) continue;
        slat = lat;
        slon = lon;
        sele = ele;
        return;
    }
    ierr = status::kFailed;
}

} // namespace tw
