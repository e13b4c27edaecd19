#pragma once
// Tabulation of a spherical Earth model into the travel-time tables (BASE.hed, BASE.tbl).
#include <string>
#include <vector>

#include "traveltime/earth_model.hpp"
#include "traveltime/table_files.hpp"

namespace tw {

struct Tabulation {
    TableHeader header;
    std::vector<std::vector<double>> records; // the records of BASE.tbl, in order
    std::vector<std::string> notes;           // phases left out for lack of capacity
};

// Tabulates the model; false with a reason when it does not fit the table capacities.
bool tabulate_model(const EarthModel& model, Tabulation& out, std::string& why);

// Tabulates and writes OUTBASE.hed and OUTBASE.tbl.
bool write_model_tables(const EarthModel& model, const std::string& outbase, std::string& why,
                        std::vector<std::string>* notes = nullptr);

} // namespace tw
