#include "driver/component_group.hpp"

#include "text/format.hpp"

namespace tw {

void ComponentGroup::add(std::string_view stat, std::string_view chan, const int_time& stime,
                         MessageSink& messages) {
    const FixedText<4> station(stat);
    const FixedText<3> channel(chan);
    bool joins = false;
    if (icomp_ > 0 && station == stat_iem_ && channel.prefix(2) == chan_iem_.prefix(2)) {
        difference_ = f_tdiff(stime, time_iem_);
        joins = difference_ == 0.0;
    }
    if (joins) {
        ++icomp_;
    } else {
        if (icomp_ > 0) {
            messages.line(FreeLine("  Tesk_wave - unexpected channel ") << difference_);
        }
        icomp_ = 1;
        stat_iem_ = station;
        chan_iem_ = channel;
        time_iem_ = stime;
        ic_ = {0, 0, 0};
    }
    switch (channel[2]) {
    case 'Z':
    case '1':
        ++ic_[0];
        break;
    case 'N':
    case '2':
        ++ic_[1];
        break;
    case 'E':
    case '3':
        ++ic_[2];
        break;
    default:
        break;
    }
}

void ComponentGroup::close_if_complete() {
    if (icomp_ >= 3) {
        icomp_ = 0;
        ic_ = {0, 0, 0};
    }
}

} // namespace tw
