#pragma once
// Fields shared by the coordinate, sensitivity and response files: the station code, the unit
// of ground motion and the validity period of an entry.
#include <string_view>

#include "text/fixed_text.hpp"
#include "time/int_time.hpp"

namespace tw {

// Columns 1-4 of an entry; an underscore in column 4 stands for a blank, so a 3-letter code
// may be written "ABC_".
FixedText<4> station_code(std::string_view line);

// 0 for "(DU/M)   " (displacement), 1 for "(DU/MS-1)" (velocity), 2 for "(DU/MS-2)"
// (acceleration), 999 for anything else.
int unit_code_of(std::string_view unit_text);

// One limit of a validity period as the files write it.
struct ValidityDate {
    int year = 0, doy = 0, hour = 0, minute = 0;
};

struct ValidityPeriod {
    int_time begin{}, end{};
    // Both limits inclusive.
    bool covers(const int_time& t) const;
};

// Converts both limits (second and microsecond 0). The end 2599 day 366 is the open end and is
// taken as day 365. An invalid date (a day of year the year does not have, or a year outside
// kFirstYear to kLastYear) sets ierr to 997 (begin) or 998 (end); otherwise ierr is left as it
// was, so the status of an earlier entry survives.
ValidityPeriod validity_period(const ValidityDate& begin, ValidityDate end, int& ierr);

// The validity period of an entry as read once, with the status its conversion set (if any),
// which every lookup passing the entry sets again.
struct EntryPeriod {
    static constexpr int kNoStatus = -1;
    ValidityPeriod period;
    int status = kNoStatus;

    static EntryPeriod of(const ValidityDate& begin, const ValidityDate& end) {
        EntryPeriod p;
        p.period = validity_period(begin, end, p.status);
        return p;
    }
    void pass(int& ierr) const {
        if (status != kNoStatus) ierr = status;
    }
};

} // namespace tw
