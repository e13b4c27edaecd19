#pragma once
// Three-component bookkeeping: files of one station, band and start time form a group.
#include <array>
#include <string_view>

#include "text/fixed_text.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"

namespace tw {

class ComponentGroup {
  public:
    // Adds a trace: it joins the open group when station, the first two channel characters and the
    // start time all match, else it starts a new group, writing "unexpected channel" first when a
    // group was open. Then the component is tallied by the third channel character.
    void add(std::string_view stat, std::string_view chan, const int_time& stime,
             MessageSink& messages);
    // Ends the group after its third file.
    void close_if_complete();

    int icomp() const { return icomp_; }
    const std::array<int, 3>& ic() const { return ic_; }

  private:
    int icomp_ = 0;
    std::array<int, 3> ic_{};
    FixedText<4> stat_iem_;
    FixedText<3> chan_iem_;
    int_time time_iem_{};
    double difference_ = 0.0; // last start-time difference measured, microseconds
};

} // namespace tw
