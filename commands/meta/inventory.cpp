#include "commands/meta/inventory.hpp"

namespace tw::meta {

std::string channel_name(const ChannelEpoch& c) {
    return c.network + "." + c.station + "." + c.location + "." + c.channel;
}

std::string period_text(const std::optional<Instant>& start, const std::optional<Instant>& end) {
    return (start ? iso_text(*start) : std::string("no start")) + " to " +
           (end ? iso_text(*end) : std::string("open end"));
}

} // namespace tw::meta
