#pragma once
// The run configuration read once from the command line.
#include <string>
#include <vector>

#include "records/records.hpp"
#include "time/int_time.hpp"

namespace tw {

struct RunConfig {
    bool lwood = false, lground = false, lenergy = false, lramp = false, lpick = false;
    bool l3 = false; // three-component grouping wanted
    bool lverbose = false, lsave = false;
    bool lloc = false, ltime = false, ldep = false;
    float elat = 0.0f, elon = 0.0f, edep = 0.0f;
    int_time org_time{};
    float s2n = 0.0f;
    int idc = 0;
    float dtr = 0.0f, dtc = 0.0f;
    FilterSpec filter{};
    std::string file_coord = TW_COORD_FILE;
    std::string file_resp = TW_RESP_FILE;
    std::string file_pick = TW_PICK_FILE;
    std::string file_sens = TW_SENS_FILE;
    std::string model_base = TW_MODEL_BASE;
    std::vector<std::string> fileo; // data file names in command-line order (at most 75)
};

} // namespace tw
