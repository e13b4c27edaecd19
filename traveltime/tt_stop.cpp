#include "traveltime/tt_stop.hpp"

#include <cstdio>
#include <cstdlib>

namespace tw {

void travel_time_stop(int status, const std::string& message) {
    std::FILE* out = status == kTableUnreadable ? stderr : stdout;
    std::fprintf(out, "%s\n", message.c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

} // namespace tw
